#include "media/media_library.h"

#include <algorithm>
#include <iterator>
#include <unordered_set>

#include "media/file_reader.h"
#include "media/folder_scan.h"
#include "utf8.h"

namespace cor {
namespace {

// Paths that name the same file on a case-blind file system give one key.
std::string path_key(std::string_view path) {
    std::string key;
    key.reserve(path.size());
    size_t pos = 0;
    while (pos < path.size()) {
        char32_t c = lower_char(utf8_next(path, pos));
#ifdef _WIN32
        if (c == '/') c = '\\';
#endif
        utf8_append(key, c);
    }
    return key;
}

}  // namespace

bool media_library::add_folder(std::string_view folder) {
    const auto same = [&](const std::string& f) { return path_key(f) == path_key(folder); };
    if (std::any_of(folders_.begin(), folders_.end(), same)) return false;
    folders_.emplace_back(folder);
    return true;
}

bool media_library::remove_folder(std::string_view folder) {
    const auto it = std::find_if(folders_.begin(), folders_.end(), [&](const std::string& f) {
        return path_key(f) == path_key(folder);
    });
    if (it == folders_.end()) return false;
    folders_.erase(it);
    return true;
}

void media_library::set_enabled(bool enabled) {
    enabled_ = enabled;
    if (!enabled_) clear();
}

void media_library::clear() {
    items_.clear();
    by_path_.clear();
    known_.clear();
}

size_t media_library::scan(const t_report& report, const t_progress& progress) {
    items_.clear();
    by_path_.clear();
    auto before = std::move(known_);
    known_.clear();
    counts_ = {};
    if (!enabled_) {
        counts_.dropped = before.size();
        return 0;
    }
    const auto say = [&](std::string_view path, std::string_view message) {
        if (report) report(std::string(path) + ": " + std::string(message));
    };
    // Every folder listed first, so progress has a total to count against;
    // a missing folder is reported where its files would have been.
    std::vector<t_media_file> files;
    std::vector<std::pair<size_t, std::string_view>> missing;
    for (const std::string& folder : folders_) {
        if (get_path_kind(folder) == t_path_kind::missing) {
            missing.emplace_back(files.size(), folder);
            continue;
        }
        auto listed = list_media_files_stamped(folder);
        files.insert(files.end(), std::make_move_iterator(listed.begin()),
                     std::make_move_iterator(listed.end()));
    }
    std::unordered_set<std::string> seen;  // broken files too: one report each
    auto next_missing = missing.begin();
    for (size_t done = 0; done <= files.size(); ++done) {
        for (; next_missing != missing.end() && next_missing->first == done; ++next_missing)
            say(next_missing->second, "folder not found");
        if (done == files.size()) break;
        if (progress && !progress(done, files.size())) {
            // What the files not reached were is still known: the next
            // scan need not read them again.
            for (auto& [key, known] : before) known_.emplace(key, std::move(known));
            return items_.size();
        }
        t_media_file& file = files[done];
        std::string key = path_key(file.path);
        if (!seen.insert(key).second) continue;
        t_known known{file.size, file.written, nullptr, {}};
        const auto was = before.find(key);
        if (was != before.end() && was->second.size == file.size &&
            was->second.written == file.written) {
            known = std::move(was->second);
            ++counts_.kept;
        } else {
            auto info = std::make_shared<t_track_info>();
            if (read_track_file(file.path, *info, known.error)) known.item = std::move(info);
            ++counts_.read;
        }
        if (was != before.end()) before.erase(was);
        if (known.item) {
            by_path_.emplace(key, items_.size());
            items_.push_back(known.item);
        } else {
            say(file.path, known.error);
        }
        known_.emplace(std::move(key), std::move(known));
    }
    if (progress) (void)progress(files.size(), files.size());
    counts_.dropped = before.size();
    return items_.size();
}

media_library::t_item media_library::find(std::string_view path) const {
    const auto it = by_path_.find(path_key(path));
    return it == by_path_.end() ? nullptr : items_[it->second];
}

}  // namespace cor
