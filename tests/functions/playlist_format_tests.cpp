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

// Lines end in CR LF, line breaks inside an item too, and a UTF-8 file has
// one byte-order mark, also when added to or when adding starts it.
TEST_F(PlaylistSave, WritesOneLinePerItem) {
    const std::string bom = "\xEF\xBB\xBF";
    struct row {
        const char* file;
        std::string options, contents;
    };
    const row rows[] = {
        {"list.txt", "'%title%'", bom + "A\r\nB\r\nC\r\n"},
        {"list.txt", "'<%title%>',Music,charcode:UTF8,mode:write", bom + "<A>\r\n<B>\r\n<C>\r\n"},
        {"added.txt", "'%title%',,mode:add", bom + "A\r\nB\r\nC\r\n"},
        {"added.txt", "'%title%!',,MODE:ADD", bom + "A\r\nB\r\nC\r\nA!\r\nB!\r\nC!\r\n"},
        {"breaks.txt", "'%title%$crlf()x$char(10)y',,charcode:utf8",
         bom + "A\r\nx\r\ny\r\nB\r\nx\r\ny\r\nC\r\nx\r\ny\r\n"},
        {"places.txt", "'%list_index%|%list_total%|%playlist_name%|%title%'",
         bom + "1|3|Music|A\r\n2|3|Music|B\r\n3|3|Music|C\r\n"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(run("$if($pl_save(" + dir.path(r.file) + "," + r.options + "),y,n)"), "y")
            << r.options;
        EXPECT_EQ(saved(r.file), r.contents) << r.options;
    }
}

TEST_F(PlaylistSave, AnsiCodePageHasNoMark) {
    tagged("Accents", {{{"artist", "Caf\xC3\xA9"}}, {{"artist", "Na\xC3\xAFve"}}});
    run("$pl_save(" + dir.path("ansi.txt") + ",'%artist%',Accents,charcode:sjis)");
    // The platform's own conversion is the reference for the ANSI code page.
    const auto ansi = [](const wchar_t* text) {
        char buf[64];
        const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, buf, sizeof buf, nullptr, nullptr);
        return std::string(buf, n > 0 ? n - 1 : 0);
    };
    EXPECT_EQ(saved("ansi.txt"), ansi(L"Caf\u00E9") + "\r\n" + ansi(L"Na\u00EFve") + "\r\n");
    if (GetACP() == 1252) {
        EXPECT_EQ(saved("ansi.txt"), "Caf\xE9\r\nNa\xEFve\r\n");
    }
}

TEST_F(PlaylistSave, EmptyPlaylistAndProfileFolderPaths) {
    tagged("Empty", {});
    // A leading "/" is the Host's profile folder.
    fs::create_directories("C:\\profile\\saved");
    run("$pl_save(/saved/empty.txt,'%title%',Empty)");
    EXPECT_EQ(cor_test::read_bytes("C:\\profile\\saved\\empty.txt"), "\xEF\xBB\xBF");
    run("$pl_save(/saved/empty.txt,'%title%',Empty,charcode:sjis)");
    EXPECT_EQ(cor_test::read_bytes("C:\\profile\\saved\\empty.txt"), "");
    std::error_code ignored;
    fs::remove_all("C:\\profile\\saved", ignored);
}

TEST_F(PlaylistSave, BadOptionsLeaveTheFileAlone) {
    const std::string out = dir.path("kept.txt");
    cor_test::write_bytes(dir.file("kept.txt"), "old");
    EXPECT_EQ(run_lines("$pl_save(" + out + ",'%title%',,charcode:jis)"),
              (lines{"", "$pl_save: unknown charcode 'jis'"}));
    EXPECT_EQ(run_lines("$pl_save(" + out + ",'%title%',,mode:overwrite)"),
              (lines{"", "$pl_save: unknown write mode 'overwrite'"}));
    EXPECT_EQ(run_lines("$pl_save(" + out + ",'%title%',,escape:1,bogus)"),
              (lines{"", "$pl_save: unknown option 'bogus'"}));
    EXPECT_EQ(run_lines("$pl_save(" + out + ",'%title%',Gone)$pl_save(" + out + ")"),
              (lines{"", "$pl_save: playlist not found", "$pl_save: invalid syntax"}));
    EXPECT_EQ(saved("kept.txt"), "old");
    EXPECT_EQ(run_lines("$pl_save(" + dir.path("missing\\dir\\x.txt") + ",'%title%')"),
              (lines{"", "$pl_save: file write error"}));
}

}  // namespace
