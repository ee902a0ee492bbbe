// The Host's playlists: an in-memory list of named playlists of items (a
// track handle and a selected flag), the active playlist, a focused item per
// playlist, optional locks, and the playback order with its state. Events go
// out through the callback manager after each change is complete.
//
// The playback engine reads and moves the playing location through the
// engine-side methods below; the location follows its item through edits,
// and when that item is removed the order continues with the item that came
// after it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "corvina500/player/callbacks.h"
#include "corvina500/player/playback_order.h"
#include "corvina500/player/playback_queue.h"
#include "corvina500/player/track_database.h"
#include "sdk/playlist.h"

namespace cor {

struct t_item_location {
    size_t playlist = no_index;
    size_t item = no_index;
};

class playlist_manager_impl : public playlist_manager {
public:
    playlist_manager_impl(track_database& tracks,
                          service_ptr_t<play_callback_manager_impl> callbacks);
    virtual ~playlist_manager_impl();
    playlist_manager_impl(const playlist_manager_impl&) = delete;
    playlist_manager_impl& operator=(const playlist_manager_impl&) = delete;

    size_t get_playlist_count() override;
    size_t get_active_playlist() override;
    bool set_active_playlist(size_t playlist) override;
    size_t get_playing_playlist() override;
    bool playlist_get_name(size_t playlist, string_sink& out) override;
    bool playlist_rename(size_t playlist, const char* name, size_t length) override;
    size_t create_playlist(const char* name, size_t length, size_t position) override;
    bool remove_playlist(size_t playlist) override;
    bool reorder_playlists(const size_t* order, size_t count) override;
    size_t find_playlist(const char* name, size_t length) override;

    size_t playlist_get_item_count(size_t playlist) override;
    bool playlist_get_item_handle(size_t playlist, size_t item, metadb_handle** out) override;
    void playlist_enum_items(size_t playlist, bool selected_only, metadb_handle_sink& out) override;
    size_t playlist_insert_items(size_t playlist, size_t first, metadb_handle* const* items,
                                 size_t count, const bool* selection) override;
    size_t playlist_insert_locations(size_t playlist, size_t first, const char* const* paths,
                                     const size_t* lengths, size_t count, bool select) override;
    bool playlist_remove_items(size_t playlist, const bool* mask, size_t count) override;
    bool playlist_remove_selection(size_t playlist, bool crop) override;
    bool playlist_clear(size_t playlist) override;
    bool playlist_reorder_items(size_t playlist, const size_t* order, size_t count) override;
    bool playlist_replace_item(size_t playlist, size_t item, metadb_handle* track) override;
    double playlist_get_item_length(size_t playlist, size_t item) override;
    bool playlist_format_title(size_t playlist, size_t item, titleformat_hook* hook,
                               string_sink& out, titleformat_object* script) override;
    bool playlist_execute_default_action(size_t playlist, size_t item) override;

    bool playlist_is_item_selected(size_t playlist, size_t item) override;
    bool playlist_set_selection_single(size_t playlist, size_t item, bool selected) override;
    bool playlist_set_selection(size_t playlist, const bool* affected, const bool* state,
                                size_t count) override;
    bool playlist_clear_selection(size_t playlist) override;
    size_t playlist_get_focus_item(size_t playlist) override;
    bool playlist_set_focus_item(size_t playlist, size_t item) override;

    bool get_playing_item(size_t* playlist, size_t* item) override;

    size_t playback_order_get_count() override;
    bool playback_order_get_name(size_t index, string_sink& out) override;
    size_t playback_order_get_active() override;
    bool playback_order_set_active(size_t index) override;

    bool playlist_lock_install(size_t playlist, playlist_lock* lock) override;
    bool playlist_lock_uninstall(size_t playlist, playlist_lock* lock) override;
    bool playlist_lock_is_present(size_t playlist) override;
    bool playlist_lock_query_name(size_t playlist, string_sink& out) override;
    uint32_t playlist_lock_get_filter_mask(size_t playlist) override;

    // Host side.
    [[nodiscard]] track_database& tracks() { return tracks_; }
    // Makes shuffles and random picks repeatable.
    void set_random_seed(uint64_t seed) { order_.reseed(seed); }
    // Plays an item when its default action is not taken by a lock.
    void set_item_player(std::function<void(size_t playlist, size_t item)> player) {
        item_player_ = std::move(player);
    }
    [[nodiscard]] track_ptr item_track(size_t playlist, size_t item) const;
    // Lets go of every lock, before the components that made them unload.
    void release_locks();
    // Reports a changed track (new tags) as a modification of every item
    // that holds it.
    void notify_track_changed(const metadb_handle_impl* track);

    // The playback queue (playback_queue.h). Adding fails for a missing item.
    bool queue_add(size_t playlist, size_t item);
    void queue_flush() { queue_.clear(); }
    // Where the queued items are now, first to play first.
    [[nodiscard]] std::vector<t_item_location> queue_items() const;
    [[nodiscard]] uint64_t queue_generation() const { return queue_.generation(); }

    // Engine side.
    enum class step { next_automatic, next, previous };
    // Where playback goes from the playing item: forward, the first queued
    // item when there is one. While stopped it goes from the last played
    // item when that is in the active playlist, else from the active
    // playlist's focused item.
    std::optional<t_item_location> navigate(step direction);
    // Where the "play" command starts: the first queued item, else the
    // active playlist's focused item, else where the order begins.
    std::optional<t_item_location> start_location();
    // Any item of the active playlist.
    std::optional<t_item_location> random_location();
    // The item begins to play; it leaves the queue when it was first there.
    void set_playing_item(size_t playlist, size_t item);
    // Playback stopped; the item is remembered as the last one played.
    void clear_playing_item();
    // The last item played, while it is still there.
    [[nodiscard]] std::optional<t_item_location> last_played() const;
    // Stable identity of a playlist across moves; 0 for none.
    [[nodiscard]] uint64_t playlist_id(size_t playlist) const;
    [[nodiscard]] size_t playlist_index(uint64_t id) const;

private:
    struct t_item {
        track_ptr track;
        bool selected = false;
    };
    struct t_playlist {
        uint64_t id = 0;
        std::string name;
        std::vector<t_item> items;
        size_t focus = no_index;
        service_ptr_t<playlist_lock> lock;
    };
    // The playing item, or after a stop the last one played.
    struct t_playing {
        uint64_t playlist_id = 0;  // 0: none
        size_t item = no_index;    // no_index: the item was removed
        size_t follower = 0;       // then: index of the item after it
        bool active = false;       // false: playback has stopped
    };

    [[nodiscard]] t_playlist* find(size_t playlist);
    // Asks the playlist's lock, when its filter names the operation. A lock
    // that changes playlists while being asked refuses.
    template <class Query>
    bool allowed(size_t playlist, uint32_t filter, Query&& query);
    [[nodiscard]] t_order_view order_view(const t_playlist& pl);
    [[nodiscard]] std::optional<t_item_location> queued_location() const;
    void notify_lock_indexes(size_t from);
    // Removal with the lock already asked (or not to be asked).
    void remove_items_unchecked(size_t playlist, std::vector<bool> mask);
    template <class F>
    void notify(uint32_t flag, F&& deliver) {
        callbacks_->notify_playlist(flag, deliver);
    }

    track_database& tracks_;
    service_ptr_t<play_callback_manager_impl> callbacks_;
    std::vector<t_playlist> playlists_;
    size_t active_ = no_index;
    uint64_t next_id_ = 1;
    uint64_t generation_ = 0;  // counts changes, to notice re-entry
    t_playing playing_;
    playback_order_state order_;
    playback_queue queue_;
    std::function<void(size_t, size_t)> item_player_;
};

template <class Query>
bool playlist_manager_impl::allowed(size_t playlist, uint32_t filter, Query&& query) {
    t_playlist* pl = find(playlist);
    if (!pl || !pl->lock) return true;
    const service_ptr_t<playlist_lock> lock = pl->lock;
    if (!(lock->get_filter_mask() & filter)) return true;
    const uint64_t before = generation_;
    const bool ok = query(*lock);
    return ok && before == generation_;
}

}  // namespace cor
