#include "media/art_reader.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "media/file_reader.h"
#include "media/format_readers.h"
#include "utf8.h"

namespace cor {

using namespace media_detail;

namespace {

// The cover art a tag can carry is bounded to keep a damaged size field
// from asking for gigabytes.
constexpr uint64_t max_tag_bytes = 64u << 20;

size_t text_end(const uint8_t* p, size_t n, bool wide) {
    if (!wide) {
        const auto* z = static_cast<const uint8_t*>(std::memchr(p, 0, n));
        return z ? size_t(z - p) : n;
    }
    for (size_t i = 0; i + 1 < n; i += 2)
        if (p[i] == 0 && p[i + 1] == 0) return i;
    return n;
}

// APIC: encoding, MIME type, picture type, description, data. PIC (ID3v2.2):
// encoding, three-letter format, picture type, description, data.
bool parse_apic(bool v22, const uint8_t* p, size_t n, t_embedded_picture& out) {
    if (n < 1) return false;
    const uint8_t enc = p[0];
    if (enc > 3) return false;
    size_t pos = 1;
    if (v22) {
        if (n - pos < 3) return false;
        out.mime = std::string(as_text(p + pos, 3));
        pos += 3;
    } else {
        const size_t end = text_end(p + pos, n - pos, false);
        if (end == n - pos) return false;  // no terminator: cut short
        out.mime = std::string(as_text(p + pos, end));
        pos += end + 1;
    }
    if (n - pos < 1) return false;
    out.type = p[pos++];
    const bool wide = enc == 1 || enc == 2;
    const size_t end = text_end(p + pos, n - pos, wide);
    if (end == n - pos) return false;
    pos += end + (wide ? 2 : 1);
    if (pos > n) return false;
    out.data.assign(p + pos, p + n);
    return !out.data.empty();
}

void read_id3_pictures(const std::vector<uint8_t>& tag, std::vector<t_embedded_picture>& out) {
    const bool v22 = tag.size() > 3 && tag[3] == 2;
    for_each_id3v2_frame(tag.data(), tag.size(),
                         [&](std::string_view id, const uint8_t* data, size_t n) {
                             if (id != (v22 ? "PIC" : "APIC")) return;
                             t_embedded_picture pic;
                             if (parse_apic(v22, data, n, pic)) out.push_back(std::move(pic));
                         });
}

int base64_value(uint8_t c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

bool base64_decode(std::string_view text, std::vector<uint8_t>& out) {
    out.clear();
    out.reserve(text.size() / 4 * 3);
    uint32_t acc = 0;
    int bits = 0;
    size_t pad = 0;
    for (const char ch : text) {
        if (ch == '=') {
            ++pad;
            continue;
        }
        const int v = base64_value(static_cast<uint8_t>(ch));
        if (v < 0 || pad) return false;
        acc = acc << 6 | uint32_t(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<uint8_t>(acc >> bits));
        }
    }
    return pad <= 2;
}

void read_vorbis_pictures(const std::vector<uint8_t>& packet, size_t skip,
                          std::vector<t_embedded_picture>& out) {
    if (packet.size() < skip) return;
    t_span_reader r(packet.data() + skip, packet.size() - skip);
    r.skip(r.le32());  // vendor
    const uint32_t count = r.le32();
    for (uint32_t i = 0; i < count && r.ok(); ++i) {
        const std::string_view field = r.text(r.le32());
        if (!r.ok()) break;
        const size_t eq = field.find('=');
        if (eq == std::string_view::npos ||
            stricmp_utf8(field.substr(0, eq), "METADATA_BLOCK_PICTURE") != 0)
            continue;
        std::vector<uint8_t> block;
        t_embedded_picture pic;
        if (base64_decode(field.substr(eq + 1), block) &&
            parse_flac_picture(block.data(), block.size(), pic))
            out.push_back(std::move(pic));
    }
}

void read_flac_pictures(byte_source& src, uint64_t pos, std::vector<t_embedded_picture>& out) {
    const uint64_t size = src.size();
    pos += 4;  // "fLaC"
    for (bool last = false; !last;) {
        const std::vector<uint8_t> h = src.read(pos, 4);
        if (h.size() < 4) return;
        last = (h[0] & 0x80) != 0;
        const unsigned type = h[0] & 0x7F;
        const uint32_t length = be24(&h[1]);
        pos += 4;
        if (length > size - pos || type == 127) return;
        if (type == 6) {
            const std::vector<uint8_t> b = src.read(pos, length);
            t_embedded_picture pic;
            if (b.size() == length && parse_flac_picture(b.data(), b.size(), pic))
                out.push_back(std::move(pic));
        }
        pos += length;
    }
}

// WAV files keep an ID3v2 tag in a chunk of their own ("id3 " or "ID3 ").
void read_riff_pictures(byte_source& src, std::vector<t_embedded_picture>& out) {
    const uint64_t size = src.size();
    uint64_t pos = 12;
    while (size - pos >= 8) {
        const std::vector<uint8_t> h = src.read(pos, 8);
        if (h.size() < 8) return;
        const uint32_t length = le32(&h[4]);
        pos += 8;
        if (length > size - pos) return;
        const std::string_view id = as_text(h.data(), 4);
        if ((id == "id3 " || id == "ID3 ") && length <= max_tag_bytes) {
            const std::vector<uint8_t> tag = src.read(pos, length);
            if (tag.size() == length && id3v2_tag_size(tag.data(), tag.size()))
                read_id3_pictures(tag, out);
        }
        pos += length + (length & 1);
        if (pos > size) return;
    }
}

class extractor : public album_art_extractor {
public:
    extractor(std::string path, std::vector<t_embedded_picture> pictures)
        : path_(std::move(path)), pictures_(std::move(pictures)) {}

    bool query(const guid& kind_id, string_sink& bytes) override {
        const auto kind = picture_kind(kind_id);
        if (!kind) return false;
        if (const t_embedded_picture* p = find_picture(pictures_, *kind)) {
            bytes.write(reinterpret_cast<const char*>(p->data.data()), p->data.size());
            return true;
        }
        if (*kind != t_art_kind::front_cover) return false;
        std::vector<uint8_t> file;
        if (!read_folder_cover(path_, file)) return false;
        bytes.write(reinterpret_cast<const char*>(file.data()), file.size());
        return true;
    }

private:
    std::string path_;
    std::vector<t_embedded_picture> pictures_;
};

class manager : public album_art_manager {
public:
    bool open(const char* path, size_t length, album_art_extractor** out) override {
        *out = nullptr;
        std::string p(path, length);
        std::string error;
        auto src = open_file_source(p, error);
        if (!src) return false;
        auto pictures = read_embedded_pictures(*src);
        auto* e = new service_impl_t<extractor>(std::move(p), std::move(pictures));
        e->service_add_ref();
        *out = e;
        return true;
    }
};

}  // namespace

bool parse_flac_picture(const uint8_t* p, size_t n, t_embedded_picture& out) {
    // All fields big-endian: type, MIME length and text, description length
    // and text, width, height, depth, colours, data length and data.
    size_t pos = 0;
    auto u32 = [&](uint32_t& v) {
        if (n - pos < 4) return false;
        v = be32(p + pos);
        pos += 4;
        return true;
    };
    uint32_t type = 0, mime_len = 0, desc_len = 0, data_len = 0, skip = 0;
    if (!u32(type) || !u32(mime_len) || mime_len > n - pos) return false;
    out.mime = std::string(as_text(p + pos, mime_len));
    pos += mime_len;
    if (!u32(desc_len) || desc_len > n - pos) return false;
    pos += desc_len;
    for (int i = 0; i < 4; ++i)
        if (!u32(skip)) return false;
    if (!u32(data_len) || data_len == 0 || data_len > n - pos) return false;
    out.type = type;
    out.data.assign(p + pos, p + pos + data_len);
    return true;
}

std::vector<t_embedded_picture> read_embedded_pictures(byte_source& src) {
    std::vector<t_embedded_picture> out;
    const uint64_t size = src.size();
    uint64_t pos = 0;
    const std::vector<uint8_t> head = src.read(0, 10);
    if (const uint64_t tag = id3v2_tag_size(head.data(), head.size())) {
        // A tag cut by the end of the file keeps only its whole frames.
        const std::vector<uint8_t> bytes =
            src.read(0, size_t(std::min({tag, size, max_tag_bytes})));
        read_id3_pictures(bytes, out);
        pos = tag;
    }
    const std::vector<uint8_t> magic = src.read(pos, 4);
    if (starts_with(magic, "fLaC")) {
        read_flac_pictures(src, pos, out);
    } else if (pos == 0 && starts_with(magic, "RIFF") && starts_with(src.read(8, 4), "WAVE")) {
        read_riff_pictures(src, out);
    } else if (pos == 0 && starts_with(magic, "OggS")) {
        uint32_t serial = 0;
        std::vector<uint8_t> id, comments;
        std::string error;
        if (read_vorbis_headers(src, serial, id, comments, error))
            read_vorbis_pictures(comments, 7, out);
    }
    return out;
}

std::optional<t_art_kind> picture_kind(const guid& kind) {
    if (kind == album_art_front_cover) return t_art_kind::front_cover;
    if (kind == album_art_back_cover) return t_art_kind::back_cover;
    if (kind == album_art_disc) return t_art_kind::disc;
    if (kind == album_art_icon) return t_art_kind::icon;
    return std::nullopt;
}

const t_embedded_picture* find_picture(const std::vector<t_embedded_picture>& pictures,
                                       t_art_kind kind) {
    auto first = [&](auto pred) -> const t_embedded_picture* {
        const auto it = std::find_if(pictures.begin(), pictures.end(), pred);
        return it == pictures.end() ? nullptr : &*it;
    };
    switch (kind) {
        case t_art_kind::front_cover:
            if (auto* p = first([](const auto& x) { return x.type == 3; })) return p;
            return first([](const auto& x) { return x.type == 0; });
        case t_art_kind::back_cover:
            return first([](const auto& x) { return x.type == 4; });
        case t_art_kind::disc:
            return first([](const auto& x) { return x.type == 6; });
        case t_art_kind::icon:
            return first([](const auto& x) { return x.type == 1 || x.type == 2; });
    }
    return nullptr;
}

bool read_folder_cover(std::string_view track_path, std::vector<uint8_t>& out) {
    const size_t slash = track_path.find_last_of("\\/");
    if (slash == std::string_view::npos) return false;
    const std::string folder(track_path.substr(0, slash + 1));
    // The file system ignores letter case, so each name is one look-up.
    for (const char* name : {"cover", "folder", "front"})
        for (const char* ext : {".jpg", ".jpeg", ".png", ".bmp"}) {
            std::string error;
            if (read_whole_file(folder + name + ext, out, error) && !out.empty()) return true;
        }
    out.clear();
    return false;
}

service_ptr_t<album_art_manager> make_album_art_service() {
    return service_ptr_t<album_art_manager>(new service_impl_t<manager>());
}

}  // namespace cor
