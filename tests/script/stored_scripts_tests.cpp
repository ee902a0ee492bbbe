// The stored scripts: their titles and slots, prepared copies, and the
// combined read-only listings.
#include <gtest/gtest.h>

#include "config/settings.h"
#include "guid_text.h"
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

TEST_F(StoredScripts, FailedCompileIsReportedOnce) {
    cfg_custom_scripts.set("#function open");
    host.take_lines();
    EXPECT_FALSE(compile_stored_custom_scripts());
    EXPECT_EQ(host.take_lines(),
              std::vector<std::string>{"Vesk User Interface: Custom scripts compile error."});
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
