// Reading the parameters of script functions: options written keyword,
// colon, value; booleans, integers and counts; the "escape:" rewriting.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vesk {

// When `param` begins with `keyword` and a colon (compared ignoring case),
// the value after the colon; otherwise nothing.
std::optional<std::string_view> option_value(std::string_view param, std::string_view keyword);
// A bare keyword, compared whole ignoring case.
bool is_keyword(std::string_view param, std::string_view keyword);

bool read_bool(std::string_view text);
int64_t read_int(std::string_view text);
uint64_t read_unsigned(std::string_view text);

// Lets a script pass through the Host's evaluation untouched: \p \d \( \)
// and the rest become the characters they stand for.
std::string unescape_script(std::string_view text);

}  // namespace vesk
