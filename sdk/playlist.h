// The Host's playlists and media library. Playlists and items are named by
// index from 0; no_index (play_callback.h) means none. Edits report through
// playlist_callback before the call returns. A playlist can carry one lock,
// supplied by a component, that is asked before the operations its filter
// mask names and may refuse them; a refused edit changes nothing and returns
// failure.
#pragma once

#include <cstddef>
#include <cstdint>

#include "metadb_handle.h"
#include "play_callback.h"
#include "service.h"
#include "titleformat.h"

namespace cor {

// Receives track handles one by one; the receiver adds a reference for the
// ones it keeps.
class metadb_handle_sink {
public:
    virtual void add(metadb_handle* track) = 0;

protected:
    ~metadb_handle_sink() = default;
};

// Implemented by components. The Host keeps a reference while installed.
class playlist_lock : public service_base {
public:
    // {75E34D65-406E-4FFF-81E7-6A31F89B2393}
    static constexpr guid class_guid{
        0x75e34d65, 0x406e, 0x4fff, {0x81, 0xe7, 0x6a, 0x31, 0xf8, 0x9b, 0x23, 0x93}};

    // Operations a lock can filter (get_filter_mask).
    static constexpr uint32_t filter_add = 1;
    static constexpr uint32_t filter_remove = 2;
    static constexpr uint32_t filter_reorder = 4;
    static constexpr uint32_t filter_replace = 8;
    static constexpr uint32_t filter_rename = 16;
    static constexpr uint32_t filter_remove_playlist = 32;
    static constexpr uint32_t filter_default_action = 64;
    static constexpr uint32_t filter_all = 127;

    // The query_* calls answer true to allow the operation.
    virtual bool query_items_add(size_t first, metadb_handle* const* items, size_t count,
                                 const bool* selection) = 0;
    virtual bool query_items_reorder(const size_t* order, size_t count) = 0;
    virtual bool query_items_remove(const bool* mask, size_t count) = 0;
    virtual bool query_item_replace(size_t index, metadb_handle* old_track,
                                    metadb_handle* new_track) = 0;
    virtual bool query_playlist_rename(const char* name, size_t length) = 0;
    virtual bool query_playlist_remove() = 0;
    // True when the lock handled the item's default action itself, so the
    // Host does not play it.
    virtual bool execute_default_action(size_t item) = 0;
    // The locked playlist moved to another index.
    virtual void on_playlist_index_change(size_t new_index) = 0;
    // The locked playlist is being removed; the lock is released afterwards.
    virtual void on_playlist_remove() = 0;
    virtual void get_lock_name(string_sink& out) = 0;
    virtual void show_ui() = 0;
    virtual uint32_t get_filter_mask() = 0;

protected:
    ~playlist_lock() = default;
};

class playlist_manager : public service_base {
public:
    // {43C65B3F-8A10-46B2-AC3B-67178AAE06F9}
    static constexpr guid class_guid{
        0x43c65b3f, 0x8a10, 0x46b2, {0xac, 0x3b, 0x67, 0x17, 0x8a, 0xae, 0x06, 0xf9}};

    // Playback orders, by index.
    static constexpr size_t order_default = 0;
    static constexpr size_t order_repeat_playlist = 1;
    static constexpr size_t order_repeat_track = 2;
    static constexpr size_t order_random = 3;
    static constexpr size_t order_shuffle_tracks = 4;
    static constexpr size_t order_shuffle_albums = 5;
    static constexpr size_t order_shuffle_folders = 6;

    // Playlists.
    virtual size_t get_playlist_count() = 0;
    virtual size_t get_active_playlist() = 0;
    [[nodiscard]] virtual bool set_active_playlist(size_t playlist) = 0;
    virtual size_t get_playing_playlist() = 0;
    [[nodiscard]] virtual bool playlist_get_name(size_t playlist, string_sink& out) = 0;
    // Fails for an empty name.
    [[nodiscard]] virtual bool playlist_rename(size_t playlist, const char* name,
                                               size_t length) = 0;
    // Inserts at `position` (past the end, or no_index: after the last one).
    // Returns the new playlist's index, or no_index for an empty name.
    virtual size_t create_playlist(const char* name, size_t length, size_t position) = 0;
    [[nodiscard]] virtual bool remove_playlist(size_t playlist) = 0;
    // order[new index] = old index; must be a permutation of all playlists.
    [[nodiscard]] virtual bool reorder_playlists(const size_t* order, size_t count) = 0;
    // First playlist whose name equals `name` ignoring case, or no_index.
    virtual size_t find_playlist(const char* name, size_t length) = 0;

    // Items.
    virtual size_t playlist_get_item_count(size_t playlist) = 0;
    // On success *out receives an owned reference.
    [[nodiscard]] virtual bool playlist_get_item_handle(size_t playlist, size_t item,
                                                        metadb_handle** out) = 0;
    // Every item, or only the selected ones, in playlist order.
    virtual void playlist_enum_items(size_t playlist, bool selected_only,
                                     metadb_handle_sink& out) = 0;
    // Inserts at `first` (past the end, or no_index: at the end). `selection`
    // may be null (nothing selected). Returns the index of the first new item,
    // or no_index when refused.
    virtual size_t playlist_insert_items(size_t playlist, size_t first, metadb_handle* const* items,
                                         size_t count, const bool* selection) = 0;
    // As playlist_insert_items with file paths (UTF-8); `lengths` may be null
    // for NUL-terminated paths. Playlist files are read and folders searched
    // for media files in name order.
    virtual size_t playlist_insert_locations(size_t playlist, size_t first,
                                             const char* const* paths, const size_t* lengths,
                                             size_t count, bool select) = 0;
    // mask[i] marks the items to remove; `count` must be the item count.
    [[nodiscard]] virtual bool playlist_remove_items(size_t playlist, const bool* mask,
                                                     size_t count) = 0;
    // Removes the selected items, or with `crop` the others.
    [[nodiscard]] virtual bool playlist_remove_selection(size_t playlist, bool crop) = 0;
    [[nodiscard]] virtual bool playlist_clear(size_t playlist) = 0;
    // order[new index] = old index; must be a permutation of all items.
    [[nodiscard]] virtual bool playlist_reorder_items(size_t playlist, const size_t* order,
                                                      size_t count) = 0;
    [[nodiscard]] virtual bool playlist_replace_item(size_t playlist, size_t item,
                                                     metadb_handle* track) = 0;
    // Length of the item's track in seconds; 0 when unknown.
    virtual double playlist_get_item_length(size_t playlist, size_t item) = 0;
    // Formats the item's track with the script (see metadb_handle).
    virtual bool playlist_format_title(size_t playlist, size_t item, titleformat_hook* hook,
                                       string_sink& out, titleformat_object* script) = 0;
    // Plays the item unless the playlist's lock handles the action.
    [[nodiscard]] virtual bool playlist_execute_default_action(size_t playlist, size_t item) = 0;

    // Selection and focus.
    virtual bool playlist_is_item_selected(size_t playlist, size_t item) = 0;
    [[nodiscard]] virtual bool playlist_set_selection_single(size_t playlist, size_t item,
                                                             bool selected) = 0;
    // For each i with affected[i], sets the selection to state[i]; `count`
    // must be the item count.
    [[nodiscard]] virtual bool playlist_set_selection(size_t playlist, const bool* affected,
                                                      const bool* state, size_t count) = 0;
    [[nodiscard]] virtual bool playlist_clear_selection(size_t playlist) = 0;
    virtual size_t playlist_get_focus_item(size_t playlist) = 0;
    // `item` may be no_index to take the focus away.
    [[nodiscard]] virtual bool playlist_set_focus_item(size_t playlist, size_t item) = 0;

    // Where the playing track came from (see playback_control).
    [[nodiscard]] virtual bool get_playing_item(size_t* playlist, size_t* item) = 0;

    // Playback orders: "Default", "Repeat (playlist)", "Repeat (track)",
    // "Random", "Shuffle (tracks)", "Shuffle (albums)", "Shuffle (folders)".
    virtual size_t playback_order_get_count() = 0;
    [[nodiscard]] virtual bool playback_order_get_name(size_t index, string_sink& out) = 0;
    virtual size_t playback_order_get_active() = 0;
    [[nodiscard]] virtual bool playback_order_set_active(size_t index) = 0;

    // Locks. Installing fails for a missing playlist or one already locked.
    [[nodiscard]] virtual bool playlist_lock_install(size_t playlist, playlist_lock* lock) = 0;
    // Fails unless `lock` is the one installed on the playlist.
    [[nodiscard]] virtual bool playlist_lock_uninstall(size_t playlist, playlist_lock* lock) = 0;
    virtual bool playlist_lock_is_present(size_t playlist) = 0;
    [[nodiscard]] virtual bool playlist_lock_query_name(size_t playlist, string_sink& out) = 0;
    // 0 for an unlocked playlist.
    virtual uint32_t playlist_lock_get_filter_mask(size_t playlist) = 0;

protected:
    ~playlist_manager() = default;
};

class library_manager : public service_base {
public:
    // {2FD10AA1-B7CB-4BA0-8975-B2215D07750D}
    static constexpr guid class_guid{
        0x2fd10aa1, 0xb7cb, 0x4ba0, {0x89, 0x75, 0xb2, 0x21, 0x5d, 0x07, 0x75, 0x0d}};

    virtual bool is_enabled() = 0;
    // 0 while disabled.
    virtual size_t get_count() = 0;
    // Paths compare ignoring case. On success *out receives an owned
    // reference; always fails while disabled.
    [[nodiscard]] virtual bool find_item(const char* path, size_t length, metadb_handle** out) = 0;
    // False while disabled.
    virtual bool is_item_in_library(metadb_handle* track) = 0;

protected:
    ~library_manager() = default;
};

}  // namespace cor
