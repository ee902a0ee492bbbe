// The playlist functions that format items with a script text: $pl_getmeta,
// $pl_save, $pl_sum, $pl_groupsum and $pl_group.
#include "function_test_util.h"

#include <filesystem>

#include "script/preprocessor.h"
#include "support/test_folder.h"

using namespace function_test;
namespace fs = std::filesystem;

namespace {

class PlaylistFormats : public FunctionTest {
protected:
    cor::playlist_manager_impl& pm() { return host.player().playlists(); }

    void SetUp() override {
        FunctionTest::SetUp();
        music = playlist("Music", {"A", "B", "C"});
        ASSERT_TRUE(pm().set_active_playlist(music));
        ASSERT_TRUE(pm().playlist_set_focus_item(music, 1));
    }

    // A playlist whose items carry the given tags.
    size_t tagged(const std::string& name, const std::vector<meta_list>& items) {
        std::vector<std::string> titles;
        for (size_t i = 0; i < items.size(); ++i) titles.push_back(name + std::to_string(i));
        return playlist(name, titles, {}, items);
    }

    size_t music = 0;
};

// The rows of data/playlist_formats.tsv, over Music and these playlists.
TEST_F(PlaylistFormats, ScriptTable) {
    playlist("Other", {"X", "Y"});
    playlist("Ten", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"});
    tagged("Values", {{{"value", "1"}}, {{"value", "2"}}, {{"value", "3"}}});
    tagged("Negative", {{{"value", "-4"}}, {{"value", "-2.5"}}});
    tagged("Large", {{{"value", "1234000"}}, {{"value", "567"}}, {{"value", "abc"}}});
    tagged("Albums", {{{"album", "A"}, {"value", "12345678901"}},
                      {{"album", "A"}, {"value", "-5"}},
                      {{"album", "B"}, {"value", "7x"}},
                      {{"album", "A"}, {"value", "x7"}}});
    tagged("Empty", {});
    expect_table("playlist_formats.tsv");
    // Definitions of the custom scripts are expanded in formats.
    ASSERT_TRUE(vesk::compile_custom_scripts("#define both %title%+%title% #end", false));
    EXPECT_EQ(run("$pl_getmeta('#both#',,2)"), "C+C");
    ASSERT_TRUE(vesk::compile_custom_scripts("", false));
}

class PlaylistSave : public PlaylistFormats {
protected:
    cor_test::test_folder dir;
    std::string saved(const char* name) { return cor_test::read_bytes(dir.file(name)); }
};

// The rows of data/playlist_saves.tsv, in order.
TEST_F(PlaylistSave, WritesOneLinePerItem) {
    for (const auto& row : cor_test::read_case_table("functions/data/playlist_saves.tsv", 3)) {
        const std::string& file = row.fields[0];
        EXPECT_EQ(run("$if($pl_save(" + dir.path(file) + "," + row.fields[1] + "),y,n)"), "y")
            << row.where;
        EXPECT_EQ(saved(file.c_str()), cor_test::case_field(row, 2, {{"bom", "\xEF\xBB\xBF"}}))
            << row.where;
    }
}

// The ANSI code page has no mark.
TEST_F(PlaylistSave, CodePageProfileFolderAndBadOptions) {
    tagged("Accents", {{{"artist", "Caf\xC3\xA9"}}, {{"artist", "Na\xC3\xAFve"}}});
    run("$pl_save(" + dir.path("ansi.txt") + ",'%artist%',Accents,charcode:sjis)");
    // The platform's own conversion is the reference for the ANSI code page.
    const auto ansi = [](const wchar_t* text) {
        char buf[64];
        const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, buf, sizeof buf, nullptr, nullptr);
        return std::string(buf, n > 0 ? n - 1 : 0);
    };
    EXPECT_EQ(saved("ansi.txt"), ansi(L"Caf\u00E9") + "\r\n" + ansi(L"Na\u00EFve") + "\r\n");

    // An empty playlist writes the mark alone, or nothing; a leading "/" is
    // the Host's profile folder.
    tagged("Empty", {});
    fs::create_directories("C:\\profile\\saved");
    run("$pl_save(/saved/empty.txt,'%title%',Empty)");
    EXPECT_EQ(cor_test::read_bytes("C:\\profile\\saved\\empty.txt"), "\xEF\xBB\xBF");
    run("$pl_save(/saved/empty.txt,'%title%',Empty,charcode:sjis)");
    EXPECT_EQ(cor_test::read_bytes("C:\\profile\\saved\\empty.txt"), "");
    std::error_code ignored;
    fs::remove_all("C:\\profile\\saved", ignored);

    // Bad options leave the file alone.
    cor_test::write_bytes(dir.file("kept.txt"), "old");
    const std::string kept = dir.path("kept.txt"), save = "$pl_save(" + kept + ",'%title%',";
    EXPECT_EQ(
        run_lines(save + ",charcode:jis)" + save + ",mode:overwrite)" + save + ",escape:1,bogus)" +
                  save + "Gone)$pl_save(" + kept + ")$pl_save(" + dir.path("missing\\dir\\x.txt") +
                  ",'%title%')"),
        (lines{"", "$pl_save: unknown charcode 'jis'", "$pl_save: unknown write mode 'overwrite'",
               "$pl_save: unknown option 'bogus'", "$pl_save: playlist not found",
               "$pl_save: invalid syntax", "$pl_save: file write error"}));
    EXPECT_EQ(saved("kept.txt"), "old");
}

}  // namespace
