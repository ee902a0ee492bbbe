#include <algorithm>
#include <array>
#include <cstring>

#include "media/format_readers.h"
#include "utf8.h"

namespace cor::media_detail {
namespace {

// ID3v1 genres with the common extensions that followed them.
// clang-format off
constexpr std::array<std::string_view, 192> k_genres = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
    "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
    "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno",
    "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental",
    "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "AlternRock", "Bass", "Soul", "Punk",
    "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic", "Darkwave",
    "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy",
    "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle", "Native American",
    "Cabaret", "New Wave", "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal",
    "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock", "Folk",
    "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival", "Celtic",
    "Bluegrass", "Avantgarde", "Gothic Rock", "Progressive Rock", "Psychedelic Rock",
    "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour",
    "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus",
    "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad",
    "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo", "A capella",
    "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House", "Hardcore", "Terror", "Indie",
    "BritPop", "Negerpunk", "Polsk Punk", "Beat", "Christian Gangsta Rap", "Heavy Metal",
    "Black Metal", "Crossover", "Contemporary Christian", "Christian Rock", "Merengue", "Salsa",
    "Thrash Metal", "Anime", "JPop", "Synthpop", "Abstract", "Art Rock", "Baroque", "Bhangra",
    "Big Beat", "Breakbeat", "Chillout", "Downtempo", "Dub", "EBM", "Eclectic", "Electro",
    "Electroclash", "Emo", "Experimental", "Garage", "Global", "IDM", "Illbient", "Industro-Goth",
    "Jam Band", "Krautrock", "Leftfield", "Lounge", "Math Rock", "New Romantic", "Nu-Breakz",
    "Post-Punk", "Post-Rock", "Psytrance", "Shoegaze", "Space Rock", "Trop Rock", "World Music",
    "Neoclassical", "Audiobook", "Audio Theatre", "Neue Deutsche Welle", "Podcast", "Indie Rock",
    "G-Funk", "Dubstep", "Garage Rock", "Psybient",
};
// clang-format on

struct t_frame_name {
    std::string_view id;
    std::string_view name;
};
// Text frames of ID3v2.3/2.4, then their three-letter ID3v2.2 forms.
constexpr t_frame_name k_text_frames[] = {
    {"TIT2", "title"},      {"TPE1", "artist"},      {"TALB", "album"},   {"TPE2", "album artist"},
    {"TDRC", "date"},       {"TYER", "date"},        {"TCON", "genre"},   {"TRCK", "tracknumber"},
    {"TPOS", "discnumber"}, {"TCOM", "composer"},    {"TT2", "title"},    {"TP1", "artist"},
    {"TAL", "album"},       {"TP2", "album artist"}, {"TYE", "date"},     {"TCO", "genre"},
    {"TRK", "tracknumber"}, {"TPA", "discnumber"},   {"TCM", "composer"},
};

uint32_t syncsafe32(const uint8_t* p) {
    return uint32_t(p[0] & 0x7F) << 21 | uint32_t(p[1] & 0x7F) << 14 | uint32_t(p[2] & 0x7F) << 7 |
           (p[3] & 0x7F);
}

// Undoes unsynchronisation: every 0xFF 0x00 pair was a lone 0xFF.
std::vector<uint8_t> resync(const uint8_t* p, size_t n) {
    std::vector<uint8_t> out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        out.push_back(p[i]);
        if (p[i] == 0xFF && i + 1 < n && p[i + 1] == 0x00) ++i;
    }
    return out;
}

enum : uint8_t { enc_latin1 = 0, enc_utf16_bom = 1, enc_utf16be = 2, enc_utf8 = 3 };

size_t terminator_width(uint8_t enc) { return enc == enc_utf16_bom || enc == enc_utf16be ? 2 : 1; }

// UTF-16 text; a byte-order mark sets the order for this and later strings.
std::string utf16_to_utf8(const uint8_t* p, size_t n, bool& big_endian) {
    size_t i = 0;
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        big_endian = false;
        i = 2;
    } else if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF) {
        big_endian = true;
        i = 2;
    }
    auto unit = [&](size_t at) -> char32_t {
        return big_endian ? char32_t(p[at] << 8 | p[at + 1]) : char32_t(p[at] | p[at + 1] << 8);
    };
    std::string out;
    for (; i + 1 < n; i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < n) {
            const char32_t lo = unit(i + 2);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
                i += 2;
            }
        }
        utf8_append(out, c);  // a lone surrogate becomes U+FFFD
    }
    return out;
}

// Every terminated string of an encoded text field; a final terminator
// adds no empty string.
std::vector<std::string> decode_strings(uint8_t enc, const uint8_t* p, size_t n) {
    const size_t width = terminator_width(enc);
    bool big_endian = enc == enc_utf16be;
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < n) {
        size_t end = pos;
        while (end + width <= n && !(p[end] == 0 && (width == 1 || p[end + 1] == 0))) end += width;
        if (end + width > n) end = n;
        const std::string_view raw = as_text(p + pos, end - pos);
        switch (enc) {
            case enc_latin1:
                out.push_back(latin1_to_utf8(raw));
                break;
            case enc_utf8:
                out.push_back(clean_utf8(raw));
                break;
            default:
                out.push_back(utf16_to_utf8(p + pos, end - pos, big_endian));
                break;
        }
        pos = end + width;
    }
    return out;
}

// Name of a genre reference of one to three digits; empty otherwise.
std::string_view genre_by_number(std::string_view s) {
    if (s.empty() || s.size() > 3) return {};
    unsigned n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return {};
        n = n * 10 + unsigned(c - '0');
    }
    return id3_genre_name(n);
}

// "(17)", "(17)(18)", "17", "(RX)", "(CR)", "(4)Eurodisco", "((text".
// Text after the references refines them and wins.
void add_genre(t_track_info& out, const std::string& value) {
    std::string_view s = value;
    std::vector<std::string> named;
    while (s.size() >= 2 && s[0] == '(') {
        if (s[1] == '(') {
            s.remove_prefix(1);  // "((" escapes a literal parenthesis
            break;
        }
        const size_t close = s.find(')');
        if (close == std::string_view::npos) break;
        const std::string_view ref = s.substr(1, close - 1);
        std::string_view name;
        if (ref == "RX")
            name = "Remix";
        else if (ref == "CR")
            name = "Cover";
        else if (name = genre_by_number(ref); name.empty())
            break;
        if (!name.empty()) named.emplace_back(name);
        s.remove_prefix(close + 1);
    }
    s = trim_spaces(s);
    if (const std::string_view name = genre_by_number(s); !name.empty()) s = name;
    if (!s.empty()) {
        add_meta_unique(out, "genre", std::string(s));
    } else if (!named.empty()) {
        for (auto& n : named) add_meta_unique(out, "genre", std::move(n));
    } else if (!trim_spaces(value).empty()) {
        add_meta_unique(out, "genre", value);  // references to unknown genres: keep as written
    }
}

void parse_frame(std::string_view id, const uint8_t* p, size_t n, t_track_info& out) {
    if (n < 1 || p[0] > enc_utf8) return;
    const uint8_t enc = p[0];
    const bool comment = id == "COMM" || id == "COM";
    const bool user_text = id == "TXXX" || id == "TXX";
    if (comment || user_text) {
        const size_t skip = comment ? 4 : 1;  // encoding and language
        if (n < skip) return;
        std::vector<std::string> strings = decode_strings(enc, p + skip, n - skip);
        if (strings.size() < 2) return;
        std::string name = comment ? std::string("comment") : strings[0];
        // Described comments hold players' private data (iTunNORM and the like).
        if (comment && !strings[0].empty()) return;
        if (trim_spaces(name).empty()) return;
        for (size_t i = 1; i < strings.size(); ++i)
            if (!strings[i].empty()) add_meta_unique(out, name, std::move(strings[i]));
        return;
    }
    for (const auto& f : k_text_frames) {
        if (f.id != id) continue;
        for (std::string& v : decode_strings(enc, p + 1, n - 1)) {
            if (v.empty()) continue;
            if (f.name == "genre")
                add_genre(out, v);
            else
                add_meta_unique(out, f.name, std::move(v));
        }
        return;
    }
}

bool valid_frame_id(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (!((p[i] >= 'A' && p[i] <= 'Z') || (p[i] >= '0' && p[i] <= '9'))) return false;
    return true;
}

std::string trimmed_v1_text(const uint8_t* p, size_t n) {
    size_t len = 0;
    while (len < n && p[len] != 0) ++len;
    return legacy_text_to_utf8(trim_spaces(as_text(p, len)));
}

}  // namespace

std::string_view id3_genre_name(unsigned index) {
    return index < k_genres.size() ? k_genres[index] : std::string_view();
}

uint64_t id3v2_tag_size(const uint8_t* h, size_t n) {
    if (n < 10 || std::memcmp(h, "ID3", 3) != 0) return 0;
    if (h[3] < 2 || h[3] > 4 || h[4] == 0xFF) return 0;
    if ((h[6] | h[7] | h[8] | h[9]) & 0x80) return 0;
    const bool footer = h[3] == 4 && (h[5] & 0x10);
    return 10 + uint64_t(syncsafe32(h + 6)) + (footer ? 10 : 0);
}

void for_each_id3v2_frame(
    const uint8_t* tag, size_t size,
    const std::function<void(std::string_view, const uint8_t*, size_t)>& frame) {
    if (id3v2_tag_size(tag, size) == 0) return;
    const uint8_t major = tag[3];
    const uint8_t flags = tag[5];
    const size_t body_size = std::min<size_t>(syncsafe32(tag + 6), size - 10);
    if (major == 2 && (flags & 0x40)) return;  // compressed tag: no defined method
    // Before version 4 unsynchronisation covers the whole tag after its header.
    std::vector<uint8_t> body = (major < 4 && (flags & 0x80))
                                    ? resync(tag + 10, body_size)
                                    : std::vector<uint8_t>(tag + 10, tag + 10 + body_size);
    size_t pos = 0;
    if (major >= 3 && (flags & 0x40)) {
        if (body.size() < 4) return;
        if (major == 3)
            pos = 4 + size_t(be32(body.data()));
        else
            pos = syncsafe32(body.data());
        if (pos > body.size()) return;
    }
    const size_t id_len = major == 2 ? 3 : 4;
    const size_t header_len = major == 2 ? 6 : 10;
    while (body.size() - pos >= header_len) {
        const uint8_t* h = body.data() + pos;
        if (!valid_frame_id(h, id_len)) break;  // padding, or damage
        size_t frame_size;
        if (major == 2)
            frame_size = be24(h + 3);
        else if (major == 3 || (h[4] | h[5] | h[6] | h[7]) & 0x80)
            frame_size = be32(h + 4);  // some writers put plain sizes in version 4
        else
            frame_size = syncsafe32(h + 4);
        pos += header_len;
        if (frame_size > body.size() - pos) break;
        const uint8_t* data = body.data() + pos;
        size_t n = frame_size;
        pos += frame_size;
        const uint8_t format = major == 2 ? 0 : h[9];
        std::vector<uint8_t> resynced;
        if (major == 3) {
            if (format & 0xC0) continue;  // compressed or encrypted
            if (format & 0x20) {          // group byte
                if (n < 1) continue;
                ++data;
                --n;
            }
        } else if (major == 4) {
            if (format & 0x0C) continue;  // compressed or encrypted
            const size_t extra = ((format & 0x40) ? 1 : 0) + ((format & 0x01) ? 4 : 0);
            if (n < extra) continue;
            data += extra;
            n -= extra;
            if ((format & 0x02) || (flags & 0x80)) {
                resynced = resync(data, n);
                data = resynced.data();
                n = resynced.size();
            }
        }
        frame(as_text(h, id_len), data, n);
    }
}

void parse_id3v2(const uint8_t* tag, size_t size, t_track_info& out) {
    for_each_id3v2_frame(tag, size, [&](std::string_view id, const uint8_t* data, size_t n) {
        parse_frame(id, data, n, out);
    });
}

bool parse_id3v1(const uint8_t* p, size_t size, t_track_info& out) {
    if (size < 128 || std::memcmp(p, "TAG", 3) != 0) return false;
    auto add = [&](std::string_view name, const uint8_t* at, size_t n) {
        std::string v = trimmed_v1_text(at, n);
        if (!v.empty()) out.add_meta(name, std::move(v));
    };
    add("title", p + 3, 30);
    add("artist", p + 33, 30);
    add("album", p + 63, 30);
    add("date", p + 93, 4);
    // Version 1.1 keeps the track number in the last byte of the comment.
    const bool has_track = p[125] == 0 && p[126] != 0;
    add("comment", p + 97, has_track ? 28 : 30);
    if (has_track) out.add_meta("tracknumber", std::to_string(p[126]));
    const std::string_view genre = id3_genre_name(p[127]);
    if (!genre.empty()) out.add_meta("genre", std::string(genre));
    return true;
}

}  // namespace cor::media_detail
