// A JPEG picture read at an eighth or a quarter of its size, straight from
// the low-frequency coefficients of each 8 by 8 block: a cover shown at a
// hundred pixels needs a fraction of the decoding work of the whole
// picture. Baseline and extended sequential files give either reduction,
// progressive files the eighth (their first scans carry it); anything else
// (arithmetic coding, 12-bit samples, CMYK, a picture cut short) is left to
// the platform's decoder. Every length and count is checked against the
// bytes there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cor {

struct t_jpeg_preview {
    uint32_t width = 0, height = 0;  // the picture's own size
    uint32_t scale = 1;              // each preview pixel stands for scale × scale pixels
    uint32_t preview_width = 0, preview_height = 0;
    std::vector<uint32_t> pixels;  // 0xFFRRGGBB, rows top down
};

// The smallest reduction that still covers the picture fitted into a box
// of want_width × want_height, keeping its aspect and never enlarged (0 for
// either: the smallest there is). False when the data is not a JPEG this
// reader handles or no reduction is large enough; `out` is then
// unspecified.
[[nodiscard]] bool read_jpeg_preview(const uint8_t* data, size_t size, uint32_t want_width,
                                     uint32_t want_height, t_jpeg_preview& out);

}  // namespace cor
