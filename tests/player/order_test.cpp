#include <gtest/gtest.h>

#include <algorithm>
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

// Follows next() from `current` `n` times, feeding each answer back.
seq walk_next(playback_order_state& s, const t_order_view& v, size_t current, size_t n,
              bool automatic = false) {
    seq out;
    for (size_t i = 0; i < n; ++i) {
        current = s.next(v, current, automatic);
        out.push_back(current);
    }
    return out;
}

seq walk_previous(playback_order_state& s, const t_order_view& v, size_t current, size_t n) {
    seq out;
    for (size_t i = 0; i < n; ++i) {
        current = s.previous(v, current);
        out.push_back(current);
    }
    return out;
}

bool is_permutation(seq s, size_t n) {
    std::sort(s.begin(), s.end());
    for (size_t i = 0; i < n; ++i)
        if (s.size() != n || s[i] != i) return false;
    return true;
}

TEST(PlaybackOrder, NamesInIndexOrder) {
    const char* expected[] = {"Default",          "Repeat (playlist)", "Repeat (track)",   "Random",
                              "Shuffle (tracks)", "Shuffle (albums)",  "Shuffle (folders)"};
    for (size_t i = 0; i < playback_order_state::order_count; ++i)
        EXPECT_STREQ(playback_order_state::order_name(i), expected[i]);
    EXPECT_EQ(playback_order_state::order_name(7), nullptr);
}

TEST(PlaybackOrder, LinearOrdersFollowThePlaylist) {
    playback_order_state s;
    const auto v = view_of(3);
    EXPECT_EQ(walk_next(s, v, none, 4), (seq{0, 1, 2, none}));
    EXPECT_EQ(walk_previous(s, v, 2, 3), (seq{1, 0, none}));
    EXPECT_EQ(s.next(v, 2, true), none) << "the default order ends with the playlist";
    EXPECT_EQ(s.next(view_of(0), none, false), none);

    s.set_order(playlist_manager::order_repeat_playlist);
    EXPECT_EQ(walk_next(s, v, 1, 4), (seq{2, 0, 1, 2}));
    EXPECT_EQ(walk_previous(s, v, 1, 3), (seq{0, 2, 1}));

    s.set_order(playlist_manager::order_repeat_track);
    EXPECT_EQ(walk_next(s, v, 1, 2, true), (seq{1, 1})) << "a track that ends starts again";
    EXPECT_EQ(walk_next(s, v, 1, 3, false), (seq{2, 0, 1})) << "asking for the next one moves";
    EXPECT_EQ(s.previous(v, 0), 2u);

    s.set_order(99);
    EXPECT_EQ(s.order(), playlist_manager::order_default);
}

TEST(PlaybackOrder, RandomNeverRepeatsAndWalksBackThroughHistory) {
    playback_order_state s(7);
    s.set_order(playlist_manager::order_random);
    const auto v = view_of(5);
    const seq forward = walk_next(s, v, 2, 30);
    size_t last = 2;
    for (size_t item : forward) {
        EXPECT_LT(item, 5u);
        EXPECT_NE(item, last);
        last = item;
    }
    EXPECT_GE(std::set<size_t>(forward.begin(), forward.end()).size(), 4u);

    // Back through what played, then forward again over the same items.
    seq back = walk_previous(s, v, forward.back(), 3);
    EXPECT_EQ(back, (seq{forward[28], forward[27], forward[26]}));
    EXPECT_EQ(walk_next(s, v, back.back(), 3), (seq{forward[27], forward[28], forward[29]}));

    playback_order_state again(7);
    again.set_order(playlist_manager::order_random);
    EXPECT_EQ(walk_next(again, v, 2, 30), forward) << "the seed fixes the sequence";
    playback_order_state other(8);
    other.set_order(playlist_manager::order_random);
    EXPECT_NE(walk_next(other, v, 2, 30), forward);

    EXPECT_EQ(s.next(view_of(1, 2), none, false), 0u);
    EXPECT_EQ(s.next(view_of(1, 2), 0, false), 0u) << "one item can only repeat";
}

TEST(PlaybackOrder, ShuffleTracksPlaysEveryTrackOncePerCycle) {
    playback_order_state s(11);
    s.set_order(playlist_manager::order_shuffle_tracks);
    const auto v = view_of(6);
    seq played{3};
    const seq rest = walk_next(s, v, 3, 5);
    played.insert(played.end(), rest.begin(), rest.end());
    EXPECT_TRUE(is_permutation(played, 6)) << "the first cycle starts from the current track";

    const seq second = walk_next(s, v, played.back(), 6);
    EXPECT_TRUE(is_permutation(second, 6));
    EXPECT_NE(second.front(), played.back()) << "no track twice in a row across cycles";
    const seq third = walk_next(s, v, second.back(), 6);
    EXPECT_TRUE(is_permutation(third, 6));
    EXPECT_NE(second, third);

    EXPECT_EQ(walk_previous(s, v, third.back(), 3), (seq{third[4], third[3], third[2]}));

    // Starting from nothing begins a cycle too.
    playback_order_state fresh(11);
    fresh.set_order(playlist_manager::order_shuffle_tracks);
    EXPECT_TRUE(is_permutation(walk_next(fresh, v, none, 6), 6));
    EXPECT_EQ(fresh.previous(view_of(6, 9), none), none);
}

TEST(PlaybackOrder, ShuffleAlbumsKeepsAlbumsTogetherInPlaylistOrder) {
    // Albums X, Y and Z interleaved in the playlist; 9 has no album tag.
    const std::string albums = "XYZXYZXYZ-";
    const auto key = [&](size_t i) {
        return albums[i] == '-' ? std::string() : std::string(1, albums[i]);
    };
    const auto v = view_of(albums.size(), 1, key);
    playback_order_state t(3);
    t.set_order(playlist_manager::order_shuffle_albums);
    const seq cycle = walk_next(t, v, none, 10);
    EXPECT_TRUE(is_permutation(cycle, 10));
    // Each album's tracks run consecutively, in playlist order.
    for (size_t i = 0; i < cycle.size();) {
        const char album = albums[cycle[i]];
        size_t j = i + 1;
        while (j < cycle.size() && albums[cycle[j]] == album) {
            EXPECT_GT(cycle[j], cycle[j - 1]);
            ++j;
        }
        EXPECT_EQ(j - i, album == '-' ? 1u : 3u) << "album " << album << " split";
        i = j;
    }

    // From a track in the middle of album Y the rest of Y comes first.
    playback_order_state u(5);
    u.set_order(playlist_manager::order_shuffle_albums);
    const seq from_y = walk_next(u, v, 4, 2);
    EXPECT_EQ(from_y[0], 7u);
    EXPECT_NE(albums[from_y[1]], 'Y');
    EXPECT_EQ(u.previous(v, from_y[1]), 7u);
    EXPECT_EQ(u.previous(v, 7), 4u);
    EXPECT_EQ(u.previous(v, 4), 1u) << "the album's earlier track is behind";
}

TEST(PlaybackOrder, SequencesFollowTheirItemsThroughEdits) {
    playback_order_state s(21);
    s.set_order(playlist_manager::order_shuffle_tracks);
    const auto v = view_of(5);
    const seq first = walk_next(s, v, 0, 2);  // 0 then first[0], first[1]

    // Remove item 0 (behind) and the current one: the cycle goes on with the
    // item that was due next.
    playback_order_state copy(21);
    copy.set_order(playlist_manager::order_shuffle_tracks);
    const seq plan = walk_next(copy, v, 0, 4);
    std::vector<size_t> map(5);
    size_t k = 0;
    for (size_t i = 0; i < 5; ++i) map[i] = (i == 0 || i == first[1]) ? none : k++;
    s.items_remapped(1, map);
    const auto v3 = view_of(3);
    EXPECT_EQ(s.next(v3, none, false), map[plan[2]]);
    EXPECT_EQ(s.next(v3, map[plan[2]], false), map[plan[3]]);

    // Inserted items join the rest of the cycle.
    playback_order_state g(4);
    g.set_order(playlist_manager::order_shuffle_tracks);
    const seq start = walk_next(g, view_of(3, 5), 0, 1);
    g.items_inserted(5, 0, 2);  // old 0..2 become 2..4
    seq rest = walk_next(g, view_of(5, 5), start[0] + 2, 3);
    rest.push_back(2);
    rest.push_back(start[0] + 2);
    EXPECT_TRUE(is_permutation(rest, 5));

    // Edits of another playlist leave the sequence alone.
    playback_order_state h(4);
    h.set_order(playlist_manager::order_shuffle_tracks);
    const seq mine = walk_next(h, view_of(4, 1), 0, 2);
    h.items_inserted(2, 0, 10);
    h.items_remapped(2, {none});
    EXPECT_EQ(h.previous(view_of(4, 1), mine[1]), mine[0]);
}

TEST(PlaybackOrder, PlayerNavigatesShuffledFoldersAndFollowsReorders) {
    player_rig rig;
    const size_t p = rig.create("L");
    rig.add(p, {"C:\\m\\One\\1.mp3", "C:\\m\\Two\\1.mp3", "c:\\M\\one\\2.mp3", "C:\\m\\Two\\2.mp3",
                "C:\\m\\Three\\1.mp3"});
    ASSERT_TRUE(rig.playlists->playback_order_set_active(playlist_manager::order_shuffle_folders));
    EXPECT_EQ(rig.playlist_events.take().back(), "order 6");

    rig.engine->start(playback_control::track_command_next, false);
    std::vector<std::string> folders;
    for (int i = 0; i < 5; ++i) {
        size_t pl = 0, item = 0;
        ASSERT_TRUE(rig.engine->get_playing_item(&pl, &item));
        const std::string path = rig.playlists->item_track(pl, item)->path();
        folders.push_back(fold_case(path.substr(5, path.rfind('\\') - 5)));
        rig.engine->next();
    }
    // Three folders, each played as one run ("one" spelled two ways).
    std::vector<std::string> runs;
    for (const auto& f : folders)
        if (runs.empty() || runs.back() != f) runs.push_back(f);
    EXPECT_EQ(runs.size(), 3u);
    EXPECT_EQ(std::set<std::string>(runs.begin(), runs.end()).size(), 3u);

    // Reordering the playlist keeps what comes next.
    ASSERT_TRUE(rig.playlists->playback_order_set_active(playlist_manager::order_shuffle_tracks));
    rig.engine->start(playback_control::track_command_play, false);
    rig.engine->next();
    const auto second = rig.playlists->item_track(p, [&] {
        size_t item = 0;
        EXPECT_TRUE(rig.engine->get_playing_item(nullptr, &item));
        return item;
    }());
    rig.engine->previous();
    const size_t order[] = {4, 3, 2, 1, 0};
    ASSERT_TRUE(rig.playlists->playlist_reorder_items(p, order, 5));
    rig.engine->next();
    size_t item = 0;
    ASSERT_TRUE(rig.engine->get_playing_item(nullptr, &item));
    EXPECT_EQ(rig.playlists->item_track(p, item).get(), second.get());
}

TEST(PlaybackOrder, PlayerTellsAlbumsApartByArtistAndFolder) {
    player_rig rig;
    const size_t p = rig.create("L");
    const auto tagged = [&](const std::string& path, const std::string& album_artist) {
        t_track_info info;
        info.path = path;
        info.length_seconds = 10;
        info.add_meta("album", "Hits");
        info.add_meta("album artist", album_artist);
        rig.tracks.put(std::move(info));
    };
    tagged("C:\\a\\1.mp3", "X");
    tagged("C:\\b\\1.mp3", "Y");
    tagged("C:\\a\\2.mp3", "x");
    tagged("C:\\b\\2.mp3", "Y");
    rig.add(p, {"C:\\a\\1.mp3", "C:\\b\\1.mp3", "C:\\a\\2.mp3", "C:\\b\\2.mp3", "C:\\u\\1.mp3",
                "C:\\v\\1.mp3", "C:\\u\\2.mp3"});
    ASSERT_TRUE(rig.playlists->playback_order_set_active(playlist_manager::order_shuffle_albums));
    rig.engine->next();
    std::vector<size_t> played;
    for (int i = 0; i < 7; ++i) {
        size_t item = 0;
        ASSERT_TRUE(rig.engine->get_playing_item(nullptr, &item));
        played.push_back(item);
        rig.engine->next();
    }
    // Groups: {0,2} (Hits by X), {1,3} (Hits by Y), {4,6} (untagged in u), {5}.
    const auto group = [](size_t i) { return std::string("ABABCDC").at(i); };
    std::string runs;
    for (size_t item : played)
        if (runs.empty() || runs.back() != group(item)) runs += group(item);
    EXPECT_EQ(runs.size(), 4u) << runs;
    EXPECT_TRUE(is_permutation(played, 7));
}

}  // namespace
}  // namespace cor::test
