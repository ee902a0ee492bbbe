// M3U and M3U8 playlist files. Entries are read from "#EXTM3U" extended
// files and from plain lists of paths alike; relative paths are resolved
// against the playlist's folder. .m3u8 files are UTF-8; .m3u files use the
// system's ANSI code page on Windows, unless they carry a UTF-8 byte-order
// mark or are valid UTF-8 (read), or hold text the code page cannot
// represent (written as UTF-8 with a mark, so nothing is lost).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "corvina500/core/track_info.h"

namespace cor {

class playlist_manager_impl;

struct t_m3u_entry {
    std::string path;
    double length = -1;  // seconds; negative when unknown
    std::string title;   // "artist - title" as shown before the tags are read
};

// Playlist text (UTF-8) to entries.
[[nodiscard]] std::vector<t_m3u_entry> parse_m3u(std::string_view text, std::string_view folder);
// Entries to extended playlist text (UTF-8, CR LF line ends).
[[nodiscard]] std::string format_m3u(std::span<const t_m3u_entry> entries);
// The entry for a track: its path, whole seconds and "artist - title"
// (the title alone without an artist, the file name without either).
[[nodiscard]] t_m3u_entry m3u_entry_for(const t_track_info& track);

// The entries of a playlist, for saving it.
[[nodiscard]] std::vector<t_m3u_entry> playlist_m3u_entries(playlist_manager_impl& playlists,
                                                            size_t playlist);

[[nodiscard]] bool is_playlist_file(std::string_view path);
// nullopt when the file cannot be read.
[[nodiscard]] std::optional<std::vector<t_m3u_entry>> load_m3u(std::string_view path);
[[nodiscard]] bool save_m3u(std::string_view path, std::span<const t_m3u_entry> entries);

// Path helpers shared with the location expansion.
[[nodiscard]] bool is_absolute_path(std::string_view path);
// The folder part of a path, without the last separator; empty if none.
[[nodiscard]] std::string_view parent_folder(std::string_view path);
// `path` if absolute or a URL, else `folder` joined with it; "." and ".."
// segments are resolved.
[[nodiscard]] std::string resolve_path(std::string_view folder, std::string_view path);

}  // namespace cor
