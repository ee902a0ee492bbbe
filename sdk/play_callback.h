// Player events as a component receives them. A component implements
// play_callback and/or playlist_callback and registers them with the Host's
// play_callback_manager, naming the events it wants as a flag set. The Host
// calls them synchronously on its main thread, after its state has changed,
// in the order the changes happen. Arrays passed in are valid only for the
// call. The Host never owns a callback: the component unregisters it before
// destroying it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "metadb_handle.h"
#include "service.h"

namespace cor {

// Index value meaning "no playlist" or "no item".
inline constexpr size_t no_index = static_cast<size_t>(-1);

class play_callback {
public:
    static constexpr uint32_t flag_starting = 1;
    static constexpr uint32_t flag_new_track = 2;
    static constexpr uint32_t flag_stop = 4;
    static constexpr uint32_t flag_seek = 8;
    static constexpr uint32_t flag_pause = 16;
    static constexpr uint32_t flag_edited = 32;
    static constexpr uint32_t flag_time = 256;
    static constexpr uint32_t flag_volume_change = 512;
    static constexpr uint32_t flag_all = 831;

    // `command` is a playback_control::track_command_* value.
    virtual void on_playback_starting(uint32_t command, bool paused) = 0;
    virtual void on_playback_new_track(metadb_handle* track) = 0;
    // `reason` is a playback_control::stop_reason_* value.
    virtual void on_playback_stop(uint32_t reason) = 0;
    virtual void on_playback_seek(double seconds) = 0;
    virtual void on_playback_pause(bool paused) = 0;
    // The playing track's information changed.
    virtual void on_playback_edited(metadb_handle* track) = 0;
    // Once for each whole second of playing time reached.
    virtual void on_playback_time(double seconds) = 0;
    virtual void on_volume_change(float decibels) = 0;

protected:
    ~play_callback() = default;
};

class playlist_callback {
public:
    static constexpr uint32_t flag_items_added = 1;
    static constexpr uint32_t flag_items_reordered = 2;
    static constexpr uint32_t flag_items_removed = 8;
    static constexpr uint32_t flag_items_selection_change = 16;
    static constexpr uint32_t flag_item_focus_change = 32;
    static constexpr uint32_t flag_items_modified = 64;
    static constexpr uint32_t flag_playlist_activate = 1024;
    static constexpr uint32_t flag_playlist_created = 2048;
    static constexpr uint32_t flag_playlists_reordered = 4096;
    static constexpr uint32_t flag_playlists_removed = 16384;
    static constexpr uint32_t flag_playlist_renamed = 32768;
    static constexpr uint32_t flag_playback_order_changed = 131072;
    static constexpr uint32_t flag_all = 187515;

    // `items` and `selection` have `count` entries; the new items are at
    // first .. first + count - 1.
    virtual void on_items_added(size_t playlist, size_t first, size_t count,
                                metadb_handle* const* items, const bool* selection) = 0;
    // order[new index] = old index, for all `count` items of the playlist.
    virtual void on_items_reordered(size_t playlist, const size_t* order, size_t count) = 0;
    // mask[old index] is true for each removed item.
    virtual void on_items_removed(size_t playlist, const bool* mask, size_t old_count,
                                  size_t new_count) = 0;
    // changed[i] marks the items whose selection changed; state[i] is the
    // selection of every item now.
    virtual void on_items_selection_change(size_t playlist, const bool* changed, const bool* state,
                                           size_t count) = 0;
    // from or to is no_index when no item had or has the focus.
    virtual void on_item_focus_change(size_t playlist, size_t from, size_t to) = 0;
    // mask[i] marks the items whose track or information changed.
    virtual void on_items_modified(size_t playlist, const bool* mask, size_t count) = 0;
    virtual void on_playlist_activate(size_t old_index, size_t new_index) = 0;
    virtual void on_playlist_created(size_t playlist, const char* name, size_t length) = 0;
    // order[new index] = old index.
    virtual void on_playlists_reordered(const size_t* order, size_t count) = 0;
    // mask[old index] is true for each removed playlist.
    virtual void on_playlists_removed(const bool* mask, size_t old_count, size_t new_count) = 0;
    virtual void on_playlist_renamed(size_t playlist, const char* name, size_t length) = 0;
    virtual void on_playback_order_changed(size_t new_index) = 0;

protected:
    ~playlist_callback() = default;
};

class play_callback_manager : public service_base {
public:
    // {2BA8CEE6-A706-4137-A9D2-8B4363B5EBB0}
    static constexpr guid class_guid{
        0x2ba8cee6, 0xa706, 0x4137, {0xa9, 0xd2, 0x8b, 0x43, 0x63, 0xb5, 0xeb, 0xb0}};

    // Fails for a null callback, one already registered, an empty flag set
    // or a flag set with bits outside the callback's flag_all.
    [[nodiscard]] virtual bool register_play_callback(play_callback* callback, uint32_t flags) = 0;
    // Fails when the callback is not registered.
    [[nodiscard]] virtual bool unregister_play_callback(play_callback* callback) = 0;
    [[nodiscard]] virtual bool register_playlist_callback(playlist_callback* callback,
                                                          uint32_t flags) = 0;
    [[nodiscard]] virtual bool unregister_playlist_callback(playlist_callback* callback) = 0;

protected:
    ~play_callback_manager() = default;
};

}  // namespace cor
