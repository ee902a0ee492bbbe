// Track handles and the registry that makes exactly one handle per file.
// A handle shares its track information with whoever read it; replacing
// the information (after a tag edit) keeps the handle, so playlists and the
// playing track follow. Formatting is delegated to a formatter that the
// owner of the script engine installs on the database.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "corvina500/core/track_info.h"
#include "sdk/metadb_handle.h"

namespace cor {

class metadb_handle_impl;

// Where a track stands when it is formatted as a playlist item.
struct t_playlist_item_place {
    size_t index = 0;  // from 0
    size_t total = 0;  // items in the playlist
    std::string_view playlist_name;
};

// Formats `track` with `script`, resolving the track's own fields (and,
// with `place`, the playlist item's) before offering the rest to `hook`.
// Returns the truth flag of the script.
using track_formatter =
    std::function<bool(metadb_handle_impl& track, titleformat_hook* hook, string_sink& out,
                       titleformat_object* script, const t_playlist_item_place* place)>;

// Lower-case form of UTF-8 text (simple case mapping), for keys that compare
// ignoring case.
std::string fold_case(std::string_view text);

class metadb_handle_impl : public metadb_handle {
public:
    metadb_handle_impl(std::shared_ptr<const t_track_info> info,
                       std::shared_ptr<const track_formatter> formatter);

    // Without a formatter the script runs without the track's fields.
    bool format_title(titleformat_hook* hook, string_sink& out,
                      titleformat_object* script) override;
    // As format_title, with the fields of the playlist item at `place`.
    bool format_as_item(titleformat_hook* hook, string_sink& out, titleformat_object* script,
                        const t_playlist_item_place& place);
    void get_path(string_sink& out) override;

    [[nodiscard]] const t_track_info& info() const { return *info_; }
    [[nodiscard]] std::shared_ptr<const t_track_info> info_ptr() const { return info_; }
    [[nodiscard]] const std::string& path() const { return info_->path; }
    [[nodiscard]] double length() const { return info_->length(); }
    // Keeps the path: the handle stays the one for its file.
    void set_info(std::shared_ptr<const t_track_info> info);

private:
    std::shared_ptr<const t_track_info> info_;
    std::shared_ptr<const track_formatter> formatter_;
};

using track_ptr = service_ptr_t<metadb_handle_impl>;

class track_database {
public:
    // Reads a file not seen before; nothing when it cannot be read.
    using info_reader = std::function<std::optional<t_track_info>(std::string_view path)>;

    track_database();
    track_database(const track_database&) = delete;
    track_database& operator=(const track_database&) = delete;

    void set_reader(info_reader reader) { reader_ = std::move(reader); }
    // Applies to every handle, present and future.
    void set_formatter(track_formatter formatter);

    // The handle for `path`, made from the reader on first request; null
    // when the reader cannot read the file (it is asked again next time).
    track_ptr get(std::string_view path);
    // Stores `info` as what is known of its path; returns the path's handle.
    track_ptr put(t_track_info info);
    // Null when the path was never seen.
    [[nodiscard]] track_ptr find(std::string_view path) const;
    // This database's handle for a handle given through the plug-in
    // interface, found by its path; null for a null handle.
    track_ptr adopt(metadb_handle* track);
    // As adopt(), but null instead of a new handle for an unknown path.
    [[nodiscard]] track_ptr find_same(metadb_handle* track) const;
    [[nodiscard]] size_t size() const { return handles_.size(); }

    // The key under which paths are equal: case and separators folded.
    static std::string path_key(std::string_view path);

private:
    info_reader reader_;
    std::shared_ptr<track_formatter> formatter_;
    std::unordered_map<std::string, track_ptr> handles_;
};

}  // namespace cor
