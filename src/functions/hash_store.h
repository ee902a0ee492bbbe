// The global $hash store: an ordered list of key/value pairs that lives for
// the whole run. Keys compare byte for byte; a new key goes to the end and
// setting a known key keeps its place. Fields fall back on the store by
// their folded name, so a key set in capitals reads as a field in any case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vesk {

class hash_store {
public:
    struct t_entry {
        std::string key;
        std::string folded;  // the key as field names are folded
        std::string value;
    };

    static hash_store& instance();

    // By exact key.
    [[nodiscard]] const std::string* get(std::string_view key) const;
    // By a field name already folded to lower case: the first key that
    // folds to it.
    [[nodiscard]] const std::string* find(std::string_view folded_name) const;
    void set(std::string_view key, std::string value);
    void erase(std::string_view key);
    void clear() { entries_.clear(); }
    [[nodiscard]] const std::vector<t_entry>& items() const { return entries_; }

private:
    std::vector<t_entry> entries_;
};

}  // namespace vesk
