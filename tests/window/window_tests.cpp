// Script windows end to end: start-up, opening and closing, events, the
// window functions, safe mode, the Host's commands and what the
// component answers as the Host's interface.
#include "window_test_util.h"

#include <shlobj.h>

#include "support/test_folder.h"
#include "window/border.h"
#include "window/script_window.h"

using namespace window_test;

namespace {

// The first start makes the main window's definition. (The start-up and
// shutdown lines and scripts, in order, are checked end to end.)
TEST_F(WindowTest, StartUpMakesTheMainWindowAndSafeModeRunsNoScript) {
    HWND main = host.start_ui();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(vesk::cfg_window_id_list[0], "main");
    EXPECT_EQ(vesk::cfg_window_display_list[0], "corvina500");
    EXPECT_EQ(host.eval("%mainid%|$iswindowvisible(main)|$w(main,_windowid)"), "main|1|main");
    host.stop_ui();
    EXPECT_FALSE(IsWindow(main));
    host.take_lines();

    // Safe mode runs no init, window or timer script.
    vesk::general_script(vesk::slot_on_init).set("$console(init)");
    vesk::general_script(vesk::slot_on_timer).set("$console(timer)");
    vesk::cfg_window_tf_load_list[0] = "$console(load)";
    vesk::cfg_window_tf_open_list[0] = "$console(open)";
    vesk::prepare_all();
    vesk::cfg_safe_mode = 1;
    ASSERT_NE(host.start_ui(), nullptr);
    host.eval("$settimer(t,10)");
    host.pump(100);
    EXPECT_EQ(lines_with("").size(), 2u);  // only the two start-up lines
}

// Keys the window does not use run the player's shortcuts, Alt ones too.
TEST_F(WindowTest, KeysRunThePlayersShortcuts) {
    HWND main = host.start_ui();
    auto& playlists = host.player().playlists();
    const size_t before = playlists.get_playlist_count();
    host.menus().shortcuts().assign('K', cor::key_mods::alt, "File/New playlist");
    BYTE keys[256] = {};
    keys[VK_MENU] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(main, WM_SYSKEYDOWN, 'K', 1 << 29);
    SendMessageW(main, WM_SYSKEYDOWN, 'J', 1 << 29);  // no shortcut
    EXPECT_EQ(playlists.get_playlist_count(), before + 1);
    keys[VK_MENU] = 0;
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(main, WM_KEYDOWN, 'N', 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(playlists.get_playlist_count(), before + 2);
}

TEST_F(WindowTest, OpeningPlacesAndShowsWindows) {
    host.start_ui();
    define("a", {"$console(load %_id%)", "$console(open %_id% %_width%x%_height%)"});
    host.take_lines();
    EXPECT_EQ(host.eval("$if($window(a),yes,no)$iswindowvisible(a)"), "yes1");
    EXPECT_EQ(lines_with(""), (lines{"load a", "open a 500x500"}));
    HWND a = handle_of("a");
    ASSERT_NE(a, nullptr);
    RECT r;
    GetWindowRect(a, &r);
    EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2 - 250);
    EXPECT_EQ(r.top, GetSystemMetrics(SM_CYSCREEN) / 2 - 250);

    // Opening an open window again closes it and opens it anew, here hidden.
    host.eval("$window(a,,,,,hide)");
    EXPECT_NE(handle_of("a"), a);
    EXPECT_EQ(host.eval("$iswindowvisible(a)|$if($iswindowvisible(a),y,n)"), "0|n");
    EXPECT_FALSE(IsWindowVisible(handle_of("a")));
}

TEST_F(WindowTest, WindowParametersAndMessages) {
    host.start_ui();
    define("a");
    define("closed");
    host.take_lines();
    vesk::set_error_level(vesk::err_high);
    const struct {
        const char* script;
        lines console;
        bool a_open;
    } cases[] = {
        {"$window(a,1)$window(a,1,2,3)",
         {"$window: invalid syntax", "$window: invalid syntax"},
         false},
        {"$window(a,,,,,parent:nope)", {"$window: window 'nope' not found"}, false},
        {"$window(a,,,,,parent:closed)", {"$window: window 'closed' not active"}, true},
        {"$window(closed,,,,,parent:a,embed:true)", {"$window: invalid syntax"}, true},
        {"$window(a,,,,,bogus:1)", {"$window: unknown option 'bogus:1'"}, true},
        {"$window(nope)", {"$window: window 'nope' not found"}, true},
    };
    for (const auto& c : cases) {
        host.eval(c.script);
        EXPECT_EQ(host.take_lines(), c.console) << c.script;
        EXPECT_EQ(handle_of("a") != nullptr, c.a_open) << c.script;
    }
    // A parent that is not open leaves the window at the top level.
    EXPECT_EQ(GetParent(handle_of("a")), nullptr);
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
    RECT client;
    GetClientRect(handle_of("a"), &client);
    EXPECT_NE(std::find(got.begin(), got.end(), "resize " + std::to_string(client.right)),
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

TEST_F(WindowTest, DroppedFilesJoinTheActivePlaylistInOrder) {
    host.start_ui();
    auto& pm = host.player().playlists();
    ASSERT_TRUE(pm.set_active_playlist(pm.create_playlist("Drops", 5, cor::no_index)));
    const char wav[] =
        "RIFF\x24\0\0\0WAVEfmt "
        "\x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x40\x1f\0\0\x01\0\x08\0data\0\0\0\0";
    cor_test::test_folder folder;
    std::wstring list;
    for (const char* name : {"drop_c.wav", "drop_a.wav", "drop_b.wav"}) {
        list += folder.file(name).wstring() + L'\0';
        ASSERT_TRUE(cor_test::write_bytes(folder.file(name), std::string(wav, sizeof wav - 1)));
    }
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
    EXPECT_EQ(vesk::hit_zone({5, 10, 0}, 100, 80, 0, 0), border_zone::none);  // switched off
    const vesk::t_border b{5, 10, 4};
    const struct {
        int x, y;
        border_zone zone;
    } points[] = {
        {9, 9, border_zone::top_left},
        {9, 70, border_zone::bottom_left},
        {95, 9, border_zone::top_right},
        {95, 75, border_zone::bottom_right},
        {4, 40, border_zone::left},
        {50, 4, border_zone::top},
        {50, 76, border_zone::bottom},
        {96, 40, border_zone::right},
        {50, 40, border_zone::none},
        // Corners on the right are only the edge wide.
        {92, 4, border_zone::top},
        {92, 5, border_zone::none},
    };
    for (const auto& p : points)
        EXPECT_EQ(vesk::hit_zone(b, 100, 80, p.x, p.y), p.zone) << p.x << "," << p.y;
    const vesk::t_rect r =
        vesk::resize_rect(b, border_zone::bottom_right, {10, 10, 110, 90}, 203, 151);
    EXPECT_EQ(r.right, 200);
    EXPECT_EQ(r.bottom, 148);
    EXPECT_EQ(r.left, 10);
    const vesk::t_rect l = vesk::resize_rect(b, border_zone::left, {10, 10, 110, 90}, 7, 500);
    EXPECT_EQ(l.left, 4);
    EXPECT_EQ(l.top, 10);
}

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
}

// The component's name and about text are constants; its file name is not.
TEST_F(WindowTest, VersionAndUserInterfaceAnswer) {
    auto version = cor_test::make_service<cor::component_version>();
    ASSERT_TRUE(version);
    cor::string_out file;
    version->get_file_name(file);
    // In-process the module is the test program itself, named without its folder.
    EXPECT_NE(file.text.find(".exe"), std::string::npos);
    EXPECT_EQ(file.text.find_first_of("\\/"), std::string::npos) << file.text;

    auto ui = cor_test::make_service<cor::user_interface>();
    ASSERT_TRUE(ui);
    EXPECT_TRUE(ui->get_guid() == vesk::main_window_guid);
    HWND main = static_cast<HWND>(ui->init(nullptr));
    ASSERT_NE(main, nullptr);
    host.pump();
    EXPECT_TRUE(ui->is_visible());
    ui->hide();
    EXPECT_FALSE(ui->is_visible());
    ui->activate();
    EXPECT_TRUE(ui->is_visible());
    ui->shutdown();
    EXPECT_FALSE(IsWindow(main));
}

TEST_F(WindowTest, MessageHookSeesMessagesFirst) {
    static int seen = 0;
    auto ui = cor_test::make_service<cor::user_interface>();
    HWND main =
        static_cast<HWND>(ui->init([](void*, uint32_t msg, uintptr_t, intptr_t, intptr_t* result) {
            if (msg != WM_CLOSE) return false;
            ++seen;
            *result = 0;
            return true;
        }));
    ASSERT_NE(main, nullptr);
    SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(seen, 1);
    EXPECT_TRUE(host.commands.empty());
    ui->shutdown();
}

TEST_F(WindowTest, SystemInfoListsEachOpenWindowWithItsObjectCounts) {
    host.start_ui();
    define("a");
    host.eval("$window(a)");
    host.take_lines();
    EXPECT_EQ(host.eval("$systeminfo()"), "");
    const auto got = host.take_lines();
    ASSERT_EQ(got.size(), 1u + 2 * 13);
    EXPECT_EQ(got[0], "Active window count: 2");
    EXPECT_EQ(got[1], "[main]");
    EXPECT_EQ(got[14], "[a]");
}

// By name alone too (by path in any case is run end to end).
TEST_F(WindowTest, MainMenuCommandsRunByName) {
    EXPECT_EQ(
        host.eval("$if($mainmenu_execute(Do It),y,n)$if($mainmenu_execute(Test/Nothing),y,n)"),
        "yn");
    EXPECT_TRUE(host.take_lines().empty());
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_TRUE(host.commands[0] == cor_test::component_host::test_command);
}

}  // namespace
