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

class PlayerEvents : public ::testing::Test {
protected:
    cor_test::component_host host;

    // Every event's script reports under its slot's title, without "On " and
    // a note in brackets: "Playback Time".
    void SetUp() override {
        for (size_t slot = vesk::slot_playback_starting; slot <= vesk::general_script_count;
             ++slot) {
            const std::string_view title = vesk::general_script_title(slot);
            vesk::general_script(slot).set(
                reporting_script(std::string(title.substr(3, title.find(" (") - 3))));
        }
    }

    cor::playlist_manager_impl& playlists() { return host.player().playlists(); }
    cor::playback_engine& playback() { return host.player().playback(); }

    // The lines the event scripts printed once the posted events ran.
    lines events() {
        host.pump();
        return host.take_lines();
    }
};

TEST_F(PlayerEvents, PlaybackEventsRunInTheOrderTheyHappened) {
    ASSERT_NE(host.start_ui(), nullptr);
    // "Music" with two tracks, active, the first one focused.
    const std::vector<cor::track_ptr> songs = {host.track("C:\\m\\a.wav", "Song A", 10),
                                               host.track("C:\\m\\b.wav", "Song B", 20)};
    const size_t pl = host.playlist("Music", songs);
    ASSERT_TRUE(playlists().set_active_playlist(pl));
    ASSERT_TRUE(playlists().playlist_set_focus_item(pl, 0));
    events();
    auto& pb = playback();

    pb.start(cor::playback_control::track_command_play, true);
    // Nothing runs inside the Host's callback: the scripts wait for the message loop.
    EXPECT_EQ(host.take_lines(), lines{});
    EXPECT_EQ(events(), (lines{"Playback Starting _track_command=1 _starting_paused=1",
                               "Playback New Track track=Song A"}));

    pb.pause(false);
    pb.pause(true);
    pb.pause(false);
    EXPECT_EQ(events(), (lines{"Playback Pause _pause_state=0! track=Song A",
                               "Playback Pause _pause_state=1 track=Song A",
                               "Playback Pause _pause_state=0! track=Song A"}));

    // A second of the player's clock, the message loop running between its
    // ticks as in the Host.
    pb.seek(2.5);
    for (int i = 0; i < 8; ++i) {
        host.clock().advance(0.125);
        host.player().tick();
        host.pump(0);
    }
    EXPECT_EQ(events(), (lines{"Playback Seek _seek_time=2.5000000 track=Song A",
                               "Playback Time _playback_time=3.0000000 track=Song A"}));

    pb.set_volume(-6);
    pb.set_volume(-12.25f);
    EXPECT_EQ(events(),
              (lines{"Volume Change _volume=-6.0000000", "Volume Change _volume=-12.2500000"}));

    host.player().playback().notify_track_changed(songs[0].get());
    EXPECT_EQ(events(), lines{"Playback Edited track=Song A"});

    pb.next();
    EXPECT_EQ(events(), (lines{"Playback Stop _stop_reason=2",
                               "Playback Starting _track_command=2 _starting_paused=0!",
                               "Playback New Track track=Song B"}));

    pb.stop();
    EXPECT_EQ(events(), lines{"Playback Stop _stop_reason=0"});
}

TEST_F(PlayerEvents, EveryPlaylistEventRunsItsScript) {
    ASSERT_NE(host.start_ui(), nullptr);
    host.take_lines();
    auto& pm = playlists();

    // The Host makes the first playlist the active one.
    const size_t music = pm.create_playlist("Music", 5, cor::no_index);
    EXPECT_EQ(events(), (lines{"Playlist Created _pl_index=0 _pl_name=Music",
                               "Playlist Activate _pl_old_index=-1 _pl_new_index=0"}));

    const std::vector<cor::track_ptr> songs = {host.track("C:\\m\\a.wav", "Song A", 10),
                                               host.track("C:\\m\\b.wav", "Song B", 20),
                                               host.track("C:\\m\\c.wav", "Song C", 30)};
    cor::metadb_handle* items[] = {songs[0].get(), songs[1].get(), songs[2].get()};
    pm.playlist_insert_items(music, cor::no_index, items, 3, nullptr);
    EXPECT_EQ(events(), (lines{"Playlist Item Added _pl_index=0 _pi_index=0 _pi_count=3"}));
    pm.playlist_insert_items(music, 1, items, 1, nullptr);
    EXPECT_EQ(events(), (lines{"Playlist Item Added _pl_index=0 _pi_index=1 _pi_count=1"}));

    ASSERT_TRUE(pm.playlist_set_selection_single(music, 2, true));
    EXPECT_EQ(events(), (lines{"Playlist Item Selection Change _pl_index=0"}));

    // The focus event carries the active playlist's newly focused item.
    ASSERT_TRUE(pm.playlist_set_focus_item(music, 2));
    EXPECT_EQ(events(), (lines{"Playlist Item Focus Change _pl_index=0 _pi_from_index=-1 "
                               "_pi_to_index=2 track=Song B"}));
    ASSERT_TRUE(pm.playlist_set_focus_item(music, cor::no_index));
    EXPECT_EQ(events(),
              (lines{"Playlist Item Focus Change _pl_index=0 _pi_from_index=2 _pi_to_index=-1"}));

    const size_t order[] = {3, 2, 1, 0};
    ASSERT_TRUE(pm.playlist_reorder_items(music, order, 4));
    EXPECT_EQ(events(), (lines{"Playlist Item Reordered _pl_index=0"}));

    const bool mask[] = {true, false, false, false};
    ASSERT_TRUE(pm.playlist_remove_items(music, mask, 4));
    EXPECT_EQ(events(), (lines{"Playlist Item Removed _pl_index=0"}));

    host.player().playlists().notify_track_changed(songs[1].get());
    EXPECT_EQ(events(), (lines{"Playlist Item Modified _pl_index=0"}));

    ASSERT_TRUE(pm.playlist_rename(music, "Tunes", 5));
    EXPECT_EQ(events(), (lines{"Playlist Renamed _pl_index=0 _pl_name=Tunes"}));

    const size_t other = pm.create_playlist("Other", 5, cor::no_index);
    EXPECT_EQ(events(), (lines{"Playlist Created _pl_index=1 _pl_name=Other"}));
    const size_t swap[] = {1, 0};
    ASSERT_TRUE(pm.reorder_playlists(swap, 2));
    EXPECT_EQ(events(), (lines{"Playlist Reordered"}));

    ASSERT_TRUE(pm.remove_playlist(other == 1 ? 0 : 1));
    EXPECT_EQ(events().at(0), "Playlist Removed _pl_old_count=2 _pl_new_count=1");

    ASSERT_TRUE(pm.playback_order_set_active(cor::playlist_manager::order_random));
    EXPECT_EQ(events(), (lines{"Playback Order Changed _order_index=3"}));

    // Unknown flags are dropped with their record.
    vesk::dispatch_playback_event(128, reinterpret_cast<LPARAM>(new vesk::t_playback_event));
    vesk::dispatch_playlist_event(4, reinterpret_cast<LPARAM>(new vesk::t_playlist_event));
    vesk::dispatch_playlist_event(4096, 0);
    EXPECT_EQ(host.take_lines(), lines{"Playlist Reordered"});
}

TEST_F(PlayerEvents, EventsRunOnlyWhileStartedAndSeeThePlayerAsItIsThen) {
    playback().set_volume(-1);
    EXPECT_EQ(events(), lines{});
    ASSERT_NE(host.start_ui(), nullptr);
    host.take_lines();
    playback().set_volume(-2);
    host.stop_ui();
    playback().set_volume(-4);
    const lines after = events();
    EXPECT_EQ(std::count(after.begin(), after.end(), "Volume Change _volume=-4.0000000"), 0);
    // A second start registers again; safe mode does not stop the events.
    // A script calls component functions and sees the player as it is when
    // it runs, its variables as they were at the event.
    vesk::cfg_safe_mode = 1;
    vesk::general_script(vesk::slot_volume_change)
        .set("$console(now %volume% was %_volume% $calc(1+2))");
    ASSERT_NE(host.start_ui(), nullptr);
    host.take_lines();
    playback().set_volume(-10);
    playback().set_volume(-20);
    EXPECT_EQ(events(),
              (lines{"now -20.0000000 was -10.0000000 3", "now -20.0000000 was -20.0000000 3"}));
}

// No event is posted here: the listeners need no window.
TEST_F(PlayerEvents, RegistrationFailuresArePrinted) {
    auto manager = host.api().get<cor::play_callback_manager>();
    ASSERT_TRUE(manager);
    {
        vesk::play_callback_listener listener(nullptr);
        // The Host refuses a callback that is already registered.
        ASSERT_TRUE(manager->register_play_callback(&listener, 1));
        EXPECT_FALSE(listener.register_callbacks());
        EXPECT_EQ(host.take_lines(), lines{"Error: cor_ui_vesk: Could not register callback"});
        // The playlist half went through and is taken back at destruction.
        ASSERT_TRUE(manager->unregister_play_callback(&listener));
    }
    EXPECT_EQ(host.take_lines(), lines{});
    vesk::play_callback_listener listener(nullptr);
    ASSERT_TRUE(listener.register_callbacks());
    // Taken away behind the listener's back: unregistering then fails, once.
    ASSERT_TRUE(manager->unregister_play_callback(&listener));
    listener.unregister_callbacks();
    listener.unregister_callbacks();
    EXPECT_EQ(host.take_lines(), lines{"Error: cor_ui_vesk: Could not unregister callback"});
    // Nothing is left registered: a fresh registration of the same object works.
    EXPECT_TRUE(manager->register_playlist_callback(&listener, 1));
    EXPECT_TRUE(manager->unregister_playlist_callback(&listener));
}

}  // namespace
