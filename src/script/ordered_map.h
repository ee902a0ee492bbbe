// A map that keeps keys in the order they were first set: setting an
// existing key replaces its value in place, a new key is appended.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vesk {

class ordered_map {
public:
    ordered_map() = default;
    ordered_map(std::initializer_list<std::pair<std::string, std::string>> items) {
        for (const auto& [k, v] : items) set(k, v);
    }
    void set(std::string_view key, std::string value) {
        if (const auto it = index_.find(std::string(key)); it != index_.end()) {
            items_[it->second].second = std::move(value);
            return;
        }
        index_.emplace(std::string(key), items_.size());
        items_.emplace_back(std::string(key), std::move(value));
    }
    [[nodiscard]] const std::string* find(std::string_view key) const {
        const auto it = index_.find(std::string(key));
        return it == index_.end() ? nullptr : &items_[it->second].second;
    }
    void clear() {
        items_.clear();
        index_.clear();
    }
    [[nodiscard]] size_t size() const { return items_.size(); }
    [[nodiscard]] bool empty() const { return items_.empty(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    // Values may be rewritten in place; keys may not.
    std::string& value_at(size_t i) { return items_[i].second; }

private:
    std::vector<std::pair<std::string, std::string>> items_;
    std::unordered_map<std::string, size_t> index_;
};

}  // namespace vesk
