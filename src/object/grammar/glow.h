// The pixel arithmetic of the glow: the key colour that no painted colour
// uses, the 11 by 11 box blur and the composition of glow and background.
// Pure: pixels are 32-bit values 0x00RRGGBB (the byte order of a 32-bit
// top-down DIB), rows packed without padding; the fourth byte is ignored.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "object/grammar/values.h"

namespace vesk::grammar {

// A COLORREF (0x00BBGGRR) differing per channel from every given colour:
// the midpoint of the widest gap between the sorted channel values.
[[nodiscard]] uint32_t key_colour(std::span<const uint32_t> gdi_colours);

// COLORREF <-> pixel.
[[nodiscard]] inline uint32_t pixel_of(uint32_t gdi) {
    return (gdi & 0xFF) << 16 | (gdi & 0xFF00) | (gdi >> 16 & 0xFF);
}
[[nodiscard]] inline uint32_t rgb_of(uint32_t pixel) { return pixel & 0xFFFFFF; }

// Every pixel at least `radius` away from each edge becomes the integer
// mean of its square neighbourhood per channel (11 by 11 for the usual 5);
// the border keeps its values. Running sums: the cost does not depend on
// the taps.
inline constexpr int max_blur_radius = 40;
void box_blur(const uint32_t* in, uint32_t* out, int w, int h, int radius = 5);

// Steps of the glow after the object was painted alone on the key colour:
// `object` holds that painting over the rectangle (w by h), `canvas` what
// the rectangle held before. Writes the glowing background to `result`;
// the caller paints the crisp object on top afterwards. At a display
// scale the planes hold screen pixels, and the spread and blur grow with it.
void glow_compose(const uint32_t* object, const uint32_t* canvas, int w, int h, const glow& g,
                  uint32_t key_gdi, uint32_t* result, double scale = 1.0);

// Scratch planes are kept between paints (fresh large blocks cost a page
// fault per page each time), but not those of unusually large glows.
inline void release_large(std::vector<uint32_t>& plane) {
    if (plane.capacity() > 512 * 1024) std::vector<uint32_t>().swap(plane);
}

}  // namespace vesk::grammar
