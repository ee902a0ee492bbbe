// Popup menus, the component's groups in the Host's menus, and the user's
// own menu commands, through scripts, the real platform menus and the
// Host's menu tree.
#include <algorithm>

#include "menu/user_commands.h"
#include "menu/window_arrange.h"
#include "panels/panel_types.h"
#include "registry/window_services.h"
#include "window/tray_windows.h"
#include "window/window_test_util.h"

namespace {

using namespace window_test;

class MenuTest : public WindowTest {
protected:
    void SetUp() override {
        previous_ = vesk::set_popup_chooser(menu_user);
        g_menu_user = {};
    }
    void TearDown() override {
        vesk::set_popup_chooser(previous_);
        vesk::popupmenu_list::instance().clear();
        for (auto* set : {&vesk::user_mainmenu_commands(), &vesk::user_contextmenu_commands()})
            while (set->size()) set->remove(set->name(0));
    }
    lines vesk_paths() {
        lines out;
        for (const auto& e : host.menus().menus().mainmenu())
            if (e.path.rfind("Vesk/", 0) == 0)
                out.push_back(e.path +
                              (e.flags & cor::mainmenu_commands::flag_checked ? " [x]" : ""));
        return out;
    }
    bool run_path(const std::string& path) {
        for (const auto& e : host.menus().menus().mainmenu())
            if (e.path == path) return host.menus().execute(e.id);
        return false;
    }
    vesk::popup_chooser previous_ = nullptr;
};

TEST_F(MenuTest, PopupMenuShowsItemsSeparatorsAndChecksAndRunsTheChoice) {
    ASSERT_TRUE(host.start_ui());
    // Each row: script, its result, and what the chooser saw and the item ran.
    struct t_step {
        const char* script;
        const char* result;
        lines seen;
        const char* ran;  // %RAN% afterwards
    };
    const t_step steps[] = {
        {"$if($popupmenu_create(m),y,n)$if($popupmenu_create(M),y,n)", "yn", {}, "?"},
        {"$if($popupmenu_additem(m,One,'$hash(RAN,one)',check:1),y,n)"
         "$if($popupmenu_additem(m,-,),y,n)"
         "$if($popupmenu_additem(m,Two,'$hash(RAN,two)','check:$sub(%_index%,2)'),y,n)"
         "$if($popupmenu_additem(nomenu,x,y),y,n)",
         "yyyn",
         {},
         "?"},
        // Same text in another case: new scripts, same place.
        {"$if($popupmenu_additem(m,ONE,'$hash(RAN,%_index%/%_count%/%_checked%)',"
         "'check:$add(%_index%,1)'),y,n)",
         "y",
         {},
         "?"},
        {"$if($popupmenu_view(m,halign:right,valign:bottom),y,n)",
         "y",
         {"One [x]", "---", "Two"},
         "0/3/1"},
        {"$if($popupmenu_removeitem(m,two),y,n)$if($popupmenu_removeitem(m,two),y,n)",
         "yn",
         {},
         "0/3/1"},
        {"$if($popupmenu_view(nomenu),y,n)", "n", {}, "0/3/1"},
        {"$if($popupmenu_remove(M),y,n)$if($popupmenu_remove(m),y,n)", "yn", {}, "0/3/1"},
    };
    host.take_lines();
    for (const auto& s : steps) {
        g_menu_user.calls = 0;
        g_menu_user.seen.clear();
        g_menu_user.choice = "One";
        EXPECT_EQ(host.eval(s.script), s.result) << s.script;
        EXPECT_EQ(g_menu_user.seen, s.seen) << s.script;
        EXPECT_EQ(host.eval("%RAN%"), s.ran) << s.script;
    }
    EXPECT_EQ(
        g_menu_user.flags & (TPM_RIGHTALIGN | TPM_BOTTOMALIGN | TPM_RETURNCMD | TPM_RIGHTBUTTON),
        UINT(TPM_RIGHTALIGN | TPM_BOTTOMALIGN | TPM_RETURNCMD | TPM_RIGHTBUTTON));
    EXPECT_EQ(g_menu_user.owner, vesk::main_window_handle());
    EXPECT_TRUE(host.take_lines().empty());
}

// Menus and command sets of thousands of entries, as a $for loop fills
// them: one entry per text whatever its case, in place when set again,
// found again after entries before it are removed.
TEST_F(MenuTest, LargeMenusAndCommandSetsKeepOneEntryPerText) {
    ASSERT_TRUE(host.start_ui());
    host.eval(
        "$popupmenu_create(big)$for(i,1,20000,1,'$popupmenu_additem(big,item%i%,x)')"
        "$popupmenu_additem(big,ITEM7,'$hash(RAN,seven)')"
        "$popupmenu_removeitem(big,item3)$popupmenu_removeitem(big,item20000)"
        "$popupmenu_additem(big,Item3,'$hash(RAN,three)')"
        "$popupmenu_additem(big,item9,'$hash(RAN,nine)')");
    host.take_lines();
    // The menu shows its first items only, and says so.
    g_menu_user.choice = "item9";
    EXPECT_EQ(host.eval("$if($popupmenu_view(big),y,n)"), "y");
    EXPECT_EQ(host.take_lines(), lines{"$popupmenu_view: the first 4000 of 19999 items are shown"});
    ASSERT_EQ(g_menu_user.seen.size(), vesk::popup_shown_items);
    EXPECT_EQ(g_menu_user.seen[2], "item4");
    EXPECT_EQ(g_menu_user.seen[5], "item7");
    EXPECT_EQ(g_menu_user.seen.back(), "item4001");
    EXPECT_EQ(host.eval("%RAN%"), "nine");
    g_menu_user.choice = "item7";
    host.eval("$popupmenu_view(big)");
    EXPECT_EQ(host.eval("%RAN%"), "seven");
    // Removing items before it brings an added one into view, at the end.
    host.eval("$for(i,10,4010,1,'$popupmenu_removeitem(big,item%i%)')");
    g_menu_user.choice = "Item3";
    host.eval("$popupmenu_view(big)");
    EXPECT_EQ(g_menu_user.seen.back(), "item8002");
    EXPECT_EQ(host.eval("%RAN%"), "seven");
    host.eval("$for(i,4011,19999,1,'$popupmenu_removeitem(big,item%i%)')$popupmenu_view(big)");
    EXPECT_EQ(g_menu_user.seen.back(), "Item3");
    EXPECT_EQ(host.eval("%RAN%"), "three");

    auto& set = vesk::user_mainmenu_commands();
    host.eval(
        "$for(i,1,3000,1,'$mainmenu_set(command%i%,x)')$mainmenu_set(COMMAND5,y)"
        "$mainmenu_remove(command2)$mainmenu_set(Command2,z)");
    ASSERT_EQ(set.size(), 3000u);
    EXPECT_EQ(set.name(3), "command5");
    EXPECT_NE(set.script(3).find('y'), std::string::npos);
    EXPECT_EQ(set.name(2999), "Command2");
    EXPECT_EQ(
        host.eval("$if($mainmenu_remove(command3000),y,n)$if($mainmenu_remove(command3000),y,n)"),
        "yn");
}

// Bad calls (window/data/menu_messages.tsv) show no menu and set no command.
TEST_F(MenuTest, BadCallsStopAndSafeModeRunsNothing) {
    ASSERT_TRUE(host.start_ui());
    host.eval(
        "$popupmenu_create(m)$popupmenu_additem(m,One,'$hash(SAFE,ran)',check:1)"
        "$popupmenu_additem(m,-,'$hash(SAFE,separator)')");
    host.expect_table("window/data/menu_messages.tsv");
    EXPECT_EQ(g_menu_user.calls, 0);
    EXPECT_EQ(vesk::user_mainmenu_commands().size(), 0u);
    // The separator can never be chosen.
    g_menu_user.choice = "-";
    host.eval("$popupmenu_view(m)");
    EXPECT_EQ(host.eval("%SAFE%"), "?");
    vesk::cfg_safe_mode = 1;
    g_menu_user.choice = "One";
    host.eval("$popupmenu_view(m)");
    EXPECT_EQ(g_menu_user.seen, (lines{"One", "---"}));
    EXPECT_EQ(host.eval("%SAFE%"), "?");
}

TEST_F(MenuTest, MainMenuPopupHoldsTheHostsGroupsAndRunsTheChoice) {
    ASSERT_TRUE(host.start_ui());
    g_menu_user.choice = "Do It";
    EXPECT_EQ(host.eval("$if($popupmenu_view_mainmenu(halign:center),y,n)"), "y");
    EXPECT_EQ(g_menu_user.owner, vesk::main_window_handle());
    // "Easy creating" holds the Host's panel types by category, in its order.
    lines expected{"File >", "  Exit",    "Test >", "  Group >",        "    Do It",
                   "Vesk >", "  Palette", "  ---",  "  Easy creating >"};
    std::string category;
    for (size_t i = 0; i < host.panels().get_panel_count(); ++i) {
        cor::guid id{};
        cor::string_out name, cat;
        ASSERT_TRUE(host.panels().get_panel_info(i, id, name, cat));
        if (i == 0 || cat.text != category) expected.push_back("    " + cat.text + " >");
        category = cat.text;
        expected.push_back("      " + name.text);
    }
    EXPECT_EQ(g_menu_user.seen, expected);
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_TRUE(host.commands[0] == cor_test::component_host::test_command);
    g_menu_user.choice = "";
    EXPECT_EQ(host.eval("$if($popupmenu_view_mainmenu(),y,n)"), "y");
    EXPECT_EQ(host.commands.size(), 1u);

    // Choosing a panel type opens a window around a new panel of it, under
    // an id of its own.
    define("Album_Art");
    g_menu_user.choice = "Album Art";
    EXPECT_EQ(host.eval("$if($popupmenu_view_mainmenu(),y,n)"), "y");
    host.pump();
    EXPECT_TRUE(IsWindowVisible(handle_of("Album_Art1")));
    const auto& record = vesk::cfg_panel_ext_list[vesk::panel_by_id("Album_Art")];
    EXPECT_TRUE(record.type == cor::panels::album_art_guid);
    EXPECT_EQ(host.commands.size(), 1u);
}

TEST_F(MenuTest, VeskGroupAppearsWithTheMainWindowAndItsCommandsWork) {
    EXPECT_TRUE(vesk_paths().empty());
    define("main", {}, &vesk::main_window_guid);
    define("side");
    HWND main = host.start_ui();
    ASSERT_TRUE(main);
    EXPECT_EQ(vesk_paths(),
              (lines{"Vesk/Window/View/main window [x]", "Vesk/Window/View/side window",
                     "Vesk/Window/Cascade", "Vesk/Window/Tile",
                     "Vesk/Window/Bring to top all window", "Vesk/Palette", "Vesk/Configuration"}));
    ASSERT_TRUE(run_path("Vesk/Window/View/side window"));
    host.pump();
    HWND side = handle_of("side");
    ASSERT_TRUE(side);
    EXPECT_TRUE(IsWindowVisible(side));
    EXPECT_EQ(vesk_paths()[1], "Vesk/Window/View/side window [x]");
    // An index past the definitions (the list shrank after the menu was
    // built) runs nothing.
    for (const auto& e : host.menus().menus().mainmenu()) {
        if (e.path != "Vesk/Window/View/side window") continue;
        e.owner->execute(e.owner->get_command_count());
        e.owner->execute(UINT32_MAX);
    }
    host.pump();
    EXPECT_EQ(vesk::open_windows().size(), 2u);

    // Cascade places the windows as the arrangement says (sized as the main one).
    RECT r;
    GetWindowRect(main, &r);
    ASSERT_TRUE(run_path("Vesk/Window/Cascade"));
    const auto cascade =
        vesk::cascade_positions({GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)},
                                {r.right - r.left, r.bottom - r.top}, 2);
    for (size_t i = 0; i < 2; ++i) {
        GetWindowRect(i == 0 ? main : side, &r);
        EXPECT_EQ((vesk::t_point{r.left, r.top}), cascade[i]) << i;
    }
    EXPECT_TRUE(run_path("Vesk/Window/Tile"));
    EXPECT_TRUE(run_path("Vesk/Window/Bring to top all window"));

    // One palette: choosing the command again shows the same one. It goes
    // to the tray and back with the windows, and closes with the main window.
    ASSERT_TRUE(run_path("Vesk/Palette"));
    HWND palette = FindWindowW(L"cor_ui_vesk_palette", L"Palette");
    ASSERT_TRUE(palette);
    ShowWindow(palette, SW_HIDE);
    ASSERT_TRUE(run_path("Vesk/Palette"));
    EXPECT_EQ(FindWindowW(L"cor_ui_vesk_palette", L"Palette"), palette);
    EXPECT_TRUE(IsWindowVisible(palette));
    vesk::hide_all_windows(false);
    EXPECT_FALSE(IsWindowVisible(palette));
    vesk::restore_all_windows();
    EXPECT_TRUE(IsWindowVisible(palette));
    host.stop_ui();
    EXPECT_FALSE(IsWindow(palette));
}

TEST(WindowArrangement, CascadeAndTileOnAKnownScreen) {
    const vesk::t_extent screen{1000, 800};
    EXPECT_EQ(vesk::cascade_positions(screen, {400, 300}, 3),
              (std::vector<vesk::t_point>{{300, 250}, {320, 270}, {340, 290}}));
    // Columns break once past half the height (400): after the second
    // window, then after the fourth; the next column starts right of the
    // widest of the column before.
    const vesk::t_extent windows[] = {{100, 300}, {200, 200}, {50, 100}, {120, 500}, {80, 80}};
    EXPECT_EQ(
        vesk::tile_positions(screen, windows),
        (std::vector<vesk::t_point>{{300, 100}, {300, 400}, {500, 100}, {500, 200}, {620, 100}}));
    EXPECT_TRUE(vesk::tile_positions(screen, {}).empty());
}

TEST_F(MenuTest, UserCommandsKeepTheirPlaceAndRunFromTheMenus) {
    ASSERT_TRUE(host.start_ui());
    auto& set = vesk::user_mainmenu_commands();
    EXPECT_EQ(host.eval("$if($mainmenu_set(Hello,'$hash(H,first)'),y,n)"
                        "$if($mainmenu_set(Other,x),y,n)"),
              "yy");
    const cor::guid id = set.id(0);
    EXPECT_EQ(host.eval("$base(10,20)$if($mainmenu_set(HELLO,'$hash(H,%_base_x%-%_base_y%)'),y,n)"),
              "y");
    ASSERT_EQ(set.size(), 2u);
    EXPECT_EQ(set.name(0), "Hello");
    EXPECT_TRUE(set.id(0) == id);
    EXPECT_EQ(set.script(0), "$base(10,20)$hash(H,%_base_x%-%_base_y%)");
    // Until the next prepare all a replaced command runs its previous script.
    vesk::prepare_all();
    ASSERT_TRUE(run_path("Vesk/User/Hello"));
    EXPECT_EQ(host.eval("%H%"), "10-20");
    EXPECT_EQ(host.eval("$if($mainmenu_remove(hello),y,n)$if($mainmenu_remove(hello),y,n)"), "yn");
    const auto paths = vesk_paths();
    EXPECT_EQ(std::count_if(paths.begin(), paths.end(),
                            [](const std::string& p) { return p.rfind("Vesk/User/", 0) == 0; }),
              1);
    EXPECT_NE(std::find(paths.begin(), paths.end(), "Vesk/User/Other"), paths.end());
}

TEST_F(MenuTest, ContextCommandRunsOncePerSelectedTrack) {
    ASSERT_TRUE(host.start_ui());
    const bool selected[] = {true, false, true, true};
    const size_t pl = playlist_of(host, {"a", "b", "c", "d"}, selected);
    auto& pm = host.player().playlists();

    host.eval("$hash(T,-)");
    host.take_lines();
    EXPECT_EQ(host.eval("$if($contextmenu_set(Count,'$hash(N,$add(%N%,1))$hash(T,%T%%title%)'),"
                        "y,n)"),
              "y");
    vesk::prepare_all();
    EXPECT_EQ(host.eval("$if($contextmenu_execute(VESK/user/count),y,n)"), "y");
    EXPECT_EQ(host.eval("%N%|%T%"), "3|-acd");
    // Nothing plays: the playing track is no target.
    EXPECT_EQ(host.eval("$if($contextmenu_execute(Count,playing),y,n)"), "n");
    EXPECT_EQ(host.eval("$if($contextmenu_execute(Vesk/User/Nothing),y,n)"), "n");
    // The Host's own items, by name.
    EXPECT_EQ(host.eval("$if($contextmenu_execute(remove from playlist),y,n)"), "y");
    EXPECT_EQ(pm.playlist_get_item_count(pl), 1u);
    EXPECT_EQ(host.eval("%N%"), "3");
    EXPECT_TRUE(host.take_lines().empty());
}

}  // namespace
