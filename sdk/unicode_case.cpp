#include "utf8.h"

namespace cor {

// Interim ASCII mapping; replaced by the generated Unicode tables.
char32_t lower_char(char32_t c) noexcept { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }
char32_t upper_char(char32_t c) noexcept { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

}  // namespace cor
