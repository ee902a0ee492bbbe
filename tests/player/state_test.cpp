#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "corvina500/player/player_state.h"
#include "player_rig.h"

namespace cor::test {
namespace {

t_player_state sample_state() {
    t_player_state s;
    s.playlists = {{"Default", {"C:\\a.mp3", "C:\\Ünïcødé\\b.flac"}},
                   {"Empty", {}},
                   {"日本語", {"D:\\曲.wav"}}};
    s.active = 2;
    s.order = 4;
    s.volume = -12.5f;
    return s;
}

TEST(PlayerState, RoundTripsThroughBytes) {
    const auto s = sample_state();
    const auto bytes = encode_player_state(s);
    const auto back = decode_player_state(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, s);

    const t_player_state empty;
    const auto none = decode_player_state(encode_player_state(empty));
    ASSERT_TRUE(none);
    EXPECT_EQ(*none, empty);
}

TEST(PlayerState, DamagedBytesAreRefusedWithoutHarm) {
    const auto bytes = encode_player_state(sample_state());
    for (size_t n = 0; n < bytes.size(); ++n)
        EXPECT_FALSE(decode_player_state({bytes.data(), n})) << "cut at " << n;

    auto longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(decode_player_state(longer)) << "trailing bytes";
    auto magic = bytes;
    magic[0] = 'X';
    EXPECT_FALSE(decode_player_state(magic));
    auto version = bytes;
    version[4] = 2;
    EXPECT_FALSE(decode_player_state(version));
    auto count = bytes;
    count[8] = count[9] = count[10] = count[11] = 0xFF;  // four billion playlists
    EXPECT_FALSE(decode_player_state(count));
    auto name = bytes;
    name[15] = 0x7F;  // first name length far past the end
    EXPECT_FALSE(decode_player_state(name));

    // Random damage: decoding either fails or yields a state; it never
    // crashes or reads past the end (checked by sanitizers when enabled).
    std::mt19937 rng(1);
    for (int round = 0; round < 2000; ++round) {
        auto damaged = bytes;
        for (int k = 0; k < 3; ++k) damaged[rng() % damaged.size()] = uint8_t(rng());
        if (const auto s = decode_player_state(damaged)) {
            EXPECT_TRUE(s->active == no_index || s->active < s->playlists.size());
        }
    }
}

TEST(PlayerState, OutOfRangeValuesFallBackToDefaults) {
    auto s = sample_state();
    s.active = 9;
    const auto decoded = decode_player_state(encode_player_state(s));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->active, no_index);

    player_rig rig;
    t_player_state odd;
    odd.playlists = {{"", {"a.mp3", ""}}};
    odd.order = 42;
    odd.volume = std::numeric_limits<float>::quiet_NaN();
    ASSERT_TRUE(restore_player_state(odd, *rig.playlists, *rig.engine));
    EXPECT_EQ(rig.name_of(0), "Untitled");
    EXPECT_EQ(rig.playlists->playlist_get_item_count(0), 1u);
    EXPECT_EQ(rig.playlists->playback_order_get_active(), 0u);
    EXPECT_EQ(rig.engine->get_volume(), 0);
    odd.volume = -500;
    player_rig loud;
    ASSERT_TRUE(restore_player_state(odd, *loud.playlists, *loud.engine));
    EXPECT_EQ(loud.engine->get_volume(), -100);
}

TEST(PlayerState, CaptureAndRestoreThePlayer) {
    player_rig rig;
    rig.create("Default");
    rig.create("Second");
    rig.add(0, {"C:\\a.mp3", "C:\\b.mp3"});
    rig.add(1, {"C:\\ü.mp3"});
    ASSERT_TRUE(rig.playlists->set_active_playlist(1));
    ASSERT_TRUE(rig.playlists->playback_order_set_active(playlist_manager::order_shuffle_albums));
    rig.engine->set_volume(-7.25f);

    const auto state = capture_player_state(*rig.playlists, *rig.engine);
    const auto bytes = encode_player_state(state);
    const auto decoded = decode_player_state(bytes);
    ASSERT_TRUE(decoded);

    player_rig next_run;
    ASSERT_TRUE(restore_player_state(*decoded, *next_run.playlists, *next_run.engine));
    EXPECT_EQ(capture_player_state(*next_run.playlists, *next_run.engine), state);
    EXPECT_EQ(next_run.playlists->get_active_playlist(), 1u);
    EXPECT_EQ(next_run.playlists->item_track(1, 0)->path(), "C:\\ü.mp3");
    EXPECT_FALSE(restore_player_state(*decoded, *next_run.playlists, *next_run.engine))
        << "only into an empty player";
    EXPECT_EQ(next_run.playlists->get_playlist_count(), 2u);
}

}  // namespace
}  // namespace cor::test
