#include "functions/volume_scale.h"

#include <cmath>

namespace vesk {
namespace {

constexpr double floor_ratio = 1e-10;

double ratio_decibels(double r) { return 60.0 * std::log10(r > floor_ratio ? r : floor_ratio); }

// The search for the denominator starts at M = N and takes the first M
// whose curve stays within 100 dB; M - 1 is an unsigned 32-bit quantity, so
// N = 0 stops at once with M - 1 wrapped.
double find_denominator(uint32_t n) {
    const auto fits = [n](uint64_t m) {
        const double below = m == 0 ? 4294967295.0 : double(m - 1);
        return std::fabs(ratio_decibels(1.0 - double(n) / below)) <= 100.0;
    };
    // No M below N / (1 - 10^(-5/3)) + 1 fits: start just under that bound
    // instead of walking up from N, which takes billions of steps for large N.
    uint64_t m = n;
    if (n > 0) {
        const double bound = double(n) / (1.0 - std::pow(10.0, -100.0 / 60.0));
        const auto start = static_cast<uint64_t>(bound);
        if (start > m + 2) m = start - 2;
    }
    while (!fits(m)) ++m;
    return (m == 0 ? 4294967295.0 : double(m - 1)) - 1.0;
}

}  // namespace

volume_scale::volume_scale(uint32_t steps) : steps_(steps), denominator_(find_denominator(steps)) {}

double volume_scale::decibels(uint32_t position) const {
    const double db = ratio_decibels(1.0 - double(steps_ - position) / denominator_);
    return db < -100.0 ? -100.0 : db;
}

uint32_t volume_scale::position_of(double volume) const {
    // Decibels never fall as the position rises, so the first position that
    // reaches the volume can be found by halving.
    uint32_t low = 0, high = steps_;
    while (low < high) {
        const uint32_t mid = low + (high - low) / 2;
        if (decibels(mid) >= volume)
            high = mid;
        else
            low = mid + 1;
    }
    return low;
}

}  // namespace vesk
