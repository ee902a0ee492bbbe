// The slider scale of $display_volume: positions 0 to N of a volume control
// of N steps, mapped to decibels (N is 0 dB, 0 is -100 dB) on a curve that
// depends only on N.
#pragma once

#include <cstdint>

namespace vesk {

class volume_scale {
public:
    explicit volume_scale(uint32_t steps);

    [[nodiscard]] uint32_t steps() const { return steps_; }
    // Decibels of `position` (0 to steps).
    [[nodiscard]] double decibels(uint32_t position) const;
    // The lowest position whose decibels reach `volume`.
    [[nodiscard]] uint32_t position_of(double volume) const;

private:
    uint32_t steps_;
    double denominator_;
};

}  // namespace vesk
