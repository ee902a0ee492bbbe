// Fields of the track being formatted and of the player, and the track
// functions ($meta, $info, ...).
#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>

#include "../core/track_info.h"
#include "eval.h"
#include "name_table.h"

namespace cor::tf {
namespace {

struct field_name {
    std::string_view name;
    field_id id;
};

constexpr field_name field_names[] = {
    {"artist", field_id::artist},
    {"album artist", field_id::album_artist},
    {"track artist", field_id::track_artist},
    {"title", field_id::title},
    {"tracknumber", field_id::tracknumber},
    {"track", field_id::tracknumber},
    {"discnumber", field_id::discnumber},
    {"disc", field_id::discnumber},
    {"totaltracks", field_id::totaltracks},
    {"totaldiscs", field_id::totaldiscs},
    {"path", field_id::path},
    {"filename", field_id::filename},
    {"filename_ext", field_id::filename_ext},
    {"directoryname", field_id::directoryname},
    {"length", field_id::length},
    {"length_ex", field_id::length_ex},
    {"length_seconds", field_id::length_seconds},
    {"length_samples", field_id::length_samples},
    {"codec", field_id::codec},
    {"bitrate", field_id::bitrate},
    {"samplerate", field_id::samplerate},
    {"channels", field_id::channels},
    {"bitspersample", field_id::bitspersample},
    {"filesize", field_id::filesize},
    {"filesize_natural", field_id::filesize_natural},
    {"playback_time", field_id::playback_time},
    {"playback_time_seconds", field_id::playback_time_seconds},
    {"playback_time_remaining", field_id::playback_time_remaining},
    {"playback_time_remaining_seconds", field_id::playback_time_remaining_seconds},
    {"isplaying", field_id::isplaying},
    {"ispaused", field_id::ispaused},
    {"list_index", field_id::list_index},
    {"list_total", field_id::list_total},
    {"playlist_name", field_id::playlist_name},
};

// A tag with at least one value, or null.
const t_meta_field* tag(const t_track_info& t, std::string_view name) {
    const t_meta_field* m = t.find_meta(name);
    return m && !m->values.empty() ? m : nullptr;
}

const t_meta_field* first_tag(const t_track_info& t,
                              std::initializer_list<std::string_view> names) {
    for (const std::string_view n : names)
        if (const t_meta_field* m = tag(t, n)) return m;
    return nullptr;
}

void append_joined(std::string& out, const t_meta_field& m, std::string_view sep,
                   std::string_view last_sep) {
    for (size_t i = 0; i < m.values.size(); ++i) {
        if (i) out += i + 1 == m.values.size() ? last_sep : sep;
        out += m.values[i];
    }
}

void append_joined(std::string& out, const t_meta_field& m) { append_joined(out, m, ", ", ", "); }

bool same_values(const t_meta_field& a, const t_meta_field& b) { return a.values == b.values; }

bool is_path_separator(char c) { return c == '\\' || c == '/'; }

std::string_view file_part(std::string_view path) {
    size_t i = path.size();
    while (i > 0 && !is_path_separator(path[i - 1])) --i;
    return path.substr(i);
}

std::string_view without_extension(std::string_view name) {
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
}

// "N/M" tags: the part before or after the slash.
std::string_view before_slash(std::string_view v) { return v.substr(0, v.find('/')); }
std::string_view after_slash(std::string_view v) {
    const size_t slash = v.find('/');
    return slash == std::string_view::npos ? std::string_view{} : v.substr(slash + 1);
}

void append_padded(std::string& out, int64_t v, size_t width) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    for (size_t n = static_cast<size_t>(r.ptr - buf); n < width; ++n) out += '0';
    out.append(buf, r.ptr);
}

// m:ss, or h:mm:ss from an hour on.
void append_time(std::string& out, int64_t seconds) {
    const int64_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0) {
        append_number(out, h);
        out += ':';
        append_padded(out, m, 2);
    } else {
        append_number(out, m);
    }
    out += ':';
    append_padded(out, s, 2);
}

// Track length in seconds, or a negative value when unknown.
double track_length(const t_track_info& t) {
    const double len = t.length_samples && t.sample_rate ? t.length() : t.length_seconds;
    return len > 0 && len < 1e12 ? len : -1;
}

void append_file_size(std::string& out, uint64_t bytes) {
    static constexpr std::string_view units[] = {" KB", " MB", " GB", " TB"};
    if (bytes < 1024) {
        append_number(out, static_cast<int64_t>(bytes));
        out += " B";
        return;
    }
    size_t u = 0;
    uint64_t scale = 1024;
    while (u + 1 < std::size(units) && bytes / scale >= 1024) {
        scale *= 1024;
        ++u;
    }
    // Two decimals, rounded, without the locale's help.
    const uint64_t hundredths = static_cast<uint64_t>(
        std::llround(static_cast<long double>(bytes) * 100 / static_cast<long double>(scale)));
    append_number(out, static_cast<int64_t>(hundredths / 100));
    out += '.';
    append_padded(out, static_cast<int64_t>(hundredths % 100), 2);
    out += units[u];
}

bool append_info(std::string& out, const t_track_info& t, std::string_view name) {
    if (const std::string* v = t.find_info(name); v && !v->empty()) {
        out += *v;
        return true;
    }
    if (ascii_iequal(name, "samplerate") && t.sample_rate) {
        append_number(out, t.sample_rate);
        return true;
    }
    return false;
}

bool track_field(const t_format_context& ctx, const t_track_info& t, field_id id,
                 std::string_view name, std::string& out) {
    switch (id) {
        case field_id::tag:
            break;
        case field_id::artist:
        case field_id::album_artist: {
            const t_meta_field* m =
                id == field_id::artist
                    ? first_tag(t, {"artist", "album artist", "composer", "performer"})
                    : first_tag(t, {"album artist", "artist", "composer", "performer"});
            if (!m) return false;
            append_joined(out, *m);
            return true;
        }
        case field_id::track_artist: {
            const t_meta_field* artist =
                first_tag(t, {"artist", "album artist", "composer", "performer"});
            const t_meta_field* album =
                first_tag(t, {"album artist", "artist", "composer", "performer"});
            if (!artist || (album && same_values(*artist, *album))) return false;
            append_joined(out, *artist);
            return true;
        }
        case field_id::title: {
            if (const t_meta_field* m = tag(t, "title")) {
                append_joined(out, *m);
                return true;
            }
            const std::string_view file = without_extension(file_part(t.path));
            if (file.empty()) return false;
            out += file;
            return true;
        }
        case field_id::tracknumber: {
            const t_meta_field* m = tag(t, "tracknumber");
            if (!m) return false;
            const std::string_view v = m->values.front();
            const std::string_view number = before_slash(v);
            if (number.size() == 1 && number[0] >= '0' && number[0] <= '9') {
                out += '0';
                out += number;
            } else {
                out += number.empty() ? v : number;
            }
            return true;
        }
        case field_id::discnumber: {
            const t_meta_field* m = tag(t, "discnumber");
            if (!m) return false;
            const std::string_view v = before_slash(m->values.front());
            out += v.empty() ? std::string_view(m->values.front()) : v;
            return true;
        }
        case field_id::totaltracks:
        case field_id::totaldiscs: {
            const bool tracks = id == field_id::totaltracks;
            if (const t_meta_field* m = tracks ? first_tag(t, {"totaltracks", "tracktotal"})
                                               : first_tag(t, {"totaldiscs", "disctotal"})) {
                append_joined(out, *m);
                return true;
            }
            const t_meta_field* n = tag(t, tracks ? "tracknumber" : "discnumber");
            const std::string_view total = n ? after_slash(n->values.front()) : std::string_view{};
            if (total.empty()) return false;
            out += total;
            return true;
        }
        case field_id::path:
            if (t.path.empty()) return false;
            out += t.path;
            return true;
        case field_id::filename:
        case field_id::filename_ext: {
            std::string_view file = file_part(t.path);
            if (id == field_id::filename) file = without_extension(file);
            if (file.empty()) return false;
            out += file;
            return true;
        }
        case field_id::directoryname: {
            std::string_view dir = t.path;
            dir.remove_suffix(file_part(dir).size());
            while (!dir.empty() && is_path_separator(dir.back())) dir.remove_suffix(1);
            dir = file_part(dir);
            if (dir.empty()) return false;
            out += dir;
            return true;
        }
        case field_id::length:
        case field_id::length_ex:
        case field_id::length_seconds: {
            const double len = track_length(t);
            if (len < 0) return false;
            if (id == field_id::length_seconds) {
                append_number(out, std::llround(len));
            } else if (id == field_id::length) {
                append_time(out, std::llround(len));
            } else {
                const int64_t ms = std::llround(len * 1000);
                append_time(out, ms / 1000);
                out += '.';
                append_padded(out, ms % 1000, 3);
            }
            return true;
        }
        case field_id::length_samples: {
            if (!t.sample_rate) return false;
            if (t.length_samples) {
                append_number(out, static_cast<int64_t>(t.length_samples));
                return true;
            }
            const double len = track_length(t);
            if (len < 0) return false;
            append_number(out, std::llround(len * t.sample_rate));
            return true;
        }
        case field_id::codec:
        case field_id::bitrate:
        case field_id::samplerate:
        case field_id::bitspersample:
            return append_info(out, t, name);
        case field_id::channels: {
            const std::string* v = t.find_info("channels");
            if (!v || v->empty()) return false;
            if (*v == "1")
                out += "mono";
            else if (*v == "2")
                out += "stereo";
            else
                out += *v;
            return true;
        }
        case field_id::filesize:
            if (!t.file_size) return false;
            append_number(out, static_cast<int64_t>(t.file_size));
            return true;
        case field_id::filesize_natural:
            if (!t.file_size) return false;
            append_file_size(out, t.file_size);
            return true;
        case field_id::playback_time_remaining:
        case field_id::playback_time_remaining_seconds: {
            const double len = track_length(t);
            if (!ctx.is_playing || len < 0) return false;
            const int64_t elapsed =
                static_cast<int64_t>(std::max(0.0, std::floor(ctx.playback_time)));
            const int64_t left = std::max<int64_t>(0, std::llround(len) - elapsed);
            if (id == field_id::playback_time_remaining)
                append_time(out, left);
            else
                append_number(out, left);
            return true;
        }
        default:
            return false;
    }
    const t_meta_field* m = tag(t, name);
    if (!m) return false;
    append_joined(out, *m);
    return true;
}

// Fields that need no track.
bool player_field(const t_format_context& ctx, field_id id, std::string& out) {
    switch (id) {
        case field_id::playback_time:
        case field_id::playback_time_seconds: {
            if (!ctx.is_playing) return false;
            const auto t =
                static_cast<int64_t>(std::max(0.0, std::floor(std::min(ctx.playback_time, 1e12))));
            if (id == field_id::playback_time)
                append_time(out, t);
            else
                append_number(out, t);
            return true;
        }
        case field_id::isplaying:
        case field_id::ispaused:
            if (!(id == field_id::isplaying ? ctx.is_playing : ctx.is_paused)) return false;
            out += '1';
            return true;
        case field_id::list_index: {
            if (ctx.list_index < 0) return false;
            size_t width = 0;
            for (int64_t total = ctx.list_total; total > 0; total /= 10) ++width;
            append_padded(out, ctx.list_index + 1, width);
            return true;
        }
        case field_id::list_total:
            if (ctx.list_index < 0) return false;
            append_number(out, ctx.list_total);
            return true;
        case field_id::playlist_name:
            if (ctx.list_index < 0 || ctx.playlist_name.empty()) return false;
            out += ctx.playlist_name;
            return true;
        default:
            return false;
    }
}

}  // namespace

field_id find_field(std::string_view name) {
    static constexpr name_table<128> table([](size_t i) { return field_names[i].name; },
                                           std::size(field_names));
    const int i = table.find(name);
    return i < 0 ? field_id::tag : field_names[i].id;
}

bool resolve_field(const evaluator& ev, field_id id, std::string_view name, std::string& out) {
    if (player_field(*ev.ctx, id, out)) return true;
    const t_track_info* t = ev.track();
    return t && track_field(*ev.ctx, *t, id, name, out);
}

bool fn_meta(evaluator& ev, call_args& a, std::string& out) {
    const t_track_info* t = ev.track();
    const t_meta_field* m = t ? tag(*t, a.text(0)) : nullptr;
    if (!m) return false;
    if (a.size() == 1) {
        append_joined(out, *m);
        return true;
    }
    const int64_t i = a.number(1);
    if (i < 0 || static_cast<uint64_t>(i) >= m->values.size()) return false;
    out += m->values[static_cast<size_t>(i)];
    return true;
}

bool fn_meta_sep(evaluator& ev, call_args& a, std::string& out) {
    const t_track_info* t = ev.track();
    const t_meta_field* m = t ? tag(*t, a.text(0)) : nullptr;
    if (!m) return false;
    const std::string_view sep = a.text(1);
    append_joined(out, *m, sep, a.size() == 3 ? a.text(2) : sep);
    return true;
}

bool fn_meta_test(evaluator& ev, call_args& a, std::string& out) {
    const t_track_info* t = ev.track();
    if (!t) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!tag(*t, a.text(i))) return false;
    out += '1';
    return true;
}

bool fn_meta_num(evaluator& ev, call_args& a, std::string& out) {
    const t_track_info* t = ev.track();
    if (!t) return false;
    const t_meta_field* m = tag(*t, a.text(0));
    const size_t n = m ? m->values.size() : 0;
    append_number(out, static_cast<int64_t>(n));
    return n > 0;
}

bool fn_info(evaluator& ev, call_args& a, std::string& out) {
    const t_track_info* t = ev.track();
    return t && append_info(out, *t, a.text(0));
}

}  // namespace cor::tf
