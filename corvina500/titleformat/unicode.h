// UTF-8 and character helpers of the script engine. Invalid UTF-8 never
// fails: each bad byte counts as one character and is copied unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cor::tf::text {

struct decoded {
    char32_t cp;    // U+FFFD for an invalid byte
    uint32_t size;  // bytes consumed, at least 1
    bool valid;
};

decoded decode(std::string_view s, size_t at);
void append_utf8(std::string& out, char32_t cp);

// Number of characters.
size_t length(std::string_view s);
// Byte offset of character n, or s.size() when s is shorter.
size_t offset_of(std::string_view s, size_t n);

char32_t to_upper(char32_t cp);
char32_t to_lower(char32_t cp);
// Appends s with every character mapped; invalid bytes are copied.
void append_upper(std::string& out, std::string_view s);
void append_lower(std::string& out, std::string_view s);
bool equal_ignoring_case(std::string_view a, std::string_view b);

// East-Asian width W or F / H.
bool is_wide(char32_t cp);
bool is_halfwidth(char32_t cp);

// An ASCII spelling of a character ("e" for U+00E9, "ss" for U+00DF), or
// empty when there is none.
std::string_view ascii_spelling(char32_t cp, char& scratch);
bool in_western_code_page(char32_t cp);

}  // namespace cor::tf::text
