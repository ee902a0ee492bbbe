// The tray icon: what the component asks of the shell (Wine's tray cannot
// be queried), hiding every window to the tray and back in order, and the
// icon's menu, read while it is open.
#include "window_test_util.h"

#include <algorithm>

#include "registry/tray_state.h"
#include "support/test_folder.h"
#include "window/recovery.h"
#include "window/stacking.h"
#include "window/tray_icon.h"
#include "window/tray_windows.h"

using namespace window_test;

namespace {

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

// A 16 by 16 icon file, 32 bits per pixel.
std::string icon_file() {
    std::string bytes;
    const auto put16 = [&](uint16_t v) { bytes.append(reinterpret_cast<char*>(&v), 2); };
    put16(0), put16(1), put16(1);
    bytes += std::string{16, 16, 0, 0};
    put16(1), put16(32);
    bytes += pack({40 + 16 * 16 * 4 + 16 * 4, 6 + 16, 40, 16, 32});
    put16(1), put16(32);
    bytes += pack({0, 0, 0, 0, 0, 0});
    for (int i = 0; i < 16 * 16; ++i) bytes += pack({0xFF2080C0});
    return bytes + std::string(16 * 4, '\0');
}

TEST_F(Tray, ScriptsAddChangeAndRemoveTheIcon) {
    start(0);
    EXPECT_TRUE(tray().requests().empty());  // no icon without tray mode
    EXPECT_EQ(run("%tasktray%|$if($tasktray(1),y,n)%tasktray%"), lines{"0|y1"});
    const auto& add = last();
    EXPECT_EQ(add.message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(add.data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(add.data.hWnd, main);
    EXPECT_NE(add.data.hIcon, nullptr);
    EXPECT_STREQ(add.data.szTip, L"corvina500");
    EXPECT_TRUE(add.accepted);

    // Texts longer than the record's fields are cut to them.
    const std::string long_tip(300, 'x');
    run("$traytip(" + long_tip + ")");
    EXPECT_EQ(last().message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(last().data.uFlags, static_cast<UINT>(NIF_TIP));
    EXPECT_EQ(std::wstring(last().data.szTip), std::wstring(127, L'x'));
    // A character outside the basic plane is never cut in half.
    std::string emoji_tip(126, 'y');
    emoji_tip += "\xF0\x9F\x8E\xB5";
    run("$traytip(" + emoji_tip + ")");
    EXPECT_EQ(std::wstring(last().data.szTip), std::wstring(126, L'y'));

    const cor_test::test_folder folder;
    ASSERT_TRUE(cor_test::write_bytes(folder.file("tray.ico"), icon_file()));
    EXPECT_EQ(run("$if($trayicon(" + folder.path("tray.ico") + "),y,n)"), lines{"y"});
    EXPECT_EQ(last().data.uFlags, static_cast<UINT>(NIF_ICON));
    EXPECT_EQ(last().data.hIcon, tray().icon());
    const size_t asked = tray().requests().size();
    EXPECT_EQ(run("$if($trayicon(C:\\nowhere\\none.ico),y,n)"), lines{"n"});
    EXPECT_EQ(tray().requests().size(), asked);

    // The shell restarted: the icon comes back, but only while it is shown.
    SendMessageW(main, vesk::tray_icon::taskbar_created_message(), 0, 0);
    EXPECT_EQ(last().message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(std::wstring(last().data.szTip), std::wstring(126, L'y'));
    EXPECT_EQ(run("$tasktray(0)%tasktray%$if(%tasktray%,y,n)"), lines{"0n"});
    EXPECT_EQ(last().message, static_cast<DWORD>(NIM_DELETE));
    const size_t after_delete = tray().requests().size();
    SendMessageW(main, vesk::tray_icon::taskbar_created_message(), 0, 0);
    EXPECT_EQ(tray().requests().size(), after_delete);
    EXPECT_EQ(run("$tasktray()"), (lines{"", "$tasktray: invalid syntax"}));
}

TEST_F(Tray, BalloonOptionsAndMessages) {
    start(2);
    ASSERT_TRUE(vesk::tray_state().icon_shown);
    EXPECT_EQ(last().message, static_cast<DWORD>(NIM_ADD));
    const struct {
        const char* options;
        DWORD flags;
    } cases[] = {
        {",ignored", NIIF_NONE},
        {",,icon:WARNING,sound:false", NIIF_WARNING | NIIF_NOSOUND},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(std::string("$if($trayballoon(Title,Body") + c.options + "),y,n)"),
                  lines{"y"})
            << c.options;
        EXPECT_EQ(last().message, static_cast<DWORD>(NIM_MODIFY));
        EXPECT_EQ(last().data.uFlags, static_cast<UINT>(NIF_INFO));
        EXPECT_EQ(last().data.dwInfoFlags, c.flags) << c.options;
        EXPECT_STREQ(last().data.szInfoTitle, L"Title");
        EXPECT_STREQ(last().data.szInfo, L"Body");
    }
    run("$trayballoon(" + std::string(100, 't') + "," + std::string(400, 'b') + ")");
    EXPECT_EQ(std::wstring(last().data.szInfoTitle), std::wstring(63, L't'));
    EXPECT_EQ(std::wstring(last().data.szInfo), std::wstring(255, L'b'));
    const size_t asked = tray().requests().size();
    EXPECT_EQ(run("$if($trayballoon(T,B,,icon:question),y,n)$trayballoon(T,B,,loud:1)"
                  "$trayballoon(T)"),
              (lines{"n", "$trayballoon: unknown icon 'question'",
                     "$trayballoon: unknown option 'loud:1'", "$trayballoon: invalid syntax"}));
    EXPECT_EQ(tray().requests().size(), asked);
}

TEST_F(Tray, MinimizingHidesEveryWindowAndAClickRestoresTheirOrder) {
    start(3);
    EXPECT_FALSE(vesk::tray_state().icon_shown);  // mode 3: only while hidden
    define("a", {"", "", "", "", "$console(move a)"});
    define("b");
    define("c");
    define("hidden");
    host.eval("$window(a,50,50,200,100)$window(b,80,80,200,100)$window(c,110,110,200,100)");
    host.eval("$window(hidden,,,,,hide)");
    host.eval("$style(b,zorder:topmost)");
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
    EXPECT_TRUE(vesk::tray_state().icon_shown);
    EXPECT_EQ(host.eval("%tasktray_store%"), "1");
    for (const char* id : {"a", "b", "c", "hidden"}) EXPECT_FALSE(IsWindowVisible(handle_of(id)));
    EXPECT_FALSE(IsWindowVisible(main));
    // While hidden, the main window runs no move event; the others still do.
    MoveWindow(handle_of("a"), 60, 50, 200, 100, FALSE);
    EXPECT_EQ(lines_with("move "), lines{"a"});

    click(WM_LBUTTONDOWN);
    host.pump();
    EXPECT_FALSE(vesk::tray_state().icon_shown);  // mode 3 removes it again
    EXPECT_EQ(last().message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(host.eval("%tasktray_store%"), "0");
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

TEST_F(Tray, SavingTheWindowsBringsThemBackFromTheTray) {
    start(2);
    define("a");
    host.eval("$window(a)");
    click(WM_LBUTTONDOWN);
    ASSERT_FALSE(IsWindowVisible(handle_of("a")));
    vesk::save_window_state();
    EXPECT_TRUE(IsWindowVisible(handle_of("a")));
    ASSERT_EQ(vesk::cfg_window_recovery_list.size(), 1u);
    EXPECT_TRUE(vesk::tray_state().icon_shown);  // mode 2 keeps it
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
    menu("Play");
    EXPECT_EQ(host.eval("%playback_state%"), "play");
    host.eval("$playback_control(pause)");
    const lines paused = menu("");
    ASSERT_EQ(paused.size(), 11u);
    EXPECT_EQ(lines(paused.begin(), paused.begin() + 3), (lines{"Stop", "Pause [x]", "Play [x]"}));
    menu("Stop");
    EXPECT_EQ(host.eval("%playback_state%"), "stop");
    // "Exit" asks the main window to close, which ends the Host.
    menu("Exit");
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_TRUE(host.commands[0] == cor::mainmenu_manager::command_exit);
}

}  // namespace
