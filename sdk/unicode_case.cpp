#include <algorithm>

#include "unicode_tables.h"
#include "utf8.h"

namespace cor {
namespace {

namespace ud = unicode_data;

char32_t map_case(const ud::case_run* runs, size_t size, char32_t cp) {
    const ud::case_run* end = runs + size;
    const auto* it = std::upper_bound(
        runs, end, cp, [](char32_t c, const ud::case_run& r) { return c < r.first; });
    if (it == runs) return cp;
    --it;
    const char32_t off = cp - it->first;
    if (off % it->stride != 0 || off / it->stride >= it->count) return cp;
    return static_cast<char32_t>(static_cast<int32_t>(cp) + it->delta);
}

}  // namespace

char32_t lower_char(char32_t cp) noexcept {
    if (cp < 0x80) return cp >= 'A' && cp <= 'Z' ? cp + 32 : cp;
    return map_case(ud::lower_runs, ud::lower_runs_size, cp);
}

char32_t upper_char(char32_t cp) noexcept {
    if (cp < 0x80) return cp >= 'a' && cp <= 'z' ? cp - 32 : cp;
    return map_case(ud::upper_runs, ud::upper_runs_size, cp);
}

}  // namespace cor
