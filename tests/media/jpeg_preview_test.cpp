// Reduced JPEG decoding: files written here with known block means
// (baseline and progressive, sub-sampled colour, restart markers), a real
// picture against the platform's full decode, and damaged or unsupported
// files refused.
#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "jpeg_preview.h"
#include "support/gdiplus_jpeg.h"

namespace {

using bytes = std::vector<uint8_t>;

// Writes JPEG files whose blocks hold only a mean (every other term 0),
// so each preview pixel is known exactly. Means are quantised with a step
// of 2, and a level L is stored as the term (L - 128) * 4.
class dc_writer {
public:
    struct comp {
        uint8_t id, h, v;
    };
    explicit dc_writer(bool progressive) : progressive_(progressive) {
        put({0xFF, 0xD8});
        // Quantiser 0: a step of 2 for the mean, 1 elsewhere.
        segment(0xDB, [&] {
            out_.push_back(0);
            out_.push_back(2);
            out_.insert(out_.end(), 63, 1);
        });
    }

    void frame(uint16_t w, uint16_t h, std::vector<comp> comps) {
        comps_ = std::move(comps);
        segment(progressive_ ? 0xC2 : 0xC0, [&] {
            put({8, uint8_t(h >> 8), uint8_t(h), uint8_t(w >> 8), uint8_t(w),
                 uint8_t(comps_.size())});
            for (const comp& c : comps_) put({c.id, uint8_t(c.h << 4 | c.v), 0});
        });
        // Sizes 0 to 11, each a 4-bit code equal to the size; the only
        // coefficient symbol is the end of block, the code "0".
        segment(0xC4, [&] {
            put({0x00, 0, 0, 0, 12});
            out_.insert(out_.end(), 12, 0);
            for (uint8_t s = 0; s < 12; ++s) out_.push_back(s);
            put({0x10, 1});
            out_.insert(out_.end(), 15, 0);
            out_.push_back(0x00);
        });
    }
    void restart_every(uint16_t n) {
        restart_ = n;
        segment(0xDD, [&] { put({uint8_t(n >> 8), uint8_t(n)}); });
    }

    // One scan over the components named; levels[c][block] in the order
    // the scan visits them. `shift` is the progressive point transform.
    void scan(const std::vector<size_t>& in_scan, const std::vector<std::vector<int>>& levels,
              size_t units, int shift = 0) {
        segment(0xDA, [&] {
            out_.push_back(uint8_t(in_scan.size()));
            for (size_t c : in_scan) put({comps_[c].id, 0x00});
            put({0, uint8_t(progressive_ ? 0 : 63), uint8_t(shift)});
        });
        std::vector<int> pred(in_scan.size(), 0);
        std::vector<size_t> next(in_scan.size(), 0);
        for (size_t u = 0; u < units; ++u) {
            if (restart_ && u && u % restart_ == 0) {
                flush();
                put({0xFF, uint8_t(0xD0 + (u / restart_ - 1) % 8)});
                std::fill(pred.begin(), pred.end(), 0);
            }
            for (size_t i = 0; i < in_scan.size(); ++i) {
                const comp& c = comps_[in_scan[i]];
                const size_t per_unit = in_scan.size() == 1 ? 1 : size_t(c.h) * c.v;
                for (size_t b = 0; b < per_unit; ++b) {
                    const int term = ((levels[i][next[i]++] - 128) * 4) >> shift;
                    block(term - pred[i]);
                    pred[i] = term;
                }
            }
        }
        flush();
    }
    // A scan of detail terms the reader has no use for, with a stuffed
    // 0xFF byte in its data.
    void detail_scan(uint8_t id) {
        segment(0xDA, [&] { put({1, id, 0x00, 1, 63, 0}); });
        put({0x12, 0xFF, 0x00, 0x34});
    }
    bytes finish() {
        put({0xFF, 0xD9});
        return out_;
    }

private:
    void put(std::initializer_list<uint8_t> b) { out_.insert(out_.end(), b); }
    template <class F>
    void segment(uint8_t marker, F body) {
        put({0xFF, marker, 0, 0});
        const size_t at = out_.size() - 2;
        body();
        const size_t len = out_.size() - at;
        out_[at] = uint8_t(len >> 8);
        out_[at + 1] = uint8_t(len);
    }
    void bits(uint32_t value, int n) {
        for (int i = n - 1; i >= 0; --i) {
            acc_ = uint8_t(acc_ << 1 | ((value >> i) & 1));
            if (++count_ == 8) {
                out_.push_back(acc_);
                if (acc_ == 0xFF) out_.push_back(0);
                acc_ = 0;
                count_ = 0;
            }
        }
    }
    void flush() {
        while (count_) bits(1, 1);
    }
    void block(int diff) {
        int size = 0;
        while ((std::abs(diff) >> size) != 0) ++size;
        bits(uint32_t(size), 4);
        if (size) bits(uint32_t(diff >= 0 ? diff : diff + (1 << size) - 1), size);
        if (!progressive_) bits(0, 1);  // end of block
    }

    bool progressive_;
    std::vector<comp> comps_;
    uint16_t restart_ = 0;
    bytes out_;
    uint8_t acc_ = 0;
    int count_ = 0;
};

uint32_t grey(int l) { return 0xFF000000u | uint32_t(l) * 0x010101u; }

bool close_to(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)) > tolerance) return false;
    return true;
}

// A 32 by 16 colour picture, 4:2:0: two MCUs of four luminance blocks;
// the first MCU is pure red (luminance 76 with red's colour terms), the
// second has neutral colour and four greys.
const std::vector<int> luma_by_mcu = {76, 76, 76, 76, 40, 80, 120, 160};
const std::vector<int> cb = {85, 128}, cr = {255, 128};
// The same luminance in the order of the component's own rows of blocks.
const std::vector<int> luma_by_row = {76, 76, 40, 80, 76, 76, 120, 160};
const std::vector<uint32_t> colour_preview = {0xFFFF0000, 0xFFFF0000, grey(40),  grey(80),
                                              0xFFFF0000, 0xFFFF0000, grey(120), grey(160)};

TEST(JpegPreview, BlockMeansOfWrittenFiles) {
    struct row {
        const char* name;
        bool progressive;
        bytes file;
        uint32_t w, h;
        std::vector<uint32_t> expect;
        int tolerance;
    };
    std::vector<row> rows;
    {
        // A picture that ends inside its last blocks; the darkest and the
        // lightest level.
        dc_writer w(false);
        w.frame(13, 9, {{1, 1, 1}});
        w.restart_every(1);
        w.scan({0}, {{0, 128, 255, 40}}, 4);
        const std::vector<uint32_t> levels = {grey(0), grey(128), grey(255), grey(40)};
        rows.push_back({"grey, partial blocks, restarts", false, w.finish(), 13, 9, levels, 0});
    }
    {
        dc_writer w(false);
        w.frame(32, 16, {{1, 2, 2}, {2, 1, 1}, {3, 1, 1}});
        w.restart_every(1);
        w.scan({0, 1, 2}, {luma_by_mcu, cb, cr}, 2);
        rows.push_back(
            {"colour 4:2:0, restart after each MCU", false, w.finish(), 32, 16, colour_preview, 2});
    }
    {
        // Luminance alone first, then its detail, then both colours.
        dc_writer w(true);
        w.frame(32, 16, {{1, 2, 2}, {2, 1, 1}, {3, 1, 1}});
        w.scan({0}, {luma_by_row}, 8, 1);
        w.detail_scan(1);
        w.scan({1, 2}, {cb, cr}, 2);
        rows.push_back({"colour 4:2:0, progressive", true, w.finish(), 32, 16, colour_preview, 2});
    }
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        cor::t_jpeg_preview p;
        ASSERT_TRUE(cor::read_jpeg_preview(r.file.data(), r.file.size(), 0, 0, p));
        EXPECT_EQ(std::vector<uint32_t>({p.width, p.height, p.scale, p.preview_width}),
                  std::vector<uint32_t>({r.w, r.h, 8, (r.w + 7) / 8}));
        ASSERT_EQ(p.pixels.size(), r.expect.size());
        for (size_t i = 0; i < r.expect.size(); ++i)
            EXPECT_TRUE(close_to(p.pixels[i], r.expect[i], r.tolerance))
                << i << ": " << std::hex << p.pixels[i] << " for " << r.expect[i];
        // A quarter is offered by sequential files only; flat blocks give
        // the same level in each quarter.
        const bool quarter = cor::read_jpeg_preview(r.file.data(), r.file.size(), r.w / 4, r.h, p);
        EXPECT_EQ(quarter, !r.progressive);
        if (quarter) {
            EXPECT_EQ(p.scale, 4u);
            EXPECT_TRUE(close_to(p.pixels[0], r.expect[0], r.tolerance));
        }
        EXPECT_FALSE(cor::read_jpeg_preview(r.file.data(), r.file.size(), r.w / 2, r.h, p))
            << "no reduction covers half the width";
    }
}

TEST(JpegPreview, DamagedAndUnsupportedFilesAreRefused) {
    dc_writer w(false);
    w.frame(32, 16, {{1, 2, 2}, {2, 1, 1}, {3, 1, 1}});
    w.scan({0, 1, 2}, {luma_by_mcu, cb, cr}, 2);
    const bytes good = w.finish();
    cor::t_jpeg_preview p;
    // Cut anywhere before its end marker, in a buffer of exactly that size.
    for (size_t n = 0; n + 2 < good.size(); ++n) {
        const bytes cut(good.begin(), good.begin() + std::ptrdiff_t(n));
        EXPECT_FALSE(cor::read_jpeg_preview(cut.data(), cut.size(), 0, 0, p)) << n;
    }
    const auto changed = [&](size_t at, uint8_t value) {
        bytes b = good;
        b[at] = value;
        return b;
    };
    const size_t sof = 2 + 4 + 65;  // after the start and the quantiser
    ASSERT_EQ(good[sof + 1], 0xC0);
    const std::vector<std::pair<const char*, bytes>> bad = {
        {"12-bit samples", changed(sof + 4, 12)},
        {"arithmetic coding", changed(sof + 1, 0xC9)},
        {"lossless", changed(sof + 1, 0xC3)},
        {"four components", changed(sof + 9, 4)},
        {"zero width", changed(sof + 8, 0)},
        {"far taller than its data", changed(sof + 5, 0xFF)},
        {"sampling factor 0", changed(sof + 11, 0x00)},
        {"segment longer than the file", changed(sof + 2, 0xFF)},
        {"not a JPEG", changed(1, 0xD9)},
    };
    for (const auto& [name, b] : bad)
        EXPECT_FALSE(cor::read_jpeg_preview(b.data(), b.size(), 0, 0, p)) << name;
}

TEST(JpegPreview, AgreesWithThePlatformDecoder) {
    const cor_test::gdiplus_session gdiplus;
    // Smooth shading with an edge, at a size that is no multiple of 16.
    const int w = 203, h = 141;
    bytes file;
    {
        Gdiplus::Bitmap picture(w, h, PixelFormat24bppRGB);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                picture.SetPixel(x, y,
                                 Gdiplus::Color(255, BYTE(x * 255 / w), BYTE(y * 255 / h),
                                                BYTE(x < 100 ? 40 : 220)));
        file = cor_test::encode_jpeg(picture);
        ASSERT_FALSE(file.empty());
    }
    IStream* s = SHCreateMemStream(file.data(), UINT(file.size()));
    Gdiplus::Bitmap whole(s, FALSE);
    ASSERT_EQ(whole.GetLastStatus(), Gdiplus::Ok);
    for (uint32_t want : {15u, 30u}) {
        cor::t_jpeg_preview p;
        ASSERT_TRUE(cor::read_jpeg_preview(file.data(), file.size(), want, want, p)) << want;
        EXPECT_EQ(p.scale, want == 15 ? 8u : 4u);
        EXPECT_EQ(p.preview_width, (w + p.scale - 1) / p.scale);
        EXPECT_EQ(p.preview_height, (h + p.scale - 1) / p.scale);
        // Each preview pixel against the mean of the pixels it stands for.
        double total = 0;
        int worst = 0;
        for (uint32_t py = 0; py < p.preview_height; ++py)
            for (uint32_t px = 0; px < p.preview_width; ++px) {
                double sum[3] = {0, 0, 0};
                int n = 0;
                for (uint32_t y = py * p.scale; y < std::min<uint32_t>(h, (py + 1) * p.scale); ++y)
                    for (uint32_t x = px * p.scale; x < std::min<uint32_t>(w, (px + 1) * p.scale);
                         ++x, ++n) {
                        Gdiplus::Color v;
                        whole.GetPixel(int(x), int(y), &v);
                        for (int c = 0; c < 3; ++c) sum[c] += (v.GetValue() >> (16 - 8 * c)) & 255;
                    }
                const uint32_t q = p.pixels[py * p.preview_width + px];
                for (int c = 0; c < 3; ++c) {
                    const int d = std::abs(int(sum[c] / n + 0.5) - int((q >> (16 - 8 * c)) & 255));
                    total += d;
                    worst = std::max(worst, d);
                }
            }
        const double mean = total / (3.0 * p.pixels.size());
        EXPECT_LT(mean, 3.0) << want;
        // At the quarter, colour sub-sampled in the file has half the
        // preview's resolution: the hard edge in blue spreads over one
        // preview pixel there.
        EXPECT_LT(worst, p.scale == 8 ? 40 : 100) << want;
    }
    s->Release();
}

}  // namespace
