// Player events as scripts see them. The Host's callbacks only record an
// event and post it to the main window; the main window's message loop then
// runs the event's general script with its variables and track, so no
// script ever runs inside a Host callback. Event scripts run in safe mode
// too, and even when empty.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "play_callback.h"

namespace vesk {

// Posted to the main window: wParam is the event's flag, lParam its record
// (owned by the message; null for events without data).
inline constexpr UINT playback_event_message = WM_APP + 1;
inline constexpr UINT playlist_event_message = WM_APP + 2;

inline constexpr uint32_t playback_event_flags = 831;
inline constexpr uint32_t playlist_event_flags = 187515;

struct t_playback_event {
    bool starting_paused = false;
    bool pause_state = false;
    int32_t start_command = 0;
    int32_t stop_reason = 0;
    double seek_time = 0;
    double playback_time = 0;
    float volume = 0;
};

// Indexes as the Host reports them, cut to 32 bits ("none" reads -1).
struct t_playlist_event {
    int32_t playlist = 0;
    int32_t old_active = 0;
    int32_t new_active = 0;
    int32_t old_count = 0;
    int32_t new_count = 0;
    int32_t first_item = 0;
    int32_t focus_from = 0;
    int32_t focus_to = 0;
    int32_t item_count = 0;
    int32_t order = 0;
    std::string name;
};

// One per main window: receives the Host's player callbacks and posts them.
class play_callback_listener final : public cor::play_callback, public cor::playlist_callback {
public:
    explicit play_callback_listener(HWND target) : target_(target) {}
    ~play_callback_listener();
    play_callback_listener(const play_callback_listener&) = delete;
    play_callback_listener& operator=(const play_callback_listener&) = delete;

    // Registers the callbacks not registered yet; each failure prints one
    // error line and leaves those events out. Returns whether both are.
    bool register_callbacks();
    // Unregisters what was registered; a failure prints one error line.
    void unregister_callbacks();

    void on_playback_starting(uint32_t command, bool paused) override;
    void on_playback_new_track(cor::metadb_handle* track) override;
    void on_playback_stop(uint32_t reason) override;
    void on_playback_seek(double seconds) override;
    void on_playback_pause(bool paused) override;
    void on_playback_edited(cor::metadb_handle* track) override;
    void on_playback_time(double seconds) override;
    void on_volume_change(float decibels) override;

    void on_items_added(size_t playlist, size_t first, size_t count,
                        cor::metadb_handle* const* items, const bool* selection) override;
    void on_items_reordered(size_t playlist, const size_t* order, size_t count) override;
    void on_items_removed(size_t playlist, const bool* mask, size_t old_count,
                          size_t new_count) override;
    void on_items_selection_change(size_t playlist, const bool* changed, const bool* state,
                                   size_t count) override;
    void on_item_focus_change(size_t playlist, size_t from, size_t to) override;
    void on_items_modified(size_t playlist, const bool* mask, size_t count) override;
    void on_playlist_activate(size_t old_index, size_t new_index) override;
    void on_playlist_created(size_t playlist, const char* name, size_t length) override;
    void on_playlists_reordered(const size_t* order, size_t count) override;
    void on_playlists_removed(const bool* mask, size_t old_count, size_t new_count) override;
    void on_playlist_renamed(size_t playlist, const char* name, size_t length) override;
    void on_playback_order_changed(size_t new_index) override;

private:
    void post_playback(uint32_t flag, t_playback_event* record);
    void post_playlist(uint32_t flag, t_playlist_event* record);

    HWND target_;
    bool play_registered_ = false;
    bool playlist_registered_ = false;
};

// Runs the general script of one posted event and frees its record.
void dispatch_playback_event(WPARAM flag, LPARAM record);
void dispatch_playlist_event(WPARAM flag, LPARAM record);

// The main window's side: create and register the listener when the main
// window is created, unregister and drop it (with any events still queued)
// when it is destroyed, and hand the two event messages to the dispatchers.
void attach_player_events(HWND main_window);
void detach_player_events();
// True when `msg` was an event message and has been handled.
bool handle_player_event(UINT msg, WPARAM wp, LPARAM lp);

// The names of every variable that some player event gives its script.
std::vector<std::string> player_event_variable_names();

}  // namespace vesk
