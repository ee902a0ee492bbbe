#include <gtest/gtest.h>

#include <algorithm>
#include <ranges>
#include <set>

#include "corvina500/player/playback_order.h"
#include "player_rig.h"

namespace cor::test {
namespace {

using seq = std::vector<size_t>;
constexpr size_t none = no_index;

t_order_view view_of(size_t count, uint64_t id = 1,
                     std::function<std::string(size_t)> key = nullptr) {
    return t_order_view{id, count, std::move(key)};
}

playback_order_state with_order(size_t order, uint64_t seed = 5489) {
    playback_order_state s(seed);
    s.set_order(order);
    return s;
}

// Follows next() (or previous()) from `current` `n` times, feeding each
// answer back.
seq walk(playback_order_state& s, const t_order_view& v, size_t current, size_t n,
         bool automatic = false, bool back = false) {
    seq out;
    for (size_t i = 0; i < n; ++i)
        out.push_back(current = back ? s.previous(v, current) : s.next(v, current, automatic));
    return out;
}

seq walk_back(playback_order_state& s, const t_order_view& v, size_t current, size_t n) {
    return walk(s, v, current, n, false, true);
}

bool is_permutation(const seq& s, size_t n) {
    return s.size() == n && std::ranges::is_permutation(s, std::views::iota(size_t{0}, n));
}

// The runs of equal groups in what the player plays over `n` presses of
// Next, starting from nothing.
std::string played_runs(player_rig& rig, size_t n, const std::function<char(size_t)>& group,
                        seq* played = nullptr) {
    std::string runs;
    rig.engine->next();
    for (size_t i = 0; i < n; ++i) {
        const size_t item = rig.playing_item();
        EXPECT_NE(item, none);
        if (played) played->push_back(item);
        if (runs.empty() || runs.back() != group(item)) runs += group(item);
        rig.engine->next();
    }
    return runs;
}

TEST(PlaybackOrder, LinearOrdersFollowThePlaylist) {
    playback_order_state s;
    const auto v = view_of(3);
    EXPECT_EQ(walk(s, v, none, 4), (seq{0, 1, 2, none}));
    EXPECT_EQ(walk_back(s, v, 2, 3), (seq{1, 0, none}));
    EXPECT_EQ(s.next(v, 2, true), none) << "the default order ends with the playlist";
    EXPECT_EQ(s.next(view_of(0), none, false), none);

    s.set_order(playlist_manager::order_repeat_playlist);
    EXPECT_EQ(walk(s, v, 1, 4), (seq{2, 0, 1, 2}));
    EXPECT_EQ(walk_back(s, v, 1, 3), (seq{0, 2, 1}));

    s.set_order(playlist_manager::order_repeat_track);
    EXPECT_EQ(walk(s, v, 1, 2, true), (seq{1, 1})) << "a track that ends starts again";
    EXPECT_EQ(walk(s, v, 1, 3, false), (seq{2, 0, 1})) << "asking for the next one moves";
    EXPECT_EQ(s.previous(v, 0), 2u);

    s.set_order(99);
    EXPECT_EQ(s.order(), playlist_manager::order_default);
}

TEST(PlaybackOrder, RandomNeverRepeatsAndWalksBackThroughHistory) {
    auto s = with_order(playlist_manager::order_random, 7);
    const auto v = view_of(5);
    const seq forward = walk(s, v, 2, 30);
    size_t last = 2;
    for (size_t item : forward) {
        EXPECT_LT(item, 5u);
        EXPECT_NE(item, last);
        last = item;
    }
    EXPECT_GE(std::set<size_t>(forward.begin(), forward.end()).size(), 4u);

    // Back through what played, then forward again over the same items.
    const seq back = walk_back(s, v, forward.back(), 3);
    EXPECT_EQ(back, (seq{forward[28], forward[27], forward[26]}));
    EXPECT_EQ(walk(s, v, back.back(), 3), (seq{forward[27], forward[28], forward[29]}));

    auto again = with_order(playlist_manager::order_random, 7);
    EXPECT_EQ(walk(again, v, 2, 30), forward) << "the seed fixes the sequence";

    EXPECT_EQ(s.next(view_of(1, 2), none, false), 0u);
    EXPECT_EQ(s.next(view_of(1, 2), 0, false), 0u) << "one item can only repeat";
}

TEST(PlaybackOrder, ShuffleTracksPlaysEveryTrackOncePerCycle) {
    auto s = with_order(playlist_manager::order_shuffle_tracks, 11);
    const auto v = view_of(6);
    seq played{3};
    const seq rest = walk(s, v, 3, 5);
    played.insert(played.end(), rest.begin(), rest.end());
    EXPECT_TRUE(is_permutation(played, 6)) << "the first cycle starts from the current track";

    const seq second = walk(s, v, played.back(), 6);
    EXPECT_TRUE(is_permutation(second, 6));
    EXPECT_NE(second.front(), played.back()) << "no track twice in a row across cycles";
    EXPECT_EQ(walk_back(s, v, second.back(), 3), (seq{second[4], second[3], second[2]}));

    // Starting from nothing begins a cycle too.
    auto fresh = with_order(playlist_manager::order_shuffle_tracks, 11);
    EXPECT_TRUE(is_permutation(walk(fresh, v, none, 6), 6));
    EXPECT_EQ(fresh.previous(view_of(6, 9), none), none);
}

TEST(PlaybackOrder, ShuffleAlbumsKeepsAlbumsTogetherInPlaylistOrder) {
    // Albums X, Y and Z interleaved in the playlist; 9 has no album tag.
    const std::string albums = "XYZXYZXYZ-";
    const auto key = [&](size_t i) {
        return albums[i] == '-' ? std::string() : std::string(1, albums[i]);
    };
    const auto v = view_of(albums.size(), 1, key);
    auto t = with_order(playlist_manager::order_shuffle_albums, 3);
    const seq cycle = walk(t, v, none, 10);
    EXPECT_TRUE(is_permutation(cycle, 10));
    // Each album's tracks run consecutively, in playlist order.
    for (size_t i = 0; i < cycle.size();) {
        const char album = albums[cycle[i]];
        size_t j = i + 1;
        for (; j < cycle.size() && albums[cycle[j]] == album; ++j)
            EXPECT_GT(cycle[j], cycle[j - 1]);
        EXPECT_EQ(j - i, album == '-' ? 1u : 3u) << "album " << album << " split";
        i = j;
    }

    // From a track in the middle of album Y the rest of Y comes first.
    auto u = with_order(playlist_manager::order_shuffle_albums, 5);
    const seq from_y = walk(u, v, 4, 2);
    EXPECT_EQ(from_y[0], 7u);
    EXPECT_NE(albums[from_y[1]], 'Y');
    EXPECT_EQ(walk_back(u, v, from_y[1], 3), (seq{7, 4, 1})) << "the album's earlier track too";
}

TEST(PlaybackOrder, SequencesFollowTheirItemsThroughEdits) {
    auto s = with_order(playlist_manager::order_shuffle_tracks, 21);
    const auto v = view_of(5);
    const seq first = walk(s, v, 0, 2);  // 0 then first[0], first[1]

    // Remove item 0 (behind) and the current one: the cycle goes on with the
    // item that was due next.
    auto copy = with_order(playlist_manager::order_shuffle_tracks, 21);
    const seq plan = walk(copy, v, 0, 4);
    std::vector<size_t> map(5);
    size_t k = 0;
    for (size_t i = 0; i < 5; ++i) map[i] = (i == 0 || i == first[1]) ? none : k++;
    s.items_remapped(1, map);
    EXPECT_EQ(walk(s, view_of(3), none, 2), (seq{map[plan[2]], map[plan[3]]}));

    // Inserted items join the rest of the cycle.
    auto g = with_order(playlist_manager::order_shuffle_tracks, 4);
    const seq start = walk(g, view_of(3, 5), 0, 1);
    g.items_inserted(5, 0, 2);  // old 0..2 become 2..4
    seq rest = walk(g, view_of(5, 5), start[0] + 2, 3);
    rest.push_back(2);
    rest.push_back(start[0] + 2);
    EXPECT_TRUE(is_permutation(rest, 5));

    // Edits of another playlist leave the sequence alone.
    auto h = with_order(playlist_manager::order_shuffle_tracks, 4);
    const seq mine = walk(h, view_of(4, 1), 0, 2);
    h.items_inserted(2, 0, 10);
    h.items_remapped(2, {none});
    EXPECT_EQ(h.previous(view_of(4, 1), mine[1]), mine[0]);
}

TEST(PlaybackOrder, PlayerGroupsFoldersAndAlbumsAndFollowsReorders) {
    player_rig rig;
    const size_t p = rig.create("L");
    // "One" spelled two ways is one folder.
    rig.add(p, {"C:\\m\\One\\1.mp3", "C:\\m\\Two\\1.mp3", "c:\\M\\one\\2.mp3", "C:\\m\\Two\\2.mp3",
                "C:\\m\\Three\\1.mp3"});
    ASSERT_TRUE(rig.playlists->playback_order_set_active(playlist_manager::order_shuffle_folders));
    EXPECT_EQ(rig.playlist_events.take().back(), "order 6");
    const std::string runs = played_runs(rig, 5, [](size_t i) { return "ABABC"[i]; });
    EXPECT_EQ(runs.size(), 3u) << runs;
    EXPECT_EQ(std::set<char>(runs.begin(), runs.end()).size(), 3u) << runs;

    // Reordering the playlist keeps what comes next.
    ASSERT_TRUE(rig.playlists->playback_order_set_active(playlist_manager::order_shuffle_tracks));
    rig.engine->start(playback_control::track_command_play, false);
    rig.engine->next();
    const auto second = rig.playlists->item_track(p, rig.playing_item());
    rig.engine->previous();
    const size_t order[] = {4, 3, 2, 1, 0};
    ASSERT_TRUE(rig.playlists->playlist_reorder_items(p, order, 5));
    rig.engine->next();
    EXPECT_EQ(rig.playlists->item_track(p, rig.playing_item()).get(), second.get());

    // Albums are told apart by album artist (in any case) and by folder.
    const size_t q = rig.create("Albums");
    ASSERT_TRUE(rig.playlists->set_active_playlist(q));
    const std::pair<const char*, const char*> album_artists[] = {
        {"C:\\a\\1.mp3", "X"}, {"C:\\b\\1.mp3", "Y"}, {"C:\\a\\2.mp3", "x"}, {"C:\\b\\2.mp3", "Y"}};
    for (const auto& [path, artist] : album_artists)
        rig.track(path, 10, {{"album", "Hits"}, {"album artist", artist}});
    rig.add(q, {"C:\\a\\1.mp3", "C:\\b\\1.mp3", "C:\\a\\2.mp3", "C:\\b\\2.mp3", "C:\\u\\1.mp3",
                "C:\\v\\1.mp3", "C:\\u\\2.mp3"});
    ASSERT_TRUE(rig.playlists->playback_order_set_active(playlist_manager::order_shuffle_albums));
    rig.engine->stop();
    seq played;
    // Groups: {0,2} (Hits by X), {1,3} (Hits by Y), {4,6} (untagged in u), {5}.
    EXPECT_EQ(played_runs(
                  rig, 7, [](size_t i) { return "ABABCDC"[i]; }, &played)
                  .size(),
              4u);
    EXPECT_TRUE(is_permutation(played, 7));
}

}  // namespace
}  // namespace cor::test
