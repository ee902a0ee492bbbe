// Player events end to end: the Host's player changes state, the component
// posts the event to its main window, and the message loop runs the event's
// general script with its variables and track.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/settings.h"
#include "script/stored_scripts.h"
#include "support/component_host.h"
#include "ui/player_events.h"

using cor_test::lines;

namespace {

// Every variable a player event can set.
const char* const all_variables[] = {
    "_track_command", "_starting_paused", "_stop_reason",  "_seek_time",    "_pause_state",
    "_playback_time", "_volume",          "_order_index",  "_pl_old_index", "_pl_new_index",
    "_pl_index",      "_pl_name",         "_pl_old_count", "_pl_new_count", "_pi_from_index",
    "_pi_to_index",   "_pi_index",        "_pi_count",
};

// A script that prints its event's name, then each variable that resolves
// as name=value (marked "!" when it reports not found), then the title of
// the attached track, if any.
std::string reporting_script(const std::string& event) {
    std::string s = "$console(" + event;
    for (const char* v : all_variables) {
        const std::string field = std::string("%") + v + "%";
        s += "$if($strcmp(" + field + ",?),, " + v + "=" + field + "$if(" + field + ",,!))";
    }
    return s + "$if($strcmp(%title%,?),, track=%title%))";
}

struct t_slot_name {
    size_t slot;
    const char* name;
};

constexpr t_slot_name slot_names[] = {
    {vesk::slot_playback_starting, "starting"},
    {vesk::slot_playback_new_track, "new_track"},
    {vesk::slot_playback_stop, "stop"},
    {vesk::slot_playback_seek, "seek"},
    {vesk::slot_playback_pause, "pause"},
    {vesk::slot_playback_edited, "edited"},
    {vesk::slot_playback_time, "time"},
    {vesk::slot_volume_change, "volume"},
    {vesk::slot_item_added, "added"},
    {vesk::slot_item_reordered, "items_reordered"},
    {vesk::slot_item_removed, "removed"},
    {vesk::slot_item_selection_change, "selection"},
    {vesk::slot_item_focus_change, "focus"},
    {vesk::slot_item_modified, "modified"},
    {vesk::slot_playlist_activate, "activate"},
    {vesk::slot_playlist_created, "created"},
    {vesk::slot_playlist_reordered, "playlists_reordered"},
    {vesk::slot_playlist_removed, "playlists_removed"},
    {vesk::slot_playlist_renamed, "renamed"},
    {vesk::slot_playback_order_changed, "order"},
};

class PlayerEvents : public ::testing::Test {
protected:
    cor_test::component_host host;

    void SetUp() override {
        for (const auto& s : slot_names) vesk::general_script(s.slot).set(reporting_script(s.name));
    }

    cor::playlist_manager_impl& playlists() { return host.player().playlists(); }
    cor::playback_engine& playback() { return host.player().playback(); }

    // "Music" with two tracks, active, the first one focused; its events
    // are run and dropped.
    void music_playlist() {
        songs = {host.track("C:\\m\\a.wav", "Song A", 10),
                 host.track("C:\\m\\b.wav", "Song B", 20)};
        const size_t pl = host.playlist("Music", songs);
        ASSERT_TRUE(playlists().set_active_playlist(pl));
        ASSERT_TRUE(playlists().playlist_set_focus_item(pl, 0));
        events();
    }

    // The lines the event scripts printed once the posted events ran.
    lines events() {
        host.pump();
        return host.take_lines();
    }

    // Plays on for `seconds` of the player's clock, the message loop running
    // between the player's ticks as in the Host.
    void play_for(double seconds) {
        for (int i = 0; i < static_cast<int>(seconds * 8); ++i) {
            host.clock().advance(0.125);
            host.player().tick();
            host.pump(0);
        }
    }

    std::vector<cor::track_ptr> songs;
};

TEST_F(PlayerEvents, PlaybackEventsRunInTheOrderTheyHappened) {
    ASSERT_NE(host.start_ui(), nullptr);
    music_playlist();
    auto& pb = playback();

    pb.start(cor::playback_control::track_command_play, true);
    // Nothing runs inside the Host's callback: the scripts wait for the message loop.
    EXPECT_EQ(host.take_lines(), lines{});
    EXPECT_EQ(events(),
              (lines{"starting _track_command=1 _starting_paused=1", "new_track track=Song A"}));

    pb.pause(false);
    pb.pause(true);
    pb.pause(false);
    EXPECT_EQ(events(),
              (lines{"pause _pause_state=0! track=Song A", "pause _pause_state=1 track=Song A",
                     "pause _pause_state=0! track=Song A"}));

    pb.seek(2.5);
    play_for(1);
    EXPECT_EQ(events(), (lines{"seek _seek_time=2.5000000 track=Song A",
                               "time _playback_time=3.0000000 track=Song A"}));

    pb.set_volume(-6);
    pb.set_volume(-12.25f);
    EXPECT_EQ(events(), (lines{"volume _volume=-6.0000000", "volume _volume=-12.2500000"}));

    host.player().playback().notify_track_changed(songs[0].get());
    EXPECT_EQ(events(), lines{"edited track=Song A"});

    pb.next();
    EXPECT_EQ(events(),
              (lines{"stop _stop_reason=2", "starting _track_command=2 _starting_paused=0!",
                     "new_track track=Song B"}));

    pb.stop();
    EXPECT_EQ(events(), lines{"stop _stop_reason=0"});
}

TEST_F(PlayerEvents, EveryPlaylistEventRunsItsScript) {
    ASSERT_NE(host.start_ui(), nullptr);
    host.take_lines();
    auto& pm = playlists();

    // The Host makes the first playlist the active one.
    const size_t music = pm.create_playlist("Music", 5, cor::no_index);
    EXPECT_EQ(events(), (lines{"created _pl_index=0 _pl_name=Music",
                               "activate _pl_old_index=-1 _pl_new_index=0"}));

    songs = {host.track("C:\\m\\a.wav", "Song A", 10), host.track("C:\\m\\b.wav", "Song B", 20),
             host.track("C:\\m\\c.wav", "Song C", 30)};
    cor::metadb_handle* items[] = {songs[0].get(), songs[1].get(), songs[2].get()};
    pm.playlist_insert_items(music, cor::no_index, items, 3, nullptr);
    EXPECT_EQ(events(), (lines{"added _pl_index=0 _pi_index=0 _pi_count=3"}));
    pm.playlist_insert_items(music, 1, items, 1, nullptr);
    EXPECT_EQ(events(), (lines{"added _pl_index=0 _pi_index=1 _pi_count=1"}));

    ASSERT_TRUE(pm.playlist_set_selection_single(music, 2, true));
    EXPECT_EQ(events(), (lines{"selection _pl_index=0"}));

    // The focus event carries the active playlist's newly focused item.
    ASSERT_TRUE(pm.playlist_set_focus_item(music, 2));
    EXPECT_EQ(events(), (lines{"focus _pl_index=0 _pi_from_index=-1 _pi_to_index=2 track=Song B"}));
    ASSERT_TRUE(pm.playlist_set_focus_item(music, cor::no_index));
    EXPECT_EQ(events(), (lines{"focus _pl_index=0 _pi_from_index=2 _pi_to_index=-1"}));

    const size_t order[] = {3, 2, 1, 0};
    ASSERT_TRUE(pm.playlist_reorder_items(music, order, 4));
    EXPECT_EQ(events(), (lines{"items_reordered _pl_index=0"}));

    const bool mask[] = {true, false, false, false};
    ASSERT_TRUE(pm.playlist_remove_items(music, mask, 4));
    EXPECT_EQ(events(), (lines{"removed _pl_index=0"}));

    host.player().playlists().notify_track_changed(songs[1].get());
    EXPECT_EQ(events(), (lines{"modified _pl_index=0"}));

    ASSERT_TRUE(pm.playlist_rename(music, "Tunes", 5));
    EXPECT_EQ(events(), (lines{"renamed _pl_index=0 _pl_name=Tunes"}));

    const size_t other = pm.create_playlist("Other", 5, cor::no_index);
    EXPECT_EQ(events(), (lines{"created _pl_index=1 _pl_name=Other"}));
    const size_t swap[] = {1, 0};
    ASSERT_TRUE(pm.reorder_playlists(swap, 2));
    EXPECT_EQ(events(), (lines{"playlists_reordered"}));

    ASSERT_TRUE(pm.remove_playlist(other == 1 ? 0 : 1));
    const lines removed = events();
    ASSERT_FALSE(removed.empty());
    EXPECT_EQ(removed[0], "playlists_removed _pl_old_count=2 _pl_new_count=1");

    ASSERT_TRUE(pm.playback_order_set_active(cor::playlist_manager::order_random));
    EXPECT_EQ(events(), (lines{"order _order_index=3"}));
}

TEST_F(PlayerEvents, ScriptsReadTheirOwnStateAtRunTime) {
    // An event script that calls component functions and sees the player as it is.
    vesk::general_script(vesk::slot_volume_change)
        .set("$console(now %volume% was %_volume% $calc(1+2))");
    ASSERT_NE(host.start_ui(), nullptr);
    host.take_lines();
    playback().set_volume(-10);
    playback().set_volume(-20);
    EXPECT_EQ(events(),
              (lines{"now -20.0000000 was -10.0000000 3", "now -20.0000000 was -20.0000000 3"}));
}

TEST_F(PlayerEvents, NoEventsBeforeStartOrAfterShutdown) {
    playback().set_volume(-1);
    EXPECT_EQ(events(), lines{});
    ASSERT_NE(host.start_ui(), nullptr);
    host.take_lines();
    playback().set_volume(-2);
    host.stop_ui();
    playback().set_volume(-4);
    const lines after = events();
    EXPECT_EQ(std::count(after.begin(), after.end(), "volume _volume=-4.0000000"), 0);
    // A second start registers again; safe mode does not stop the events.
    vesk::cfg_safe_mode = 1;
    ASSERT_NE(host.start_ui(), nullptr);
    host.take_lines();
    playback().set_volume(-5);
    EXPECT_EQ(events(), lines{"volume _volume=-5.0000000"});
}

TEST_F(PlayerEvents, RegistrationFailuresArePrinted) {
    HWND wnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                               nullptr);
    ASSERT_NE(wnd, nullptr);
    auto manager = host.api().get<cor::play_callback_manager>();
    ASSERT_TRUE(manager);
    {
        vesk::play_callback_listener listener(wnd);
        // The Host refuses a callback that is already registered.
        ASSERT_TRUE(manager->register_play_callback(&listener, 1));
        EXPECT_FALSE(listener.register_callbacks());
        EXPECT_EQ(host.take_lines(), lines{"Error: cor_ui_vesk: Could not register callback"});
        // The playlist half went through and is taken back at destruction.
        ASSERT_TRUE(manager->unregister_play_callback(&listener));
    }
    EXPECT_EQ(host.take_lines(), lines{});
    {
        vesk::play_callback_listener listener(wnd);
        ASSERT_TRUE(listener.register_callbacks());
        EXPECT_TRUE(listener.register_callbacks());
        EXPECT_EQ(host.take_lines(), lines{});
        // Taken away behind the listener's back: unregistering then fails.
        ASSERT_TRUE(manager->unregister_play_callback(&listener));
        listener.unregister_callbacks();
        EXPECT_EQ(host.take_lines(), lines{"Error: cor_ui_vesk: Could not unregister callback"});
        listener.unregister_callbacks();
        EXPECT_EQ(host.take_lines(), lines{});
        // Nothing is left registered: a fresh registration of the same object works.
        EXPECT_TRUE(manager->register_playlist_callback(&listener, 1));
        EXPECT_TRUE(manager->unregister_playlist_callback(&listener));
    }
    DestroyWindow(wnd);
}

TEST_F(PlayerEvents, UnknownFlagsAreDroppedWithTheirRecord) {
    ASSERT_NE(host.start_ui(), nullptr);
    host.take_lines();
    vesk::dispatch_playback_event(128, reinterpret_cast<LPARAM>(new vesk::t_playback_event));
    vesk::dispatch_playlist_event(4, reinterpret_cast<LPARAM>(new vesk::t_playlist_event));
    vesk::dispatch_playlist_event(4096, 0);
    EXPECT_EQ(host.take_lines(), lines{"playlists_reordered"});
}

}  // namespace
