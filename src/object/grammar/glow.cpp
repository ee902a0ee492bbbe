#include "object/grammar/glow.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace vesk::grammar {
namespace {

uint32_t channel(uint32_t pixel, int c) { return pixel >> (8 * c) & 0xFF; }

uint8_t key_channel(std::vector<uint32_t>& values) {
    std::sort(values.begin(), values.end());
    uint32_t best_low = 0, best_gap = 0;
    bool have = false;
    uint32_t low = 0;
    // Gaps from 0 to the first value, between neighbours, and to 255; a
    // later gap wins only when strictly wider.
    for (size_t i = 0; i <= values.size(); ++i) {
        const uint32_t high = i < values.size() ? values[i] : 255;
        const uint32_t gap = high >= low ? high - low : 0;
        if (!have || gap > best_gap) {
            best_gap = gap;
            best_low = low;
            have = true;
        }
        if (i < values.size()) low = values[i];
    }
    return static_cast<uint8_t>(best_low + best_gap / 2);
}

}  // namespace

uint32_t key_colour(std::span<const uint32_t> gdi_colours) {
    uint32_t key = 0;
    for (int c = 0; c < 3; ++c) {
        std::vector<uint32_t> values;
        values.reserve(gdi_colours.size());
        for (const uint32_t g : gdi_colours) values.push_back(g >> (8 * c) & 0xFF);
        key |= uint32_t(key_channel(values)) << (8 * c);
    }
    return key;
}

namespace {

// The three channels of a pixel in 21-bit lanes of one 64-bit sum: the
// largest blur's 6561 values of 255 fit, so lanes never carry into each other, and
// adding before subtracting keeps every lane from borrowing.
constexpr uint64_t lanes(uint32_t p) {
    return uint64_t(p & 0xFF) | uint64_t(p >> 8 & 0xFF) << 21 | uint64_t(p >> 16 & 0xFF) << 42;
}
constexpr uint64_t lane_mask = (uint64_t(1) << 21) - 1;

}  // namespace

namespace {

// `taps` is a compile-time constant for the usual radius, so its divisions
// become multiplications.
template <typename Taps>
void blur_with(const uint32_t* in, uint32_t* out, int w, int h, int radius, Taps taps) {
    const size_t width = size_t(w);
    const size_t r = size_t(radius);
    // Column sums of the rows around the current row.
    std::vector<uint64_t> column(width, 0);
    for (int y = 0; y < 2 * radius + 1; ++y) {
        const uint32_t* row = in + size_t(y) * width;
        for (size_t x = 0; x < width; ++x) column[x] += lanes(row[x]);
    }
    for (int y = radius; y < h - radius; ++y) {
        uint64_t window = 0;
        for (size_t x = 0; x < 2 * r + 1; ++x) window += column[x];
        const uint32_t* src = in + size_t(y) * width;
        uint32_t* dst = out + size_t(y) * width;
        for (size_t x = r;; ++x) {
            dst[x] = (src[x] & 0xFF000000u) | uint32_t((window >> 42) / taps) << 16 |
                     uint32_t((window >> 21 & lane_mask) / taps) << 8 |
                     uint32_t((window & lane_mask) / taps);
            if (x + r + 1 >= width) break;
            window = window + column[x + r + 1] - column[x - r];
        }
        if (y + radius + 1 < h) {
            const uint32_t* leaving = in + size_t(y - radius) * width;
            const uint32_t* entering = in + size_t(y + radius + 1) * width;
            for (size_t x = 0; x < width; ++x)
                column[x] = column[x] + lanes(entering[x]) - lanes(leaving[x]);
        }
    }
}

}  // namespace

void box_blur(const uint32_t* in, uint32_t* out, int w, int h, int radius) {
    if (w <= 0 || h <= 0) return;
    const size_t n = size_t(w) * size_t(h);
    std::vector<uint32_t> copy;
    if (in == out) {
        // The sums read rows the output has already replaced.
        copy.assign(in, in + n);
        in = copy.data();
    } else {
        std::memcpy(out, in, n * sizeof(uint32_t));
    }
    radius = std::clamp(radius, 0, max_blur_radius);
    if (radius == 0 || w < 2 * radius + 1 || h < 2 * radius + 1) return;
    if (radius == 5)
        blur_with(in, out, w, h, 5, std::integral_constant<uint32_t, 121>());
    else
        blur_with(in, out, w, h, radius, uint32_t((2 * radius + 1) * (2 * radius + 1)));
}

void glow_compose(const uint32_t* object, const uint32_t* canvas, int w, int h, const glow& g,
                  uint32_t key_gdi, uint32_t* result, double scale) {
    if (w <= 0 || h <= 0) return;
    const size_t n = size_t(w) * size_t(h);
    const uint32_t key = pixel_of(key_gdi);
    const auto is_key = [key](uint32_t p) { return rgb_of(p) == key; };

    // Scratch planes, kept between paints (see release_large).
    thread_local std::vector<uint32_t> spread, back, back_blur, spread_blur;
    for (auto* plane : {&back, &back_blur, &spread_blur}) plane->resize(n);

    // The object's shape widened by the spread in four directions; later
    // copies overwrite earlier ones where both hold the object.
    spread.assign(n, key);
    const int s = std::min(static_cast<int>(std::lround(g.spread * scale)), std::max(w, h));
    const int offsets[4][2] = {{-s, 0}, {s, 0}, {0, -s}, {0, s}};
    for (const auto& o : offsets) {
        const int x0 = std::max(0, -o[0]), x1 = std::min(w, w - o[0]);
        const int y0 = std::max(0, -o[1]), y1 = std::min(h, h - o[1]);
        for (int y = y0; y < y1; ++y) {
            const uint32_t* from = object + size_t(y) * size_t(w);
            uint32_t* to = spread.data() + size_t(y + o[1]) * size_t(w) + o[0];
            for (int x = x0; x < x1; ++x)
                if (!is_key(from[x])) to[x] = from[x];
        }
    }

    // The background with the glow colour under the widened shape.
    const uint32_t glow_pixel = pixel_of(glow_gdi(g));
    for (size_t i = 0; i < n; ++i) back[i] = is_key(spread[i]) ? canvas[i] : glow_pixel;

    const int radius = static_cast<int>(std::lround(5 * scale));
    box_blur(back.data(), back_blur.data(), w, h, radius);
    box_blur(spread.data(), spread_blur.data(), w, h, radius);

    // The blend factor depends only on the mean m of the blurred spread.
    const int grey = static_cast<int>((g.red + g.green + g.blue) / 3);
    const double limit = g.strength / 10.0;
    std::array<double, 256> factor{};
    for (int m = 0; m < 256; ++m) {
        double t = grey == 255 ? 0.0 : double(m - 255) / double(grey - 255);
        if (std::fabs(t) > limit) t = std::copysign(limit, t);
        factor[size_t(m)] = t;
    }
    for (size_t i = 0; i < n; ++i) {
        const uint32_t sp = spread_blur[i];
        if (is_key(sp) || grey == 255) {
            result[i] = canvas[i];
            continue;
        }
        const double t = factor[(channel(sp, 0) + channel(sp, 1) + channel(sp, 2)) / 3];
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) {
            const double v = channel(back_blur[i], c) * t + channel(canvas[i], c) * (1.0 - t);
            out |= uint32_t(std::clamp(static_cast<int>(v), 0, 255)) << (8 * c);
        }
        result[i] = out;
    }
    for (auto* plane : {&spread, &back, &back_blur, &spread_blur}) release_large(*plane);
}

}  // namespace vesk::grammar
