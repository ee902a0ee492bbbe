#include <gtest/gtest.h>

#include <algorithm>
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

TEST(PlayerState, RoundTripsAndRefusesDamagedBytesWithoutHarm) {
    const auto bytes = encode_player_state(sample_state());
    EXPECT_EQ(decode_player_state(bytes), sample_state());
    EXPECT_EQ(decode_player_state(encode_player_state({})), t_player_state{});
    for (size_t n = 0; n < bytes.size(); ++n)
        EXPECT_FALSE(decode_player_state({bytes.data(), n})) << "cut at " << n;

    // Trailing bytes, another magic or version, four billion playlists, the
    // first name's length far past the end.
    const std::pair<size_t, std::string> damage[] = {{bytes.size(), std::string(1, '\0')},
                                                     {0, "X"},
                                                     {4, "\x02"},
                                                     {8, "\xFF\xFF\xFF\xFF"},
                                                     {15, "\x7F"}};
    for (const auto& [at, with] : damage) {
        auto bad = bytes;
        bad.resize(std::max(bad.size(), at + with.size()));
        std::copy(with.begin(), with.end(), bad.begin() + std::ptrdiff_t(at));
        EXPECT_FALSE(decode_player_state(bad)) << "damaged at " << at;
    }

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
    const auto decoded = decode_player_state(encode_player_state(state));
    ASSERT_TRUE(decoded);
    player_rig next_run;
    ASSERT_TRUE(restore_player_state(*decoded, *next_run.playlists, *next_run.engine));
    EXPECT_EQ(capture_player_state(*next_run.playlists, *next_run.engine), state);
    EXPECT_EQ(next_run.playlists->item_track(1, 0)->path(), "C:\\ü.mp3");
    EXPECT_FALSE(restore_player_state(*decoded, *next_run.playlists, *next_run.engine))
        << "only into an empty player";
    EXPECT_EQ(next_run.playlists->get_playlist_count(), 2u);
}

// Values out of range come back as the defaults.
TEST(PlayerState, OutOfRangeValuesFallBackToDefaults) {
    auto s = sample_state();
    s.active = 9;
    const auto decoded = decode_player_state(encode_player_state(s));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->active, no_index);

    t_player_state odd;
    odd.playlists = {{"", {"a.mp3", ""}}};
    odd.order = 42;
    for (const float volume : {std::numeric_limits<float>::quiet_NaN(), -500.f}) {
        odd.volume = volume;
        player_rig rig;
        ASSERT_TRUE(restore_player_state(odd, *rig.playlists, *rig.engine));
        EXPECT_EQ(rig.name_of(0), "Untitled");
        EXPECT_EQ(rig.playlists->playlist_get_item_count(0), 1u);
        EXPECT_EQ(rig.playlists->playback_order_get_active(), 0u);
        EXPECT_EQ(rig.engine->get_volume(), std::isnan(volume) ? 0 : -100) << volume;
    }
}

}  // namespace
}  // namespace cor::test
