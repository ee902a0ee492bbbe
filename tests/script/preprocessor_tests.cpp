// The custom scripts' syntax and the preparation of stored scripts, their
// compile errors and the combined read-only listings.
#include <gtest/gtest.h>

#include "guid_text.h"
#include "host/settings.h"
#include "script/error_report.h"
#include "script/preprocessor.h"
#include "script/stored_scripts.h"
#include "script/user_functions.h"
#include "support/case_table.h"
#include "support/component_host.h"

namespace {

using namespace vesk;

// What data/custom-scripts.tsv expects of a text: "invalid", or the tables
// in order as "define a=[value]; function f=[body]".
std::string tables_of(const std::string& text) {
    ordered_map d, f;
    if (!parse_custom_scripts(text, &d, &f)) return "invalid";
    std::string out;
    for (const auto& [kind, table] : {std::pair{"define ", &d}, std::pair{"function ", &f}})
        for (const auto& [name, value] : *table)
            out += (out.empty() ? "" : "; ") + std::string(kind) + name + "=[" + value + "]";
    return out;
}

TEST(Preprocessor, SyntaxErrorsAndTables) {
    for (const cor_test::t_case_row& row :
         cor_test::read_case_table("script/data/custom-scripts.tsv", 2))
        EXPECT_EQ(tables_of(row.fields[1]), row.fields[0]) << row.where << ": " << row.fields[1];
    EXPECT_TRUE(parse_custom_scripts("#define a 1 #end", nullptr, nullptr));
}

TEST(Preprocessor, PreparedText) {
    // A define may use later defines only.
    const ordered_map d{
        {"first", "[#second#]"}, {"second", "2"}, {"third", "<#first#>"}, {"m", "1//2"}};
    const struct {
        const char* text;
        bool trim;
        const char* prepared;
    } rows[] = {
        {"#first#|#third#", false, "[2]|<#first#>"},
        // Trim mode keeps quoted blanks.
        {"$add( 1,\r\n\t2 )' a  b '", true, "$add(1,2)' a  b '"},
        // Comments at line ends in both modes.
        {"a // one\r\nb '//not' // two\nc", false, "a b '//not' c"},
        {"a // one\r\nb '//not' // two\nc", true, "ab'//not'c"},
        {"x//tail", false, "x"},
        // A macro's value with a comment starts one.
        {"#m#\nrest", false, "1rest"},
    };
    for (const auto& r : rows) EXPECT_EQ(prepare_script(r.text, r.trim, d), r.prepared) << r.text;

    // What a value brings into a text that was clean: a quote turns what
    // follows inside out, a slash or nothing at all can start a comment, a
    // blank goes in trim mode; a cleaning that shortens the text moves the
    // references that are still to come.
    const ordered_map values{{"q", "'"}, {"s", "/"}, {"e", ""}, {"sp", "1 2"}, {"a", "A"}};
    const struct {
        const char* text;
        bool trim;
        const char* prepared;
    } inserted[] = {
        {"#q#x'a b'", true, "'x'ab'"}, {"#s#/x\ny", false, "y"}, {"/#e#/x\ny", false, "y"},
        {"#sp#", true, "12"},          {"#sp#", false, "1 2"},   {"/ /x\n#a#", true, ""},
        {"#a#/ /x\n#a#", true, "A"},
    };
    for (const auto& r : inserted)
        EXPECT_EQ(prepare_script(r.text, r.trim, values), r.prepared) << r.text;
}

class StoredScripts : public ::testing::Test {
protected:
    cor_test::component_host host;
    std::string saved_custom = cfg_custom_scripts.get();

    void add_window(const char* id) {
        cfg_window_guid_list.add(cor::guid_of("00000000-0000-0000-0000-000000000001"));
        cfg_window_id_list.add(id);
        for (auto* list :
             {&cfg_window_tf_load_list, &cfg_window_tf_open_list, &cfg_window_tf_close_list,
              &cfg_window_tf_resize_list, &cfg_window_tf_move_list, &cfg_window_tf_activate_list})
            while (list->size() < cfg_window_guid_list.size()) list->add("");
    }
};

TEST_F(StoredScripts, AFailedCompileKeepsTheLastGoodTables) {
    // Nothing loaded: the setting holds the sample, which compiles.
    EXPECT_TRUE(compile_custom_scripts(saved_custom, false));
    ASSERT_TRUE(compile_custom_scripts(
        "#define who world #end #function hi\nhello #who##end #function Shout\nA#end", false));
    // Capitalised function names cannot be called.
    EXPECT_EQ(host.eval("$HI()|$Shout()"), "hello world|[UNKNOWN FUNCTION]");
    EXPECT_FALSE(compile_custom_scripts("#function hi\nbroken", false));
    EXPECT_EQ(host.eval("$hi()|#who#"), "hello world|world");
    EXPECT_EQ(prepare_script("#who#|'#who#'|#nope#", false), "world|'#who#'|#nope#");
}

TEST_F(StoredScripts, PrepareAllUsesTheMacrosAndTrimMode) {
    cfg_custom_scripts.set("#define who world #end");
    ASSERT_TRUE(compile_stored_custom_scripts());
    general_script(slot_on_init).set("$puts(a, #who# ) // note\r\n'#who#'");
    add_window("w");
    cfg_window_tf_resize_list[0] = "x #who#";
    prepare_all();
    EXPECT_EQ(prepared_general_script(slot_on_init), "$puts(a, world ) '#who#'");
    EXPECT_EQ(prepared_window_script(0, 4), "x world");
    cfg_trim_mode = 1;
    prepare_all();
    EXPECT_EQ(prepared_general_script(slot_on_init), "$puts(a,world)'#who#'");
    EXPECT_EQ(prepared_window_script(0, 4), "xworld");
}

// Each script that does not compile gets one line with its place in the
// text as stored: comments, macros and trim mode do not move it.
TEST_F(StoredScripts, CompileErrorsNameTheScriptAndThePlaceAsStored) {
    struct row {
        int level, trim;
        const char* custom;
        const char* on_init;
        const char* load;  // window "w"
        const char* line;  // after "Vesk User Interface: ", or none
    };
    const row rows[] = {
        {2, 0, "#function open", "", "",
         "custom scripts, line 1, column 1: expected #end to close #function open"},
        {0, 0, "#define a 1 #end\r\n  #end", "", "",
         "custom scripts, line 2, column 3: #end outside a block"},
        {1, 1, "#define open $if( #end\r\n#function f\r\n// note\r\n\t$upper(x)#open#\r\n#end", "",
         "",
         "compile error in custom scripts function 'f' at line 4, column 11: expected ) to close "
         "$if("},
        {1, 1, "#define two $upper(2 #end", "$upper(1)\r\n// #two#\r\n  x]#two#", "",
         "compile error in On Init script at line 3, column 4: unexpected ] without ["},
        {2, 0, "#define two $upper(2 #end", "", "'('\n日本#two#",
         "compile error in window 'w' Load script at line 2, column 3: expected ) to close "
         "$upper("},
        // Below level low only the custom scripts' own message stays.
        {0, 0, "", "x)", "$if(", nullptr},
    };
    add_window("w");
    for (const row& r : rows) {
        cfg_trim_mode = r.trim;
        set_error_level(r.level);
        cfg_custom_scripts.set(r.custom);
        general_script(slot_on_init).set(r.on_init);
        cfg_window_tf_load_list[0] = r.load;
        host.take_lines();
        compile_stored_custom_scripts();
        prepare_all();
        std::vector<std::string> expected;
        const std::string ui = "Vesk User Interface: ";
        if (r.line && std::string_view(r.line).starts_with("custom scripts,"))
            expected.push_back(ui + "Custom scripts compile error.");
        if (r.line) expected.push_back(ui + r.line);
        EXPECT_EQ(host.take_lines(), expected) << r.custom << " / " << r.on_init << " / " << r.load;
    }
}

TEST_F(StoredScripts, CombinedListingsByteForByte) {
    cfg_custom_scripts.set("#define a b #end");
    general_script(slot_on_init).set("init");
    general_script(slot_volume_change).set("vol");
    add_window("main");
    add_window("second");
    cfg_window_tf_load_list[0] = "load0";
    cfg_window_tf_activate_list[0] = "act0";
    EXPECT_EQ(combined_window_listing(1), "////////// Window[second] scripts //////////\r\n");
    EXPECT_EQ(combined_general_listing(),
              "////////// General scripts //////////\r\n"
              "// On Init\r\ninit\r\n\r\n"
              "// On Volume Change\r\nvol\r\n\r\n"
              "\r\n\r\n////////// User - Custom scripts //////////\r\n"
              "#define a b #end"
              "\r\n\r\n\r\n\r\n\r\n"
              "////////// Window[main] scripts //////////\r\n"
              "// Load\r\nload0\r\n\r\n"
              "// Activate\r\nact0\r\n\r\n"
              "////////// Window[second] scripts //////////\r\n");
    // Past the last slot there is no title.
    EXPECT_EQ(general_script_title(24), "");
}

}  // namespace
