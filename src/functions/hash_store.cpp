#include "functions/hash_store.h"

#include "script/tf_hook.h"

namespace vesk {

hash_store& hash_store::instance() {
    static hash_store store;
    return store;
}

const std::string* hash_store::get(std::string_view key) const {
    const auto it = by_key_.find(key);
    return it == by_key_.end() ? nullptr : &it->second->value;
}

const std::string* hash_store::find(std::string_view folded_name) const {
    const auto it = by_folded_.find(folded_name);
    return it == by_folded_.end() ? nullptr : &it->second.begin()->second->value;
}

void hash_store::set(std::string_view key, std::string value) {
    if (const auto it = by_key_.find(key); it != by_key_.end()) {
        it->second->value = std::move(value);
        return;
    }
    const uint64_t order = next_order_++;
    entries_.push_back({std::string(key), fold_name(key), std::move(value), order});
    const auto entry = std::prev(entries_.end());
    by_key_.emplace(entry->key, entry);
    by_folded_[entry->folded].emplace(order, entry);
}

void hash_store::erase(std::string_view key) {
    const auto it = by_key_.find(key);
    if (it == by_key_.end()) return;
    const entry_it entry = it->second;
    const auto folded = by_folded_.find(entry->folded);
    folded->second.erase(entry->order);
    if (folded->second.empty()) by_folded_.erase(folded);
    by_key_.erase(it);
    entries_.erase(entry);
}

void hash_store::clear() {
    by_key_.clear();
    by_folded_.clear();
    entries_.clear();
}

}  // namespace vesk
