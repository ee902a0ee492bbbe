#include "corvina500/player/m3u.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "corvina500/player/file_io.h"
#include "corvina500/player/playlist_manager_impl.h"
#include "corvina500/player/track_database.h"

namespace cor {
namespace {

constexpr std::string_view utf8_bom = "\xEF\xBB\xBF";

bool is_separator(char c) { return c == '/' || c == '\\'; }

bool is_url(std::string_view path) {
    const size_t colon = path.find("://");
    return colon != std::string_view::npos && colon > 1;
}

bool has_drive(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool ends_with_folded(std::string_view path, std::string_view suffix) {
    if (path.size() < suffix.size()) return false;
    return fold_case(path.substr(path.size() - suffix.size())) == suffix;
}

// Lexical clean-up of "." and ".." segments, keeping the root as written.
std::string normalize(std::string_view path, char sep) {
    std::string root;
    size_t i = 0;
    if (has_drive(path)) {
        root += path[0];
        root += path[1];
        i = 2;
    }
    const bool rooted = i < path.size() && is_separator(path[i]);
    while (i < path.size() && is_separator(path[i])) {
        root += sep;
        ++i;
    }
    std::vector<std::string_view> parts;
    while (i <= path.size()) {
        size_t end = i;
        while (end < path.size() && !is_separator(path[end])) ++end;
        const std::string_view part = path.substr(i, end - i);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else if (!rooted)
                parts.push_back(part);
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = end + 1;
    }
    std::string out = root;
    for (size_t k = 0; k < parts.size(); ++k) {
        if (k) out += sep;
        out.append(parts[k]);
    }
    return out;
}

std::string file_stem(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return std::string(name);
}

}  // namespace

bool is_absolute_path(std::string_view path) {
    return is_url(path) || (!path.empty() && is_separator(path[0])) ||
           (has_drive(path) && path.size() > 2 && is_separator(path[2]));
}

std::string_view parent_folder(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

std::string resolve_path(std::string_view folder, std::string_view path) {
    if (is_url(path)) return std::string(path);
    // Backslashes where the playlist's folder uses them, else slashes.
    const char sep = folder.find('\\') != std::string_view::npos || has_drive(folder) ||
                             path.find('\\') != std::string_view::npos
                         ? '\\'
                         : '/';
    if (is_absolute_path(path) || folder.empty()) return normalize(path, sep);
    std::string joined(folder);
    joined += sep;
    joined.append(path);
    return normalize(joined, sep);
}

std::vector<t_m3u_entry> parse_m3u(std::string_view text, std::string_view folder) {
    if (text.substr(0, utf8_bom.size()) == utf8_bom) text.remove_prefix(utf8_bom.size());
    std::vector<t_m3u_entry> entries;
    t_m3u_entry pending;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = text.find_first_of("\r\n", i);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = trim(text.substr(i, end - i));
        i = end + 1;
        if (line.empty()) continue;
        if (line.front() == '#') {
            if (line.substr(0, 8) == "#EXTINF:") {
                const std::string info(line.substr(8));
                const size_t comma = info.find(',');
                const std::string seconds = info.substr(0, comma);
                char* stop = nullptr;
                const double length = std::strtod(seconds.c_str(), &stop);
                pending.length = stop != seconds.c_str() && length >= 0 ? length : -1;
                pending.title = comma == std::string::npos ? std::string() : info.substr(comma + 1);
            }
            continue;
        }
        pending.path = resolve_path(folder, line);
        entries.push_back(std::move(pending));
        pending = {};
    }
    return entries;
}

std::string format_m3u(std::span<const t_m3u_entry> entries) {
    std::string out = "#EXTM3U\r\n";
    for (const auto& e : entries) {
        const long seconds = e.length >= 0 ? std::lround(e.length) : -1;
        out += "#EXTINF:" + std::to_string(seconds) + "," + e.title + "\r\n";
        out += e.path + "\r\n";
    }
    return out;
}

t_m3u_entry m3u_entry_for(const t_track_info& track) {
    t_m3u_entry e;
    e.path = track.path;
    e.length = track.length() > 0 ? track.length() : -1;
    const auto first = [&](std::string_view name) -> std::string {
        const t_meta_field* f = track.find_meta(name);
        return f && !f->values.empty() ? f->values.front() : std::string();
    };
    const std::string artist = first("artist");
    const std::string title = first("title");
    if (!title.empty())
        e.title = artist.empty() ? title : artist + " - " + title;
    else
        e.title = file_stem(track.path);
    // A line break would end the entry early.
    for (char& c : e.title)
        if (c == '\r' || c == '\n') c = ' ';
    return e;
}

std::vector<t_m3u_entry> playlist_m3u_entries(playlist_manager_impl& playlists, size_t playlist) {
    std::vector<t_m3u_entry> entries;
    const size_t count = playlists.playlist_get_item_count(playlist);
    for (size_t i = 0; i < count; ++i)
        if (const track_ptr track = playlists.item_track(playlist, i))
            entries.push_back(m3u_entry_for(track->info()));
    return entries;
}

bool is_playlist_file(std::string_view path) {
    return ends_with_folded(path, ".m3u") || ends_with_folded(path, ".m3u8");
}

std::optional<std::vector<t_m3u_entry>> load_m3u(std::string_view path) {
    const auto bytes = read_file(path);
    if (!bytes) return std::nullopt;
    std::string text;
    const std::string_view raw = *bytes;
    if (raw.substr(0, utf8_bom.size()) == utf8_bom || ends_with_folded(path, ".m3u8") ||
        is_valid_utf8(raw))
        text = raw;
    else
        text = ansi_to_utf8(raw);
    return parse_m3u(text, parent_folder(path));
}

bool save_m3u(std::string_view path, std::span<const t_m3u_entry> entries) {
    const std::string text = format_m3u(entries);
    if (ends_with_folded(path, ".m3u8")) return write_file_atomic(path, text);
    bool lossless = true;
    const std::string ansi = utf8_to_ansi(text, &lossless);
    if (lossless) return write_file_atomic(path, ansi);
    return write_file_atomic(path, std::string(utf8_bom) + text);
}

}  // namespace cor
