// $playback_control, $playback_seek, $volume and $display_volume against the
// Host's real player on a manual clock ($display_volume's scale alone is in
// data/scripts.tsv).
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
};

// The commands, seeking and volume of data/playback.tsv, in order.
TEST_F(Playback, ScriptTable) { expect_table("playback.tsv"); }

TEST_F(Playback, DisplayVolumeFindsThePositionOfTheHostVolume) {
    auto& pb = host.player().playback();
    struct row {
        float volume;
        const char* steps;
        const char* expected;
    };
    // The lowest position that reaches the volume (5 is -18.06 dB of 10 steps).
    const row rows[] = {{-20, "10", "5"},  {-18.0f, "10", "6"}, {0, "10", "10"},
                        {-100, "10", "0"}, {-99, "46", "1"},    {-50, "0", "0"}};
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
