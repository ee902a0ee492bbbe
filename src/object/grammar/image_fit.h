// Where a picture lands: source rectangle from the clip, destination from
// the given size (or the source's), fitted inside keeping proportions when
// asked and centred. Pure, shared by image objects and buttons.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vesk::grammar {

struct box {
    int32_t x = 0, y = 0, w = 0, h = 0;
};

struct image_placement {
    box source;
    box dest;
};

// `clip` parts that are negative (and a missing clip) mean: from 0, the
// whole picture. `dest` width or height negative: the source size.
[[nodiscard]] image_placement place_image(uint32_t image_w, uint32_t image_h, box dest,
                                          const std::optional<box>& clip, bool keepaspect);

// The platform's rotate/flip code (RotateFlipType) for "rotate:" and
// "flip:"; none for a flip that is not "", "x", "y" or "xy".
[[nodiscard]] std::optional<int> rotate_flip_code(int32_t rotate, std::string_view flip);

}  // namespace vesk::grammar
