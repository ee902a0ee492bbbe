#include "media/media_library.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <unordered_set>

#include "cfg_var.h"
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

// Layout: "CORL", version, entry count; per entry its key, size and write
// time (each as two 32-bit halves) and 0 with the error, or 1 with the
// track: path, tags (name, values), information pairs, length and size.
constexpr std::string_view cache_magic = "CORL";
constexpr uint32_t cache_version = 1;

void put_u64(std::string& out, uint64_t v) {
    raw_put_u32(out, static_cast<uint32_t>(v));
    raw_put_u32(out, static_cast<uint32_t>(v >> 32));
}

bool read_u64(raw_reader& in, uint64_t& v) {
    uint32_t low = 0, high = 0;
    if (!in.read_u32(low) || !in.read_u32(high)) return false;
    v = uint64_t(high) << 32 | low;
    return true;
}

// A count no larger than the bytes left could hold, so damaged bytes never
// ask for a huge allocation.
bool read_count(raw_reader& in, uint32_t& n) { return in.read_u32(n) && n <= in.remaining(); }

void put_track(std::string& out, const t_track_info& t) {
    raw_put_text(out, t.path);
    raw_put_u32(out, static_cast<uint32_t>(t.meta.size()));
    for (const auto& field : t.meta) {
        raw_put_text(out, field.name);
        raw_put_u32(out, static_cast<uint32_t>(field.values.size()));
        for (const auto& value : field.values) raw_put_text(out, value);
    }
    raw_put_u32(out, static_cast<uint32_t>(t.info.size()));
    for (const auto& [name, value] : t.info) {
        raw_put_text(out, name);
        raw_put_text(out, value);
    }
    put_u64(out, t.length_samples);
    raw_put_u32(out, t.sample_rate);
    uint64_t seconds = 0;
    std::memcpy(&seconds, &t.length_seconds, sizeof seconds);
    put_u64(out, seconds);
    put_u64(out, t.file_size);
}

bool read_track(raw_reader& in, t_track_info& t) {
    uint32_t n = 0;
    if (!in.read_text(t.path) || !read_count(in, n)) return false;
    t.meta.resize(n);
    for (auto& field : t.meta) {
        if (!in.read_text(field.name) || !read_count(in, n)) return false;
        field.values.resize(n);
        for (auto& value : field.values)
            if (!in.read_text(value)) return false;
    }
    if (!read_count(in, n)) return false;
    t.info.resize(n);
    for (auto& [name, value] : t.info)
        if (!in.read_text(name) || !in.read_text(value)) return false;
    uint64_t seconds = 0;
    if (!read_u64(in, t.length_samples) || !in.read_u32(t.sample_rate) || !read_u64(in, seconds) ||
        !read_u64(in, t.file_size))
        return false;
    std::memcpy(&t.length_seconds, &seconds, sizeof seconds);
    return true;
}

}  // namespace

std::string media_library::save_known() const {
    std::string out(cache_magic);
    raw_put_u32(out, cache_version);
    raw_put_u32(out, static_cast<uint32_t>(known_.size()));
    // By key, so the same knowledge always makes the same bytes.
    std::vector<const std::pair<const std::string, t_known>*> entries;
    entries.reserve(known_.size());
    for (const auto& entry : known_) entries.push_back(&entry);
    std::sort(entries.begin(), entries.end(),
              [](const auto* a, const auto* b) { return a->first < b->first; });
    for (const auto* entry : entries) {
        const auto& [key, known] = *entry;
        raw_put_text(out, key);
        put_u64(out, known.size);
        put_u64(out, known.written);
        raw_put_u32(out, known.item ? 1 : 0);
        if (known.item)
            put_track(out, *known.item);
        else
            raw_put_text(out, known.error);
    }
    return out;
}

bool media_library::load_known(std::string_view bytes) {
    known_.clear();
    raw_reader in(bytes);
    std::string_view magic;
    uint32_t version = 0, count = 0;
    if (!in.read_bytes(cache_magic.size(), magic) || magic != cache_magic ||
        !in.read_u32(version) || version != cache_version || !read_count(in, count))
        return false;
    std::unordered_map<std::string, t_known> known;
    for (uint32_t i = 0; i < count; ++i) {
        std::string key;
        t_known entry;
        uint32_t has_item = 0;
        if (!in.read_text(key) || !read_u64(in, entry.size) || !read_u64(in, entry.written) ||
            !in.read_u32(has_item) || has_item > 1)
            return false;
        if (has_item) {
            auto track = std::make_shared<t_track_info>();
            if (!read_track(in, *track)) return false;
            entry.item = std::move(track);
        } else if (!in.read_text(entry.error)) {
            return false;
        }
        known.emplace(std::move(key), std::move(entry));
    }
    if (!in.at_end()) return false;
    known_ = std::move(known);
    return true;
}

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
