#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <sstream>

#include "player_rig.h"
#include "support/case_table.h"

namespace cor::test {
namespace {

using pc = playback_control;

struct engine_rig : player_rig {
    engine_rig() {
        list = create("Music");
        add(list, {"a.mp3", "b.mp3", "c.mp3"});
        play_events.take();
        playlist_events.take();
    }
    size_t list = 0;
};

TEST(PlaybackEngine, StartNextPreviousAndStop) {
    engine_rig rig;
    auto& e = *rig.engine;
    ASSERT_TRUE(rig.playlists->playlist_set_focus_item(rig.list, 1));
    e.start(pc::track_command_play, false);
    EXPECT_EQ(rig.play_events.take(), (events{"starting 1", "new_track b.mp3"}));
    EXPECT_EQ(rig.now_playing(), "b.mp3");
    EXPECT_EQ(rig.playlists->get_playing_playlist(), rig.list);
    EXPECT_EQ(rig.playing_item(), 1u);
    EXPECT_DOUBLE_EQ(e.get_length(), 10);

    // Starting another track stops the current one first.
    e.next();
    EXPECT_EQ(rig.play_events.take(), (events{"stop 2", "starting 2", "new_track c.mp3"}));
    e.previous();
    e.previous();
    EXPECT_EQ(rig.now_playing(), "a.mp3");
    rig.play_events.take();
    e.previous();
    EXPECT_TRUE(rig.play_events.take().empty()) << "nothing before the first track";

    e.stop();
    e.stop();
    EXPECT_EQ(rig.play_events.take(), (events{"stop 0"}));
    EXPECT_FALSE(e.is_playing());
    EXPECT_EQ(e.get_length(), 0);
    EXPECT_FALSE(e.can_seek());
    EXPECT_EQ(rig.playlists->get_playing_playlist(), no_index);
}

TEST(PlaybackEngine, NothingToPlayMeansNoEvents) {
    player_rig rig;
    rig.engine->start(pc::track_command_play, false);
    rig.create("Empty");
    for (const uint32_t command : {pc::track_command_play, pc::track_command_next,
                                   pc::track_command_rand, pc::track_command_settrack, 77u})
        rig.engine->start(command, false);
    EXPECT_TRUE(rig.play_events.events.empty());
}

TEST(PlaybackEngine, PausingHoldsThePosition) {
    engine_rig rig;
    auto& e = *rig.engine;
    e.pause(true);
    e.seek(3);
    EXPECT_TRUE(rig.play_events.take().empty()) << "no pausing or seeking while stopped";

    e.start(pc::track_command_play, true);
    EXPECT_EQ(rig.play_events.take(), (events{"starting 1 paused", "new_track a.mp3"}));
    EXPECT_TRUE(e.is_paused());
    rig.run(3);
    EXPECT_EQ(e.get_position(), 0) << "no time passes while paused";
    e.start(pc::track_command_default, false);
    EXPECT_EQ(rig.play_events.take(), (events{"pause 0"})) << "the default command resumes";

    rig.run(1.5);
    e.play_or_pause();
    e.pause(true);
    rig.run(5);
    EXPECT_DOUBLE_EQ(e.get_position(), 1.5);
    e.toggle_pause();
    rig.run(0.5);
    EXPECT_EQ(rig.play_events.take(), (events{"time 1", "pause 1", "pause 0", "time 2"}));
    e.stop();
    e.play_or_pause();
    EXPECT_EQ(rig.play_events.take(), (events{"stop 0", "starting 1", "new_track a.mp3"}));
}

TEST(PlaybackEngine, SeekMovesThePositionOnTheClock) {
    engine_rig rig;
    auto& e = *rig.engine;
    e.start(pc::track_command_play, false);
    rig.play_events.take();
    rig.run(2.5);
    e.seek(7.25);
    rig.run(1);
    e.seek_delta(-5);
    EXPECT_DOUBLE_EQ(e.get_position(), 3.25);
    e.seek(-4);
    EXPECT_EQ(e.get_position(), 0);
    e.seek(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(rig.play_events.take(),
              (events{"time 1", "time 2", "seek 7.25", "time 8", "seek 3.25", "seek 0"}));

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
    rig.engine->start(pc::track_command_play, false);
    rig.play_events.take();
    rig.run(22.5);
    EXPECT_FALSE(rig.engine->is_playing());
    events expected;
    for (const auto& [seconds, then] : {std::pair{9, "new_track b.mp3"},
                                        std::pair{2, "new_track c.mp3"}, std::pair{9, "stop 1"}}) {
        for (int i = 1; i <= seconds; ++i) expected.push_back("time " + std::to_string(i));
        expected.push_back(then);
    }
    EXPECT_EQ(rig.play_events.take(), expected);
    EXPECT_EQ(rig.playlists->get_playing_playlist(), no_index);
}

// What plays after a track ends, by order and stop-after-current.
TEST(PlaybackEngine, TheEndOfATrackFollowsTheOrder) {
    engine_rig rig;
    auto& e = *rig.engine;
    e.start(pc::track_command_play, false);
    e.set_stop_after_current(true);
    rig.run(10);
    EXPECT_FALSE(e.is_playing());
    EXPECT_EQ(rig.play_events.take().back(), "stop 1");
    EXPECT_FALSE(e.get_stop_after_current()) << "cleared once it has acted";
    e.next();
    rig.run(10);
    EXPECT_EQ(rig.now_playing(), "c.mp3") << "plays on as usual afterwards";

    EXPECT_FALSE(e.set_playback_order(7));
    ASSERT_TRUE(e.set_playback_order(playlist_manager::order_repeat_track));
    EXPECT_EQ(rig.playlist_events.take(), (events{"order 2"}));
    rig.run(20);
    EXPECT_EQ(rig.now_playing(), "c.mp3");
    ASSERT_TRUE(e.set_playback_order(playlist_manager::order_repeat_playlist));
    rig.play_events.take();
    rig.run(10);
    EXPECT_EQ(rig.play_events.take().back(), "new_track a.mp3");
    ASSERT_TRUE(e.set_playback_order(playlist_manager::order_repeat_track));
    e.next();
    EXPECT_EQ(rig.now_playing(), "b.mp3") << "asking for the next track moves on";
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
    rig.run(10);
    EXPECT_EQ(rig.now_playing(), "c.mp3");

    // Items put in front move the playing item along.
    auto x = rig.track("x.mp3");
    metadb_handle* front[] = {x.get()};
    ASSERT_EQ(rig.playlists->playlist_insert_items(rig.list, 0, front, 1, nullptr), 0u);
    EXPECT_EQ(rig.playing_item(), 2u);
    const bool drop_c[] = {false, false, true, false};
    ASSERT_TRUE(rig.playlists->playlist_remove_items(rig.list, drop_c, 4));
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
    for (const float db : {-6.f, -6.f, -200.f, 3.f, std::numeric_limits<float>::quiet_NaN()})
        e.set_volume(db);
    e.volume_up();
    e.volume_down();
    e.volume_down();
    e.volume_mute_toggle();
    e.volume_down();
    e.volume_mute_toggle();
    EXPECT_EQ(e.get_volume(), -2);
    EXPECT_EQ(rig.play_events.take(), (events{"volume -6", "volume -100", "volume 0", "volume -1",
                                              "volume -2", "volume -100", "volume -2"}));
}

TEST(PlaybackEngine, SetTrackResumeRandomAndEditedTrack) {
    engine_rig rig;
    auto& e = *rig.engine;
    // The default action of an item plays it.
    ASSERT_TRUE(rig.playlists->playlist_execute_default_action(rig.list, 2));
    EXPECT_EQ(rig.play_events.take(), (events{"starting 4", "new_track c.mp3"}));
    rig.run(4);
    e.stop();
    rig.play_events.take();
    e.start(pc::track_command_resume, false);
    e.start(pc::track_command_resume, false);
    EXPECT_EQ(rig.play_events.take(), (events{"starting 6", "new_track c.mp3"}));
    EXPECT_DOUBLE_EQ(e.get_position(), 4);

    const track_ptr c = rig.track("c.mp3", 30, {{"album", "Album"}});
    e.notify_track_changed(rig.tracks.find("b.mp3").get());
    e.notify_track_changed(c.get());
    EXPECT_EQ(rig.play_events.take(), (events{"edited c.mp3"}));

    e.random();
    EXPECT_EQ(rig.play_events.take().back().substr(0, 10), "new_track ");
    EXPECT_LT(rig.playing_item(), 3u);

    rig.track("a.mp3", 0);  // length unknown: plays silently for no time
    e.play_item(rig.list, 0);
    EXPECT_FALSE(e.can_seek());
    rig.run(1.0 / 16);
    EXPECT_EQ(rig.now_playing(), "b.mp3");
    rig.play_events.take();
    e.shutdown();
    EXPECT_EQ(rig.play_events.take(), (events{"stop 3"}));
}

// The playback queue as a listener meets it: each row of data/queue.tsv is
// what the user does, then what plays and what is still queued.
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
    const auto remove = [&](size_t item) {
        const size_t count = pm.playlist_get_item_count(list);
        const std::unique_ptr<bool[]> mask(new bool[count]());
        mask[item] = true;
        EXPECT_TRUE(pm.playlist_remove_items(list, mask.get(), count));
    };
    const auto insert = [&](size_t at) {
        const track_ptr t = rig.track("new.mp3");
        metadb_handle* added[] = {t.get()};
        pm.playlist_insert_items(list, at, added, 1, nullptr);
    };
    // Steps: a letter, then the item it applies to.
    const std::map<char, std::function<void(size_t)>> act = {
        {'q', [&](size_t i) { EXPECT_TRUE(pm.queue_add(list, i)); }},
        {'p', [&](size_t) { e.start(playback_control::track_command_play, false); }},
        {'s', [&](size_t) { e.stop(); }},
        {'n', [&](size_t) { e.next(); }},
        {'b', [&](size_t) { e.previous(); }},
        {'e', [&](size_t) { rig.run(10); }},  // the track plays to its end
        {'d', [&](size_t i) { e.play_item(list, i); }},
        {'f', [&](size_t) { pm.queue_flush(); }},
        {'x', remove},
        {'i', insert},
    };
    for (const auto& row : cor_test::read_case_table("player/data/queue.tsv", 3)) {
        std::istringstream steps(row.fields[0]);
        for (std::string step; steps >> step;)
            act.at(step[0])(step.size() > 1 ? size_t(step[1] - '0') : 0);
        EXPECT_EQ(rig.now_playing(), row.fields[1]) << row.where << ": " << row.fields[0];
        EXPECT_EQ(queue().empty() ? "-" : queue(), row.fields[2])
            << row.where << ": " << row.fields[0];
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
    rig.use_output(std::move(output));
    rig.engine->play_item(list, 0);
    rig.clock.advance(9);
    rig.engine->tick();
    ASSERT_EQ(out->asked, 1);  // b was picked
    ASSERT_TRUE(rig.playlists->queue_add(list, 3));
    rig.run(2);
    EXPECT_EQ(rig.now_playing(), "d.mp3");
    EXPECT_TRUE(rig.playlists->queue_items().empty());
    rig.engine->shutdown();
}

}  // namespace
}  // namespace cor::test
