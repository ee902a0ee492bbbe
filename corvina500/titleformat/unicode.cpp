#include "unicode.h"

#include <algorithm>
#include <cstring>

#include "unicode_tables.h"
#include "utf8.h"

namespace cor::tf::text {
namespace ud = cor::unicode_data;

decoded decode(std::string_view s, size_t at) {
    const auto b0 = static_cast<unsigned char>(s[at]);
    if (b0 < 0x80) return {b0, 1, true};
    uint32_t need;
    char32_t cp;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        need = 1, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        need = 2, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        need = 3, cp = b0 & 0x07, min = 0x10000;
    } else {
        return {0xFFFD, 1, false};
    }
    if (s.size() - at <= need) return {0xFFFD, 1, false};
    for (uint32_t k = 1; k <= need; ++k) {
        const auto b = static_cast<unsigned char>(s[at + k]);
        if ((b & 0xC0) != 0x80) return {0xFFFD, 1, false};
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return {0xFFFD, 1, false};
    return {cp, need + 1, true};
}

void append_utf8(std::string& out, char32_t cp) { cor::utf8_append(out, cp); }

namespace {

// Eight bytes of ASCII at s + i.
bool ascii_word(std::string_view s, size_t i) {
    uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    return (w & 0x8080808080808080u) == 0;
}

}  // namespace

size_t length(std::string_view s) {
    size_t n = 0;
    size_t i = 0;
    for (; i + 8 <= s.size() && ascii_word(s, i); i += 8) n += 8;
    for (; i < s.size(); ++n) {
        // ASCII runs are the common case: skip them without decoding.
        if (static_cast<unsigned char>(s[i]) < 0x80)
            ++i;
        else
            i += decode(s, i).size;
    }
    return n;
}

size_t offset_of(std::string_view s, size_t n) {
    size_t i = 0;
    for (; n >= 8 && i + 8 <= s.size() && ascii_word(s, i); i += 8) n -= 8;
    for (; i < s.size() && n > 0; --n)
        i += static_cast<unsigned char>(s[i]) < 0x80 ? 1 : decode(s, i).size;
    return i;
}

namespace {

bool in_ranges(const ud::code_range* ranges, size_t size, char32_t cp) {
    const ud::code_range* end = ranges + size;
    const auto* it = std::upper_bound(
        ranges, end, cp, [](char32_t c, const ud::code_range& r) { return c < r.first; });
    return it != ranges && cp <= (it - 1)->last;
}

template <char32_t (*Map)(char32_t)>
void append_mapped(std::string& out, std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const decoded d = decode(s, i);
        if (d.valid)
            append_utf8(out, Map(d.cp));
        else
            out += s[i];
        i += d.size;
    }
}

}  // namespace

char32_t to_upper(char32_t cp) { return cor::upper_char(cp); }

char32_t to_lower(char32_t cp) { return cor::lower_char(cp); }

void append_upper(std::string& out, std::string_view s) { append_mapped<to_upper>(out, s); }
void append_lower(std::string& out, std::string_view s) { append_mapped<to_lower>(out, s); }

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const decoded x = decode(a, i), y = decode(b, j);
        if (x.valid != y.valid) return false;
        if (x.valid ? to_lower(x.cp) != to_lower(y.cp) : a[i] != b[j]) return false;
        i += x.size;
        j += y.size;
    }
    return i == a.size() && j == b.size();
}

bool is_wide(char32_t cp) { return in_ranges(ud::wide_ranges, ud::wide_ranges_size, cp); }

bool is_halfwidth(char32_t cp) {
    return in_ranges(ud::halfwidth_ranges, ud::halfwidth_ranges_size, cp);
}

std::string_view ascii_spelling(char32_t cp, char& scratch) {
    if (cp < 0x80) {
        scratch = static_cast<char>(cp);
        return {&scratch, 1};
    }
    {
        const auto* end = ud::ascii_runs + ud::ascii_runs_size;
        const auto* it =
            std::upper_bound(ud::ascii_runs, end, cp,
                             [](char32_t c, const ud::ascii_run& r) { return c < r.first; });
        if (it != ud::ascii_runs && cp - (it - 1)->first < (it - 1)->count) {
            --it;
            scratch = static_cast<char>(it->target + (cp - it->first));
            return {&scratch, 1};
        }
    }
    const auto* end = ud::ascii_spellings + ud::ascii_spellings_size;
    const auto* it =
        std::lower_bound(ud::ascii_spellings, end, cp,
                         [](const ud::ascii_spelling& e, char32_t c) { return e.cp < c; });
    if (it != end && it->cp == cp) return it->text;
    return {};
}

bool in_western_code_page(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return true;
    const auto* end = ud::cp1252_extras + ud::cp1252_extras_size;
    return std::binary_search(ud::cp1252_extras, end, cp);
}

}  // namespace cor::tf::text
