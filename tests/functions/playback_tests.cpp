// $playback_control, $playback_seek, $volume and $display_volume against the
// Host's real player on a manual clock.
#include "function_test_util.h"

using namespace function_test;

namespace {

class Playback : public FunctionTest {
protected:
    void SetUp() override {
        FunctionTest::SetUp();
        auto& pm = host.player().playlists();
        const size_t pl = playlist("Music", {"A", "B", "C"}, {100, 100, 100});
        ASSERT_TRUE(pm.set_active_playlist(pl));
        ASSERT_TRUE(pm.playlist_set_focus_item(pl, 0));
    }

    std::string state() { return run("%playback_state% %pi_playingindex%"); }
};

// Each command, written in any case, writes nothing and leaves the player
// in the state given.
TEST_F(Playback, ControlCommands) {
    EXPECT_EQ(state(), "stop ?");
    const struct {
        const char* script;
        const char* state;
    } steps[] = {
        {"$playback_control(PLAY)", "play 0"},
        {"$playback_control(next)", "play 1"},
        {"$playback_control(Prev)", "play 0"},
        {"$playback_control(pause)$playback_control(pause)", "pause 0"},
        {"$playback_control(toggle_pause)", "play 0"},
        {"$playback_control(play_or_pause)", "pause 0"},
        {"$playback_control(play_or_pause)", "play 0"},
        {"$playback_control(stop)", "stop ?"},
        // Toggling while stopped does not start playback; play-or-pause does.
        {"$playback_control(toggle_pause)", "stop ?"},
        {"$playback_control(play_or_pause)", "play 0"},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(run(s.script), "") << s.script;
        EXPECT_EQ(state(), s.state) << s.script;
    }
    run("$playback_control(rand)");
    EXPECT_EQ(run("%playback_state%"), "play");
    EXPECT_TRUE(host.take_lines().empty());
}

TEST_F(Playback, UnknownCommandsAndWrongCalls) {
    EXPECT_EQ(run_lines("$if($playback_control(resume),found,not)"), lines{"found"});
    EXPECT_EQ(state(), "stop ?");
    EXPECT_EQ(run_lines("$playback_control()$playback_control(play,x)$playback_seek()"),
              (lines{"", "$playback_control: invalid syntax", "$playback_control: invalid syntax",
                     "$playback_seek: invalid syntax"}));
    EXPECT_EQ(state(), "stop ?");
}

TEST_F(Playback, SeekTakesSecondsAsAFloatingNumber) {
    run("$playback_control(play)");
    EXPECT_EQ(run("$if($playback_seek(12.5),y,n)%playback_position%"), "y12.5000000");
    // Past the end is the Host's affair: it stays within the track.
    for (const auto& [seek, position] : {std::pair{"$playback_seek( 1e1xyz)", "10.0000000"},
                                         {"$playback_seek(abc)", "0.0000000"},
                                         {"$playback_seek(5000)", "100.0000000"}}) {
        run(seek);
        EXPECT_EQ(run("%playback_position%"), position) << seek;
    }
}

TEST_F(Playback, VolumeIsLimitedAndReadBack) {
    auto& pb = host.player().playback();
    EXPECT_EQ(run("$volume(-200)"), "-100.0000000");
    EXPECT_EQ(pb.get_volume(), -100.0f);
    EXPECT_EQ(run("$volume(3)"), "0.0000000");
    EXPECT_EQ(pb.get_volume(), 0.0f);
    EXPECT_EQ(run("$volume(-6.5)"), "-6.5000000");
    EXPECT_EQ(run("$volume()|$if($volume(),found,not)"), "-6.5000000|found");
    EXPECT_EQ(pb.get_volume(), -6.5f);
    // An empty value reads 0: full volume.
    EXPECT_EQ(run("$volume($get(nothing))"), "0.0000000");
    EXPECT_EQ(run_lines("$volume(1,2)"), (lines{"", "$volume: invalid syntax"}));
}

TEST_F(Playback, DisplayVolumeScale) {
    struct row {
        const char* call;
        const char* expected;
    };
    const row rows[] = {
        {"$display_volume(10,5)", "-18.0618"},
        {"$display_volume(10,10)", "0"},
        {"$display_volume(10,0)", "-100"},
        {"$display_volume(10,1)", "-60"},
        {"$display_volume(10x,9)", "-2.74545"},
        {"$display_volume(0,0)", "0"},
        {"$display_volume(-3,0)", "0"},
        {"$display_volume(45,1)", "-99.1928"},
        // From 46 steps on the curve flattens: its denominator exceeds the steps.
        {"$display_volume(46,23)", "-17.5132"},
        {"$display_volume(46,1)", "-82.2641"},
        {"$display_volume(100,50)", "-17.5558"},
        {"$display_volume(100,0)", "-100"},
        {"$display_volume(1000,1)", "-98.8634"},
        {"$display_volume(4294967295,4294967295)", "0"},
    };
    for (const auto& r : rows) EXPECT_EQ(run(r.call), r.expected) << r.call;
    EXPECT_EQ(run_lines("$display_volume(10,11)"), (lines{"", "$display_volume: invalid value"}));
    EXPECT_EQ(run_lines("$display_volume()$display_volume(1,2,3)"),
              (lines{"", "$display_volume: invalid syntax", "$display_volume: invalid syntax"}));
}

TEST_F(Playback, DisplayVolumeFindsThePositionOfTheHostVolume) {
    auto& pb = host.player().playback();
    struct row {
        float volume;
        const char* steps;
        const char* expected;
    };
    const row rows[] = {
        {-20, "10", "5"},   {0, "10", "10"},      {-100, "10", "0"},    {-18.0f, "10", "6"},
        {-20, "100", "46"}, {-6.5f, "100", "78"}, {-40, "1000", "199"}, {-99, "46", "1"},
        {-50, "0", "0"},    {0, "0", "0"},
    };
    for (const auto& r : rows) {
        pb.set_volume(r.volume);
        EXPECT_EQ(run(std::string("$display_volume(") + r.steps + ")"), r.expected)
            << r.volume << " dB on " << r.steps << " steps";
    }
    // The widest scale answers at once, somewhere in its middle.
    pb.set_volume(-37);
    const unsigned long long far_position = std::stoull(run("$display_volume(4294967295)"));
    EXPECT_GT(far_position, 0u);
    EXPECT_LT(far_position, 4294967295u);
    EXPECT_EQ(run("$if($display_volume(10),found,not)"), "found");
}

}  // namespace
