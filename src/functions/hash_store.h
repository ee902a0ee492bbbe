// The global key/value store that $hash fills and that fields fall back
// on. Keys are kept folded to lower case.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace vesk {

class hash_store {
public:
    static hash_store& instance();
    // `key` must already be folded to lower case.
    [[nodiscard]] const std::string* find(std::string_view key) const;
    void set(std::string_view key, std::string value);
    void erase(std::string_view key);
    void clear() { map_.clear(); }
    const std::map<std::string, std::string, std::less<>>& items() const { return map_; }

private:
    std::map<std::string, std::string, std::less<>> map_;
};

}  // namespace vesk
