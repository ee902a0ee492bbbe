// A whole player built in memory for tests: track database, callbacks,
// playlists, and an engine on a manual clock with no sound device. Event
// recorders turn every callback into one line of text, so a test states the
// expected sequence as a list.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "corvina500/player/audio_output.h"
#include "corvina500/player/callbacks.h"
#include "corvina500/player/clock.h"
#include "corvina500/player/playback_engine.h"
#include "corvina500/player/playlist_manager_impl.h"
#include "corvina500/player/track_database.h"
#include "support/case_table.h"

namespace cor::test {

using cor_test::split;
using events = std::vector<std::string>;

inline std::string index_text(size_t i) { return i == no_index ? "none" : std::to_string(i); }

inline std::string flags_text(const bool* flags, size_t count) {
    std::string s;
    for (size_t i = 0; i < count; ++i) s += flags[i] ? '1' : '0';
    return s;
}

inline std::string number_text(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

inline std::string track_name(metadb_handle* track) {
    if (!track) return "null";
    string_out path;
    track->get_path(path);
    return path.text.substr(path.text.find_last_of("/\\") + 1);
}

// Lines joined by ", ", "-" for none.
inline std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& line : lines) out += (out.empty() ? "" : ", ") + line;
    return out.empty() ? "-" : out;
}

struct event_log {
    void log(std::string line) { events.push_back(std::move(line)); }
    std::vector<std::string> take() { return std::exchange(events, {}); }
    std::vector<std::string> events;
};

class play_recorder : public play_callback, public event_log {
public:
    void on_playback_starting(uint32_t command, bool paused) override {
        log("starting " + std::to_string(command) + (paused ? " paused" : ""));
    }
    void on_playback_new_track(metadb_handle* t) override { log("new_track " + track_name(t)); }
    void on_playback_stop(uint32_t reason) override { log("stop " + std::to_string(reason)); }
    void on_playback_seek(double s) override { log("seek " + number_text(s)); }
    void on_playback_pause(bool paused) override { log(paused ? "pause 1" : "pause 0"); }
    void on_playback_edited(metadb_handle* t) override { log("edited " + track_name(t)); }
    void on_playback_time(double s) override { log("time " + number_text(s)); }
    void on_volume_change(float db) override { log("volume " + number_text(db)); }
};

class playlist_recorder : public playlist_callback, public event_log {
public:
    void on_items_added(size_t playlist, size_t first, size_t count, metadb_handle* const* items,
                        const bool* selection) override {
        std::string e = "added " + std::to_string(playlist) + " at " + std::to_string(first) +
                        " sel " + flags_text(selection, count) + ":";
        for (size_t i = 0; i < count; ++i) e += " " + track_name(items[i]);
        log(e);
    }
    void on_items_reordered(size_t playlist, const size_t* order, size_t count) override {
        log("reordered " + std::to_string(playlist) + ":" + list(order, count));
    }
    void on_items_removed(size_t playlist, const bool* mask, size_t old_count,
                          size_t new_count) override {
        log("removed " + std::to_string(playlist) + " " + flags_text(mask, old_count) + " -> " +
            std::to_string(new_count));
    }
    void on_items_selection_change(size_t playlist, const bool* changed, const bool* state,
                                   size_t count) override {
        log("selection " + std::to_string(playlist) + " changed " + flags_text(changed, count) +
            " now " + flags_text(state, count));
    }
    void on_item_focus_change(size_t playlist, size_t from, size_t to) override {
        log("focus " + std::to_string(playlist) + " " + index_text(from) + " -> " + index_text(to));
    }
    void on_items_modified(size_t playlist, const bool* mask, size_t count) override {
        log("modified " + std::to_string(playlist) + " " + flags_text(mask, count));
    }
    void on_playlist_activate(size_t old_index, size_t new_index) override {
        log("activate " + index_text(old_index) + " -> " + index_text(new_index));
    }
    void on_playlist_created(size_t playlist, const char* name, size_t length) override {
        log("created " + std::to_string(playlist) + " " + std::string(name, length));
    }
    void on_playlists_reordered(const size_t* order, size_t count) override {
        log("playlists reordered:" + list(order, count));
    }
    void on_playlists_removed(const bool* mask, size_t old_count, size_t new_count) override {
        log("playlists removed " + flags_text(mask, old_count) + " -> " +
            std::to_string(new_count));
    }
    void on_playlist_renamed(size_t playlist, const char* name, size_t length) override {
        log("renamed " + std::to_string(playlist) + " " + std::string(name, length));
    }
    void on_playback_order_changed(size_t index) override { log("order " + std::to_string(index)); }

private:
    static std::string list(const size_t* order, size_t count) {
        std::string s;
        for (size_t i = 0; i < count; ++i) s += " " + std::to_string(order[i]);
        return s;
    }
};

struct player_rig {
    player_rig() {
        playlists->set_random_seed(42);
        EXPECT_TRUE(callbacks->register_play_callback(&play_events, play_callback::flag_all));
        EXPECT_TRUE(
            callbacks->register_playlist_callback(&playlist_events, playlist_callback::flag_all));
    }
    ~player_rig() {
        EXPECT_TRUE(callbacks->unregister_play_callback(&play_events));
        EXPECT_TRUE(callbacks->unregister_playlist_callback(&playlist_events));
    }

    track_ptr track(const std::string& path, double length = 10,
                    const std::vector<std::pair<std::string, std::string>>& meta = {}) {
        t_track_info info;
        info.path = path;
        info.length_seconds = length;
        for (const auto& [name, value] : meta) info.add_meta(name, value);
        return tracks.put(std::move(info));
    }

    size_t create(const std::string& name) {
        return playlists->create_playlist(name.data(), name.size(), no_index);
    }

    // Appends tracks named by path (length 10 s unless already known).
    size_t add(size_t playlist, const std::vector<std::string>& paths) {
        std::vector<track_ptr> keep;
        std::vector<metadb_handle*> raw;
        for (const auto& p : paths) {
            keep.push_back(tracks.find(p) ? tracks.find(p) : track(p));
            raw.push_back(keep.back().get());
        }
        return playlists->playlist_insert_items(playlist, no_index, raw.data(), raw.size(),
                                                nullptr);
    }

    std::string item_name(size_t playlist, size_t item) {
        return track_name(playlists->item_track(playlist, item).get());
    }

    std::string now_playing() {
        metadb_handle* h = nullptr;
        if (!engine->get_now_playing(&h)) return "nothing";
        const std::string name = track_name(h);
        h->service_release();
        return name;
    }

    size_t playing_item() {
        size_t item = no_index;
        return engine->get_playing_item(nullptr, &item) ? item : no_index;
    }

    std::string name_of(size_t playlist) {
        string_out s;
        return playlists->playlist_get_name(playlist, s) ? s.text : "<none>";
    }

    // Replaces the engine's silent output; console lines go to `console`.
    void use_output(std::unique_ptr<audio_output> output) {
        auto next = make_service<playback_engine>(
            playlists, callbacks, std::move(output),
            [this](std::string_view line) { console.emplace_back(line); });
        retired = std::exchange(engine, next);
    }

    // Runs the engine's timer for `seconds` of clock time in steps of
    // 1/16 s, which add up exactly.
    void run(double seconds) {
        const long steps = std::lround(seconds * 16);
        for (long i = 0; i < steps; ++i) {
            clock.advance(1.0 / 16);
            engine->tick();
        }
    }

    track_database tracks;
    service_ptr_t<play_callback_manager_impl> callbacks =
        make_service<play_callback_manager_impl>();
    service_ptr_t<playlist_manager_impl> playlists =
        make_service<playlist_manager_impl>(tracks, callbacks);
    manual_clock clock;
    service_ptr_t<playback_engine> engine =
        make_service<playback_engine>(playlists, callbacks, clock);
    play_recorder play_events;
    playlist_recorder playlist_events;
    std::vector<std::string> console;
    service_ptr_t<playback_engine> retired;  // the engine use_output replaced
};

}  // namespace cor::test
