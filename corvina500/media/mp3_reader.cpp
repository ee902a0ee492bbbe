#include <algorithm>
#include <cstring>

#include "media/format_readers.h"

namespace cor::media_detail {
namespace {

struct t_mpeg_frame {
    int version;       // 0 MPEG-1, 1 MPEG-2, 2 MPEG-2.5
    int layer;         // 1..3
    unsigned bitrate;  // kbps
    unsigned sample_rate;
    unsigned channels;
    unsigned size;     // bytes, header included
    unsigned samples;  // per frame
    unsigned side_info;
};

constexpr unsigned k_bitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
constexpr unsigned k_sample_rates[3][3] = {
    {44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

// Free-format frames (bitrate index 0) have no computable size and are
// refused, as are the reserved values.
bool parse_frame_header(const uint8_t* p, t_mpeg_frame& f) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    const int version_bits = (p[1] >> 3) & 3;
    const int layer_bits = (p[1] >> 1) & 3;
    const unsigned bitrate_index = p[2] >> 4;
    const unsigned rate_index = (p[2] >> 2) & 3;
    if (version_bits == 1 || layer_bits == 0 || bitrate_index == 0 || bitrate_index == 15 ||
        rate_index == 3)
        return false;
    f.version = version_bits == 3 ? 0 : version_bits == 2 ? 1 : 2;
    f.layer = 4 - layer_bits;
    f.bitrate = k_bitrates[f.version == 0 ? 0 : 1][f.layer - 1][bitrate_index];
    f.sample_rate = k_sample_rates[f.version][rate_index];
    f.channels = (p[3] >> 6) == 3 ? 1 : 2;
    const unsigned padding = (p[2] >> 1) & 1;
    if (f.layer == 1) {
        f.samples = 384;
        f.size = (12 * f.bitrate * 1000 / f.sample_rate + padding) * 4;
    } else {
        f.samples = (f.layer == 3 && f.version != 0) ? 576 : 1152;
        f.size = f.samples / 8 * f.bitrate * 1000 / f.sample_rate + padding;
    }
    if (f.version == 0)
        f.side_info = f.channels == 1 ? 17 : 32;
    else
        f.side_info = f.channels == 1 ? 9 : 17;
    return true;
}

bool same_stream(const t_mpeg_frame& a, const t_mpeg_frame& b) {
    return a.version == b.version && a.layer == b.layer && a.sample_rate == b.sample_rate;
}

// Where the audio ends: before an ID3v1 tag and an APEv2 tag, if present.
uint64_t audio_end_of(byte_source& src, uint64_t audio_start, bool& has_v1) {
    uint64_t end = src.size();
    has_v1 = false;
    if (end >= audio_start + 128 && starts_with(src.read(end - 128, 3), "TAG")) {
        has_v1 = true;
        end -= 128;
    }
    if (end >= audio_start + 32) {
        const std::vector<uint8_t> footer = src.read(end - 32, 32);
        if (footer.size() == 32 && starts_with(footer, "APETAGEX")) {
            const uint64_t tag = uint64_t(le32(&footer[12])) + ((footer[23] & 0x80) ? 32 : 0);
            if (tag <= end - audio_start) end -= tag;
        }
    }
    return end;
}

// The first frame whose successor follows where its size says, so stray
// sync bytes in padding or damaged data are not taken for audio. A frame
// right after the tag needs no successor (a very short or cut file).
bool find_first_frame(byte_source& src, uint64_t start, uint64_t end, uint64_t& at,
                      t_mpeg_frame& frame) {
    constexpr size_t window = 64 * 1024;
    constexpr size_t overlap = 4096;  // more than the largest frame
    constexpr uint64_t max_junk = 1024 * 1024;
    for (uint64_t base = start; base < end && base - start < max_junk; base += window) {
        const std::vector<uint8_t> buf =
            src.read(base, size_t(std::min<uint64_t>(window + overlap, end - base)));
        for (size_t i = 0; i < window && i + 4 <= buf.size(); ++i) {
            if (buf[i] != 0xFF || !parse_frame_header(&buf[i], frame)) continue;
            const uint64_t here = base + i;
            const uint64_t next = here + frame.size;
            t_mpeg_frame following;
            if (next + 4 <= end) {
                std::vector<uint8_t> h =
                    next + 4 <= base + buf.size()
                        ? std::vector<uint8_t>(&buf[next - base], &buf[next - base] + 4)
                        : src.read(next, 4);
                if (h.size() == 4 && parse_frame_header(h.data(), following) &&
                    same_stream(frame, following)) {
                    at = here;
                    return true;
                }
            } else if (here == start) {
                at = here;
                return true;
            }
        }
    }
    return false;
}

struct t_vbr_header {
    uint32_t frames = 0;
    uint32_t bytes = 0;
    uint32_t delay = 0;  // encoder delay and padding in samples, when an encoder tag says
    uint32_t padding = 0;
    bool constant = false;  // "Info": written for a constant-bitrate stream
};

// Xing/Info (with the encoder's extension) or VBRI header in the first frame.
bool parse_vbr_header(const std::vector<uint8_t>& fr, const t_mpeg_frame& f, t_vbr_header& out) {
    if (f.layer != 3) return false;
    const size_t xing = 4 + f.side_info;
    if (starts_with(fr, "Xing", xing) || starts_with(fr, "Info", xing)) {
        t_span_reader r(fr.data() + xing, fr.size() - xing);
        out.constant = starts_with(fr, "Info", xing);
        r.skip(4);
        const uint8_t* fl = r.take(4);
        if (!fl) return false;
        const uint32_t flags = be32(fl);
        if (flags & 1) {
            const uint8_t* p = r.take(4);
            if (p) out.frames = be32(p);
        }
        if (flags & 2) {
            const uint8_t* p = r.take(4);
            if (p) out.bytes = be32(p);
        }
        if (flags & 4) r.skip(100);  // seek table
        if (flags & 8) r.skip(4);    // quality
        // Encoder tag: 9 bytes of version, then fields; delay and padding
        // are two 12-bit numbers at byte 21.
        if (const uint8_t* e = r.take(24)) {
            const bool known = std::memcmp(e, "LAME", 4) == 0 || std::memcmp(e, "Lavf", 4) == 0 ||
                               std::memcmp(e, "Lavc", 4) == 0;
            if (known) {
                out.delay = uint32_t(e[21]) << 4 | e[22] >> 4;
                out.padding = uint32_t(e[22] & 0x0F) << 8 | e[23];
            }
        }
        return out.frames != 0;
    }
    constexpr size_t vbri = 4 + 32;
    if (starts_with(fr, "VBRI", vbri) && fr.size() >= vbri + 18) {
        out.bytes = be32(&fr[vbri + 10]);
        out.frames = be32(&fr[vbri + 14]);
        return out.frames != 0;
    }
    return false;
}

}  // namespace

bool read_mp3(byte_source& src, t_track_info& out, std::string& error) {
    const uint64_t size = src.size();
    uint64_t pos = 0;
    bool first_tag = true;
    // Some files carry more than one tag in front; the first one counts.
    for (;;) {
        const std::vector<uint8_t> head = src.read(pos, 10);
        const uint64_t tag_size = id3v2_tag_size(head.data(), head.size());
        if (tag_size == 0) break;
        if (tag_size > size - pos) {
            error = "truncated ID3v2 tag";
            return false;
        }
        if (first_tag) {
            const std::vector<uint8_t> tag = src.read(pos, size_t(tag_size));
            parse_id3v2(tag.data(), tag.size(), out);
            first_tag = false;
        }
        pos += tag_size;
    }
    bool has_v1 = false;
    const uint64_t end = audio_end_of(src, pos, has_v1);
    if (out.meta.empty() && has_v1) {
        const std::vector<uint8_t> v1 = src.read(size - 128, 128);
        parse_id3v1(v1.data(), v1.size(), out);
    }

    uint64_t at = 0;
    t_mpeg_frame f{};
    if (!find_first_frame(src, pos, end, at, f)) {
        error = "no MPEG audio frame found";
        return false;
    }
    const uint64_t audio_bytes = end - at;
    out.sample_rate = f.sample_rate;
    unsigned bitrate = f.bitrate;
    t_vbr_header vbr;
    if (parse_vbr_header(src.read(at, f.size), f, vbr)) {
        uint64_t samples = uint64_t(vbr.frames) * f.samples;
        if (uint64_t(vbr.delay) + vbr.padding < samples) samples -= vbr.delay + vbr.padding;
        out.length_samples = samples;
        if (!vbr.constant) {
            const uint64_t bytes = vbr.bytes ? vbr.bytes : audio_bytes;
            bitrate = unsigned(round_div(bytes * 8 * f.sample_rate, samples * 1000));
        }
    } else {
        // No frame count: estimate from the size at the first frame's bitrate.
        out.length_samples = audio_bytes * 8 * f.sample_rate / (uint64_t(f.bitrate) * 1000);
    }
    static constexpr std::string_view codecs[] = {"MP1", "MP2", "MP3"};
    out.set_info("codec", std::string(codecs[f.layer - 1]));
    set_info_number(out, "bitrate", bitrate);
    set_info_number(out, "samplerate", f.sample_rate);
    set_info_number(out, "channels", f.channels);
    return true;
}

}  // namespace cor::media_detail
