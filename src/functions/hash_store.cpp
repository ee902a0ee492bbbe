#include "functions/hash_store.h"

#include <algorithm>

#include "script/tf_hook.h"

namespace vesk {

hash_store& hash_store::instance() {
    static hash_store store;
    return store;
}

const std::string* hash_store::get(std::string_view key) const {
    const auto it = std::ranges::find(entries_, key, &t_entry::key);
    return it == entries_.end() ? nullptr : &it->value;
}

const std::string* hash_store::find(std::string_view folded_name) const {
    const auto it = std::ranges::find(entries_, folded_name, &t_entry::folded);
    return it == entries_.end() ? nullptr : &it->value;
}

void hash_store::set(std::string_view key, std::string value) {
    const auto it = std::ranges::find(entries_, key, &t_entry::key);
    if (it != entries_.end()) {
        it->value = std::move(value);
        return;
    }
    entries_.push_back({std::string(key), fold_name(key), std::move(value)});
}

void hash_store::erase(std::string_view key) {
    const auto it = std::ranges::find(entries_, key, &t_entry::key);
    if (it != entries_.end()) entries_.erase(it);
}

}  // namespace vesk
