// Script windows end to end: start-up, opening and closing, events, the
// window functions, recovery, safe mode and the Host's commands.
#include "window_test_util.h"

#include <shlobj.h>

#include "window/border.h"
#include "window/recovery.h"
#include "window/script_window.h"

using namespace window_test;
using lines = std::vector<std::string>;

namespace {

TEST_F(WindowTest, StartUpMakesTheMainWindowAndItsDefinition) {
    HWND main = host.start_ui();
    ASSERT_NE(main, nullptr);
    const auto console = host.take_lines();
    ASSERT_GE(console.size(), 2u);
    EXPECT_EQ(console[0], "Vesk User Interface: Initialize UI");
    EXPECT_EQ(console[1], "Vesk User Interface: Initialize Main Window");
    EXPECT_EQ(vesk::cfg_window_id_list[0], "main");
    EXPECT_EQ(vesk::cfg_window_display_list[0], "corvina500");
    EXPECT_EQ(host.eval("%mainid%|$iswindowvisible(main)|$w(main,_windowid)"), "main|1|main");
    wchar_t cls[64];
    GetClassNameW(main, cls, 64);
    EXPECT_STREQ(cls, L"cor_ui_vesk_window_class");
    EXPECT_EQ(vesk::error_level(), vesk::err_middle);
    host.stop_ui();
    EXPECT_EQ(host.take_lines(), lines{"Vesk User Interface: Shutdown"});
    EXPECT_FALSE(IsWindow(main));
}

// Keys the window does not use run the player's shortcuts, Alt ones too.
TEST_F(WindowTest, KeysRunThePlayersShortcuts) {
    HWND main = host.start_ui();
    ASSERT_NE(main, nullptr);
    auto& playlists = host.player().playlists();
    const size_t before = playlists.get_playlist_count();
    host.menus().shortcuts().assign('K', cor::key_mods::alt, "File/New playlist");
    const struct {
        UINT msg, key;
        BYTE modifier;
        size_t made;
    } presses[] = {
        {WM_KEYDOWN, 'N', VK_CONTROL, 1},
        {WM_KEYDOWN, 'N', 0, 0},
        {WM_SYSKEYDOWN, 'K', VK_MENU, 1},
        {WM_SYSKEYDOWN, 'J', VK_MENU, 0},
    };
    size_t made = 0;
    for (const auto& p : presses) {
        BYTE keys[256] = {};
        if (p.modifier) keys[p.modifier] = 0x80;
        SetKeyboardState(keys);
        SendMessageW(main, p.msg, p.key, p.msg == WM_SYSKEYDOWN ? 1 << 29 : 0);
        made += p.made;
        EXPECT_EQ(playlists.get_playlist_count(), before + made) << p.key;
    }
    BYTE none[256] = {};
    SetKeyboardState(none);
}

TEST_F(WindowTest, InitAndQuitScriptsRunAroundTheMainWindow) {
    vesk::general_script(vesk::slot_on_init)
        .set("$console(init $if(%mainid%,has main,no main) $getactivewindow())");
    vesk::general_script(vesk::slot_on_quit).set("$console(quit)");
    define("main", {"$console(load)", "$console(open)"}, &vesk::main_window_guid);
    host.start_ui();
    EXPECT_EQ(lines_with(""), (lines{"Vesk User Interface: Initialize UI",
                                     "Vesk User Interface: Initialize Main Window",
                                     "init has main ", "load", "open"}));
    host.stop_ui();
    EXPECT_EQ(lines_with(""), (lines{"Vesk User Interface: Shutdown", "quit"}));
}

TEST_F(WindowTest, SafeModeRunsNoInitWindowOrTimerScript) {
    vesk::cfg_safe_mode = 1;
    vesk::general_script(vesk::slot_on_init).set("$console(init)");
    vesk::general_script(vesk::slot_on_timer).set("$console(timer)");
    define("main", {"$console(load)", "$console(open)"}, &vesk::main_window_guid);
    ASSERT_NE(host.start_ui(), nullptr);
    host.eval("$settimer(t,10)");
    host.pump(100);
    EXPECT_TRUE(lines_with("").size() == 2);  // only the two start-up lines
}

TEST_F(WindowTest, OpeningPlacesAndShowsWindows) {
    host.start_ui();
    define("a", {"$console(load %_id%)", "$console(open %_id% %_width%x%_height%)"});
    define("b");
    host.take_lines();
    EXPECT_EQ(host.eval("$if($window(a),yes,no)"), "yes");
    EXPECT_EQ(lines_with(""), (lines{"load a", "open a 500x500"}));
    HWND a = handle_of("a");
    ASSERT_NE(a, nullptr);
    RECT r;
    GetWindowRect(a, &r);
    EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2 - 250);
    EXPECT_EQ(r.top, GetSystemMetrics(SM_CYSCREEN) / 2 - 250);
    EXPECT_EQ(host.eval("$iswindowvisible(a)"), "1");

    // Opening an open window again closes it and opens it anew, here hidden.
    host.eval("$window(a,,,,,hide)");
    EXPECT_NE(handle_of("a"), a);
    EXPECT_EQ(host.eval("$iswindowvisible(a)|$if($iswindowvisible(a),y,n)"), "0|n");
    EXPECT_FALSE(IsWindowVisible(handle_of("a")));

    host.eval("$window(b,10,20,300,200)");
    GetWindowRect(handle_of("b"), &r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right - r.left, 300);
}

TEST_F(WindowTest, WindowParametersAndMessages) {
    host.start_ui();
    define("a");
    define("closed");
    host.take_lines();
    vesk::set_error_level(vesk::err_high);
    host.eval("$window(a,1)$window(a,1,2,3)");
    EXPECT_EQ(host.take_lines(), (lines{"$window: invalid syntax", "$window: invalid syntax"}));
    host.eval("$window(a,,,,,parent:nope)");
    EXPECT_EQ(host.take_lines(), lines{"$window: window 'nope' not found"});
    EXPECT_EQ(handle_of("a"), nullptr);
    host.eval("$window(a,,,,,parent:closed)");
    EXPECT_EQ(host.take_lines(), lines{"$window: window 'closed' not active"});
    ASSERT_NE(handle_of("a"), nullptr);
    EXPECT_EQ(GetParent(handle_of("a")), nullptr);
    host.eval("$window(closed,,,,,parent:a,embed:true)");
    EXPECT_EQ(host.take_lines(), lines{"$window: invalid syntax"});
    host.eval("$window(a,,,,,bogus:1)");
    EXPECT_EQ(host.take_lines(), lines{"$window: unknown option 'bogus:1'"});
    host.eval("$window(nope)");
    EXPECT_EQ(host.take_lines(), lines{"$window: window 'nope' not found"});
}

TEST_F(WindowTest, EmbeddedWindowIsAChildAtItsBasePoint) {
    host.start_ui();
    define("parent");
    define("inner");
    host.eval("$window(parent,100,100,400,300)");
    const std::string rect = host.eval(
        "$base(5,7)$window(inner,10,10,50,40,parent:parent,embed:true,mempos:true)"
        "%_mp_left%,%_mp_top%,%_mp_width%x%_mp_height%");
    HWND inner = handle_of("inner");
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(GetParent(inner), handle_of("parent"));
    EXPECT_TRUE(GetWindowLongW(inner, GWL_STYLE) & WS_CHILD);
    EXPECT_EQ(rect, "15,17,50x40");
    EXPECT_EQ(host.eval("$w(inner,_parentid)"), "parent");
}

TEST_F(WindowTest, ShowCloseAndActiveWindow) {
    host.start_ui();
    define("a", {"", "", "$console(close %_id%)"});
    host.eval("$window(a)");
    host.eval("$showwindow(a,-1)");
    EXPECT_EQ(host.eval("$iswindowvisible(a)"), "0");
    EXPECT_FALSE(IsWindowVisible(handle_of("a")));
    host.eval("$showwindow(a,5)");
    EXPECT_TRUE(IsWindowVisible(handle_of("a")));
    host.take_lines();
    EXPECT_EQ(host.eval("$if($closewindow(a),y,n)"), "y");
    EXPECT_NE(handle_of("a"), nullptr);  // the close request is posted
    host.pump();
    EXPECT_EQ(handle_of("a"), nullptr);
    EXPECT_EQ(lines_with("close "), lines{"a"});
    vesk::set_error_level(vesk::err_high);
    host.eval("$showwindow(a,1)$closewindow(a)");
    EXPECT_EQ(host.take_lines(),
              (lines{"$showwindow: window 'a' not active", "$closewindow: window 'a' not active"}));
}

TEST_F(WindowTest, UpdateWindowRunsEventsButNeverItsOwnScript) {
    host.start_ui();
    define("a", {"", "$console(open)", "", "$console(resize)$updatewindow(%_id%,resize,open)"});
    host.eval("$window(a)");
    host.take_lines();
    host.eval("$updatewindow(a,event:open,OPEN)");
    EXPECT_EQ(lines_with(""), (lines{"open", "open"}));
    vesk::set_error_level(vesk::err_low);
    host.eval("$updatewindow(a,event:close)$updatewindow(a,level:2,noise)");
    EXPECT_EQ(host.take_lines(), (lines{"$updatewindow: unknown event 'close'",
                                        "$updatewindow: unknown option 'noise'"}));
    host.eval("$updatewindow(a,resize)");
    EXPECT_EQ(lines_with(""), (lines{"resize", "open"}));
}

TEST_F(WindowTest, ActivateEventNamesTheOtherWindow) {
    host.start_ui();
    define("a", {"", "", "", "", "",
                 "$console(a %_activate% '['%_activateid%']' $if(%_activateid%,y,n))"});
    define("b", {"", "", "", "", "", "$console(b %_activate% '['%_activateid%']')"});
    host.eval("$window(a)$window(b)");
    host.take_lines();
    SendMessageW(handle_of("a"), WM_ACTIVATE, WA_INACTIVE,
                 reinterpret_cast<LPARAM>(handle_of("b")));
    SendMessageW(handle_of("b"), WM_ACTIVATE, WA_CLICKACTIVE,
                 reinterpret_cast<LPARAM>(handle_of("a")));
    SendMessageW(handle_of("a"), WM_ACTIVATE, WA_ACTIVE, 0);
    // The platform may add activations of its own after these.
    const auto got = lines_with("");
    ASSERT_GE(got.size(), 3u);
    EXPECT_EQ(lines(got.begin(), got.begin() + 3), (lines{"a 0 [b] y", "b 2 [a]", "a 1 [] n"}));
}

TEST_F(WindowTest, MoveAndResizeEvents) {
    host.start_ui();
    define("a", {"", "", "", "$console(resize %_cwidth%)", "$console(move %_x%)"});
    host.eval("$window(a,50,60,300,200)");
    host.take_lines();
    MoveWindow(handle_of("a"), 70, 60, 300, 200, TRUE);
    MoveWindow(handle_of("a"), 70, 60, 320, 200, TRUE);
    const auto got = lines_with("");
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.front(), "move 70");
    EXPECT_NE(std::find(got.begin(), got.end(), "resize " + std::to_string([&] {
                                                    RECT r;
                                                    GetClientRect(handle_of("a"), &r);
                                                    return r.right;
                                                }())),
              got.end());
}

TEST_F(WindowTest, MainWindowCloseRunsItsScriptAndTheHostExit) {
    define("main", {"", "", "$console(closing)"}, &vesk::main_window_guid);
    HWND main = host.start_ui();
    host.take_lines();
    SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(main));
    EXPECT_EQ(lines_with(""), lines{"closing"});
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_TRUE(host.commands[0] == cor::mainmenu_manager::command_exit);
}

TEST_F(WindowTest, DestroyingTheMainWindowClosesTheOthersFirst) {
    host.start_ui();
    define("a", {"", "", "$console(close a)"});
    define("b", {"", "", "$console(close b)"});
    host.eval("$window(a)$window(b)");
    host.take_lines();
    host.stop_ui();
    EXPECT_EQ(lines_with("close "), (lines{"a", "b"}));
    EXPECT_TRUE(vesk::open_windows().empty());
}

TEST_F(WindowTest, RecoveryReopensOnlyVisibleTopLevelWindows) {
    host.start_ui();
    const cor::guid a = define("a", {"$console(load a)"});
    define("b", {"$console(load b)"});
    host.eval("$window(a,30,40,200,100)$window(b,,,,,hide)");
    vesk::save_window_state();
    ASSERT_EQ(vesk::cfg_window_recovery_list.size(), 1u);
    EXPECT_TRUE(vesk::cfg_window_recovery_list[0] == a);
    host.stop_ui();
    host.take_lines();
    host.start_ui();
    EXPECT_EQ(lines_with("load "), lines{"a"});
    RECT r;
    GetWindowRect(handle_of("a"), &r);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.right - r.left, 200);
}

TEST_F(WindowTest, DroppedFilesJoinTheActivePlaylistInOrder) {
    host.start_ui();
    auto& pm = host.player().playlists();
    ASSERT_TRUE(pm.set_active_playlist(pm.create_playlist("Drops", 5, cor::no_index)));
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    std::vector<std::wstring> files;
    for (const wchar_t* name : {L"drop_c.wav", L"drop_a.wav", L"drop_b.wav"}) {
        files.push_back(std::wstring(tmp) + name);
        HANDLE h =
            CreateFileW(files.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        const char wav[] =
            "RIFF\x24\0\0\0WAVEfmt "
            "\x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x40\x1f\0\0\x01\0\x08\0data\0\0\0\0";
        DWORD w;
        WriteFile(h, wav, sizeof wav - 1, &w, nullptr);
        CloseHandle(h);
    }
    std::wstring list;
    for (const auto& f : files) list += f + L'\0';
    list += L'\0';
    HGLOBAL mem = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* df = static_cast<DROPFILES*>(GlobalLock(mem));
    df->pFiles = sizeof(DROPFILES);
    df->fWide = TRUE;
    memcpy(reinterpret_cast<char*>(df) + sizeof(DROPFILES), list.data(),
           list.size() * sizeof(wchar_t));
    GlobalUnlock(mem);
    SendMessageW(vesk::main_window_handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(mem), 0);
    EXPECT_EQ(host.player().format_active("%filename%"), "drop_c\ndrop_a\ndrop_b\n");
    EXPECT_TRUE(pm.playlist_is_item_selected(0, 2));
    for (const auto& f : files) DeleteFileW(f.c_str());
}

TEST_F(WindowTest, ClickingTheBackgroundDragsUnlessMaximized) {
    host.start_ui();
    define("a");
    host.eval("$window(a)");
    HWND a = handle_of("a");
    host.pump();
    SendMessageW(a, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, a, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0xF012u);
    ShowWindow(a, SW_MAXIMIZE);
    host.pump();
    SendMessageW(a, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    EXPECT_FALSE(PeekMessageW(&msg, a, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
}

TEST_F(WindowTest, BackBufferHoldsTheBackgroundAndPaintsTheScreen) {
    host.start_ui();
    define("a");
    host.eval("$window(a,0,0,200,150)");
    HWND a = handle_of("a");
    auto* target = vesk::paint_target_of(a);
    ASSERT_NE(target, nullptr);
    HDC dc = target->back_buffer_dc();
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetPixel(dc, 10, 10), RGB(255, 255, 255));
    // As large as the screen plus 100 whatever the window's size.
    BITMAP bm{};
    GetObjectW(GetCurrentObject(dc, OBJ_BITMAP), sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, GetSystemMetrics(SM_CXSCREEN) + 100);
    EXPECT_EQ(bm.bmHeight, GetSystemMetrics(SM_CYSCREEN) + 100);
    auto* sw = vesk::script_window::from_handle(a);
    sw->background.color = RGB(10, 200, 30);
    sw->redraw(true);
    EXPECT_EQ(GetPixel(dc, 10, 10), RGB(10, 200, 30));
    EXPECT_EQ(GetPixel(dc, bm.bmWidth - 1, bm.bmHeight - 1), RGB(10, 200, 30));
}

TEST(Border, HitZonesAndResizeGeometry) {
    using vesk::border_zone;
    vesk::t_border off{5, 10, 0};
    EXPECT_EQ(vesk::hit_zone(off, 100, 80, 0, 0), border_zone::none);
    vesk::t_border b{5, 10, 4};
    EXPECT_EQ(vesk::hit_zone(b, 100, 80, 9, 9), border_zone::top_left);
    EXPECT_EQ(vesk::hit_zone(b, 100, 80, 9, 70), border_zone::bottom_left);
    EXPECT_EQ(vesk::hit_zone(b, 100, 80, 95, 9), border_zone::top_right);
    EXPECT_EQ(vesk::hit_zone(b, 100, 80, 95, 75), border_zone::bottom_right);
    EXPECT_EQ(vesk::hit_zone(b, 100, 80, 4, 40), border_zone::left);
    EXPECT_EQ(vesk::hit_zone(b, 100, 80, 50, 4), border_zone::top);
    EXPECT_EQ(vesk::hit_zone(b, 100, 80, 50, 76), border_zone::bottom);
    EXPECT_EQ(vesk::hit_zone(b, 100, 80, 96, 40), border_zone::right);
    EXPECT_EQ(vesk::hit_zone(b, 100, 80, 50, 40), border_zone::none);
    // Corners on the right are only the edge wide.
    EXPECT_EQ(vesk::hit_zone(b, 100, 80, 92, 4), border_zone::top);
    EXPECT_EQ(vesk::hit_zone(b, 100, 80, 92, 5), border_zone::none);
    const vesk::t_rect r =
        vesk::resize_rect(b, border_zone::bottom_right, {10, 10, 110, 90}, 203, 151);
    EXPECT_EQ(r.right, 200);
    EXPECT_EQ(r.bottom, 148);
    EXPECT_EQ(r.left, 10);
    const vesk::t_rect l = vesk::resize_rect(b, border_zone::left, {10, 10, 110, 90}, 7, 500);
    EXPECT_EQ(l.left, 4);
    EXPECT_EQ(l.top, 10);
}

}  // namespace

namespace {

TEST_F(WindowTest, ChildBackgroundsShowOrBlendTheParentsDrawing) {
    host.start_ui();
    define("parent");
    define("inner");
    host.eval(
        "$window(parent,100,100,300,200)$window(inner,20,20,100,80,parent:parent,embed:true)");
    auto* parent = vesk::script_window::from_handle(handle_of("parent"));
    auto* inner = vesk::script_window::from_handle(handle_of("inner"));
    ASSERT_TRUE(parent && inner);
    parent->background.color = RGB(200, 0, 0);
    parent->redraw(true);
    // Mode 1: what lies under the child in the parent's buffer.
    inner->background.mode = 1;
    inner->redraw(true);
    EXPECT_EQ(GetPixel(inner->back_buffer_dc(), 10, 10), RGB(200, 0, 0));
    // Mode 2: the child's colour with the parent's drawing blended over it.
    inner->background.mode = 2;
    inner->background.color = RGB(0, 0, 200);
    inner->background.alpha = 128;
    inner->redraw(true);
    const COLORREF mixed = GetPixel(inner->back_buffer_dc(), 10, 10);
    EXPECT_NEAR(GetRValue(mixed), 100, 2);
    EXPECT_NEAR(GetBValue(mixed), 100, 2);
    // A rectangle of another context gets the same rule.
    inner->background.mode = 1;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 50, 50);
    HGDIOBJ old = SelectObject(mem, bmp);
    inner->paint_background(mem, RECT{0, 0, 50, 50});
    EXPECT_EQ(GetPixel(mem, 5, 5), RGB(200, 0, 0));
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    // A top-level window in mode 2 shows its plain colour.
    parent->background.mode = 2;
    parent->background.color = RGB(0, 150, 0);
    parent->redraw(true);
    EXPECT_EQ(GetPixel(parent->back_buffer_dc(), 10, 10), RGB(0, 150, 0));
}

}  // namespace
