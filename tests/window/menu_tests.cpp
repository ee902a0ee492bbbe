// Popup menus, the component's groups in the Host's menus, and the user's
// own menu commands, through scripts, the real platform menus and the
// Host's menu tree; the tray icon: what the component asks of the shell
// (Wine's tray cannot be queried), hiding every window to the tray and back
// in order, and the icon's menu, read while it is open.
#include <algorithm>
#include <functional>
#include <tuple>

#include "host/display_scale.h"
#include "menu/user_commands.h"
#include "menu/window_arrange.h"
#include "panels/panel_types.h"
#include "registry/tray_state.h"
#include "registry/window_services.h"
#include "support/test_folder.h"
#include "window/recovery.h"
#include "window/stacking.h"
#include "window/tray_icon.h"
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

TEST_F(MenuTest, PopupMenusRunTheChoiceAndNothingOnBadCallsOrInSafeMode) {
    ASSERT_TRUE(host.start_ui());
    host.take_lines();
    g_menu_user.choice = "One";
    // A name made twice in any case, an item added to no menu, and the same
    // text in another case: new scripts, same place. Nothing shows or runs.
    EXPECT_EQ(
        host.eval("$if($popupmenu_create(m),y,n)$if($popupmenu_create(M),y,n)"
                  "$if($popupmenu_additem(m,One,'$hash(RAN,one)',check:1),y,n)"
                  "$if($popupmenu_additem(m,-,),y,n)"
                  "$if($popupmenu_additem(m,Two,'$hash(RAN,two)','check:$sub(%_index%,2)'),y,n)"
                  "$if($popupmenu_additem(nomenu,x,y),y,n)"
                  "$if($popupmenu_additem(m,ONE,'$hash(RAN,%_index%/%_count%/%_checked%)',"
                  "'check:$add(%_index%,1)'),y,n)%RAN%"),
        "ynyyyny?");
    EXPECT_TRUE(g_menu_user.seen.empty());
    EXPECT_EQ(host.eval("$if($popupmenu_view(m,halign:right,valign:bottom),y,n)|%RAN%"), "y|0/3/1");
    EXPECT_EQ(g_menu_user.seen, (lines{"One [x]", "---", "Two"}));
    constexpr UINT asked = TPM_RIGHTALIGN | TPM_BOTTOMALIGN | TPM_RETURNCMD | TPM_RIGHTBUTTON;
    EXPECT_EQ(g_menu_user.flags & asked, asked);
    EXPECT_EQ(g_menu_user.owner, vesk::main_window_handle());
    g_menu_user.seen.clear();
    EXPECT_EQ(host.eval("$if($popupmenu_removeitem(m,two),y,n)$if($popupmenu_removeitem(m,two),y,n)"
                        "$if($popupmenu_view(nomenu),y,n)"
                        "$if($popupmenu_remove(M),y,n)$if($popupmenu_remove(m),y,n)%RAN%"),
              "ynnyn0/3/1");
    EXPECT_TRUE(g_menu_user.seen.empty());
    EXPECT_TRUE(host.take_lines().empty());

    // The main menu as a popup: the Host's groups and the component's.
    g_menu_user.choice = "Do It";
    EXPECT_EQ(host.eval("$if($popupmenu_view_mainmenu(halign:center),y,n)"), "y");
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
    const std::vector ran{cor_test::component_host::test_command};
    EXPECT_EQ(host.commands, ran);
    g_menu_user.choice = "";
    EXPECT_EQ(host.eval("$if($popupmenu_view_mainmenu(),y,n)"), "y");
    EXPECT_EQ(host.commands, ran);

    // Choosing a panel type opens a window around a new panel of it, under
    // an id of its own.
    define("Album_Art");
    g_menu_user.choice = "Album Art";
    EXPECT_EQ(host.eval("$if($popupmenu_view_mainmenu(),y,n)"), "y");
    host.pump();
    EXPECT_TRUE(IsWindowVisible(handle_of("Album_Art1")));
    const auto& record = vesk::cfg_panel_ext_list[vesk::panel_by_id("Album_Art")];
    EXPECT_TRUE(record.type == cor::panels::album_art_guid);
    EXPECT_EQ(host.commands, ran);

    // Bad calls (window/data/menu_messages.tsv) show no menu and set no command.
    g_menu_user.seen.clear();
    host.eval(
        "$popupmenu_create(m)$popupmenu_additem(m,One,'$hash(SAFE,ran)',check:1)"
        "$popupmenu_additem(m,-,'$hash(SAFE,separator)')");
    host.expect_table("window/data/menu_messages.tsv");
    EXPECT_TRUE(g_menu_user.seen.empty());
    EXPECT_EQ(vesk::user_mainmenu_commands().size(), 0u);
    // The separator can never be chosen.
    g_menu_user.choice = "-";
    EXPECT_EQ(host.eval("$popupmenu_view(m)%SAFE%"), "?");
    vesk::cfg_safe_mode = 1;
    g_menu_user.choice = "One";
    EXPECT_EQ(host.eval("$popupmenu_view(m)%SAFE%"), "?");
    EXPECT_EQ(g_menu_user.seen, (lines{"One", "---"}));
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
    ASSERT_TRUE(IsWindowVisible(side));
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

    // The palette goes to the tray and back with the windows.
    ASSERT_TRUE(run_path("Vesk/Palette"));
    HWND palette = FindWindowW(L"cor_ui_vesk_palette", L"Palette");
    ASSERT_TRUE(palette);
    vesk::hide_all_windows(false);
    EXPECT_FALSE(IsWindowVisible(palette));
    vesk::restore_all_windows();
    EXPECT_TRUE(IsWindowVisible(palette));
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

// User commands and popup menus find their entries by text whatever its
// case, in place when set again, and again after entries before them go; a
// context command runs once for each selected track.
TEST_F(MenuTest, UserCommandsAndLargeMenusKeepOneEntryPerText) {
    ASSERT_TRUE(host.start_ui());
    auto& set = vesk::user_mainmenu_commands();
    EXPECT_EQ(host.eval("$if($mainmenu_set(Hello,'$hash(H,first)'),y,n)"
                        "$if($mainmenu_set(Other,x),y,n)"),
              "yy");
    const cor::guid id = set.id(0);
    // Set again, it keeps its place, identity and first spelling, with the base point.
    EXPECT_EQ(host.eval("$base(10,20)$if($mainmenu_set(HELLO,'$hash(H,%_base_x%-%_base_y%)'),y,n)"),
              "y");
    EXPECT_TRUE(set.id(0) == id);
    // Until the next prepare all a replaced command runs its previous script.
    vesk::prepare_all();
    ASSERT_TRUE(run_path("Vesk/User/Hello"));
    EXPECT_EQ(host.eval("%H%"), "10-20");
    EXPECT_EQ(host.eval("$if($mainmenu_remove(hello),y,n)$if($mainmenu_remove(hello),y,n)"), "yn");
    // The command after it moves up, found there under its name.
    host.eval("$mainmenu_set(OTHER,y)");
    lines user;
    for (const auto& p : vesk_paths())
        if (p.rfind("Vesk/User/", 0) == 0) user.push_back(p);
    EXPECT_EQ(user, lines{"Vesk/User/Other"});

    const bool selected[] = {true, false, true, true};
    const size_t pl = playlist_of(host, {"a", "b", "c", "d"}, selected);
    host.take_lines();
    EXPECT_EQ(host.eval("$hash(T,-)$if($contextmenu_set(Count,"
                        "'$hash(N,$add(%N%,1))$hash(T,%T%%title%)'),y,n)"),
              "y");
    vesk::prepare_all();
    EXPECT_EQ(host.eval("$if($contextmenu_execute(VESK/user/count),y,n)|%N%|%T%"), "y|3|-acd");
    // Nothing plays: the playing track is no target. Then the Host's own items, by name.
    EXPECT_EQ(host.eval("$if($contextmenu_execute(Count,playing),y,n)"
                        "$if($contextmenu_execute(Vesk/User/Nothing),y,n)"
                        "$if($contextmenu_execute(remove from playlist),y,n)|%N%"),
              "nny|3");
    EXPECT_EQ(host.player().playlists().playlist_get_item_count(pl), 1u);
    EXPECT_TRUE(host.take_lines().empty());

    // A menu of thousands of items, as a $for loop fills it.
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
    const auto& seen = g_menu_user.seen;
    ASSERT_EQ(seen.size(), vesk::popup_shown_items);
    EXPECT_EQ((lines{seen[2], seen[5], seen.back()}), (lines{"item4", "item7", "item4001"}));
    g_menu_user.choice = "item7";
    EXPECT_EQ(host.eval("%RAN%$popupmenu_view(big)|%RAN%"), "nine|seven");
}

class Tray : public WindowTest {
protected:
    HWND main = nullptr;

    void start(int mode) {
        vesk::cfg_tray_mode = mode;
        main = host.start_ui();
        ASSERT_NE(main, nullptr);
        vesk::set_error_level(vesk::err_low);
        host.take_lines();
    }
    vesk::tray_icon& tray() { return *vesk::main_tray(); }
    const vesk::tray_icon::t_request& last() { return tray().requests().back(); }
    void click(UINT mouse) { SendMessageW(main, vesk::tray_callback_message, 0, mouse); }
};

// A 16 by 16 icon file, 32 bits per pixel: its header, its one entry (1128
// bytes at 22), the bitmap's header (twice as high: colours, then mask),
// colours and mask.
std::string icon_file() {
    const char head[] =
        "\0\0\1\0\1\0\x10\x10\0\0\1\0\x20\0\x68\4\0\0\x16\0\0\0"
        "\x28\0\0\0\x10\0\0\0\x20\0\0\0\1\0\x20\0";
    std::string bytes = std::string(head, sizeof head - 1) + std::string(24, '\0');
    for (int i = 0; i < 16 * 16; ++i) bytes += pack({0xFF2080C0});
    return bytes + std::string(16 * 4, '\0');
}

TEST_F(Tray, ScriptsAddChangeAndRemoveTheIcon) {
    start(0);
    EXPECT_TRUE(tray().requests().empty());  // no icon without tray mode
    EXPECT_EQ(run("%tasktray%|$if($tasktray(1),y,n)%tasktray%"), lines{"0|y1"});
    const auto& add = last().data;
    EXPECT_EQ((std::tuple{last().message, add.uFlags, add.hWnd, std::wstring(add.szTip)}),
              (std::tuple{DWORD(NIM_ADD), UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP), main,
                          std::wstring(L"corvina500")}));
    EXPECT_NE(add.hIcon, nullptr);

    // Texts longer than the record's fields are cut to them.
    run("$traytip(" + std::string(300, 'x') + ")");
    EXPECT_EQ((std::tuple{last().message, last().data.uFlags, std::wstring(last().data.szTip)}),
              (std::tuple{DWORD(NIM_MODIFY), UINT(NIF_TIP), std::wstring(127, L'x')}));
    // A character outside the basic plane is never cut in half.
    run("$traytip(" + std::string(126, 'y') + "\xF0\x9F\x8E\xB5)");
    EXPECT_EQ(std::wstring(last().data.szTip), std::wstring(126, L'y'));

    const cor_test::test_folder folder;
    ASSERT_TRUE(cor_test::write_bytes(folder.file("tray.ico"), icon_file()));
    EXPECT_EQ(run("$if($trayicon(" + folder.path("tray.ico") + "),y,n)"), lines{"y"});
    EXPECT_EQ(last().data.uFlags, static_cast<UINT>(NIF_ICON));
    EXPECT_EQ(last().data.hIcon, tray().icon());
    // A small icon, sized for the screen's DPI.
    const auto side_of = [](HICON icon) {
        ICONINFO info{};
        if (!GetIconInfo(icon, &info)) return 0L;
        BITMAP bm{};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        return bm.bmWidth;
    };
    for (const int dpi : {96, 192}) {
        vesk::set_dpi_override(dpi);
        run("$trayicon(" + folder.path("tray.ico") + ")");
        EXPECT_EQ(side_of(last().data.hIcon), dpi / 6) << dpi << " DPI";
    }
    vesk::set_dpi_override(0);
    const size_t asked = tray().requests().size();
    EXPECT_EQ(run("$if($trayicon(C:\\nowhere\\none.ico),y,n)"), lines{"n"});
    EXPECT_EQ(tray().requests().size(), asked);

    EXPECT_EQ(run("$if($trayballoon(Title,Body,,icon:WARNING,sound:false),y,n)"), lines{"y"});
    const auto& balloon = last().data;
    EXPECT_EQ((std::tuple{last().message, balloon.uFlags, balloon.dwInfoFlags,
                          std::wstring(balloon.szInfoTitle) + L"/" + balloon.szInfo}),
              (std::tuple{DWORD(NIM_MODIFY), UINT(NIF_INFO), DWORD(NIIF_WARNING | NIIF_NOSOUND),
                          std::wstring(L"Title/Body")}));
    run("$trayballoon(T,B)");
    EXPECT_EQ(last().data.dwInfoFlags, static_cast<DWORD>(NIIF_NONE));  // no icon, with sound
    const size_t sent = tray().requests().size();
    EXPECT_EQ(run("$if($trayballoon(T,B,,icon:question),y,n)$trayballoon(T,B,,loud:1)"
                  "$trayballoon(T)"),
              (lines{"n", "$trayballoon: unknown icon 'question'",
                     "$trayballoon: unknown option 'loud:1'", "$trayballoon: invalid syntax"}));
    EXPECT_EQ(tray().requests().size(), sent);

    // The shell restarted: the icon comes back, but only while it is shown.
    SendMessageW(main, vesk::tray_icon::taskbar_created_message(), 0, 0);
    EXPECT_EQ((std::pair{last().message, std::wstring(last().data.szTip)}),
              (std::pair{DWORD(NIM_ADD), std::wstring(126, L'y')}));
    EXPECT_EQ(run("$tasktray(0)%tasktray%$if(%tasktray%,y,n)"), lines{"0n"});
    EXPECT_EQ(last().message, static_cast<DWORD>(NIM_DELETE));
    const size_t after_delete = tray().requests().size();
    SendMessageW(main, vesk::tray_icon::taskbar_created_message(), 0, 0);
    EXPECT_EQ(tray().requests().size(), after_delete);
    EXPECT_EQ(run("$tasktray()"), (lines{"", "$tasktray: invalid syntax"}));
}

// Mode 2 shows the icon from the start, and keeps it when the windows are
// saved (which brings them back from the tray).
TEST_F(Tray, ModeTwoKeepsTheIconWhenTheWindowsAreSaved) {
    start(2);
    ASSERT_TRUE(vesk::tray_state().icon_shown);
    EXPECT_EQ(last().message, static_cast<DWORD>(NIM_ADD));
    define("a");
    host.eval("$window(a)");
    click(WM_LBUTTONDOWN);
    ASSERT_FALSE(IsWindowVisible(handle_of("a")));
    vesk::save_window_state();
    EXPECT_TRUE(IsWindowVisible(handle_of("a")));
    ASSERT_EQ(vesk::cfg_window_recovery_list.size(), 1u);
    EXPECT_TRUE(vesk::tray_state().icon_shown);
}

TEST_F(Tray, MinimizingHidesEveryWindowAndAClickRestoresTheirOrder) {
    start(3);
    EXPECT_FALSE(vesk::tray_state().icon_shown);  // mode 3: only while hidden
    define("a", {"", "", "", "", "$console(move a)"});
    define("b");
    define("c");
    define("hidden");
    host.eval(
        "$window(a,50,50,200,100)$window(b,80,80,200,100)$window(c,110,110,200,100)"
        "$window(hidden,,,,,hide)$style(b,zorder:topmost)");
    SetWindowPos(handle_of("a"), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    const auto others = [&] {
        std::vector<HWND> out;
        for (HWND w : vesk::script_windows_from_top())
            if (w != main && IsWindowVisible(w)) out.push_back(w);
        return out;
    };
    const auto before = others();
    ASSERT_EQ(before.size(), 3u);
    host.take_lines();

    ShowWindow(main, SW_MINIMIZE);
    host.pump();
    EXPECT_EQ(host.eval("%tasktray%%tasktray_store%"), "11");
    for (const char* id : {"a", "b", "c", "hidden"}) EXPECT_FALSE(IsWindowVisible(handle_of(id)));
    EXPECT_FALSE(IsWindowVisible(main));
    // While hidden, the main window runs no move event; the others still do.
    MoveWindow(handle_of("a"), 60, 50, 200, 100, FALSE);
    EXPECT_EQ(lines_with("move "), lines{"a"});

    click(WM_LBUTTONDOWN);
    host.pump();
    EXPECT_EQ(host.eval("%tasktray%%tasktray_store%"), "00");  // mode 3 removes it again
    EXPECT_EQ(last().message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_FALSE(IsIconic(main));
    for (const char* id : {"a", "b", "c"}) EXPECT_TRUE(IsWindowVisible(handle_of(id)));
    EXPECT_FALSE(IsWindowVisible(handle_of("hidden")));
    EXPECT_TRUE(GetWindowLongW(handle_of("b"), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(others(), before);

    // A click while the windows show hides them; the next one brings them
    // back in their new order.
    SetWindowPos(handle_of("c"), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    const auto shown_others = others();
    ASSERT_NE(shown_others, before);
    click(WM_LBUTTONDOWN);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_FALSE(vesk::tray_state().icon_shown);  // a click adds no icon in mode 3
    click(WM_LBUTTONDOWN);
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(others(), shown_others);
}

// Reads the open tray menu from inside its modal loop as the popup menus'
// chooser does, then picks g_menu_user.choice with the keyboard, if any.
bool g_tray_menu_read = false;
void read_tray_menu(HWND popup) {
    g_tray_menu_read = true;
    g_menu_user.seen.clear();
    if (popup) walk_menu(reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0)), "");
    const auto& seen = g_menu_user.seen;
    const std::string& choice = g_menu_user.choice;
    auto at = std::find_if(seen.begin(), seen.end(),
                           [&](const std::string& item) { return item.rfind(choice, 0) == 0; });
    if (!popup || choice.empty() || at == seen.end()) return (void)EndMenu();
    for (; at != seen.end(); ++at)  // upwards from the bottom, over the separators
        if (*at != "---") PostMessageW(popup, WM_KEYDOWN, VK_UP, 0);
    PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
}

TEST_F(Tray, TheMenuShowsThePlaybackStateAndRunsItsCommands) {
    start(2);
    const size_t pl = playlist_of(host, {"Tray"});
    ASSERT_TRUE(host.player().playlists().playlist_set_focus_item(pl, 0));
    const auto menu = [&](const std::string& choice) {
        g_menu_user = {};
        g_menu_user.choice = choice;
        g_tray_menu_read = false;
        cor_test::when_thread_window(L"#32768", read_tray_menu);
        click(WM_RBUTTONUP);
        // The menu may open from a posted message: pump until it was read.
        cor_test::pump_until([] { return g_tray_menu_read; });
        host.pump(20);
        return g_menu_user.seen;
    };
    EXPECT_EQ(menu(""), (lines{"Stop [x]", "Pause", "Play", "Previous", "Next", "Random", "---",
                               "Vesk UI Configuration", "Preferences", "---", "Exit"}));
    // A choice is keys posted to the open menu; another program on the
    // shared display may close the menu first: it is made again then.
    const auto choose = [&](const std::string& choice, const std::function<bool()>& done) {
        for (int attempt = 0; attempt < 3 && !done(); ++attempt) menu(choice);
    };
    choose("Play", [&] { return host.eval("%playback_state%") == "play"; });
    EXPECT_EQ(host.eval("%playback_state%"), "play");
    host.eval("$playback_control(pause)");
    const lines paused = menu("");
    ASSERT_EQ(paused.size(), 11u);
    EXPECT_EQ(lines(paused.begin(), paused.begin() + 3), (lines{"Stop", "Pause [x]", "Play [x]"}));
    // "Exit" asks the main window to close, which ends the Host.
    choose("Exit", [&] { return !host.commands.empty(); });
    EXPECT_EQ(host.commands, std::vector{cor::mainmenu_manager::command_exit});
}

}  // namespace
