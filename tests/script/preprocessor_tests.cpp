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

// Rows of data/prepared.tsv: the macros, then trim mode, text, the text
// prepared.
TEST(Preprocessor, PreparedText) {
    ordered_map d;
    const auto rows = cor_test::read_case_table("script/data/prepared.tsv", 3);
    for (const cor_test::t_case_row& row : rows)
        if (row.fields[0] == "define") d.set(row.fields[1], row.fields[2]);
    for (const cor_test::t_case_row& row : rows) {
        if (row.fields[0] == "define") continue;
        EXPECT_EQ(prepare_script(row.fields[1], row.fields[0] == "1", d), row.fields[2])
            << row.where;
    }
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

// Rows of data/stored-compile-errors.tsv: level, trim mode, the custom,
// On Init and window Load scripts, and the line they print.
TEST_F(StoredScripts, CompileErrorsNameTheScriptAndThePlaceAsStored) {
    add_window("w");
    const std::string ui = "Vesk User Interface: ";
    for (const cor_test::t_case_row& row :
         cor_test::read_case_table("script/data/stored-compile-errors.tsv", 6)) {
        const std::vector<std::string>& c = row.fields;
        set_error_level(std::stoi(c[0]));
        cfg_trim_mode = std::stoi(c[1]);
        cfg_custom_scripts.set(c[2]);
        general_script(slot_on_init).set(c[3]);
        cfg_window_tf_load_list[0] = c[4];
        host.take_lines();
        compile_stored_custom_scripts();
        prepare_all();
        std::vector<std::string> expected;
        if (c[5].starts_with("custom scripts,"))
            expected.push_back(ui + "Custom scripts compile error.");
        if (c[5] != "-") expected.push_back(ui + c[5]);
        EXPECT_EQ(host.take_lines(), expected) << row.where;
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
