// The playlist functions that format items with a script text: $pl_getmeta,
// $pl_save, $pl_sum, $pl_groupsum and $pl_group.
#include "function_test_util.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "script/preprocessor.h"

using namespace function_test;
namespace fs = std::filesystem;

namespace {

using meta_list = std::vector<std::pair<std::string, std::string>>;

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
        const size_t pl = pm().create_playlist(name.data(), name.size(), cor::no_index);
        std::vector<cor::track_ptr> keep;
        std::vector<cor::metadb_handle*> raw;
        for (size_t i = 0; i < items.size(); ++i) {
            keep.push_back(track("C:\\tagged\\" + name + std::to_string(i) + ".wav",
                                 name + std::to_string(i), 10, items[i]));
            raw.push_back(keep.back().get());
        }
        pm().playlist_insert_items(pl, cor::no_index, raw.data(), raw.size(), nullptr);
        return pl;
    }

    size_t music = 0;
};

TEST_F(PlaylistFormats, GetMetaFormatsOneItem) {
    playlist("Other", {"X", "Y"});
    // The focused item of the active playlist, or the index given.
    EXPECT_EQ(
        run("$pl_getmeta('%title%')|$pl_getmeta('%title%',,2)|$pl_getmeta('%title%',Other,0)"),
        "B|C|X");
    // A named playlist without an index takes the active playlist's focus index.
    EXPECT_EQ(run("$pl_getmeta('%title%',Other)|$if($pl_getmeta('%title%'),y,n)"), "Y|y");
    // A format that does not compile formats the file name instead.
    EXPECT_EQ(run("$pl_getmeta('$if(',,0)"), "A");
    EXPECT_EQ(run_lines("$pl_getmeta('%title%',,x)$pl_getmeta('%title%',,)"
                        "$pl_getmeta('%title%',,0,bad:1)$pl_getmeta()$pl_getmeta(x,Gone)"),
              (lines{"", "$pl_getmeta: invalid index", "$pl_getmeta: invalid index",
                     "$pl_getmeta: unknown option 'bad:1'", "$pl_getmeta: invalid syntax",
                     "$pl_getmeta: playlist not found"}));
}

TEST_F(PlaylistFormats, EscapedFormatsAndTheCallersVariables) {
    EXPECT_EQ(run("$pl_getmeta(\\dupper\\{\\ptitle\\p\\},,0,escape:1)"), "A");
    EXPECT_EQ(run("$pl_getmeta(\\ptitle\\p,,0,ESCAPE:on)|$pl_getmeta(\\ptitle\\p,,0,escape:yes)"),
              "A|\\ptitle\\p");
    // The item's hook keeps the caller's loop variable.
    EXPECT_EQ(run("$for(i,0,2,1,'$pl_getmeta(\\ptitle\\p-\\pi\\p,,%i%,escape:1)')"), "A-0B-1C-2");
    // Definitions of the custom scripts are expanded in formats.
    ASSERT_TRUE(vesk::compile_custom_scripts("#define both %title%+%title% #end", false));
    EXPECT_EQ(run("$pl_getmeta('#both#',,2)"), "C+C");
    ASSERT_TRUE(vesk::compile_custom_scripts("", false));
}

TEST_F(PlaylistFormats, SumMaxMinAverage) {
    tagged("Values", {{{"value", "1"}}, {{"value", "2"}}, {{"value", "3"}}});
    EXPECT_EQ(run("$pl_sum('%value%',,Values)|$pl_sum('%value%',,Values,mode:avg)|"
                  "$pl_sum('%value%',,Values,mode:MAX)|$pl_sum('%value%',,Values,mode:min)"),
              "6|2|3|1");
    // Only items whose condition reads non-zero count.
    EXPECT_EQ(run("$pl_sum('%value%','$ifgreater(%value%,1,1,0)',Values,mode:avg)"), "2.5");
    EXPECT_EQ(run("$pl_sum('%value%','0',Values)|$pl_sum('%value%','x',Values,mode:max)|"
                  "$pl_sum('%value%','0',Values,mode:min)|$pl_sum('%value%','0',Values,mode:avg)"),
              "0|0|0|0");
    tagged("Negative", {{{"value", "-4"}}, {{"value", "-2.5"}}});
    EXPECT_EQ(run("$pl_sum('%value%',,Negative,mode:max)|$pl_sum('%value%',,Negative,mode:min)"),
              "-2.5|-4");
    tagged("Large", {{{"value", "1234000"}}, {{"value", "567"}}, {{"value", "abc"}}});
    EXPECT_EQ(run("$pl_sum('%value%',,Large)|$pl_sum(\\pvalue\\p,,Large,escape:1)"),
              "1.23457e+06|1.23457e+06");
    EXPECT_EQ(run("$pl_sum('%value%',,Large,mode:avg)"), "411522");
    EXPECT_EQ(run_lines("$pl_sum('%value%',,Values,mode:median)$pl_sum('%value%',,Values,x:1)"
                        "$pl_sum()"),
              (lines{"", "$pl_sum: unknown mode 'median'", "$pl_sum: unknown option 'x:1'",
                     "$pl_sum: invalid syntax"}));
}

TEST_F(PlaylistFormats, GroupsAreRunsOfEqualText) {
    tagged("Albums", {{{"album", "A"}, {"value", "12345678901"}},
                      {{"album", "A"}, {"value", "-5"}},
                      {{"album", "B"}, {"value", "7x"}},
                      {{"album", "A"}, {"value", "x7"}}});
    EXPECT_EQ(run("$pl_group(group,'%album%',,Albums)|$pl_group(GROUP,'%album%',ignored,Albums)"),
              "3|3");
    EXPECT_EQ(run("$pl_group(group,'%title%')|$pl_group(group,'%album%')"), "3|1");
    EXPECT_EQ(
        run("$pl_group(count,'%album%',0,Albums)|$pl_group(count,'%album%',2,Albums)|"
            "$pl_group(count,'%album%',3,Albums)|$if($pl_group(count,'%album%',3,Albums),y,n)"),
        "2|1|0|y");
    EXPECT_EQ(run("$pl_group(index,'%album%',2,Albums)|$pl_group(name,'%album%',1,Albums)"), "3|B");
    EXPECT_EQ(
        run("[$pl_group(name,'%album%',3,Albums)]|$if($pl_group(index,'%album%',3,Albums),y,n)"),
        "|n");
    EXPECT_EQ(run("$pl_groupsum('%value%','%album%',0,Albums)|"
                  "$pl_groupsum('%value%','%album%',1,Albums)|"
                  "$pl_groupsum('%value%','%album%',2,Albums)|"
                  "$pl_groupsum('%value%','%album%',3,Albums)"),
              "1234567885|7|0|0");
    EXPECT_EQ(run_lines("$pl_group(size,'%album%',0)$pl_group(count,'%album%')"
                        "$pl_group(name,'%album%',x)$pl_groupsum(a,b,-1)$pl_groupsum(a,b)"),
              (lines{"", "$pl_group: unknown type 'size'", "$pl_group: invalid syntax",
                     "$pl_group: invalid index 'x'", "$pl_groupsum: invalid index '-1'",
                     "$pl_groupsum: invalid syntax"}));
    tagged("Empty", {});
    EXPECT_EQ(run("$pl_group(group,'%album%',,Empty)|$pl_group(count,'%album%',0,Empty)"), "0|0");
}

// Every function that formats items formats them as playlist items: the
// item's position and its playlist are fields, as in the Host's own lists.
TEST_F(PlaylistFormats, ItemsKnowTheirPlaceInThePlaylist) {
    playlist("Other", {"X", "Y"});
    playlist("Ten", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"});
    struct row {
        const char* script;
        const char* expected;
    };
    const row rows[] = {
        {"$pl_getmeta('%list_index%|%list_total%|%playlist_name%|%title%',,1)", "2|3|Music|B"},
        {"$pl_getmeta('%list_index%|%list_total%|%playlist_name%',Other,0)", "1|2|Other"},
        // The index is as wide as the count.
        {"$pl_getmeta('%list_index%/%list_total%',Ten,0)|$pl_getmeta('%list_index%',Ten,9)",
         "01/10|10"},
        {"$pl_sum('%list_index%')|$pl_sum('%list_total%',,Other,mode:max)", "6|2"},
        {"$pl_sum('%list_index%','$ifequal(%list_index%,2,1,0)')", "2"},
        {"$pl_sum('1','$if($strcmp(%playlist_name%,Other),1,0)',Other)", "2"},
        {"$pl_group(group,'%playlist_name%')|$pl_group(group,'%list_index%')", "1|3"},
        {"$pl_group(name,'%playlist_name%',0,Other)|$pl_group(index,'%list_index%',1,Other)",
         "Other|1"},
        {"$pl_group(count,'$ifgreater(%list_index%,1,b,a)',1)", "2"},
        {"$pl_groupsum('%list_index%','%playlist_name%',0)|"
         "$pl_groupsum('%list_total%','%list_index%',1,Ten)",
         "6|10"},
    };
    for (const auto& r : rows) EXPECT_EQ(run(r.script), r.expected) << r.script;
    EXPECT_TRUE(host.take_lines().empty());
}

class PlaylistSave : public PlaylistFormats {
protected:
    void SetUp() override {
        PlaylistFormats::SetUp();
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = fs::path(temp) / ("vesk_pl_save_" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        PlaylistFormats::TearDown();
    }

    std::string file(const char* name) { return (folder / name).string(); }
    static std::string contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path folder;
};

TEST_F(PlaylistSave, WritesOneLinePerItem) {
    const std::string out = file("list.txt");
    EXPECT_EQ(run("$if($pl_save(" + out + ",'%title%'),y,n)"), "y");
    EXPECT_EQ(contents(out),
              "\xEF\xBB\xBF"
              "A\r\nB\r\nC\r\n");
    // Write mode replaces the file.
    run("$pl_save(" + out + ",'<%title%>',Music,charcode:UTF8,mode:write)");
    EXPECT_EQ(contents(out), "\xEF\xBB\xBF<A>\r\n<B>\r\n<C>\r\n");
}

TEST_F(PlaylistSave, LinesMatchTheHostsOwnFormatting) {
    const std::string out = file("places.txt");
    const std::string format = "%list_index%|%list_total%|%playlist_name%|%title%";
    run("$pl_save(" + out + ",'" + format + "')");
    EXPECT_EQ(contents(out),
              "\xEF\xBB\xBF"
              "1|3|Music|A\r\n2|3|Music|B\r\n3|3|Music|C\r\n");
    EXPECT_EQ(host.player().format_active(format), "1|3|Music|A\n2|3|Music|B\n3|3|Music|C\n");
}

TEST_F(PlaylistSave, AddingKeepsOneByteOrderMark) {
    const std::string out = file("added.txt");
    run("$pl_save(" + out + ",'%title%',,mode:add)");
    run("$pl_save(" + out + ",'%title%!',,MODE:ADD)");
    EXPECT_EQ(contents(out),
              "\xEF\xBB\xBF"
              "A\r\nB\r\nC\r\nA!\r\nB!\r\nC!\r\n");
}

TEST_F(PlaylistSave, LineBreaksInsideItems) {
    const std::string out = file("breaks.txt");
    run("$pl_save(" + out + ",'%title%$crlf()x$char(10)y',,charcode:utf8)");
    EXPECT_EQ(contents(out),
              "\xEF\xBB\xBF"
              "A\r\nx\r\ny\r\nB\r\nx\r\ny\r\nC\r\nx\r\ny\r\n");
}

TEST_F(PlaylistSave, AnsiCodePageHasNoMark) {
    tagged("Accents", {{{"artist", "Caf\xC3\xA9"}}, {{"artist", "Na\xC3\xAFve"}}});
    const std::string out = file("ansi.txt");
    run("$pl_save(" + out + ",'%artist%',Accents,charcode:sjis)");
    // The platform's own conversion is the reference for the ANSI code page.
    const auto ansi = [](const wchar_t* text) {
        char buf[64];
        const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, buf, sizeof buf, nullptr, nullptr);
        return std::string(buf, n > 0 ? n - 1 : 0);
    };
    EXPECT_EQ(contents(out), ansi(L"Caf\u00E9") + "\r\n" + ansi(L"Na\u00EFve") + "\r\n");
    if (GetACP() == 1252) {
        EXPECT_EQ(contents(out), "Caf\xE9\r\nNa\xEFve\r\n");
    }
}

TEST_F(PlaylistSave, EmptyPlaylistAndProfileFolderPaths) {
    tagged("Empty", {});
    // A leading "/" is the Host's profile folder.
    fs::create_directories("C:\\profile\\saved");
    run("$pl_save(/saved/empty.txt,'%title%',Empty)");
    EXPECT_EQ(contents("C:\\profile\\saved\\empty.txt"), "\xEF\xBB\xBF");
    run("$pl_save(/saved/empty.txt,'%title%',Empty,charcode:sjis)");
    EXPECT_EQ(contents("C:\\profile\\saved\\empty.txt"), "");
    std::error_code ignored;
    fs::remove_all("C:\\profile\\saved", ignored);
}

TEST_F(PlaylistSave, BadOptionsLeaveTheFileAlone) {
    const std::string out = file("kept.txt");
    std::ofstream(out, std::ios::binary) << "old";
    EXPECT_EQ(run_lines("$pl_save(" + out + ",'%title%',,charcode:jis)"),
              (lines{"", "$pl_save: unknown charcode 'jis'"}));
    EXPECT_EQ(run_lines("$pl_save(" + out + ",'%title%',,mode:overwrite)"),
              (lines{"", "$pl_save: unknown write mode 'overwrite'"}));
    EXPECT_EQ(run_lines("$pl_save(" + out + ",'%title%',,escape:1,bogus)"),
              (lines{"", "$pl_save: unknown option 'bogus'"}));
    EXPECT_EQ(run_lines("$pl_save(" + out + ",'%title%',Gone)$pl_save(" + out + ")"),
              (lines{"", "$pl_save: playlist not found", "$pl_save: invalid syntax"}));
    EXPECT_EQ(contents(out), "old");
    EXPECT_EQ(run_lines("$pl_save(" + file("missing\\dir\\x.txt") + ",'%title%')"),
              (lines{"", "$pl_save: file write error"}));
}

}  // namespace
