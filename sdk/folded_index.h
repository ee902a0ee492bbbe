// Case-insensitive lookup of a list's texts by position, for lists that
// scripts fill item by item (menus of thousands of entries): finding a text
// costs a hash lookup instead of a comparison with every item. Texts fold
// as stricmp_utf8 compares them, so two texts share a key exactly when
// they compare equal ignoring case.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace cor {

// The text with each code point lowered; invalid bytes become U+FFFD.
std::string fold_utf8(std::string_view text);

class folded_index {
public:
    static constexpr size_t npos = static_cast<size_t>(-1);

    // The position given with the first text that folds alike, or npos.
    [[nodiscard]] size_t find(std::string_view text) const;
    // Keeps the earlier position when a text folding alike is indexed.
    void add(std::string_view text, size_t position);
    // Forgets `text`, which stood at `position`, and moves every later
    // position one back, as when that item leaves the list.
    void erase(std::string_view text, size_t position);
    void clear() { positions_.clear(); }
    [[nodiscard]] size_t size() const { return positions_.size(); }

    // Indexes anew after items were removed or reordered: `text_of(i)` is
    // the text of item i of `count`.
    template <class TextOf>
    void rebuild(size_t count, TextOf text_of) {
        positions_.clear();
        positions_.reserve(count);
        for (size_t i = 0; i < count; ++i) add(text_of(i), i);
    }

private:
    std::unordered_map<std::string, size_t> positions_;
};

}  // namespace cor
