#include "utf8.h"

#include <cstdint>

namespace cor {

char32_t utf8_next(std::string_view s, size_t& pos) noexcept {
    const auto b0 = static_cast<unsigned char>(s[pos]);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    int extra;
    char32_t cp;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        cp = b0 & 0x07;
    } else {
        ++pos;
        return 0xFFFD;
    }
    if (pos + static_cast<size_t>(extra) >= s.size()) {
        pos = s.size();
        return 0xFFFD;
    }
    for (int i = 1; i <= extra; ++i) {
        const auto b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80) {
            pos += i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    pos += extra + 1;
    static constexpr char32_t min_for[] = {0, 0x80, 0x800, 0x10000};
    if (cp < min_for[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
    return cp;
}

text_position position_of(std::string_view s, size_t offset) noexcept {
    text_position p;
    if (offset > s.size()) offset = s.size();
    for (size_t i = 0; i < offset; ++i) {
        const char c = s[i];
        if (c == '\n' || (c == '\r' && (i + 1 >= s.size() || s[i + 1] != '\n'))) {
            ++p.line;
            p.column = 1;
        } else if (c != '\r' && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++p.column;  // continuation bytes belong to the character before
        }
    }
    return p;
}

void utf8_append(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::wstring to_wide(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp = utf8_next(utf8, pos);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<wchar_t>(cp);
        }
    }
    return out;
}

std::string to_utf8(std::wstring_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        const auto unit = static_cast<uint32_t>(wide[i]);
        char32_t c = unit & 0xFFFF;
        if (unit > 0xFFFF) {
            // Only where wchar_t holds whole code points.
            c = unit;
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size()) {
            const char32_t lo = static_cast<char32_t>(wide[i + 1]) & 0xFFFF;
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
                ++i;
            } else {
                c = 0xFFFD;
            }
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        utf8_append(out, c);
    }
    return out;
}

int stricmp_utf8(std::string_view a, std::string_view b) noexcept {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t x = lower_char(utf8_next(a, i));
        const char32_t y = lower_char(utf8_next(b, j));
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

int stricmp_utf8_partial(std::string_view s, std::string_view prefix) noexcept {
    size_t i = 0, j = 0;
    while (j < prefix.size()) {
        if (i >= s.size()) return -1;
        const char32_t x = lower_char(utf8_next(s, i));
        const char32_t y = lower_char(utf8_next(prefix, j));
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

}  // namespace cor
