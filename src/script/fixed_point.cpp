#include "script/fixed_point.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace vesk {

std::string fixed7(double value) {
    if (!std::isfinite(value)) value = 0;
    // Beyond any time or volume; keeps the rounding within range.
    const double magnitude = std::fmin(std::fabs(value), 1e11);
    const auto units = static_cast<uint64_t>(std::llround(magnitude * 1e7));
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%llu.%07llu", (value < 0 && units) ? "-" : "",
                  static_cast<unsigned long long>(units / 10000000ull),
                  static_cast<unsigned long long>(units % 10000000ull));
    return buf;
}

}  // namespace vesk
