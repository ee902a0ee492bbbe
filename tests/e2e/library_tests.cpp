// The player's own library work, seen from its command line: adding a
// folder of tagged files, formatting the playlist, keeping it between runs.
#include <windows.h>

#include <gtest/gtest.h>

#include "e2e/process.h"
#include "e2e/wav_file.h"
#include "support/test_folder.h"

namespace {

using cor_test::run_player;

TEST(PlayerLibrary, AddsFoldersInNameOrderFormatsThemAndKeepsThemInTheProfile) {
    const cor_test::test_folder profile_folder, music_folder;
    const std::wstring profile = profile_folder.dir().wstring(),
                       music = music_folder.dir().wstring();
    const std::wstring album = music + L"\\B\u00e9la \u97f3\u697d";
    ASSERT_TRUE(CreateDirectoryW(album.c_str(), nullptr));
    cor_test::t_wav_format one{44100, 2, 16, 1.5, {}}, two{22050, 1, 8, 65, {}};
    one.tags = {
        {"INAM", "Z\u00fcrich"}, {"IART", "\u5c71\u7530"}, {"IPRD", "First"}, {"ITRK", "2"}};
    two.tags = {{"INAM", "Second"}, {"IART", "Band"}, {"IPRD", "First"}, {"ITRK", "10"}};
    ASSERT_TRUE(cor_test::write_bytes(album + L"\\01 \u00e9t\u00e9.wav", cor_test::make_wav(one)));
    ASSERT_TRUE(cor_test::write_bytes(album + L"\\02 two.wav", cor_test::make_wav(two)));
    // Name order puts the loose file after the album folder.
    ASSERT_TRUE(cor_test::write_bytes(music + L"\\c.wav", cor_test::make_wav({})));
    // Not media: ignored. Broken media: skipped with a console line.
    ASSERT_TRUE(cor_test::write_bytes(music + L"\\notes.txt", "hello"));
    ASSERT_TRUE(cor_test::write_bytes(music + L"\\d broken.wav", "RIFF\x10\0\0\0WAVEjunk"));

    const auto r = run_player(
        {L"--profile", profile, L"--add", music, L"--format",
         L"%list_index%|%tracknumber%|%artist%|%title%|%album%|%length%|%samplerate%|%channels%"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out,
              "1|02|\xe5\xb1\xb1\xe7\x94\xb0|Z\xc3\xbcrich|First|0:02|44100|stereo\n"
              "2|10|Band|Second|First|1:05|22050|mono\n"
              "3|?|?|c|?|0:01|44100|stereo\n");
    EXPECT_NE(r.err.find("d broken.wav"), std::string::npos) << r.err;

    // The playlist outlives the run. A format with a syntax error shows its
    // text up to the error.
    const auto again =
        run_player({L"--profile", profile, L"--format", L"%playlist_name%: %title%"});
    EXPECT_EQ(again.out, "Default: Z\xc3\xbcrich\nDefault: Second\nDefault: c\n");
    const auto more = run_player(
        {L"--profile", profile, L"--add", music + L"\\c.wav", L"--format", L"a%title%b$"});
    EXPECT_EQ(more.out, "aZ\xc3\xbcrichb\naSecondb\nacb\nacb\n");

    // Damage to the store is reported without stopping the next start.
    const std::wstring store = profile + L"\\corvina500.cfgstore";
    std::string bytes = cor_test::read_bytes(store);
    ASSERT_GT(bytes.size(), 40u);
    bytes.resize(bytes.size() - 7);
    ASSERT_TRUE(cor_test::write_bytes(store, bytes));
    const auto damaged = run_player({L"--profile", profile, L"--format", L"%title%"});
    EXPECT_EQ(damaged.exit_code, 0);
    EXPECT_NE(damaged.err.find("config store"), std::string::npos) << damaged.err;
}

}  // namespace
