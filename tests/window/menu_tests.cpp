// Popup menus, the component's groups in the Host's menus, and the user's
// own menu commands, through scripts, the real platform menus and the
// Host's menu tree.
#include <algorithm>

#include "host/settings.h"
#include "menu/popup_menus.h"
#include "menu/user_commands.h"
#include "menu/window_arrange.h"
#include "panel/panel_definitions.h"
#include "panels/panel_types.h"
#include "registry/window_services.h"
#include "utf8.h"
#include "window/tray_windows.h"
#include "window/window_test_util.h"

namespace {

using window_test::WindowTest;

// Stands in for the user: walks the menu as shown (separators "---",
// checked items " [x]", grayed " (off)", submenus ">" and their items
// indented) and picks the item whose text is `choice`.
struct t_chooser_state {
    std::vector<std::string> seen;
    std::string choice;
    UINT flags = 0;
    int calls = 0;
};
t_chooser_state g_state;

UINT walk(HMENU menu, const std::string& indent) {
    UINT chosen = 0;
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        wchar_t text[256] = L"";
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        mi.dwTypeData = text;
        mi.cch = 255;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mi);
        if (mi.fType & MFT_SEPARATOR) {
            g_state.seen.push_back(indent + "---");
            continue;
        }
        std::string line = indent + cor::to_utf8(text);
        if (mi.fState & MFS_CHECKED) line += " [x]";
        if (mi.fState & MFS_GRAYED) line += " (off)";
        if (mi.hSubMenu) line += " >";
        g_state.seen.push_back(line);
        if (cor::to_utf8(text) == g_state.choice && !mi.hSubMenu) chosen = mi.wID;
        if (mi.hSubMenu)
            if (const UINT sub = walk(mi.hSubMenu, indent + "  ")) chosen = sub;
    }
    return chosen;
}

UINT test_chooser(HMENU menu, UINT flags, HWND owner) {
    ++g_state.calls;
    g_state.flags = flags;
    g_state.seen.clear();
    EXPECT_EQ(owner, vesk::main_window_handle());
    return walk(menu, "");
}

class MenuTest : public WindowTest {
protected:
    void SetUp() override {
        previous_ = vesk::set_popup_chooser(test_chooser);
        g_state = {};
    }
    void TearDown() override {
        vesk::set_popup_chooser(previous_);
        vesk::popupmenu_list::instance().clear();
        for (auto* set : {&vesk::user_mainmenu_commands(), &vesk::user_contextmenu_commands()})
            while (set->size()) set->remove(set->name(0));
        WindowTest::TearDown();
        vesk::cfg_panel_guid_list.clear();
        vesk::cfg_panel_id_list.clear();
        vesk::cfg_panel_display_list.clear();
        vesk::cfg_panel_ext_list.items().clear();
    }
    std::vector<std::string> vesk_paths() {
        std::vector<std::string> out;
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
        std::vector<std::string> seen;
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
        g_state.calls = 0;
        g_state.seen.clear();
        g_state.choice = "One";
        EXPECT_EQ(host.eval(s.script), s.result) << s.script;
        EXPECT_EQ(g_state.seen, s.seen) << s.script;
        EXPECT_EQ(host.eval("%RAN%"), s.ran) << s.script;
    }
    EXPECT_EQ(g_state.flags & (TPM_RIGHTALIGN | TPM_BOTTOMALIGN | TPM_RETURNCMD | TPM_RIGHTBUTTON),
              UINT(TPM_RIGHTALIGN | TPM_BOTTOMALIGN | TPM_RETURNCMD | TPM_RIGHTBUTTON));
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
    g_state.choice = "item9";
    EXPECT_EQ(host.eval("$if($popupmenu_view(big),y,n)"), "y");
    EXPECT_EQ(host.take_lines(),
              std::vector<std::string>{"$popupmenu_view: the first 4000 of 19999 items are shown"});
    ASSERT_EQ(g_state.seen.size(), vesk::popup_shown_items);
    EXPECT_EQ(g_state.seen[2], "item4");
    EXPECT_EQ(g_state.seen[5], "item7");
    EXPECT_EQ(g_state.seen.back(), "item4001");
    EXPECT_EQ(host.eval("%RAN%"), "nine");
    g_state.choice = "item7";
    host.eval("$popupmenu_view(big)");
    EXPECT_EQ(host.eval("%RAN%"), "seven");
    // Removing items before it brings an added one into view, at the end.
    host.eval("$for(i,10,4010,1,'$popupmenu_removeitem(big,item%i%)')");
    g_state.choice = "Item3";
    host.eval("$popupmenu_view(big)");
    EXPECT_EQ(g_state.seen.back(), "item8002");
    EXPECT_EQ(host.eval("%RAN%"), "seven");
    host.eval("$for(i,4011,19999,1,'$popupmenu_removeitem(big,item%i%)')$popupmenu_view(big)");
    EXPECT_EQ(g_state.seen.back(), "Item3");
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

TEST_F(MenuTest, BadOptionsStopAndSafeModeRunsNothing) {
    ASSERT_TRUE(host.start_ui());
    host.eval(
        "$popupmenu_create(m)$popupmenu_additem(m,One,'$hash(SAFE,ran)',check:1)"
        "$popupmenu_additem(m,-,'$hash(SAFE,separator)')");
    host.take_lines();
    const std::pair<const char*, const char*> bad[] = {
        {"$popupmenu_view(m,valign:up)", "$popupmenu_view: unknown valign 'up'"},
        {"$popupmenu_view(m,halign:middle)", "$popupmenu_view: unknown halign 'middle'"},
        {"$popupmenu_view(m,size:2)", "$popupmenu_view: unknown option 'size:2'"},
        {"$popupmenu_view_mainmenu(valign:up)", "$popupmenu_view_mainmenu: unknown valign 'up'"},
        {"$popupmenu_additem(m,x,y,color:red)", "$popupmenu_additem: unknown option 'color:red'"},
        {"$popupmenu_create()", "$popupmenu_create: invalid syntax"},
        {"$popupmenu_removeitem(m)", "$popupmenu_removeitem: invalid syntax"},
    };
    for (const auto& [script, line] : bad) {
        EXPECT_EQ(host.eval(script), "");
        EXPECT_EQ(host.take_lines(), std::vector<std::string>{line}) << script;
    }
    EXPECT_EQ(g_state.calls, 0);
    // The separator can never be chosen.
    g_state.choice = "-";
    host.eval("$popupmenu_view(m)");
    EXPECT_EQ(host.eval("%SAFE%"), "?");
    vesk::cfg_safe_mode = 1;
    g_state.choice = "One";
    host.eval("$popupmenu_view(m)");
    EXPECT_EQ(g_state.seen, (std::vector<std::string>{"One", "---"}));
    EXPECT_EQ(host.eval("%SAFE%"), "?");
}

// The platform's own tracking ends when the menu is dismissed; nothing runs.
TEST_F(MenuTest, RealMenuTrackingReturnsWhenDismissed) {
    vesk::set_popup_chooser(nullptr);
    ASSERT_TRUE(host.start_ui());
    host.eval("$popupmenu_create(m)$popupmenu_additem(m,One,'$hash(REAL,ran)')");
    const UINT_PTR timer =
        SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
    EXPECT_EQ(host.eval("$if($popupmenu_view(m),y,n)"), "y");
    KillTimer(nullptr, timer);
    EXPECT_EQ(host.eval("%REAL%"), "?");
}

TEST_F(MenuTest, MainMenuPopupHoldsTheHostsGroupsAndRunsTheChoice) {
    ASSERT_TRUE(host.start_ui());
    g_state.choice = "Do It";
    EXPECT_EQ(host.eval("$if($popupmenu_view_mainmenu(halign:center),y,n)"), "y");
    // "Easy creating" holds the Host's panel types by category, in its order.
    std::vector<std::string> expected{"File >",    "  Exit",    "Test >",
                                      "  Group >", "    Do It", "Vesk >",
                                      "  Palette", "  ---",     "  Easy creating >"};
    std::string category;
    for (size_t i = 0; i < host.panels().get_panel_count(); ++i) {
        cor::guid id{};
        cor::string_out name, cat;
        ASSERT_TRUE(host.panels().get_panel_info(i, id, name, cat));
        if (i == 0 || cat.text != category) expected.push_back("    " + cat.text + " >");
        category = cat.text;
        expected.push_back("      " + name.text);
    }
    EXPECT_EQ(g_state.seen, expected);
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_TRUE(host.commands[0] == cor_test::component_host::test_command);
    g_state.choice = "";
    EXPECT_EQ(host.eval("$if($popupmenu_view_mainmenu(),y,n)"), "y");
    EXPECT_EQ(host.commands.size(), 1u);

    // Choosing a panel type opens a window around a new panel of it, each
    // time under a new id.
    define("Album_Art");
    g_state.choice = "Album Art";
    for (const char* window : {"Album_Art1", "Album_Art2"}) {
        EXPECT_EQ(host.eval("$if($popupmenu_view_mainmenu(),y,n)"), "y");
        host.pump();
        HWND wnd = handle_of(window);
        ASSERT_TRUE(wnd) << window;
        EXPECT_TRUE(IsWindowVisible(wnd));
        const std::string panel = vesk::cfg_panel_id_list.get().back();
        const auto& record = vesk::cfg_panel_ext_list[vesk::panel_by_id(panel)];
        EXPECT_TRUE(record.type == cor::panels::album_art_guid);
        ASSERT_TRUE(record.wnd);
        EXPECT_EQ(GetParent(record.wnd), wnd);
    }
    EXPECT_EQ(vesk::cfg_panel_id_list.get(), (std::vector<std::string>{"Album_Art", "Album_Art1"}));
    EXPECT_EQ(host.commands.size(), 1u);
}

TEST_F(MenuTest, VeskGroupAppearsWithTheMainWindowAndItsCommandsWork) {
    EXPECT_TRUE(vesk_paths().empty());
    define("main", {}, &vesk::main_window_guid);
    define("side");
    HWND main = host.start_ui();
    ASSERT_TRUE(main);
    EXPECT_EQ(vesk_paths(),
              (std::vector<std::string>{"Vesk/Window/View/main window [x]",
                                        "Vesk/Window/View/side window", "Vesk/Window/Cascade",
                                        "Vesk/Window/Tile", "Vesk/Window/Bring to top all window",
                                        "Vesk/Palette", "Vesk/Configuration"}));
    ASSERT_TRUE(run_path("Vesk/Window/View/side window"));
    host.pump();
    HWND side = handle_of("side");
    ASSERT_TRUE(side);
    EXPECT_TRUE(IsWindowVisible(side));
    EXPECT_EQ(vesk_paths()[1], "Vesk/Window/View/side window [x]");

    auto origin = [](HWND w) {
        RECT r;
        GetWindowRect(w, &r);
        return vesk::t_point{r.left, r.top};
    };
    auto extent = [](HWND w) {
        RECT r;
        GetWindowRect(w, &r);
        return vesk::t_extent{r.right - r.left, r.bottom - r.top};
    };
    const vesk::t_extent screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    ASSERT_TRUE(run_path("Vesk/Window/Cascade"));
    const auto cascade = vesk::cascade_positions(screen, extent(main), 2);
    EXPECT_EQ(origin(main), cascade[0]);
    EXPECT_EQ(origin(side), cascade[1]);
    ASSERT_TRUE(run_path("Vesk/Window/Tile"));
    const vesk::t_extent sizes[] = {extent(main), extent(side)};
    const auto tile = vesk::tile_positions(screen, sizes);
    EXPECT_EQ(origin(main), tile[0]);
    EXPECT_EQ(origin(side), tile[1]);
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

    host.take_lines();
    const std::pair<const char*, const char*> bad[] = {
        {"$mainmenu_set(,x)", "$mainmenu_set: invalid syntax"},
        {"$mainmenu_set(a)", "$mainmenu_set: invalid syntax"},
        {"$contextmenu_set(a,b,bogus:1)", "$contextmenu_set: unknown option 'bogus:1'"},
        {"$mainmenu_remove()", "$mainmenu_remove: invalid syntax"},
        {"$contextmenu_execute(x,nowhere)", "$contextmenu_execute: unknown target 'nowhere'"},
    };
    for (const auto& [script, line] : bad) {
        EXPECT_EQ(host.eval("$if(" + std::string(script) + ",y,n)"), "n") << script;
        EXPECT_EQ(host.take_lines(), std::vector<std::string>{line}) << script;
    }
    EXPECT_EQ(set.size(), 2u);
    EXPECT_EQ(host.eval("$if($mainmenu_remove(hello),y,n)$if($mainmenu_remove(hello),y,n)"), "yn");
    const auto paths = vesk_paths();
    EXPECT_EQ(std::count_if(paths.begin(), paths.end(),
                            [](const std::string& p) { return p.rfind("Vesk/User/", 0) == 0; }),
              1);
    EXPECT_NE(std::find(paths.begin(), paths.end(), "Vesk/User/Other"), paths.end());
}

TEST_F(MenuTest, ContextCommandRunsOncePerSelectedTrack) {
    ASSERT_TRUE(host.start_ui());
    auto& pm = host.player().playlists();
    const size_t pl = pm.create_playlist("p", 1, cor::no_index);
    ASSERT_TRUE(pm.set_active_playlist(pl));
    std::vector<cor::track_ptr> keep;
    std::vector<cor::metadb_handle*> items;
    for (const char* t : {"a", "b", "c", "d"}) {
        cor::t_track_info info;
        info.path = std::string("C:\\m\\") + t + ".flac";
        info.add_meta("title", t);
        keep.push_back(host.player().tracks().put(info));
        items.push_back(keep.back().get());
    }
    const bool selected[] = {true, false, true, true};
    pm.playlist_insert_items(pl, 0, items.data(), items.size(), selected);

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
