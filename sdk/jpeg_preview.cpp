#include "jpeg_preview.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace cor {
namespace {

// Coefficient positions kept per block, in zig-zag order: the mean, then
// (for the quarter) the first horizontal, vertical and diagonal terms.
constexpr int zz_h = 1, zz_v = 2, zz_hv = 4;
// Far beyond any cover; keeps a forged frame size from asking for
// gigabytes.
constexpr uint64_t max_coefficients = 1u << 22;

uint32_t be16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }

struct huffman {
    bool defined = false;
    // Codes of up to 9 bits in one look-up: length (0: longer) and symbol.
    std::array<uint8_t, 512> fast_len{};
    std::array<uint8_t, 512> fast_sym{};
    std::array<int32_t, 17> max_code{};
    std::array<int32_t, 17> min_code{};
    std::array<int32_t, 17> first_index{};
    std::array<uint8_t, 256> symbols{};
    // For coefficient tables: code and value bits together within 9 bits,
    // as value << 8 | run << 4 | bits used (0: not in the table).
    std::array<int16_t, 512> fast_ac{};

    void build_fast_ac() {
        fast_ac.fill(0);
        for (int i = 0; i < 512; ++i) {
            const int len = fast_len[size_t(i)];
            if (!len) continue;
            const int rs = fast_sym[size_t(i)], run = rs >> 4, size = rs & 15;
            if (size == 0 || len + size > 9) continue;
            int v = (i << len & 511) >> (9 - size);
            if (v < 1 << (size - 1)) v -= (1 << size) - 1;
            if (v >= -128 && v <= 127)
                fast_ac[size_t(i)] = int16_t(v * 256 + run * 16 + len + size);
        }
    }

    bool build(const uint8_t* counts, const uint8_t* syms, size_t total) {
        fast_len.fill(0);
        std::copy(syms, syms + total, symbols.begin());
        int32_t code = 0, index = 0;
        for (int len = 1; len <= 16; ++len) {
            const int n = counts[len - 1];
            first_index[len] = index;
            min_code[len] = code;
            max_code[len] = n ? code + n - 1 : -1;
            if (code + n > 1 << len) return false;  // more codes than the length allows
            for (int i = 0; i < n && len <= 9; ++i) {
                const int first = (code + i) << (9 - len);
                for (int j = 0; j < 1 << (9 - len); ++j) {
                    fast_len[size_t(first + j)] = uint8_t(len);
                    fast_sym[size_t(first + j)] = syms[index + i];
                }
            }
            code += n;
            index += n;
            code <<= 1;
        }
        defined = true;
        return true;
    }
};

// Entropy-coded bits with stuffed zero bytes removed. At a marker, or at
// the end of the data, it supplies zero bits: the loops that read are
// bounded by the block counts, so damaged data ends, never hangs.
class bit_reader {
public:
    bit_reader(const uint8_t* p, const uint8_t* end) : p_(p), end_(end) {}

    uint32_t peek(int n) {
        if (bits_ < n) fill();
        return uint32_t(acc_ >> (64 - n));
    }
    void skip(int n) {
        acc_ <<= n;
        bits_ -= n;
    }
    int32_t receive_extend(int s) {
        if (s == 0) return 0;
        const int32_t v = int32_t(peek(s));
        skip(s);
        return v < 1 << (s - 1) ? v - (1 << s) + 1 : v;
    }
    int decode(const huffman& t) {
        const uint32_t look = peek(9);
        if (const int len = t.fast_len[look]) {
            skip(len);
            return t.fast_sym[look];
        }
        const uint32_t code = peek(16);
        for (int len = 10; len <= 16; ++len) {
            const auto c = int32_t(code >> (16 - len));
            if (c <= t.max_code[len]) {
                skip(len);
                return t.symbols[size_t(t.first_index[len] + c - t.min_code[len])];
            }
        }
        return -1;
    }
    // Drops the bits left and steps over the restart marker that should
    // be next; false when the data ended instead.
    bool restart() {
        acc_ = 0;
        bits_ = 0;
        at_marker_ = false;
        while (p_ + 1 < end_ && !(p_[0] == 0xFF && p_[1] >= 0xD0 && p_[1] <= 0xD7)) ++p_;
        if (p_ + 1 >= end_) return false;
        p_ += 2;
        return true;
    }
    [[nodiscard]] bool ran_out() const { return ran_out_; }
    [[nodiscard]] const uint8_t* position() const { return p_; }

private:
    void fill() {
        while (bits_ <= 56) {
            uint8_t b = 0;
            if (!at_marker_ && p_ < end_) {
                b = *p_;
                if (b != 0xFF) {
                    ++p_;
                } else if (p_ + 1 < end_ && p_[1] == 0) {
                    p_ += 2;
                } else {
                    at_marker_ = true;
                    b = 0;
                }
            } else if (!at_marker_) {
                ran_out_ = true;
            }
            acc_ |= uint64_t(b) << (56 - bits_);
            bits_ += 8;
        }
    }

    const uint8_t* p_;
    const uint8_t* end_;
    uint64_t acc_ = 0;
    int bits_ = 0;
    bool at_marker_ = false;
    bool ran_out_ = false;
};

struct component {
    uint8_t id = 0, h = 1, v = 1, tq = 0;
    uint8_t td = 0, ta = 0;
    uint32_t blocks_w = 0, blocks_h = 0;  // padded to whole MCUs
    uint32_t side = 1;                    // 1: a block's mean; 2: its quarters
    bool has_mean = false;
    int32_t pred = 0;
    std::vector<int32_t> coef;  // per block: `per_block` dequantized terms
};

class decoder {
public:
    decoder(uint32_t want_w, uint32_t want_h) : want_w_(want_w), want_h_(want_h) {}

    bool run(const uint8_t* data, size_t size, t_jpeg_preview& out) {
        if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
        size_t pos = 2;
        for (;;) {
            while (pos < size && data[pos] != 0xFF) ++pos;
            while (pos < size && data[pos] == 0xFF) ++pos;
            if (pos >= size) break;  // no end marker: whatever was read counts
            const uint8_t m = data[pos++];
            if (m == 0xD9) break;
            if (m == 0x00 || m == 0x01 || (m >= 0xD0 && m <= 0xD7)) continue;
            if (size - pos < 2) return false;
            const size_t len = be16(data + pos);
            if (len < 2 || len > size - pos) return false;
            const uint8_t* seg = data + pos + 2;
            const size_t n = len - 2;
            pos += len;
            bool ok = true;
            if (m == 0xC0 || m == 0xC1 || m == 0xC2)
                ok = frame(seg, n, m == 0xC2);
            else if (m >= 0xC3 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC)
                ok = false;  // lossless, hierarchical or arithmetic-coded
            else if (m == 0xC4)
                ok = tables(seg, n);
            else if (m == 0xDB)
                ok = quantisers(seg, n);
            else if (m == 0xDD)
                restart_ = n >= 2 ? be16(seg) : 0;
            else if (m == 0xEE && n >= 12 && std::memcmp(seg, "Adobe", 5) == 0)
                adobe_transform_ = seg[11];
            else if (m == 0xDA)
                ok = scan(seg, n, data, size, pos);
            if (!ok) return false;
            if (progressive_ && all_means()) break;  // the rest refines detail we do not use
        }
        return comps_.size() && all_means() && pixels(out);
    }

private:
    bool frame(const uint8_t* s, size_t n, bool progressive) {
        if (!comps_.empty() || n < 6 || s[0] != 8) return false;
        height_ = be16(s + 1);
        width_ = be16(s + 3);
        const size_t count = s[5];
        if (width_ == 0 || height_ == 0 || (count != 1 && count != 3) || n < 6 + 3 * count)
            return false;
        progressive_ = progressive;
        double fit = 0;
        if (want_w_ && want_h_)
            fit = std::min({1.0, double(want_w_) / width_, double(want_h_) / height_});
        const auto fits = [&](uint32_t d) {
            return (width_ + d - 1) / d >= uint32_t(width_ * fit) &&
                   (height_ + d - 1) / d >= uint32_t(height_ * fit);
        };
        if (fits(8))
            scale_ = 8;
        else if (!progressive && fits(4))
            scale_ = 4;
        else
            return false;
        comps_.resize(count);
        for (size_t i = 0; i < count; ++i) {
            component& c = comps_[i];
            c.id = s[6 + 3 * i];
            c.h = s[7 + 3 * i] >> 4;
            c.v = s[7 + 3 * i] & 15;
            c.tq = s[8 + 3 * i];
            if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.tq > 3) return false;
            h_max_ = std::max<uint32_t>(h_max_, c.h);
            v_max_ = std::max<uint32_t>(v_max_, c.v);
        }
        mcus_x_ = (width_ + 8 * h_max_ - 1) / (8 * h_max_);
        mcus_y_ = (height_ + 8 * v_max_ - 1) / (8 * v_max_);
        uint64_t total = 0;
        for (component& c : comps_) {
            c.blocks_w = mcus_x_ * c.h;
            c.blocks_h = mcus_y_ * c.v;
            // Sub-sampled colour keeps its quarters where the file has
            // them, so that it is as sharp as the brightness.
            c.side = !progressive && (scale_ == 4 || c.h < h_max_ || c.v < v_max_) ? 2 : 1;
            total += uint64_t(c.blocks_w) * c.blocks_h * c.side * c.side;
        }
        if (total > max_coefficients) return false;
        for (component& c : comps_)
            c.coef.assign(size_t(c.blocks_w) * c.blocks_h * c.side * c.side, 0);
        return true;
    }

    bool tables(const uint8_t* s, size_t n) {
        while (n) {
            if (n < 17) return false;
            const unsigned cls = s[0] >> 4, id = s[0] & 15;
            if (cls > 1 || id > 3) return false;
            size_t total = 0;
            for (int i = 1; i <= 16; ++i) total += s[i];
            if (total > 256 || n - 17 < total) return false;
            if (!(cls ? ac_[id] : dc_[id]).build(s + 1, s + 17, total)) return false;
            if (cls) ac_[id].build_fast_ac();
            s += 17 + total;
            n -= 17 + total;
        }
        return true;
    }

    bool quantisers(const uint8_t* s, size_t n) {
        while (n) {
            const unsigned precision = s[0] >> 4, id = s[0] & 15;
            const size_t need = 1 + 64 * (precision + 1);
            if (precision > 1 || id > 3 || n < need) return false;
            for (int k = 0; k < 64; ++k)
                quant_[id][size_t(k)] =
                    precision ? int32_t(be16(s + 1 + 2 * k)) : int32_t(s[1 + k]);
            s += need;
            n -= need;
        }
        return true;
    }

    bool scan(const uint8_t* s, size_t n, const uint8_t* data, size_t size, size_t& pos) {
        if (comps_.empty() || n < 1) return false;
        const size_t count = s[0];
        if (count < 1 || count > comps_.size() || n < 4 + 2 * count) return false;
        std::vector<component*> in_scan;
        for (size_t i = 0; i < count; ++i) {
            const auto it = std::find_if(comps_.begin(), comps_.end(),
                                         [&](const component& c) { return c.id == s[1 + 2 * i]; });
            if (it == comps_.end()) return false;
            it->td = s[2 + 2 * i] >> 4;
            it->ta = s[2 + 2 * i] & 15;
            if (it->td > 3 || it->ta > 3) return false;
            in_scan.push_back(&*it);
        }
        const uint8_t start = s[1 + 2 * count], end = s[2 + 2 * count];
        const uint8_t high = s[3 + 2 * count] >> 4, low = s[3 + 2 * count] & 15;
        const bool means_only = progressive_;
        if (progressive_ ? (start != 0 || high != 0) : (start != 0 || end != 63 || high || low)) {
            if (!progressive_) return false;
            skip_entropy(data, size, pos);  // detail beyond the means
            return true;
        }
        for (component* c : in_scan) {
            if (!dc_[c->td].defined || (!means_only && !ac_[c->ta].defined)) return false;
            c->pred = 0;
        }
        bit_reader bits(data + pos, data + size);
        const bool single = count == 1;
        const uint32_t units_x =
            single ? ((width_ * in_scan[0]->h + h_max_ - 1) / h_max_ + 7) / 8 : mcus_x_;
        const uint32_t units_y =
            single ? ((height_ * in_scan[0]->v + v_max_ - 1) / v_max_ + 7) / 8 : mcus_y_;
        const uint64_t units = uint64_t(units_x) * units_y;
        for (uint64_t u = 0; u < units; ++u) {
            if (restart_ && u && u % restart_ == 0) {
                if (!bits.restart()) return false;
                for (component* c : in_scan) c->pred = 0;
            }
            const uint32_t ux = uint32_t(u % units_x), uy = uint32_t(u / units_x);
            // A frame far larger than its data stops at the first row past the end.
            if (ux == 0 && bits.ran_out()) return false;
            for (component* c : in_scan) {
                const uint32_t bh = single ? 1 : c->h, bv = single ? 1 : c->v;
                for (uint32_t y = 0; y < bv; ++y)
                    for (uint32_t x = 0; x < bh; ++x) {
                        const size_t block = size_t(uy * bv + y) * c->blocks_w + ux * bh + x;
                        if (!(means_only ? block_mean(bits, *c, block, low)
                                         : block_whole(bits, *c, block)))
                            return false;
                    }
            }
        }
        if (bits.ran_out()) return false;  // cut short
        pos = size_t(bits.position() - data);
        for (component* c : in_scan) c->has_mean = true;
        return true;
    }

    static void skip_entropy(const uint8_t* data, size_t size, size_t& pos) {
        while (pos + 1 < size &&
               !(data[pos] == 0xFF && data[pos + 1] != 0 && (data[pos + 1] & 0xF8) != 0xD0))
            ++pos;
    }

    static int32_t bounded(int64_t v) { return int32_t(std::clamp<int64_t>(v, -1 << 24, 1 << 24)); }

    bool block_mean(bit_reader& bits, component& c, size_t block, int shift) {
        const int s = bits.decode(dc_[c.td]);
        if (s < 0 || s > 15) return false;
        c.pred = bounded(int64_t(c.pred) + bits.receive_extend(s));
        c.coef[block] = bounded((int64_t(c.pred) << shift) * quant_[c.tq][0]);
        return true;
    }

    bool block_whole(bit_reader& bits, component& c, size_t block) {
        const int s = bits.decode(dc_[c.td]);
        if (s < 0 || s > 15) return false;
        c.pred = bounded(int64_t(c.pred) + bits.receive_extend(s));
        const auto& q = quant_[c.tq];
        int32_t* out = &c.coef[block * c.side * c.side];
        out[0] = bounded(int64_t(c.pred) * q[0]);
        const huffman& ac = ac_[c.ta];
        for (int k = 1; k < 64;) {
            if (const int fast = ac.fast_ac[bits.peek(9)]) {
                bits.skip(fast & 15);
                k += (fast >> 4) & 15;
                if (k > 63) return false;
                if (c.side == 2) {
                    const int32_t v = fast >> 8;
                    if (k == zz_h) out[1] = v * q[zz_h];
                    if (k == zz_v) out[2] = v * q[zz_v];
                    if (k == zz_hv) out[3] = v * q[zz_hv];
                }
                ++k;
                continue;
            }
            const int rs = bits.decode(ac);
            if (rs < 0) return false;
            const int run = rs >> 4, size = rs & 15;
            if (size == 0) {
                if (run != 15) break;
                k += 16;
                continue;
            }
            k += run;
            if (k > 63) return false;
            const int32_t v = bits.receive_extend(size);
            if (c.side == 2) {
                if (k == zz_h) out[1] = v * q[zz_h];
                if (k == zz_v) out[2] = v * q[zz_v];
                if (k == zz_hv) out[3] = v * q[zz_hv];
            }
            ++k;
        }
        return true;
    }

    [[nodiscard]] bool all_means() const {
        return !comps_.empty() &&
               std::all_of(comps_.begin(), comps_.end(), [](const auto& c) { return c.has_mean; });
    }

    static uint8_t clamp_byte(int32_t v) { return uint8_t(std::clamp(v, 0, 255)); }

    // One plane per component at the reduced size: a block's mean, or the
    // means of its four quarters from its first terms.
    std::vector<uint8_t> plane(const component& c, uint32_t& plane_w) const {
        const uint32_t side = c.side;
        plane_w = c.blocks_w * side;
        std::vector<uint8_t> out(size_t(plane_w) * c.blocks_h * side);
        for (uint32_t by = 0; by < c.blocks_h; ++by)
            for (uint32_t bx = 0; bx < c.blocks_w; ++bx) {
                const int32_t* f = &c.coef[(size_t(by) * c.blocks_w + bx) * side * side];
                if (side == 1) {
                    out[size_t(by) * plane_w + bx] = clamp_byte(((f[0] + 4) >> 3) + 128);
                    continue;
                }
                // Quarter means of the 8-point transform's first terms:
                // 0.906 and 0.821 of the sample-point values, in 1/1024.
                for (int y = 0; y < 2; ++y)
                    for (int x = 0; x < 2; ++x) {
                        const int64_t a = x ? -1 : 1, b = y ? -1 : 1;
                        const int64_t sum = int64_t(f[0]) * 1024 + a * 928 * f[1] + b * 928 * f[2] +
                                            a * b * 841 * f[3];
                        out[size_t(by * 2 + y) * plane_w + bx * 2 + x] =
                            clamp_byte(int32_t((sum + 4096) >> 13) + 128);
                    }
            }
        return out;
    }

    bool pixels(t_jpeg_preview& out) const {
        out.width = width_;
        out.height = height_;
        out.scale = scale_;
        out.preview_width = (width_ + scale_ - 1) / scale_;
        out.preview_height = (height_ + scale_ - 1) / scale_;
        out.pixels.assign(size_t(out.preview_width) * out.preview_height, 0);
        std::vector<std::vector<uint8_t>> planes;
        std::vector<uint32_t> widths(comps_.size()), heights(comps_.size());
        for (size_t i = 0; i < comps_.size(); ++i) {
            planes.push_back(plane(comps_[i], widths[i]));
            heights[i] = comps_[i].blocks_h * comps_[i].side;
        }
        const bool rgb = comps_.size() == 3 &&
                         (adobe_transform_ == 0 ||
                          (comps_[0].id == 'R' && comps_[1].id == 'G' && comps_[2].id == 'B'));
        for (uint32_t y = 0; y < out.preview_height; ++y)
            for (uint32_t x = 0; x < out.preview_width; ++x) {
                int32_t v[3] = {0, 0, 0};
                for (size_t i = 0; i < comps_.size(); ++i) {
                    // A plane sample covers 8 / side of the component's
                    // samples, each h_max / h of the picture's pixels.
                    const component& c = comps_[i];
                    const uint32_t cx =
                        std::min(x * scale_ * c.side * c.h / (8 * h_max_), widths[i] - 1);
                    const uint32_t cy =
                        std::min(y * scale_ * c.side * c.v / (8 * v_max_), heights[i] - 1);
                    v[i] = planes[i][size_t(cy) * widths[i] + cx];
                }
                int32_t r = v[0], g = v[0], b = v[0];
                if (comps_.size() == 3 && rgb) {
                    g = v[1];
                    b = v[2];
                } else if (comps_.size() == 3) {
                    const int32_t cb = v[1] - 128, cr = v[2] - 128;
                    r = v[0] + ((91881 * cr + 32768) >> 16);
                    g = v[0] - ((22554 * cb + 46802 * cr - 32768) >> 16);
                    b = v[0] + ((116130 * cb + 32768) >> 16);
                }
                out.pixels[size_t(y) * out.preview_width + x] =
                    0xFF000000u | uint32_t(clamp_byte(r)) << 16 | uint32_t(clamp_byte(g)) << 8 |
                    clamp_byte(b);
            }
        return true;
    }

    uint32_t want_w_, want_h_;
    uint32_t width_ = 0, height_ = 0, scale_ = 8;
    uint32_t h_max_ = 1, v_max_ = 1, mcus_x_ = 0, mcus_y_ = 0;
    uint32_t restart_ = 0;
    int adobe_transform_ = -1;
    bool progressive_ = false;
    std::vector<component> comps_;
    std::array<huffman, 4> dc_{}, ac_{};
    std::array<std::array<int32_t, 64>, 4> quant_{};
};

}  // namespace

bool read_jpeg_preview(const uint8_t* data, size_t size, uint32_t want_width, uint32_t want_height,
                       t_jpeg_preview& out) {
    return decoder(want_width, want_height).run(data, size, out);
}

}  // namespace cor
