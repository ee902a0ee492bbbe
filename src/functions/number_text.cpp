#include "functions/number_text.h"

#include <cstdio>
#include <cstdlib>

namespace vesk {

double read_real(std::string_view text) {
    const std::string s(text);
    return std::strtod(s.c_str(), nullptr);
}

std::string format_g(double value) {
    char buf[100];
    std::snprintf(buf, sizeof buf, "%g", value);
    return buf;
}

int64_t read_short_int(std::string_view text) {
    const std::string_view head = text.substr(0, 10);
    size_t i = 0;
    const bool negative = !head.empty() && head[0] == '-';
    if (negative) ++i;
    int64_t value = 0;
    for (; i < head.size() && head[i] >= '0' && head[i] <= '9'; ++i)
        value = value * 10 + (head[i] - '0');
    return negative ? -value : value;
}

}  // namespace vesk
