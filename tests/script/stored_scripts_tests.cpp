// The stored scripts: their titles and slots, prepared copies, and the
// combined read-only listings.
#include <gtest/gtest.h>

#include "guid_text.h"
#include "host/settings.h"
#include "script/error_report.h"
#include "script/preprocessor.h"
#include "script/stored_scripts.h"
#include "support/component_host.h"

namespace {

using namespace vesk;

class StoredScripts : public ::testing::Test {
protected:
    cor_test::component_host host;
    std::string saved_custom = cfg_custom_scripts.get();

    void TearDown() override {
        for (size_t slot = 1; slot <= general_script_count; ++slot) general_script(slot).set("");
        cfg_custom_scripts.set(saved_custom);
        cfg_trim_mode = 0;
        for (auto* list :
             {&cfg_window_id_list, &cfg_window_tf_load_list, &cfg_window_tf_open_list,
              &cfg_window_tf_close_list, &cfg_window_tf_resize_list, &cfg_window_tf_move_list,
              &cfg_window_tf_activate_list, &cfg_window_display_list})
            list->clear();
        cfg_window_guid_list.clear();
        cfg_window_winp_list.clear();
        ASSERT_TRUE(compile_custom_scripts("", false));
        prepare_all();
    }

    void add_window(const char* id) {
        cfg_window_guid_list.add(cor::guid_of("00000000-0000-0000-0000-000000000001"));
        cfg_window_id_list.add(id);
        repair_lists();
    }
    void repair_lists() {
        for (auto* list :
             {&cfg_window_tf_load_list, &cfg_window_tf_open_list, &cfg_window_tf_close_list,
              &cfg_window_tf_resize_list, &cfg_window_tf_move_list, &cfg_window_tf_activate_list})
            while (list->size() < cfg_window_guid_list.size()) list->add("");
    }
};

TEST_F(StoredScripts, TitlesInSlotOrder) {
    EXPECT_EQ(general_script_title(0), "(All scripts *can't modify)");
    EXPECT_EQ(general_script_title(slot_on_init), "On Init");
    EXPECT_EQ(general_script_title(slot_playback_time), "On Playback Time (Per Second)");
    EXPECT_EQ(general_script_title(slot_item_focus_change), "On Playlist Item Focus Change");
    EXPECT_EQ(general_script_title(slot_volume_change), "On Volume Change");
    EXPECT_EQ(general_script_title(24), "");
    EXPECT_EQ(window_script_title(1), "Load");
    EXPECT_EQ(window_script_title(6), "Activate");
    EXPECT_EQ(cor::guid_to_text(general_script(slot_on_timer).get_guid()),
              "AF3C335F-F7F6-46F0-822B-1BC1B5C26890");
    EXPECT_EQ(cor::guid_to_text(general_script(slot_volume_change).get_guid()),
              "9541E11B-4C27-45DD-A714-38D97F79414A");
}

TEST_F(StoredScripts, DefaultCustomScriptsAreTheSample) {
    EXPECT_EQ(saved_custom.substr(0, 45), "// example\r\n#define str corvina500 #end\r\n\r\n#f");
    EXPECT_NE(saved_custom.find("\r\n\t$hash(TEXTOBJ,%_result%)\r\n"), std::string::npos);
    EXPECT_EQ(saved_custom.substr(saved_custom.size() - 10), "\r\n\r\n#end\r\n");
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
    // The stored text is what the editor shows.
    EXPECT_EQ(general_script(slot_on_init).get(), "$puts(a, #who# ) // note\r\n'#who#'");
}

// Each script that does not compile gets one line with its place in the
// text as stored: comments, macros and trim mode do not move it.
TEST_F(StoredScripts, CompileErrorsNameTheScriptAndThePlaceAsStored) {
    struct row {
        const char* custom;
        const char* on_init;
        const char* load;  // window "w"
        int trim;
        int level;
        std::vector<std::string> lines;
    };
    const std::string ui = "Vesk User Interface: ";
    const row rows[] = {
        {"#function open",
         "",
         "",
         0,
         2,
         {ui + "Custom scripts compile error.",
          ui + "custom scripts, line 1, column 1: expected #end to close #function open"}},
        {"#define a 1 #end\r\n  #end",
         "",
         "",
         0,
         0,
         {ui + "Custom scripts compile error.",
          ui + "custom scripts, line 2, column 3: #end outside a block"}},
        {"#define open $if( #end\r\n#function f\r\n// note\r\n\t$upper(x)#open#\r\n#end",
         "",
         "",
         1,
         1,
         {ui + "compile error in custom scripts function 'f' at line 4, column 11: expected ) "
               "to close $if("}},
        {"#define two $upper(2 #end",
         "$upper(1)\r\n// #two#\r\n  x]#two#",
         "",
         1,
         1,
         {ui + "compile error in On Init script at line 3, column 4: unexpected ] without ["}},
        {"#define two $upper(2 #end",
         "",
         "'('\n日本#two#",
         0,
         2,
         {ui + "compile error in window 'w' Load script at line 2, column 3: expected ) to "
               "close $upper("}},
        // Below level low only the custom scripts' own message stays.
        {"", "x)", "$if(", 0, 0, {}},
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
        EXPECT_EQ(host.take_lines(), r.lines) << r.custom << " / " << r.on_init << " / " << r.load;
    }
    set_error_level(err_middle);
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
}

}  // namespace
