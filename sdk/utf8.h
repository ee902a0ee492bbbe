// The one place where text changes form: UTF-8 inside both programs,
// UTF-16 only at platform calls. Invalid input becomes U+FFFD. Also the
// case-insensitive UTF-8 comparisons that Host and component share.
#pragma once

#include <string>
#include <string_view>

namespace cor {

// Decodes one code point at `pos` and advances it; U+FFFD on bad bytes.
char32_t utf8_next(std::string_view s, size_t& pos) noexcept;
void utf8_append(std::string& out, char32_t cp);

// Line and column (both from 1, the column in code points) of the byte at
// `offset`; a line ends at a line feed, a lone carriage return, or both.
struct text_position {
    size_t line = 1;
    size_t column = 1;
};
text_position position_of(std::string_view s, size_t offset) noexcept;

std::wstring to_wide(std::string_view utf8);
std::string to_utf8(std::wstring_view wide);

// Simple per-character lower-case mapping (Unicode simple case folding of
// letters; other characters unchanged).
char32_t lower_char(char32_t c) noexcept;
char32_t upper_char(char32_t c) noexcept;

// Whole-text comparison ignoring case: <0, 0, >0.
int stricmp_utf8(std::string_view a, std::string_view b) noexcept;
// Compares the first code points of `s` with all of `prefix`, ignoring
// case: 0 when `s` begins with `prefix`.
int stricmp_utf8_partial(std::string_view s, std::string_view prefix) noexcept;
inline bool iequals_utf8(std::string_view a, std::string_view b) noexcept {
    return stricmp_utf8(a, b) == 0;
}

}  // namespace cor
