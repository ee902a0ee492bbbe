// Finds the media files of a folder tree in the order a user reads them in
// a file manager: each folder's entries sorted by name ignoring case, a
// subfolder visited where its name falls among the files. Paths are UTF-8
// in platform form; links to folders are not followed, so a loop of links
// cannot trap the scan.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cor {

enum class t_path_kind { missing, file, folder };
[[nodiscard]] t_path_kind get_path_kind(std::string_view path);

// .mp3 .flac .ogg .wav, in any letter case.
[[nodiscard]] bool is_media_file_name(std::string_view name);

// A file gives itself; a folder its media files, recursively; a missing
// path nothing.
[[nodiscard]] std::vector<std::string> list_media_files(std::string_view folder_or_file);

// A listed file with what tells a changed file from the one read before:
// its size and its last write time (the platform's units), taken from the
// folder listing itself, so a rescan opens no unchanged file.
struct t_media_file {
    std::string path;
    uint64_t size = 0, written = 0;
};
[[nodiscard]] std::vector<t_media_file> list_media_files_stamped(std::string_view folder_or_file);

}  // namespace cor
