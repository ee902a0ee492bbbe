#include <algorithm>
#include <array>
#include <optional>

#include "media/format_readers.h"

namespace cor::media_detail {
namespace {

constexpr std::array<uint32_t, 256> make_crc_table() {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i << 24;
        for (int k = 0; k < 8; ++k) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
        t[i] = r;
    }
    return t;
}
constexpr std::array<uint32_t, 256> k_crc = make_crc_table();

constexpr size_t k_page_header = 27;
constexpr size_t k_max_page = k_page_header + 255 + 255 * 255;
constexpr size_t k_max_header_packet = 64 * 1024 * 1024;  // cover art can make comments big

struct t_page {
    uint8_t type = 0;  // 1 continued packet, 2 first page, 4 last page
    uint64_t granule = 0;
    uint32_t serial = 0;
    std::vector<uint8_t> lacing;
    std::vector<uint8_t> body;
};

// A whole page at `p` (`n` bytes available) with a matching checksum.
std::optional<size_t> page_size_at(const uint8_t* p, size_t n) {
    if (n < k_page_header || as_text(p, 4) != "OggS" || p[4] != 0) return std::nullopt;
    const size_t segments = p[26];
    if (n < k_page_header + segments) return std::nullopt;
    size_t size = k_page_header + segments;
    for (size_t i = 0; i < segments; ++i) size += p[k_page_header + i];
    if (n < size) return std::nullopt;
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = (i >= 22 && i < 26) ? 0 : p[i];
        crc = (crc << 8) ^ k_crc[(crc >> 24) ^ b];
    }
    if (crc != le32(p + 22)) return std::nullopt;
    return size;
}

enum class page_result { ok, end_of_data, truncated, damaged };

page_result read_page(byte_source& src, uint64_t& pos, t_page& page) {
    const std::vector<uint8_t> head = src.read(pos, k_page_header + 255);
    if (head.empty()) return page_result::end_of_data;
    const std::string_view magic = as_text(head.data(), std::min<size_t>(head.size(), 4));
    if (magic != std::string_view("OggS").substr(0, magic.size())) return page_result::damaged;
    if (head.size() < k_page_header || head.size() < k_page_header + head[26])
        return page_result::truncated;
    size_t size = k_page_header + head[26];
    for (size_t i = 0; i < head[26]; ++i) size += head[k_page_header + i];
    const std::vector<uint8_t> bytes = src.read(pos, size);
    if (bytes.size() < size) return page_result::truncated;
    if (page_size_at(bytes.data(), bytes.size()) != size) return page_result::damaged;
    t_span_reader r(bytes);
    r.skip(5);
    page.type = r.u8();
    page.granule = r.le64();
    page.serial = r.le32();
    const size_t segments = head[26];
    page.lacing.assign(bytes.begin() + k_page_header, bytes.begin() + k_page_header + segments);
    page.body.assign(bytes.begin() + k_page_header + segments, bytes.end());
    pos += size;
    return page_result::ok;
}

// Granule position of the last whole page of the stream: its length in
// samples. The search widens backwards when other streams' pages follow.
uint64_t last_granule(byte_source& src, uint32_t serial) {
    const uint64_t size = src.size();
    for (uint64_t span = 2 * k_max_page;; span *= 4) {
        const uint64_t start = size > span ? size - span : 0;
        const std::vector<uint8_t> buf = src.read(start, size_t(size - start));
        for (size_t i = buf.size() >= k_page_header ? buf.size() - k_page_header + 1 : 0;
             i-- > 0;) {
            if (buf[i] != 'O' || !page_size_at(&buf[i], buf.size() - i)) continue;
            t_span_reader r(&buf[i + 6], 12);
            const uint64_t granule = r.le64();
            if (r.le32() == serial && granule != ~uint64_t(0)) return granule;
        }
        if (start == 0) return 0;
    }
}

}  // namespace

bool read_vorbis_headers(byte_source& src, uint32_t& serial_out, std::vector<uint8_t>& id_packet,
                         std::vector<uint8_t>& comment_packet, std::string& error) {
    if (!starts_with(src.read(0, 4), "OggS")) {
        error = "not an Ogg file";
        return false;
    }
    // Header packets of the first Vorbis stream; other streams' pages (a
    // multiplexed video, say) are passed over.
    std::optional<uint32_t> serial;
    std::vector<std::vector<uint8_t>> packets;
    std::vector<uint8_t> partial;
    uint64_t pos = 0;
    t_page page;
    while (packets.size() < 2) {
        switch (read_page(src, pos, page)) {
            case page_result::ok:
                break;
            case page_result::end_of_data:
                error = serial ? "truncated Vorbis headers" : "Ogg file holds no Vorbis stream";
                return false;
            case page_result::truncated:
                error = "truncated Ogg page";
                return false;
            case page_result::damaged:
                error = "damaged Ogg page (bad checksum)";
                return false;
        }
        if (!serial) {
            if (!(page.type & 2)) {
                error = "Ogg file holds no Vorbis stream";
                return false;
            }
            if (page.body.size() < 7 || as_text(page.body.data(), 7) != "\x01vorbis") continue;
            serial = page.serial;
        }
        if (page.serial != *serial) continue;
        size_t at = 0;
        for (uint8_t lace : page.lacing) {
            partial.insert(partial.end(), page.body.begin() + at, page.body.begin() + at + lace);
            at += lace;
            if (partial.size() > k_max_header_packet) {
                error = "Vorbis header too large";
                return false;
            }
            if (lace < 255) {
                packets.push_back(std::move(partial));
                partial.clear();
            }
        }
        if ((page.type & 4) && packets.size() < 2) {
            error = "Vorbis stream ends inside its headers";
            return false;
        }
    }

    serial_out = *serial;
    id_packet = std::move(packets[0]);
    comment_packet = std::move(packets[1]);
    return true;
}

bool read_ogg_vorbis(byte_source& src, t_track_info& out, std::string& error) {
    uint32_t serial = 0;
    std::vector<std::vector<uint8_t>> packets(2);
    if (!read_vorbis_headers(src, serial, packets[0], packets[1], error)) return false;
    t_span_reader id(packets[0]);
    const std::string_view magic = id.text(7);
    const uint32_t version = id.le32();
    const unsigned channels = id.u8();
    const uint32_t rate = id.le32();
    id.skip(4);  // maximum bitrate
    const auto nominal = int32_t(id.le32());
    if (!id.ok() || magic != "\x01vorbis" || version != 0 || channels == 0 || rate == 0) {
        error = "damaged Vorbis identification header";
        return false;
    }
    if (!starts_with(packets[1], "\x03vorbis") ||
        !parse_vorbis_comments(packets[1].data() + 7, packets[1].size() - 7, out)) {
        error = "damaged Vorbis comment header";
        return false;
    }

    out.sample_rate = rate;
    out.length_samples = last_granule(src, serial);
    out.set_info("codec", "Vorbis");
    if (nominal > 0)
        set_info_number(out, "bitrate", round_div(uint64_t(nominal), 1000));
    else if (out.length_samples)
        set_info_number(
            out, "bitrate",
            uint64_t(double(src.size()) * 8 * rate / double(out.length_samples) / 1000 + 0.5));
    set_info_number(out, "samplerate", rate);
    set_info_number(out, "channels", channels);
    return true;
}

}  // namespace cor::media_detail
