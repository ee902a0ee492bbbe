// $playback_control, $playback_seek, $volume and $display_volume against the
// Host's real player on a manual clock ($display_volume's scale alone is in
// data/scripts.tsv).
#include "function_test_util.h"

using namespace function_test;

namespace {

using Playback = FunctionTest;

// The commands, seeking, volume and volume scale of data/playback.tsv, in
// order, over Music (A, B, C of 100 s each; active, A focused); then the
// widest scale, which answers at once, somewhere in its middle.
TEST_F(Playback, ScriptTable) {
    auto& pm = host.player().playlists();
    const size_t pl = playlist("Music", {"A", "B", "C"}, {100, 100, 100});
    ASSERT_TRUE(pm.set_active_playlist(pl));
    ASSERT_TRUE(pm.playlist_set_focus_item(pl, 0));
    expect_table("playback.tsv");
    host.player().playback().set_volume(-37);
    const unsigned long long far_position = std::stoull(run("$display_volume(4294967295)"));
    EXPECT_GT(far_position, 0u);
    EXPECT_LT(far_position, 4294967295u);
}

}  // namespace
