#include "corvina500/player/locations.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "corvina500/player/file_io.h"
#include "corvina500/player/m3u.h"
#include "corvina500/player/track_database.h"

namespace cor {
namespace {

void add_folder(const std::string& folder, std::vector<std::string>& out) {
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    std::error_code ec;
    fs::recursive_directory_iterator it(fs_path(folder),
                                        fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code type_error;
        if (!it->is_regular_file(type_error)) continue;
        std::string path = utf8_path(it->path());
        if (is_media_file(path)) found.push_back(std::move(path));
    }
    std::sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) {
        return track_database::path_key(a) < track_database::path_key(b);
    });
    out.insert(out.end(), found.begin(), found.end());
}

}  // namespace

bool is_media_file(std::string_view path) {
    static constexpr std::string_view extensions[] = {
        "aac", "ac3", "aif", "aiff", "ape",  "dts", "flac", "m4a", "mka", "mp2", "mp3",
        "mp4", "mpc", "oga", "ogg",  "opus", "spx", "tta",  "wav", "wma", "wv"};
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find_first_of("/\\", dot) != std::string_view::npos)
        return false;
    const std::string ext = fold_case(path.substr(dot + 1));
    return std::find(std::begin(extensions), std::end(extensions), ext) != std::end(extensions);
}

std::vector<std::string> expand_locations(const std::vector<std::string>& paths) {
    std::vector<std::string> out;
    for (std::string path : paths) {
        if (path.empty()) continue;
        std::error_code ec;
        if (!is_absolute_path(path)) {
            // Relative to the working folder, as on a command line.
            const auto full = std::filesystem::absolute(fs_path(path), ec);
            if (!ec) path = utf8_path(full);
        }
        if (path.find("://") != std::string::npos) {
            out.push_back(path);
        } else if (std::filesystem::is_directory(fs_path(path), ec)) {
            add_folder(path, out);
        } else if (is_playlist_file(path)) {
            // A playlist that cannot be read adds nothing.
            if (auto entries = load_m3u(path))
                for (auto& e : *entries) out.push_back(std::move(e.path));
        } else {
            out.push_back(path);
        }
    }
    return out;
}

}  // namespace cor
