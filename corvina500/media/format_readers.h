// Pieces shared by the format readers of media/; not used outside it.
// Every reader works through a byte_source and guards each length it takes
// from the file against the bytes actually there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/track_info.h"
#include "media/byte_source.h"

namespace cor::media_detail {

// Reads fields from one block; a read past the end yields zeros and clears
// ok(), so a parser can read a whole structure and check once.
class t_span_reader {
public:
    t_span_reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit t_span_reader(const std::vector<uint8_t>& v) : data_(v.data()), size_(v.size()) {}

    [[nodiscard]] bool ok() const { return ok_; }
    [[nodiscard]] size_t pos() const { return pos_; }
    [[nodiscard]] size_t left() const { return size_ - pos_; }

    // Null (and ok() false) when fewer than `n` bytes are left.
    const uint8_t* take(size_t n) {
        if (!ok_ || n > size_ - pos_) {
            ok_ = false;
            return nullptr;
        }
        const uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }
    void skip(size_t n) { take(n); }
    uint8_t u8() {
        const uint8_t* p = take(1);
        return p ? p[0] : 0;
    }
    uint16_t le16() {
        const uint8_t* p = take(2);
        return p ? uint16_t(p[0] | p[1] << 8) : 0;
    }
    uint32_t le32() {
        const uint8_t* p = take(4);
        return p ? uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                       uint32_t(p[3]) << 24
                 : 0;
    }
    uint64_t le64() {
        const uint64_t lo = le32();
        return lo | uint64_t(le32()) << 32;
    }
    std::string_view text(size_t n) {
        const uint8_t* p = take(n);
        return p ? std::string_view(reinterpret_cast<const char*>(p), n) : std::string_view();
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

inline uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
inline uint32_t be24(const uint8_t* p) { return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]; }
inline uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline std::string_view as_text(const uint8_t* p, size_t n) {
    return std::string_view(reinterpret_cast<const char*>(p), n);
}
inline bool starts_with(const std::vector<uint8_t>& v, std::string_view magic, size_t at = 0) {
    return v.size() >= at + magic.size() && as_text(v.data() + at, magic.size()) == magic;
}

// Text.
std::string latin1_to_utf8(std::string_view bytes);
// Invalid sequences become U+FFFD; a leading byte-order mark is dropped.
std::string clean_utf8(std::string_view bytes);
// For tags without a declared encoding: valid UTF-8 is kept, anything else
// is taken as ISO-8859-1.
std::string legacy_text_to_utf8(std::string_view bytes);
std::string_view trim_spaces(std::string_view s);
// Every value of this name unless an equal one is already there.
void add_meta_unique(t_track_info& info, std::string_view name, std::string value);
void set_info_number(t_track_info& info, std::string_view name, uint64_t value);
uint64_t round_div(uint64_t num, uint64_t den);

// A Vorbis comment block (FLAC and Ogg Vorbis): vendor, then NAME=value
// fields. False when the block is cut short.
bool parse_vorbis_comments(const uint8_t* data, size_t size, t_track_info& out);

// Gives fields their usual names: "3/12" track and disc numbers are split
// into number and total, TRACKTOTAL, DISCTOTAL and ALBUMARTIST are renamed.
void normalise_fields(t_track_info& info);

// ID3v2 tag starting at `h` (`n` bytes available): its whole size with
// header and footer, or 0 when `h` holds no tag header.
uint64_t id3v2_tag_size(const uint8_t* h, size_t n);
// Each frame of a whole ID3v2 tag (header included) with its identifier
// and its data, unsynchronisation and frame flags undone. Compressed and
// encrypted frames are passed over; the walk stops at padding or damage.
void for_each_id3v2_frame(
    const uint8_t* tag, size_t size,
    const std::function<void(std::string_view id, const uint8_t* data, size_t n)>& frame);
// Adds the fields of a whole ID3v2 tag (header included). Damaged frames
// are skipped; the fields read before them stay.
void parse_id3v2(const uint8_t* tag, size_t size, t_track_info& out);
// The 128-byte ID3v1 tag at `p`; false when it is not one.
bool parse_id3v1(const uint8_t* p, size_t size, t_track_info& out);
// Name of an ID3v1 genre number; empty when unknown.
std::string_view id3_genre_name(unsigned index);

bool read_mp3(byte_source& src, t_track_info& out, std::string& error);
bool read_flac(byte_source& src, t_track_info& out, std::string& error);
bool read_ogg_vorbis(byte_source& src, t_track_info& out, std::string& error);
// The identification and comment header packets of the first Vorbis stream.
bool read_vorbis_headers(byte_source& src, uint32_t& serial, std::vector<uint8_t>& id_packet,
                         std::vector<uint8_t>& comment_packet, std::string& error);
bool read_wav(byte_source& src, t_track_info& out, std::string& error);

}  // namespace cor::media_detail
