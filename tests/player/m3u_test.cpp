#include "corvina500/player/m3u.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "corvina500/player/file_io.h"
#include "player_rig.h"

namespace cor::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> paths(const std::vector<t_m3u_entry>& entries) {
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e.path);
    return out;
}

struct temp_folder {
    temp_folder() {
        dir = fs::temp_directory_path() / "corvina500_player_m3u";
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~temp_folder() { fs::remove_all(dir); }
    std::string file(const std::string& name) const { return utf8_path(dir) + "/" + name; }
    fs::path dir;
};

TEST(M3u, ParsesExtendedAndPlainLists) {
    const std::string text =
        "\xEF\xBB\xBF#EXTM3U\r\n"
        "#EXTINF:123,Artist - Title\r\n"
        "C:\\Music\\one.mp3\r\n"
        "\r\n"
        "# a comment\n"
        "  two.flac  \n"
        "#EXTINF:abc,No Length\r"
        "sub\\..\\.\\three.ogg\r\n"
        "http://example.org/stream.mp3\n"
        "/srv/four.wav";
    const auto entries = parse_m3u(text, "D:\\Lists");
    EXPECT_EQ(paths(entries),
              (std::vector<std::string>{"C:\\Music\\one.mp3", "D:\\Lists\\two.flac",
                                        "D:\\Lists\\three.ogg", "http://example.org/stream.mp3",
                                        "\\srv\\four.wav"}));
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_DOUBLE_EQ(entries[0].length, 123);
    EXPECT_EQ(entries[0].title, "Artist - Title");
    EXPECT_LT(entries[1].length, 0) << "no #EXTINF: unknown";
    EXPECT_LT(entries[2].length, 0);
    EXPECT_EQ(entries[2].title, "No Length");
    EXPECT_TRUE(parse_m3u("", "x").empty());
    EXPECT_TRUE(parse_m3u("#EXTM3U\n#EXTINF:1,dangling\n", "x").empty());
}

TEST(M3u, ResolvesRelativePathsAgainstThePlaylistFolder) {
    EXPECT_EQ(resolve_path("C:\\Music\\Lists", "..\\Album\\a.mp3"), "C:\\Music\\Album\\a.mp3");
    EXPECT_EQ(resolve_path("C:\\Music", "..\\..\\..\\a.mp3"), "C:\\a.mp3")
        << "nothing above the root";
    EXPECT_EQ(resolve_path("/home/u/lists", "../music/a.mp3"), "/home/u/music/a.mp3");
    EXPECT_EQ(resolve_path("C:/Music", "a/b.mp3"), "C:\\Music\\a\\b.mp3");
    EXPECT_EQ(resolve_path("\\\\server\\share", "x.mp3"), "\\\\server\\share\\x.mp3");
    EXPECT_EQ(resolve_path("C:\\Music", "D:\\x.mp3"), "D:\\x.mp3");
    EXPECT_EQ(resolve_path("", "rel/x.mp3"), "rel/x.mp3");
    EXPECT_EQ(resolve_path("", "../x.mp3"), "../x.mp3");
    EXPECT_EQ(parent_folder("C:\\a\\b.m3u"), "C:\\a");
    EXPECT_EQ(parent_folder("b.m3u"), "");
    EXPECT_TRUE(is_absolute_path("C:\\x"));
    EXPECT_FALSE(is_absolute_path("C:x"));
    EXPECT_TRUE(is_playlist_file("LIST.M3U8"));
    EXPECT_FALSE(is_playlist_file("list.m3u.bak"));
}

TEST(M3u, WritesLengthAndArtistTitle) {
    t_track_info full;
    full.path = "C:\\Music\\01 x.mp3";
    full.length_seconds = 61.6;
    full.add_meta("artist", "Ärzte");
    full.add_meta("title", "Line\r\nBreak");
    t_track_info bare;
    bare.path = "C:\\Music\\02 Song.flac";
    t_track_info titled;
    titled.path = "c.mp3";
    titled.add_meta("title", "Only");
    const std::vector<t_m3u_entry> entries{m3u_entry_for(full), m3u_entry_for(bare),
                                           m3u_entry_for(titled)};
    EXPECT_EQ(format_m3u(entries),
              "#EXTM3U\r\n"
              "#EXTINF:62,Ärzte - Line  Break\r\nC:\\Music\\01 x.mp3\r\n"
              "#EXTINF:-1,02 Song\r\nC:\\Music\\02 Song.flac\r\n"
              "#EXTINF:-1,Only\r\nc.mp3\r\n");
}

TEST(M3u, FilesRoundTripNonAsciiText) {
    temp_folder tmp;
    const std::vector<t_m3u_entry> entries{
        {"C:\\Musik\\Café\\été.mp3", 200, "Émilie - Ça"},
        {"C:\\音楽\\曲.flac", 5, "歌手 - 曲"},
        {"C:\\plain.wav", -1, "plain"},
    };
    for (const char* name : {"list.m3u8", "list.m3u"}) {
        const std::string path = tmp.file(name);
        ASSERT_TRUE(save_m3u(path, entries)) << name;
        const auto loaded = load_m3u(path);
        ASSERT_TRUE(loaded) << name;
        ASSERT_EQ(loaded->size(), 3u) << name;
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ((*loaded)[i].path, entries[i].path) << name;
            EXPECT_EQ((*loaded)[i].title, entries[i].title) << name;
        }
        EXPECT_DOUBLE_EQ((*loaded)[0].length, 200);
    }
    const auto utf8 = read_file(tmp.file("list.m3u8"));
    ASSERT_TRUE(utf8);
    EXPECT_NE(utf8->find("C:\\音楽\\曲.flac"), std::string::npos) << "stored as UTF-8";
    EXPECT_FALSE(fs::exists(tmp.dir / "list.m3u8.tmp"));

    // Entries relative to the playlist resolve to its folder.
    const std::string rel = tmp.file("rel.m3u8");
    ASSERT_TRUE(write_file_atomic(rel, "ä.mp3\n"));
    const auto loaded = load_m3u(rel);
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->size(), 1u);
    EXPECT_EQ(fs_path((*loaded)[0].path), tmp.dir / fs_path("ä.mp3"));

    EXPECT_FALSE(load_m3u(tmp.file("missing.m3u")));
    EXPECT_FALSE(save_m3u(tmp.file("no/such/folder/x.m3u8"), entries));
}

TEST(M3u, APlaylistSavedAndAddedBackHasTheSameTracks) {
    temp_folder tmp;
    player_rig rig;
    const size_t p = rig.create("Out");
    rig.track("C:\\Música\\1.mp3", 61, {}, "Björk", "Jóga");
    rig.add(p, {"C:\\Música\\1.mp3", "C:\\x\\2.flac", "C:\\Música\\1.mp3"});
    const std::string file = tmp.file("out.m3u8");
    ASSERT_TRUE(save_m3u(file, playlist_m3u_entries(*rig.playlists, p)));
    const auto text = read_file(file);
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("#EXTINF:61,Björk - Jóga\r\nC:\\Música\\1.mp3\r\n"), std::string::npos);

    const size_t q = rig.create("In");
    const char* paths[] = {file.c_str()};
    ASSERT_EQ(rig.playlists->playlist_insert_locations(q, 0, paths, nullptr, 1, false), 0u);
    ASSERT_EQ(rig.playlists->playlist_get_item_count(q), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(rig.playlists->item_track(q, i).get(), rig.playlists->item_track(p, i).get());
}

}  // namespace
}  // namespace cor::test
