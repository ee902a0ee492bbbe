#include "functions/hash_store.h"

namespace vesk {

hash_store& hash_store::instance() {
    static hash_store store;
    return store;
}

const std::string* hash_store::find(std::string_view key) const {
    const auto it = map_.find(key);
    return it == map_.end() ? nullptr : &it->second;
}

void hash_store::set(std::string_view key, std::string value) {
    map_.insert_or_assign(std::string(key), std::move(value));
}

void hash_store::erase(std::string_view key) {
    if (const auto it = map_.find(key); it != map_.end()) map_.erase(it);
}

}  // namespace vesk
