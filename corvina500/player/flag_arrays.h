// Flag arrays and order checks shared by the playlist manager's files.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace cor::playlist_detail {

using flag_array = std::unique_ptr<bool[]>;

inline flag_array make_flags(size_t count, bool value = false) {
    // make_unique value-initialises, so only true needs writing.
    flag_array flags = std::make_unique<bool[]>(count ? count : 1);
    if (value)
        for (size_t i = 0; i < count; ++i) flags[i] = true;
    return flags;
}

inline bool is_permutation_of(const size_t* order, size_t count, size_t size) {
    if (count != size || (count && !order)) return false;
    std::vector<bool> seen(count);
    for (size_t i = 0; i < count; ++i) {
        if (order[i] >= count || seen[order[i]]) return false;
        seen[order[i]] = true;
    }
    return true;
}

}  // namespace cor::playlist_detail
