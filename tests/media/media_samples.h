// Builds small media files byte by byte for the tests (tags, frames, pages
// and chunks laid out as the formats define them, independently of the
// readers under test) and reads them back.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "media/tag_reader.h"

namespace media_test {

using t_bytes = std::vector<uint8_t>;

struct t_builder {
    t_bytes b;
    t_builder& u8(unsigned v) {
        b.push_back(uint8_t(v));
        return *this;
    }
    t_builder& be(uint64_t v, int n) {
        for (int i = n - 1; i >= 0; --i) b.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    t_builder& le(uint64_t v, int n) {
        for (int i = 0; i < n; ++i) b.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    t_builder& syncsafe(uint32_t v) {
        for (int i = 3; i >= 0; --i) b.push_back(uint8_t((v >> (7 * i)) & 0x7F));
        return *this;
    }
    t_builder& str(std::string_view s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    t_builder& raw(const t_bytes& v) {
        b.insert(b.end(), v.begin(), v.end());
        return *this;
    }
    t_builder& fill(size_t n, uint8_t v = 0) {
        b.insert(b.end(), n, v);
        return *this;
    }
};

inline t_bytes operator+(t_bytes a, const t_bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline t_bytes utf16(std::u16string_view s, bool big_endian, bool bom) {
    t_builder o;
    if (bom) o.u8(big_endian ? 0xFE : 0xFF).u8(big_endian ? 0xFF : 0xFE);
    for (char16_t c : s) big_endian ? o.be(c, 2) : o.le(c, 2);
    return o.b;
}

// ID3v2 frame of version `major` (2, 3 or 4) with format flags `flags`.
inline t_bytes id3_frame(int major, std::string_view id, const t_bytes& body, uint8_t flags = 0) {
    t_builder o;
    o.str(id);
    if (major == 2)
        o.be(body.size(), 3);
    else if (major == 3)
        o.be(body.size(), 4).u8(0).u8(flags);
    else
        o.syncsafe(uint32_t(body.size())).u8(0).u8(flags);
    return o.raw(body).b;
}

inline t_bytes id3_text(int major, std::string_view id, uint8_t encoding, const t_bytes& text) {
    return id3_frame(major, id, t_builder().u8(encoding).raw(text).b);
}

inline t_bytes latin1(std::string_view s) { return t_bytes(s.begin(), s.end()); }

inline t_bytes id3_tag(int major, const t_bytes& body, uint8_t flags = 0, size_t padding = 0) {
    t_builder t;
    t.str("ID3").u8(major).u8(0).u8(flags).syncsafe(uint32_t(body.size() + padding));
    return t.raw(body).fill(padding).b;
}

// Inserts a zero after every 0xFF, as unsynchronisation does.
inline t_bytes unsynchronise(const t_bytes& in) {
    t_bytes out;
    for (uint8_t c : in) {
        out.push_back(c);
        if (c == 0xFF) out.push_back(0);
    }
    return out;
}

// MPEG audio frame: the header bytes and a payload filling `size` bytes.
inline t_bytes mpeg_frame(uint8_t b1, uint8_t b2, uint8_t b3, size_t size, uint8_t fill = 0x55) {
    t_bytes f{0xFF, b1, b2, b3};
    f.resize(size, fill);
    return f;
}

// MPEG-1 Layer III, 128 kbps, 44100 Hz, stereo, no padding: 417 bytes.
inline t_bytes mp3_frames(size_t count) {
    t_bytes out;
    for (size_t i = 0; i < count; ++i) out = out + mpeg_frame(0xFB, 0x90, 0x00, 417);
    return out;
}

inline uint32_t ogg_crc(const t_bytes& page) {
    uint32_t crc = 0;
    for (uint8_t byte : page) {
        crc ^= uint32_t(byte) << 24;
        for (int k = 0; k < 8; ++k) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

class t_ogg_writer {
public:
    explicit t_ogg_writer(uint32_t serial) : serial_(serial) {}

    // One packet over as many pages as `max_segments` lacing values per
    // page need; the page that ends it gets `granule`.
    void packet(const t_bytes& packet, uint64_t granule, uint8_t first_type = 0,
                size_t max_segments = 255) {
        std::vector<uint8_t> lacing(packet.size() / 255, 255);
        lacing.push_back(uint8_t(packet.size() % 255));
        size_t at = 0, done = 0;
        bool first = true;
        while (done < lacing.size()) {
            const size_t n = std::min(max_segments, lacing.size() - done);
            const std::vector<uint8_t> lace(lacing.begin() + done, lacing.begin() + done + n);
            size_t body = 0;
            for (uint8_t l : lace) body += l;
            done += n;
            const uint8_t type = first ? first_type : 1;
            page(type, done == lacing.size() ? granule : ~uint64_t(0), lace,
                 t_bytes(packet.begin() + at, packet.begin() + at + body));
            at += body;
            first = false;
        }
    }
    void page(uint8_t type, uint64_t granule, const std::vector<uint8_t>& lacing,
              const t_bytes& body) {
        t_builder p;
        p.str("OggS").u8(0).u8(type).le(granule, 8).le(serial_, 4).le(sequence_++, 4).le(0, 4);
        p.u8(lacing.size()).raw(lacing).raw(body);
        const uint32_t crc = ogg_crc(p.b);
        for (int i = 0; i < 4; ++i) p.b[22 + i] = uint8_t(crc >> (8 * i));
        data.insert(data.end(), p.b.begin(), p.b.end());
    }

    t_bytes data;

private:
    uint32_t serial_;
    uint32_t sequence_ = 0;
};

inline t_bytes vorbis_comments(const std::vector<std::string>& fields) {
    t_builder o;
    o.le(11, 4).str("test vendor").le(fields.size(), 4);
    for (const auto& f : fields) o.le(f.size(), 4).str(f);
    return o.b;
}

// Vorbis identification header.
inline t_bytes vorbis_id(uint32_t rate, uint8_t channels, int32_t nominal) {
    t_builder o;
    o.u8(1).str("vorbis").le(0, 4).u8(channels).le(rate, 4).le(0, 4).le(uint32_t(nominal), 4);
    return o.le(0, 4).u8(0xB8).u8(1).b;
}

inline t_bytes flac_block(unsigned type, const t_bytes& body, bool last) {
    return t_builder().u8(type | (last ? 0x80 : 0)).be(body.size(), 3).raw(body).b;
}

// STREAMINFO block: 44100 Hz, 2 channels, 16 bits, `samples` in total.
inline t_bytes flac_streaminfo(uint64_t samples, bool last) {
    t_builder b;
    b.be(4096, 2).be(4096, 2).be(0, 3).be(0, 3);
    b.be(uint64_t(44100) << 44 | uint64_t(1) << 41 | uint64_t(15) << 36 | samples, 8);
    return flac_block(0, b.fill(16).b, last);
}

// Reading back.

// The named values ("codec|samplerate|..."), technical ones or the first
// of each tag, joined by '|' so that one comparison shows every value that
// differs; "" for each missing.
inline std::string joined(const cor::t_track_info& info, std::string_view names, bool technical) {
    std::string out;
    for (size_t at = 0; at <= names.size();) {
        const size_t bar = std::min(names.find('|', at), names.size());
        const std::string_view name = names.substr(at, bar - at);
        const std::string* s = technical ? info.find_info(name) : nullptr;
        const cor::t_meta_field* f = technical ? nullptr : info.find_meta(name);
        out += (at ? "|" : "") + (s ? *s : f && !f->values.empty() ? f->values.front() : "");
        at = bar + 1;
    }
    return out;
}
inline std::string techs(const cor::t_track_info& info, std::string_view names) {
    return joined(info, names, true);
}
inline std::string tags(const cor::t_track_info& info, std::string_view names) {
    return joined(info, names, false);
}

inline cor::t_track_info read_ok(const t_bytes& file, std::string_view path = "a.mp3") {
    cor::t_track_info info;
    std::string error;
    EXPECT_TRUE(cor::read_track_info(path, file.data(), file.size(), info, error)) << error;
    return info;
}

inline std::string read_error(const t_bytes& file, std::string_view path = "a.mp3") {
    cor::t_track_info info;
    std::string error;
    EXPECT_FALSE(cor::read_track_info(path, file.data(), file.size(), info, error));
    EXPECT_EQ(error.find('\n'), std::string::npos);
    return error;
}

// Every prefix of `file` must parse or fail with a one-line reason, and so
// must random damage of a few bytes at a time. Each prefix is a copy of
// exactly its size, so a sanitizer sees any read past it.
inline void expect_bad_input_handled(const t_bytes& file, std::string_view path, unsigned seed) {
    for (size_t n = 0; n <= file.size(); ++n) {
        const t_bytes prefix(file.begin(), file.begin() + std::ptrdiff_t(n));
        cor::t_track_info info;
        std::string error;
        if (!cor::read_track_info(path, prefix.data(), n, info, error)) {
            ASSERT_FALSE(error.empty()) << "prefix " << n;
            ASSERT_EQ(error.find('\n'), std::string::npos) << error;
            ASSERT_TRUE(info.meta.empty() && info.info.empty()) << "prefix " << n;
        }
        ASSERT_EQ(info.file_size, n);
        ASSERT_EQ(info.path, path);
    }
    std::mt19937 rng(seed);
    for (int round = 0; round < 3000; ++round) {
        t_bytes damaged = file;
        for (unsigned k = 0, n = 1 + rng() % 4; k < n; ++k)
            damaged[rng() % damaged.size()] = uint8_t(rng());
        cor::t_track_info info;
        std::string error;
        if (!cor::read_track_info(path, damaged.data(), damaged.size(), info, error)) {
            ASSERT_FALSE(error.empty());
        }
    }
}

}  // namespace media_test
