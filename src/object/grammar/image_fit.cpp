#include "object/grammar/image_fit.h"

#include <algorithm>
#include <array>

#include "utf8.h"

namespace vesk::grammar {

namespace {

// Scaled sizes can leave the 32-bit range (a tall picture fitted into a very
// wide box); converting such a double is undefined, so it is clamped first.
int32_t clamp_i32(double v) {
    if (!(v > INT32_MIN)) return INT32_MIN;  // NaN included
    if (v >= INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(v);
}

int32_t clamp_i32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

image_placement place_image(uint32_t image_w, uint32_t image_h, box dest,
                            const std::optional<box>& clip, bool keepaspect) {
    image_placement p;
    p.source.w = clip && clip->w >= 0 ? clip->w : clamp_i32(int64_t{image_w});
    p.source.h = clip && clip->h >= 0 ? clip->h : clamp_i32(int64_t{image_h});
    p.source.x = clip && clip->x > 0 ? clip->x : 0;
    p.source.y = clip && clip->y > 0 ? clip->y : 0;
    if (dest.w < 0) dest.w = p.source.w;
    if (dest.h < 0) dest.h = p.source.h;
    if (keepaspect && p.source.w > 0 && p.source.h > 0) {
        const double a = double(dest.w) / p.source.w;
        const double b = double(dest.h) / p.source.h;
        int32_t w = dest.w, h = dest.h;
        if (a > b) {
            h = clamp_i32(p.source.h * a);
            if (h > dest.h) {
                h = dest.h;
                w = clamp_i32(p.source.w * b);
            }
        } else {
            w = clamp_i32(p.source.w * b);
            if (w > dest.w) {
                w = dest.w;
                h = clamp_i32(p.source.h * a);
            }
        }
        dest.x = clamp_i32(int64_t{dest.x} + (int64_t{dest.w} - w) / 2);
        dest.y = clamp_i32(int64_t{dest.y} + (int64_t{dest.h} - h) / 2);
        dest.w = w;
        dest.h = h;
    }
    p.dest = dest;
    return p;
}

std::optional<int> rotate_flip_code(int32_t rotate, std::string_view flip) {
    // Rows: no flip, x, y, xy; columns: 90, 180, 270, no rotation.
    static constexpr std::array<std::array<int, 4>, 4> codes = {
        {{1, 2, 3, 0}, {5, 6, 7, 4}, {7, 4, 5, 6}, {3, 0, 1, 2}}};
    size_t row;
    if (flip.empty())
        row = 0;
    else if (cor::iequals_utf8(flip, "x"))
        row = 1;
    else if (cor::iequals_utf8(flip, "y"))
        row = 2;
    else if (cor::iequals_utf8(flip, "xy"))
        row = 3;
    else
        return std::nullopt;
    const size_t column = rotate == 90 ? 0 : rotate == 180 ? 1 : rotate == 270 ? 2 : 3;
    return codes[row][column];
}

}  // namespace vesk::grammar
