#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "player_rig.h"

namespace cor::test {
namespace {

using events = std::vector<std::string>;
using pc = playback_control;

struct engine_rig : player_rig {
    engine_rig() {
        list = create("Music");
        add(list, {"a.mp3", "b.mp3", "c.mp3"});
        play_events.take();
        playlist_events.take();
    }
    size_t playing_item() {
        size_t item = no_index;
        return engine->get_playing_item(nullptr, &item) ? item : no_index;
    }
    size_t list = 0;
};

TEST(PlaybackEngine, StartReportsStartingThenTheNewTrack) {
    engine_rig rig;
    auto& e = *rig.engine;
    EXPECT_EQ(rig.now_playing(), "nothing");
    EXPECT_EQ(rig.playlists->get_playing_playlist(), no_index);
    ASSERT_TRUE(rig.playlists->playlist_set_focus_item(rig.list, 1));

    e.start(pc::track_command_play, false);
    EXPECT_EQ(rig.play_events.take(), (events{"starting 1", "new_track b.mp3"}));
    EXPECT_TRUE(e.is_playing());
    EXPECT_FALSE(e.is_paused());
    EXPECT_EQ(rig.now_playing(), "b.mp3");
    EXPECT_EQ(rig.playlists->get_playing_playlist(), rig.list);
    EXPECT_EQ(rig.playing_item(), 1u);
    EXPECT_DOUBLE_EQ(e.get_length(), 10);
    EXPECT_TRUE(e.can_seek());

    // Starting another track stops the current one first.
    e.next();
    EXPECT_EQ(rig.play_events.take(), (events{"stop 2", "starting 2", "new_track c.mp3"}));
    e.previous();
    e.previous();
    EXPECT_EQ(rig.now_playing(), "a.mp3");
    rig.play_events.take();
    e.previous();
    EXPECT_TRUE(rig.play_events.take().empty()) << "nothing before the first track";
    EXPECT_EQ(rig.now_playing(), "a.mp3");

    e.stop();
    EXPECT_EQ(rig.play_events.take(), (events{"stop 0"}));
    EXPECT_FALSE(e.is_playing());
    EXPECT_EQ(e.get_position(), 0);
    EXPECT_EQ(e.get_length(), 0);
    EXPECT_FALSE(e.can_seek());
    EXPECT_EQ(rig.playlists->get_playing_playlist(), no_index);
    e.stop();
    EXPECT_TRUE(rig.play_events.take().empty());
}

TEST(PlaybackEngine, NothingToPlayMeansNoEvents) {
    player_rig rig;
    rig.engine->start(pc::track_command_play, false);
    rig.create("Empty");
    rig.engine->start(pc::track_command_play, false);
    rig.engine->next();
    rig.engine->random();
    rig.engine->start(pc::track_command_settrack, false);
    rig.engine->start(77, false);
    EXPECT_TRUE(rig.play_events.events.empty());
    EXPECT_FALSE(rig.engine->is_playing());
}

TEST(PlaybackEngine, StartingPausedHoldsThePosition) {
    engine_rig rig;
    auto& e = *rig.engine;
    e.start(pc::track_command_play, true);
    EXPECT_EQ(rig.play_events.take(), (events{"starting 1 paused", "new_track a.mp3"}));
    EXPECT_TRUE(e.is_playing());
    EXPECT_TRUE(e.is_paused());
    rig.run(3);
    EXPECT_EQ(e.get_position(), 0);
    EXPECT_TRUE(rig.play_events.take().empty()) << "no time passes while paused";

    e.start(pc::track_command_default, false);
    EXPECT_EQ(rig.play_events.take(), (events{"pause 0"})) << "the default command resumes";
    rig.run(1);
    EXPECT_EQ(rig.play_events.take(), (events{"time 1"}));
}

TEST(PlaybackEngine, PauseAndResume) {
    engine_rig rig;
    auto& e = *rig.engine;
    e.pause(true);
    e.toggle_pause();
    EXPECT_TRUE(rig.play_events.take().empty()) << "pausing while stopped does nothing";
    EXPECT_FALSE(e.is_paused());

    e.play_or_pause();
    EXPECT_EQ(rig.play_events.take(), (events{"starting 1", "new_track a.mp3"}));
    rig.run(1.5);
    e.play_or_pause();
    e.pause(true);
    EXPECT_EQ(rig.play_events.take(), (events{"time 1", "pause 1"}));
    rig.run(5);
    EXPECT_DOUBLE_EQ(e.get_position(), 1.5);
    e.toggle_pause();
    rig.run(0.5);
    EXPECT_EQ(rig.play_events.take(), (events{"pause 0", "time 2"}));
    EXPECT_DOUBLE_EQ(e.get_position(), 2);
}

TEST(PlaybackEngine, SeekMovesThePositionOnTheClock) {
    engine_rig rig;
    auto& e = *rig.engine;
    e.seek(3);
    EXPECT_TRUE(rig.play_events.take().empty()) << "no seeking while stopped";

    e.start(pc::track_command_play, false);
    rig.play_events.take();
    rig.run(2.5);
    EXPECT_DOUBLE_EQ(e.get_position(), 2.5);
    EXPECT_EQ(rig.play_events.take(), (events{"time 1", "time 2"}));

    e.seek(7.25);
    EXPECT_DOUBLE_EQ(e.get_position(), 7.25);
    rig.run(1);
    e.seek_delta(-5);
    EXPECT_DOUBLE_EQ(e.get_position(), 3.25);
    e.seek(-4);
    EXPECT_EQ(e.get_position(), 0);
    e.seek(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(rig.play_events.take(), (events{"seek 7.25", "time 8", "seek 3.25", "seek 0"}));

    // Past the end: the track ends at the next tick and the next one plays.
    e.seek(1e9);
    EXPECT_DOUBLE_EQ(e.get_position(), 10);
    rig.run(1.0 / 16);
    EXPECT_EQ(rig.play_events.take(), (events{"seek 10", "new_track b.mp3"}));
    EXPECT_EQ(e.get_position(), 0);
}

TEST(PlaybackEngine, TracksFollowEachOtherUntilThePlaylistEnds) {
    engine_rig rig;
    rig.track("b.mp3", 2.5);
    auto& e = *rig.engine;
    e.start(pc::track_command_play, false);
    rig.play_events.take();
    rig.run(10);
    EXPECT_EQ(rig.now_playing(), "b.mp3");
    rig.run(2.5);
    EXPECT_EQ(rig.now_playing(), "c.mp3");
    rig.run(10);
    EXPECT_FALSE(e.is_playing());
    const events got = rig.play_events.take();
    const events expected{"time 1", "time 2", "time 3",          "time 4", "time 5",
                          "time 6", "time 7", "time 8",          "time 9", "new_track b.mp3",
                          "time 1", "time 2", "new_track c.mp3", "time 1", "time 2",
                          "time 3", "time 4", "time 5",          "time 6", "time 7",
                          "time 8", "time 9", "stop 1"};
    EXPECT_EQ(got, expected);
    EXPECT_EQ(rig.playlists->get_playing_playlist(), no_index);
}

TEST(PlaybackEngine, StopAfterCurrentStopsOnceAtTheEnd) {
    engine_rig rig;
    auto& e = *rig.engine;
    e.start(pc::track_command_play, false);
    e.set_stop_after_current(true);
    EXPECT_TRUE(e.get_stop_after_current());
    rig.play_events.take();
    rig.run(10);
    EXPECT_FALSE(e.is_playing());
    EXPECT_EQ(rig.play_events.take().back(), "stop 1");
    EXPECT_FALSE(e.get_stop_after_current()) << "cleared once it has acted";
    e.next();
    rig.run(10);
    EXPECT_EQ(rig.now_playing(), "c.mp3") << "plays on as usual afterwards";
}

TEST(PlaybackEngine, RepeatTrackAndRepeatPlaylistAtTheEnd) {
    engine_rig rig;
    auto& e = *rig.engine;
    ASSERT_TRUE(e.set_playback_order(playlist_manager::order_repeat_track));
    EXPECT_EQ(e.get_playback_order(), playlist_manager::order_repeat_track);
    EXPECT_EQ(rig.playlist_events.take(), (events{"order 2"}));
    EXPECT_FALSE(e.set_playback_order(7));
    text_sink name;
    ASSERT_TRUE(e.get_playback_order_name(2, name));
    EXPECT_EQ(name.value, "Repeat (track)");
    EXPECT_EQ(e.get_playback_order_count(), 7u);

    e.start(pc::track_command_play, false);
    rig.run(20);
    EXPECT_EQ(rig.now_playing(), "a.mp3");
    e.next();
    EXPECT_EQ(rig.now_playing(), "b.mp3");

    ASSERT_TRUE(e.set_playback_order(playlist_manager::order_repeat_playlist));
    e.next();
    rig.play_events.take();
    rig.run(10);
    EXPECT_EQ(rig.now_playing(), "a.mp3");
    EXPECT_EQ(rig.play_events.take().back(), "new_track a.mp3");
}

TEST(PlaybackEngine, RemovingThePlayingItemContinuesWithTheOneAfterIt) {
    engine_rig rig;
    auto& e = *rig.engine;
    rig.add(rig.list, {"d.mp3"});
    ASSERT_TRUE(rig.playlists->playlist_set_focus_item(rig.list, 1));
    e.start(pc::track_command_play, false);
    const bool mask[] = {false, true, false, false};
    ASSERT_TRUE(rig.playlists->playlist_remove_items(rig.list, mask, 4));
    EXPECT_EQ(rig.now_playing(), "b.mp3") << "the track plays on";
    EXPECT_EQ(rig.playing_item(), no_index);
    EXPECT_EQ(rig.playlists->get_playing_playlist(), rig.list);
    rig.run(10);
    EXPECT_EQ(rig.now_playing(), "c.mp3");
    EXPECT_EQ(rig.playing_item(), 1u);

    // Items put in front move the playing item along.
    rig.add(rig.list, {"e.mp3"});
    auto x = rig.track("x.mp3");
    metadb_handle* front[] = {x.get()};
    ASSERT_EQ(rig.playlists->playlist_insert_items(rig.list, 0, front, 1, nullptr), 0u);
    EXPECT_EQ(rig.playing_item(), 2u);
    const bool drop_c[] = {false, false, true, false, false};
    ASSERT_TRUE(rig.playlists->playlist_remove_items(rig.list, drop_c, 5));
    e.previous();
    EXPECT_EQ(rig.now_playing(), "a.mp3");

    // Removing the playing playlist leaves the active one to go on from.
    ASSERT_TRUE(rig.playlists->remove_playlist(rig.list));
    EXPECT_EQ(rig.playlists->get_playing_playlist(), no_index);
    EXPECT_TRUE(e.is_playing());
}

TEST(PlaybackEngine, VolumeIsLimitedAndReportedOnChange) {
    engine_rig rig;
    auto& e = *rig.engine;
    EXPECT_EQ(e.get_volume(), 0);
    e.set_volume(-6);
    e.set_volume(-6);
    e.set_volume(-200);
    e.set_volume(3);
    e.set_volume(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(e.get_volume(), 0);
    e.volume_up();
    e.volume_down();
    e.volume_down();
    EXPECT_EQ(e.get_volume(), -2);
    e.volume_mute_toggle();
    EXPECT_EQ(e.get_volume(), -100);
    e.volume_down();
    e.volume_mute_toggle();
    EXPECT_EQ(rig.play_events.take(), (events{"volume -6", "volume -100", "volume 0", "volume -1",
                                              "volume -2", "volume -100", "volume -2"}));
}

TEST(PlaybackEngine, SetTrackResumeAndRandomCommands) {
    engine_rig rig;
    auto& e = *rig.engine;
    // The default action of an item plays it.
    ASSERT_TRUE(rig.playlists->playlist_execute_default_action(rig.list, 2));
    EXPECT_EQ(rig.play_events.take(), (events{"starting 4", "new_track c.mp3"}));
    rig.run(4);
    e.stop();
    rig.play_events.take();

    e.start(pc::track_command_resume, false);
    EXPECT_EQ(rig.play_events.take(), (events{"starting 6", "new_track c.mp3"}));
    EXPECT_DOUBLE_EQ(e.get_position(), 4);
    e.start(pc::track_command_resume, false);
    EXPECT_TRUE(rig.play_events.take().empty()) << "already playing";

    e.random();
    EXPECT_EQ(rig.play_events.take().back().substr(0, 10), "new_track ");
    EXPECT_LT(rig.playing_item(), 3u);

    e.shutdown();
    EXPECT_EQ(rig.play_events.take(), (events{"stop 3"}));
}

TEST(PlaybackEngine, EditedTrackAndUnknownLengths) {
    engine_rig rig;
    auto& e = *rig.engine;
    rig.track("a.mp3", 0);  // length unknown: plays silently for no time
    e.start(pc::track_command_play, false);
    EXPECT_FALSE(e.can_seek());
    rig.run(1.0 / 16);
    EXPECT_EQ(rig.now_playing(), "b.mp3");
    rig.play_events.take();

    const track_ptr b = rig.track("b.mp3", 30, "Album");
    rig.engine->notify_track_changed(rig.tracks.find("c.mp3").get());
    rig.engine->notify_track_changed(b.get());
    EXPECT_EQ(rig.play_events.take(), (events{"edited b.mp3"}));
}

// The playback queue as a listener meets it: each row is what the user
// does, then what plays and what is still queued.
TEST(PlaybackEngine, QueuedItemsPlayFirstInOrderThenTheOrderGoesOnFromTheLast) {
    player_rig rig;
    const size_t list = rig.create("Music");
    rig.add(list, {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3"});
    auto& pm = *rig.playlists;
    auto& e = *rig.engine;
    const auto queue = [&] {
        std::string out;
        for (const auto& at : pm.queue_items())
            out += (out.empty() ? "" : " ") + rig.item_name(at.playlist, at.item);
        return out;
    };
    const auto act = [&](const std::string& step) {
        const char verb = step[0];
        const size_t item = step.size() > 1 ? size_t(step[1] - '0') : 0;
        switch (verb) {
            case 'q':
                EXPECT_TRUE(pm.queue_add(list, item));
                break;
            case 'p':
                e.start(playback_control::track_command_play, false);
                break;
            case 's':
                e.stop();
                break;
            case 'n':
                e.next();
                break;
            case 'b':
                e.previous();
                break;
            case 'e':
                rig.run(10);
                break;  // the track plays to its end
            case 'd':
                e.play_item(list, item);
                break;
            case 'f':
                pm.queue_flush();
                break;
            case 'x': {  // removes the item
                std::vector<bool> mask(pm.playlist_get_item_count(list), false);
                mask[item] = true;
                const std::unique_ptr<bool[]> raw(new bool[mask.size()]);
                std::copy(mask.begin(), mask.end(), raw.get());
                EXPECT_TRUE(pm.playlist_remove_items(list, raw.get(), mask.size()));
                break;
            }
            case 'i':
                rig.playlists->playlist_insert_items(
                    list, item, std::vector<metadb_handle*>{rig.track("new.mp3").get()}.data(), 1,
                    nullptr);
                break;
        }
    };
    struct t_row {
        std::vector<std::string> steps;
        const char* playing;
        const char* queued;
    };
    const t_row rows[] = {
        {{"q4", "q1", "q4"}, "nothing", "e.mp3 b.mp3 e.mp3"},
        {{"p"}, "e.mp3", "b.mp3 e.mp3"},    // play starts with the queue
        {{"s"}, "nothing", "b.mp3 e.mp3"},  // stopping keeps it
        {{"p"}, "b.mp3", "e.mp3"},
        {{"n"}, "e.mp3", ""},
        {{"n"}, "f.mp3", ""},        // the order goes on after e
        {{"q0", "e"}, "a.mp3", ""},  // the end of a track takes the queue too
        {{"e"}, "b.mp3", ""},
        {{"q3", "q5", "b"}, "a.mp3", "d.mp3 f.mp3"},  // back is by the order
        {{"d2"}, "c.mp3", "d.mp3 f.mp3"},             // an item played by hand is not the queue's
        {{"x3"}, "c.mp3", "f.mp3"},                   // a removed item leaves the queue
        {{"i0", "q1"}, "c.mp3", "f.mp3 a.mp3"},       // queued items follow the edits
        {{"n", "n"}, "a.mp3", ""},
        {{"n"}, "b.mp3", ""},
        {{"q4", "f", "n"}, "c.mp3", ""},
    };
    for (const auto& row : rows) {
        std::string what;
        for (const auto& step : row.steps) {
            act(step);
            what += step + " ";
        }
        EXPECT_EQ(rig.now_playing(), row.playing) << what;
        EXPECT_EQ(queue(), row.queued) << what;
    }
}

// What plays next is picked ahead of the end; queueing after that still
// comes first, unless the output already decodes the next track.
TEST(PlaybackEngine, QueueingAfterTheNextTrackWasPickedStillComesFirst) {
    struct early_output final : silent_output {
        using silent_output::silent_output;
        bool wants_next() override { return length() - position() < 2; }
        bool queue_next(const t_track_info&) override {
            ++asked;
            return false;
        }
        int asked = 0;
    };
    player_rig rig;
    const size_t list = rig.create("Music");
    rig.add(list, {"a.mp3", "b.mp3", "c.mp3", "d.mp3"});
    auto output = std::make_unique<early_output>(rig.clock);
    early_output* out = output.get();
    auto engine = make_service<playback_engine>(rig.playlists, rig.callbacks, std::move(output));
    engine->play_item(list, 0);
    rig.clock.advance(9);
    engine->tick();
    ASSERT_EQ(out->asked, 1);  // b was picked
    ASSERT_TRUE(rig.playlists->queue_add(list, 3));
    for (int i = 0; i < 32; ++i) {
        rig.clock.advance(1.0 / 16);
        engine->tick();
    }
    metadb_handle* h = nullptr;
    ASSERT_TRUE(engine->get_now_playing(&h));
    EXPECT_EQ(track_name(h), "d.mp3");
    h->service_release();
    EXPECT_TRUE(rig.playlists->queue_items().empty());
    engine->shutdown();
}

}  // namespace
}  // namespace cor::test
