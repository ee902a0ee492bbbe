#include "media/folder_scan.h"

#include <algorithm>

#include "utf8.h"

#ifdef _WIN32
#include "disk_file.h"
#endif

#ifdef _WIN32
#include <windows.h>
#else
#include <filesystem>
#include <system_error>
#endif

namespace cor {
namespace {

#ifdef _WIN32
constexpr char k_separator = '\\';
#else
constexpr char k_separator = '/';
#endif
constexpr int k_max_depth = 128;

struct t_entry {
    std::string name;
    bool folder;
    uint64_t size = 0, written = 0;
};

std::string join(std::string_view folder, std::string_view name) {
    std::string out(folder);
    if (!out.empty() && out.back() != '\\' && out.back() != '/') out += k_separator;
    out += name;
    return out;
}

std::vector<t_entry> read_folder(const std::string& folder) {
    std::vector<t_entry> entries;
#ifdef _WIN32
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW(to_wide(join(folder, "*")).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return entries;
    do {
        const std::wstring_view name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const bool folder_entry = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // Junctions and folder links may point back up the tree.
        if (folder_entry && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        entries.push_back({to_utf8(name), folder_entry,
                           uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow,
                           uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 |
                               data.ftLastWriteTime.dwLowDateTime});
    } while (FindNextFileW(find, &data));
    FindClose(find);
#else
    namespace fs = std::filesystem;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(folder), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code type_ec;
        const bool link = it->is_symlink(type_ec);
        const bool folder_entry = it->is_directory(type_ec);
        if (folder_entry && link) continue;
        const auto size = folder_entry ? 0 : it->file_size(type_ec);
        const auto written = it->last_write_time(type_ec).time_since_epoch().count();
        entries.push_back({it->path().filename().string(), folder_entry,
                           static_cast<uint64_t>(size), static_cast<uint64_t>(written)});
    }
#endif
    std::sort(entries.begin(), entries.end(), [](const t_entry& a, const t_entry& b) {
        const int c = stricmp_utf8(a.name, b.name);
        return c != 0 ? c < 0 : a.name < b.name;
    });
    return entries;
}

void walk(const std::string& folder, int depth, std::vector<t_media_file>& out) {
    if (depth > k_max_depth) return;
    for (const t_entry& e : read_folder(folder)) {
        if (e.folder)
            walk(join(folder, e.name), depth + 1, out);
        else if (is_media_file_name(e.name))
            out.push_back({join(folder, e.name), e.size, e.written});
    }
}

t_media_file stamped_file(std::string_view path) {
    t_media_file f{std::string(path)};
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(to_wide(path).c_str(), GetFileExInfoStandard, &data)) {
        f.size = uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
        f.written = uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 |
                    data.ftLastWriteTime.dwLowDateTime;
    }
#else
    std::error_code ec;
    const std::filesystem::path p(f.path);
    f.size = static_cast<uint64_t>(std::filesystem::file_size(p, ec));
    f.written =
        static_cast<uint64_t>(std::filesystem::last_write_time(p, ec).time_since_epoch().count());
#endif
    return f;
}

}  // namespace

t_path_kind get_path_kind(std::string_view path) {
    if (path.empty()) return t_path_kind::missing;
#ifdef _WIN32
    const std::wstring wide = to_wide(path);
    if (is_device_path(wide)) return t_path_kind::missing;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return t_path_kind::missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? t_path_kind::folder : t_path_kind::file;
#else
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(fs::path(std::string(path)), ec);
    if (!fs::exists(status)) return t_path_kind::missing;
    return fs::is_directory(status) ? t_path_kind::folder : t_path_kind::file;
#endif
}

bool is_media_file_name(std::string_view name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return false;
    const std::string_view ext = name.substr(dot);
    for (std::string_view known : {".mp3", ".flac", ".ogg", ".wav"})
        if (stricmp_utf8(ext, known) == 0) return true;
    return false;
}

std::vector<t_media_file> list_media_files_stamped(std::string_view folder_or_file) {
    std::vector<t_media_file> out;
    switch (get_path_kind(folder_or_file)) {
        case t_path_kind::missing:
            break;
        case t_path_kind::file:
            out.push_back(stamped_file(folder_or_file));
            break;
        case t_path_kind::folder:
            walk(std::string(folder_or_file), 0, out);
            break;
    }
    return out;
}

std::vector<std::string> list_media_files(std::string_view folder_or_file) {
    std::vector<std::string> out;
    for (auto& f : list_media_files_stamped(folder_or_file)) out.push_back(std::move(f.path));
    return out;
}

}  // namespace cor
