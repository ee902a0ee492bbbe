#include "corvina500/player/wav.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace cor {
namespace {

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

constexpr uint16_t tag_pcm = 1;
constexpr uint16_t tag_float = 3;
constexpr uint16_t tag_extensible = 0xFFFE;

bool read_fmt(const uint8_t* p, uint32_t size, t_wav_format& out) {
    if (size < 16) return false;
    uint16_t tag = le16(p);
    out.channels = le16(p + 2);
    out.sample_rate = le32(p + 4);
    out.block_align = le16(p + 12);
    out.bits = le16(p + 14);
    if (tag == tag_extensible) {
        // The sub-format identifier begins with the plain format tag.
        if (size < 40) return false;
        tag = le16(p + 24);
    }
    if (tag == tag_pcm) {
        out.is_float = false;
        if (out.bits != 8 && out.bits != 16 && out.bits != 24 && out.bits != 32) return false;
    } else if (tag == tag_float) {
        out.is_float = true;
        if (out.bits != 32 && out.bits != 64) return false;
    } else {
        return false;
    }
    if (out.channels == 0 || out.channels > 8) return false;
    if (out.sample_rate == 0 || out.sample_rate > 768000) return false;
    return out.block_align == out.channels * (out.bits / 8);
}

}  // namespace

bool parse_wav_header(std::span<const uint8_t> head, uint64_t file_size, t_wav_format& out) {
    out = {};
    if (head.size() < 12 || std::memcmp(head.data(), "RIFF", 4) != 0 ||
        std::memcmp(head.data() + 8, "WAVE", 4) != 0)
        return false;
    bool have_fmt = false;
    size_t pos = 12;
    while (pos + 8 <= head.size()) {
        const uint8_t* chunk = head.data() + pos;
        const uint32_t size = le32(chunk + 4);
        const size_t body = pos + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size > head.size() - body || !read_fmt(chunk + 8, size, out)) return false;
            have_fmt = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!have_fmt || body > file_size) return false;
            // Streams written without knowing their size say 0 or ~0.
            uint64_t available = file_size - body;
            uint64_t data = (size == 0 || size == 0xFFFFFFFFu)
                                ? available
                                : std::min<uint64_t>(size, available);
            out.data_offset = body;
            out.data_size = data - data % out.block_align;
            return true;
        }
        pos = body + size + (size & 1);
        if (pos < body) return false;
    }
    return false;
}

size_t convert_to_s16(const t_wav_format& format, std::span<const uint8_t> in, double gain,
                      int16_t* out) {
    if (!format.block_align) return 0;
    const size_t frames = in.size() / format.block_align;
    const size_t samples = frames * format.channels;
    const size_t width = format.bits / 8;
    const uint8_t* p = in.data();
    gain = std::clamp(gain, 0.0, 1.0);
    for (size_t i = 0; i < samples; ++i, p += width) {
        double v;  // -32768 .. 32767 scale
        if (format.is_float) {
            double f;
            if (width == 4) {
                float x;
                std::memcpy(&x, p, 4);
                f = x;
            } else {
                std::memcpy(&f, p, 8);
            }
            if (std::isnan(f)) f = 0;
            v = std::clamp(f, -1.0, 1.0) * 32767.0;
        } else {
            switch (width) {
                case 1:
                    v = (int(p[0]) - 128) * 256;
                    break;
                case 2:
                    v = static_cast<int16_t>(le16(p));
                    break;
                case 3:
                    v = static_cast<int16_t>(le16(p + 1));
                    break;
                default:
                    v = static_cast<int16_t>(le16(p + 2));
                    break;
            }
        }
        out[i] = static_cast<int16_t>(std::lround(std::clamp(v * gain, -32768.0, 32767.0)));
    }
    return frames;
}

}  // namespace cor
