#include "corvina500/player/m3u.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "corvina500/player/file_io.h"
#include "player_rig.h"
#include "support/case_table.h"
#include "support/test_folder.h"

namespace cor::test {
namespace {

namespace fs = std::filesystem;
using names = std::vector<std::pair<std::string, std::string>>;

// Playlist text and paths in, what the reader makes of them out.
TEST(M3u, ParsesListsAndResolvesPaths) {
    for (const auto& row : cor_test::read_case_table("player/data/m3u.tsv", 4)) {
        const std::string& call = row.fields[0];
        const std::string folder = row.fields[1] == "-" ? "" : row.fields[1];
        const std::string& in = row.fields[2];
        std::string got;
        if (call == "parse") {
            for (const auto& e : parse_m3u(in, folder))
                got += (got.empty() ? "" : "\n") + e.path + "|" + number_text(e.length) + "|" +
                       e.title;
        } else if (call == "resolve") {
            got = resolve_path(folder, in);
        } else if (call == "parent") {
            got = parent_folder(in);
        } else if (call == "absolute" || call == "playlist") {
            got = (call == "absolute" ? is_absolute_path(in) : is_playlist_file(in)) ? "yes" : "no";
        } else {
            ADD_FAILURE() << row.where << ": unknown call " << call;
        }
        EXPECT_EQ(got.empty() ? "-" : got, row.fields[3]) << row.where << ": " << in;
    }
}

TEST(M3u, WritesLengthAndArtistTitle) {
    player_rig rig;
    const auto entry = [&](const char* path, double seconds, const names& meta) {
        return m3u_entry_for(rig.track(path, seconds, meta)->info());
    };
    const std::vector<t_m3u_entry> entries{
        entry("C:\\Music\\01 x.mp3", 61.6, {{"artist", "Ärzte"}, {"title", "Line\r\nBreak"}}),
        entry("C:\\Music\\02 Song.flac", 0, {}), entry("c.mp3", 0, {{"title", "Only"}})};
    EXPECT_EQ(format_m3u(entries),
              "#EXTM3U\r\n"
              "#EXTINF:62,Ärzte - Line  Break\r\nC:\\Music\\01 x.mp3\r\n"
              "#EXTINF:-1,02 Song\r\nC:\\Music\\02 Song.flac\r\n"
              "#EXTINF:-1,Only\r\nc.mp3\r\n");
}

TEST(M3u, FilesRoundTripNonAsciiText) {
    const cor_test::test_folder tmp;
    const std::vector<t_m3u_entry> entries{
        {"C:\\Musik\\Café\\été.mp3", 200, "Émilie - Ça"},
        {"C:\\音楽\\曲.flac", 5, "歌手 - 曲"},
        {"C:\\plain.wav", -1, "plain"},
    };
    for (const char* name : {"list.m3u8", "list.m3u"}) {
        const std::string path = tmp.path(name);
        ASSERT_TRUE(save_m3u(path, entries)) << name;
        const auto loaded = load_m3u(path);
        ASSERT_TRUE(loaded) << name;
        EXPECT_EQ(format_m3u(*loaded), format_m3u(entries)) << name;
    }
    const auto utf8 = read_file(tmp.path("list.m3u8"));
    ASSERT_TRUE(utf8);
    EXPECT_NE(utf8->find("C:\\音楽\\曲.flac"), std::string::npos) << "stored as UTF-8";
    EXPECT_FALSE(fs::exists(tmp.dir() / "list.m3u8.tmp"));

    // Entries relative to the playlist resolve to its folder.
    ASSERT_TRUE(write_file_atomic(tmp.path("rel.m3u8"), "ä.mp3\n"));
    const auto rel = load_m3u(tmp.path("rel.m3u8"));
    ASSERT_TRUE(rel && rel->size() == 1);
    EXPECT_EQ(fs_path((*rel)[0].path), tmp.dir() / fs_path("ä.mp3"));

    EXPECT_FALSE(load_m3u(tmp.path("missing.m3u")));
    EXPECT_FALSE(save_m3u(tmp.path("no/such/folder/x.m3u8"), entries));
}

// Folders expand to their media files in name order, playlists to their
// entries, whatever else is given is added as it is.
TEST(M3u, APlaylistSavedAndAddedBackWithItsFolderHasTheSameTracks) {
    const cor_test::test_folder tmp;
    fs::create_directories(tmp.dir() / "sub");
    for (const char* name : {"b.mp3", "A.flac", "notes.txt", "sub/c.wav"})
        std::ofstream(tmp.dir() / name) << "x";
    player_rig rig;
    const size_t p = rig.create("Out");
    rig.track("C:\\Música\\1.mp3", 61, {{"artist", "Björk"}, {"title", "Jóga"}});
    rig.add(p, {"C:\\Música\\1.mp3", tmp.path("sub/c.wav"), "http://radio.example/stream"});
    const std::string list = tmp.path("list.m3u8");
    ASSERT_TRUE(save_m3u(list, playlist_m3u_entries(*rig.playlists, p)));
    const auto text = read_file(list);
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("#EXTINF:61,Björk - Jóga\r\nC:\\Música\\1.mp3\r\n"), std::string::npos);

    const size_t q = rig.create("In");
    const std::string folder = utf8_path(tmp.dir()), file = "C:\\elsewhere\\z.mp3";
    const char* paths[] = {folder.c_str(), list.c_str(), file.c_str()};
    rig.playlist_events.take();
    EXPECT_EQ(rig.playlists->playlist_insert_locations(q, no_index, paths, nullptr, 3, true), 0u);
    EXPECT_EQ(rig.playlist_events.take(),
              (events{"added 1 at 0 sel 1111111: A.flac b.mp3 c.wav 1.mp3 c.wav stream z.mp3"}));
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(rig.playlists->item_track(q, 3 + i).get(), rig.playlists->item_track(p, i).get());
    EXPECT_EQ(rig.playlists->item_track(q, 2).get(), rig.playlists->item_track(q, 4).get())
        << "the folder's file and the playlist's entry are one track";
}

}  // namespace
}  // namespace cor::test
