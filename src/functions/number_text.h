// Numbers read from and written to script text the way the player, playlist
// and string functions need them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vesk {

// The standard string-to-floating conversion (leading blanks, sign, digits,
// point, exponent); text without a number reads 0.
double read_real(std::string_view text);
// printf "%g": six significant digits, exponent form for large and small.
std::string format_g(double value);
// An optional minus sign and the digits after it, within the first ten
// characters; no digits read 0.
int64_t read_short_int(std::string_view text);

}  // namespace vesk
