#include <algorithm>

#include "media/format_readers.h"
#include "utf8.h"

namespace cor::media_detail {

std::string latin1_to_utf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) utf8_append(out, static_cast<unsigned char>(c));
    return out;
}

namespace {
std::string reencode_utf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    size_t pos = 0;
    while (pos < bytes.size()) utf8_append(out, utf8_next(bytes, pos));
    return out;
}
}  // namespace

std::string clean_utf8(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    return reencode_utf8(bytes);
}

std::string legacy_text_to_utf8(std::string_view bytes) {
    std::string utf8 = reencode_utf8(bytes);
    return utf8 == bytes ? utf8 : latin1_to_utf8(bytes);
}

std::string_view trim_spaces(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

void add_meta_unique(t_track_info& info, std::string_view name, std::string value) {
    if (const t_meta_field* f = info.find_meta(name)) {
        if (std::find(f->values.begin(), f->values.end(), value) != f->values.end()) return;
    }
    info.add_meta(name, std::move(value));
}

void set_info_number(t_track_info& info, std::string_view name, uint64_t value) {
    info.set_info(name, std::to_string(value));
}

uint64_t round_div(uint64_t num, uint64_t den) { return den ? (num + den / 2) / den : 0; }

bool parse_vorbis_comments(const uint8_t* data, size_t size, t_track_info& out) {
    t_span_reader r(data, size);
    r.skip(r.le32());  // vendor
    const uint32_t count = r.le32();
    for (uint32_t i = 0; i < count && r.ok(); ++i) {
        const std::string_view field = r.text(r.le32());
        if (!r.ok()) break;
        const size_t eq = field.find('=');
        if (eq == 0 || eq == std::string_view::npos || eq + 1 == field.size()) continue;
        // Embedded pictures are album art, not text to show.
        if (stricmp_utf8(field.substr(0, eq), "METADATA_BLOCK_PICTURE") == 0) continue;
        out.add_meta(clean_utf8(field.substr(0, eq)), clean_utf8(field.substr(eq + 1)));
    }
    return r.ok();
}

namespace {

// The canonical name in the letter case the file used for its alias.
std::string styled_like(std::string_view canonical, std::string_view like) {
    const bool has_lower =
        std::any_of(like.begin(), like.end(), [](char c) { return c >= 'a' && c <= 'z'; });
    std::string out(canonical);
    if (!has_lower)
        for (char& c : out)
            if (c >= 'a' && c <= 'z') c = char(c - 32);
    return out;
}

void rename_alias(t_track_info& info, std::string_view alias, std::string_view canonical) {
    if (info.find_meta(canonical)) return;  // both present: keep both
    for (auto& m : info.meta)
        if (stricmp_utf8(m.name, alias) == 0) {
            m.name = styled_like(canonical, m.name);
            return;
        }
}

void split_position(t_track_info& info, std::string_view number, std::string_view total) {
    auto it = std::find_if(info.meta.begin(), info.meta.end(), [&](const t_meta_field& m) {
        return stricmp_utf8(m.name, number) == 0;
    });
    if (it == info.meta.end()) return;
    std::string found_total;
    std::vector<std::string> values;
    for (const std::string& v : it->values) {
        std::string_view s = trim_spaces(v);
        const size_t slash = s.find('/');
        if (slash != std::string_view::npos) {
            const std::string_view t = trim_spaces(s.substr(slash + 1));
            if (found_total.empty()) found_total = t;
            s = trim_spaces(s.substr(0, slash));
        }
        if (!s.empty()) values.emplace_back(s);
    }
    const std::string name = it->name;
    if (values.empty())
        info.meta.erase(it);
    else
        it->values = std::move(values);
    if (!found_total.empty() && !info.find_meta(total))
        info.add_meta(styled_like(total, name), std::move(found_total));
}

}  // namespace

void normalise_fields(t_track_info& info) {
    rename_alias(info, "albumartist", "album artist");
    rename_alias(info, "tracktotal", "totaltracks");
    rename_alias(info, "disctotal", "totaldiscs");
    split_position(info, "tracknumber", "totaltracks");
    split_position(info, "discnumber", "totaldiscs");
}

}  // namespace cor::media_detail
