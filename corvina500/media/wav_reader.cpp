#include <algorithm>

#include "media/format_readers.h"

namespace cor::media_detail {
namespace {

constexpr size_t k_max_tag_chunk = 16 * 1024 * 1024;

struct t_info_name {
    std::string_view id;
    std::string_view name;
};
constexpr t_info_name k_info_names[] = {
    {"INAM", "title"}, {"IART", "artist"},  {"IPRD", "album"},       {"ICRD", "date"},
    {"IGNR", "genre"}, {"ICMT", "comment"}, {"ITRK", "tracknumber"},
};

void parse_info_list(const std::vector<uint8_t>& list, t_track_info& out) {
    t_span_reader r(list);
    if (r.text(4) != "INFO") return;
    std::string part;  // IPRT: the track number of writers that have no ITRK
    while (r.left() >= 8) {
        const std::string_view id = r.text(4);
        const uint32_t length = r.le32();
        const uint8_t* text = r.take(length);
        if (!text) break;
        r.skip(length & 1);
        size_t n = 0;
        while (n < length && text[n] != 0) ++n;
        std::string value = legacy_text_to_utf8(trim_spaces(as_text(text, n)));
        if (value.empty()) continue;
        if (id == "IPRT") {
            part = std::move(value);
            continue;
        }
        for (const auto& f : k_info_names)
            if (f.id == id) add_meta_unique(out, f.name, std::move(value));
    }
    if (!part.empty() && !out.find_meta("tracknumber"))
        out.add_meta("tracknumber", std::move(part));
}

}  // namespace

bool read_wav(byte_source& src, t_track_info& out, std::string& error) {
    const uint64_t size = src.size();
    const std::vector<uint8_t> riff = src.read(0, 12);
    if (!starts_with(riff, "RIFF") || !starts_with(riff, "WAVE", 8)) {
        error = riff.size() < 12 ? "truncated WAV file" : "not a WAV file";
        return false;
    }
    std::vector<uint8_t> fmt;
    bool have_data = false;
    bool cut_short = false;
    uint64_t data_size = 0;
    t_track_info info_tags;
    t_track_info id3_tags;
    // The RIFF size is not trusted: writers that could not seek back leave
    // it (and the data size) wrong; the chunks are walked to the file's end.
    for (uint64_t pos = 12; size - pos >= 8;) {
        const std::vector<uint8_t> h = src.read(pos, 8);
        if (h.size() < 8) break;
        const std::string_view id = as_text(h.data(), 4);
        const uint64_t length = le32(&h[4]);
        const uint64_t body = pos + 8;
        const uint64_t available = size - body;
        if (id == "data") {
            have_data = true;
            // A cut file still plays up to where it stops.
            data_size = std::min(length, available);
        } else if (length > available) {
            cut_short = true;
            break;
        } else if (id == "fmt ") {
            fmt = src.read(body, size_t(std::min<uint64_t>(length, 64)));
        } else if (id == "LIST" && length <= k_max_tag_chunk) {
            parse_info_list(src.read(body, size_t(length)), info_tags);
        } else if ((id == "id3 " || id == "ID3 ") && length <= k_max_tag_chunk) {
            const std::vector<uint8_t> tag = src.read(body, size_t(length));
            parse_id3v2(tag.data(), tag.size(), id3_tags);
        }
        pos = body + length + (length & 1);
        if (pos > size) break;
    }
    if (fmt.empty() || !have_data) {
        error = cut_short     ? "truncated WAV file"
                : fmt.empty() ? "WAV file has no format chunk"
                              : "WAV file has no data chunk";
        return false;
    }

    t_span_reader r(fmt);
    unsigned format = r.le16();
    const unsigned channels = r.le16();
    const uint32_t rate = r.le32();
    r.skip(4);  // bytes per second
    unsigned block_align = r.le16();
    const unsigned bits = r.le16();
    if (!r.ok() || channels == 0 || rate == 0) {
        error = "damaged WAV format chunk";
        return false;
    }
    if (format == 0xFFFE && fmt.size() >= 26) format = fmt[24] | fmt[25] << 8;  // sub-format
    if (format != 1 && format != 3) {
        error = "unsupported WAV encoding (format " + std::to_string(format) + ")";
        return false;
    }
    if (block_align == 0) block_align = channels * ((bits + 7) / 8);
    if (block_align == 0) {
        error = "damaged WAV format chunk";
        return false;
    }

    out.meta = id3_tags.meta.empty() ? std::move(info_tags.meta) : std::move(id3_tags.meta);
    out.sample_rate = rate;
    out.length_samples = data_size / block_align;
    out.set_info("codec", "PCM");
    set_info_number(out, "bitrate", round_div(uint64_t(rate) * channels * bits, 1000));
    set_info_number(out, "samplerate", rate);
    set_info_number(out, "channels", channels);
    set_info_number(out, "bitspersample", bits);
    return true;
}

}  // namespace cor::media_detail
