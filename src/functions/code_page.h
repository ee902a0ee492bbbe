// Byte code pages where script functions need them: the system's ANSI code
// page and Shift_JIS, converted by the platform through UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace vesk {

inline constexpr unsigned ansi_code_page = 0;  // the system's ANSI code page
inline constexpr unsigned shift_jis_code_page = 932;

// Characters the code page lacks become its default character.
std::string utf8_to_code_page(std::string_view utf8, unsigned code_page);
std::string code_page_to_utf8(std::string_view bytes, unsigned code_page);
std::wstring code_page_to_wide(std::string_view bytes, unsigned code_page);

// The first byte of a two-byte character, as the text functions step
// through converted text.
constexpr bool is_lead_byte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF);
}

}  // namespace vesk
