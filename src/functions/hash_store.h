// The global $hash store: an ordered list of key/value pairs that lives for
// the whole run. Keys compare byte for byte; a new key goes to the end and
// setting a known key keeps its place. Fields fall back on the store by
// their folded name, so a key set in capitals reads as a field in any case.
// Scripts keep thousands of keys (object identities, per-row state), so
// every operation is a hash lookup, not a walk of the list.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vesk {

class hash_store {
public:
    struct t_entry {
        std::string key;
        std::string folded;  // the key as field names are folded
        std::string value;
        uint64_t order = 0;  // rises with each new key
    };

    static hash_store& instance();

    // By exact key.
    [[nodiscard]] const std::string* get(std::string_view key) const;
    // By a field name already folded to lower case: the first key that
    // folds to it.
    [[nodiscard]] const std::string* find(std::string_view folded_name) const;
    void set(std::string_view key, std::string value);
    void erase(std::string_view key);
    void clear();
    [[nodiscard]] size_t size() const { return entries_.size(); }
    // The pairs in store order.
    [[nodiscard]] std::vector<t_entry> items() const { return {entries_.begin(), entries_.end()}; }

private:
    struct text_hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    using entry_it = std::list<t_entry>::iterator;
    template <class T>
    using text_map = std::unordered_map<std::string, T, text_hash, std::equal_to<>>;

    std::list<t_entry> entries_;
    text_map<entry_it> by_key_;
    // Several keys can fold alike ("Obj", "OBJ"); the lowest order wins.
    text_map<std::map<uint64_t, entry_it>> by_folded_;
    uint64_t next_order_ = 0;
};

}  // namespace vesk
