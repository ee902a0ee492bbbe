// Script windows end to end: start-up, opening and closing, events, the
// window functions (styles, transparency, fading, docking, moving, size
// limits, the placement queries), safe mode, timers and loops, the Host's
// commands and what the component answers as the Host's interface.
#include "window_test_util.h"

#include <shlobj.h>

#include <array>
#include <tuple>

#include "script/timers.h"
#include "script/user_functions.h"
#include "support/case_table.h"
#include "support/test_folder.h"
#include "window/border.h"
#include "window/script_window.h"

using namespace window_test;

namespace {

// The first start makes the main window's definition. (The start-up and
// shutdown lines and scripts, in order, are checked end to end.) A message
// hook given at start-up sees the main window's messages first.
TEST_F(WindowTest, StartUpMakesTheMainWindowAndSafeModeRunsNoScript) {
    auto ui = cor_test::make_service<cor::user_interface>();
    ASSERT_TRUE(ui);
    static int hooked = 0;
    HWND main =
        static_cast<HWND>(ui->init([](void*, uint32_t msg, uintptr_t, intptr_t, intptr_t* result) {
            if (msg != WM_CLOSE) return false;
            ++hooked;
            *result = 0;
            return true;
        }));
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(host.eval("%mainid%|$iswindowvisible(main)|$w(main,_windowid)"), "main|1|main");
    SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(hooked, 1);
    EXPECT_TRUE(host.commands.empty());
    host.pump();
    EXPECT_TRUE(ui->is_visible());
    ui->hide();
    EXPECT_FALSE(ui->is_visible());
    ui->activate();
    EXPECT_TRUE(ui->is_visible());
    ui->shutdown();
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

TEST_F(WindowTest, OpeningShowingAndClosingWindows) {
    host.start_ui();
    define("a", {"$console(load %_id%)", "$console(open %_id% %_width%x%_height%)",
                 "$console(close %_id%)"});
    host.take_lines();
    EXPECT_EQ(host.eval("$if($window(a),yes,no)$iswindowvisible(a)"), "yes1");
    EXPECT_EQ(lines_with(""), (lines{"load a", "open a 500x500"}));
    HWND a = handle_of("a");
    EXPECT_EQ(place(a), std::to_string(GetSystemMetrics(SM_CXSCREEN) / 2 - 250) + "," +
                            std::to_string(GetSystemMetrics(SM_CYSCREEN) / 2 - 250) + " 500x500");

    // Opening an open window again closes it and opens it anew, here hidden.
    EXPECT_EQ(host.eval("$window(a,,,,,hide)$iswindowvisible(a)|$if($iswindowvisible(a),y,n)"),
              "0|n");
    EXPECT_NE(handle_of("a"), a);
    EXPECT_FALSE(IsWindowVisible(handle_of("a")));
    host.eval("$showwindow(a,5)");
    EXPECT_TRUE(IsWindowVisible(handle_of("a")));
    EXPECT_EQ(host.eval("$showwindow(a,-1)$iswindowvisible(a)"), "0");
    EXPECT_FALSE(IsWindowVisible(handle_of("a")));

    host.take_lines();
    EXPECT_EQ(host.eval("$if($closewindow(a),y,n)"), "y");
    EXPECT_NE(handle_of("a"), nullptr);  // the close request is posted
    host.pump();
    EXPECT_EQ(handle_of("a"), nullptr);
    EXPECT_EQ(lines_with("close "), lines{"a"});
}

// $updatewindow runs events but never the running script again; move,
// resize and activate events, the last naming the other window.
TEST_F(WindowTest, EventsRunTheirScripts) {
    host.start_ui();
    define("a",
           {"", "$console(open)", "", "$console(resize %_cwidth%)$updatewindow(%_id%,resize,open)",
            "$console(move %_x%)",
            "$console(a %_activate% '['%_activateid%']' $if(%_activateid%,y,n))"});
    define("b", {"", "", "", "", "", "$console(b %_activate% '['%_activateid%']')"});
    host.eval("$window(a,50,60,300,200)$window(b)");
    host.take_lines();
    host.eval("$updatewindow(a,event:open,OPEN)");
    EXPECT_EQ(lines_with(""), (lines{"open", "open"}));
    RECT client;
    GetClientRect(handle_of("a"), &client);
    host.eval("$updatewindow(a,resize)");
    EXPECT_EQ(lines_with(""), (lines{"resize " + std::to_string(client.right), "open"}));

    MoveWindow(handle_of("a"), 70, 60, 300, 200, TRUE);
    MoveWindow(handle_of("a"), 70, 60, 320, 200, TRUE);
    const auto moved = lines_with("");
    ASSERT_FALSE(moved.empty());
    EXPECT_EQ(moved.front(), "move 70");
    GetClientRect(handle_of("a"), &client);
    EXPECT_NE(std::find(moved.begin(), moved.end(), "resize " + std::to_string(client.right)),
              moved.end());

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

// Keys the window does not use run the player's shortcuts, Alt ones too;
// main-menu commands run by name alone too (by path in any case is run end
// to end); dropped files join the active playlist in order; closing the
// main window runs its script and the Host's exit.
TEST_F(WindowTest, TheMainWindowTakesKeysCommandsDropsAndClosing) {
    define("main", {"", "", "$console(closing)"}, &vesk::main_window_guid);
    HWND main = host.start_ui();
    host.take_lines();
    auto& playlists = host.player().playlists();
    const size_t before = playlists.get_playlist_count();
    host.menus().shortcuts().assign('K', cor::key_mods::alt, "File/New playlist");
    BYTE keys[256] = {};
    keys[VK_MENU] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(main, WM_SYSKEYDOWN, 'K', 1 << 29);
    SendMessageW(main, WM_SYSKEYDOWN, 'J', 1 << 29);  // no shortcut
    keys[VK_MENU] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(playlists.get_playlist_count(), before + 1);
    EXPECT_EQ(
        host.eval("$if($mainmenu_execute(Do It),y,n)$if($mainmenu_execute(Test/Nothing),y,n)"),
        "yn");
    const size_t drops = playlists.create_playlist("Drops", 5, cor::no_index);
    ASSERT_TRUE(playlists.set_active_playlist(drops));
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
    *df = {sizeof(DROPFILES), {}, FALSE, TRUE};
    memcpy(df + 1, list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(mem);
    SendMessageW(main, WM_DROPFILES, reinterpret_cast<WPARAM>(mem), 0);
    EXPECT_EQ(host.player().format_active("%filename%"), "drop_c\ndrop_a\ndrop_b\n");
    EXPECT_TRUE(playlists.playlist_is_item_selected(drops, 2));
    SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(main));
    EXPECT_EQ(lines_with(""), lines{"closing"});
    EXPECT_EQ(host.commands, (std::vector{cor_test::component_host::test_command,
                                          cor::mainmenu_manager::command_exit}));
}

TEST(Border, HitZonesAndResizeGeometry) {
    using enum vesk::border_zone;
    EXPECT_EQ(vesk::hit_zone({5, 10, 0}, 100, 80, 0, 0), none);  // switched off
    const vesk::t_border b{5, 10, 4};
    // Corners on the right are only the edge wide (the last two points).
    const struct {
        int x, y;
        vesk::border_zone zone;
    } points[] = {{9, 9, top_left},       {9, 70, bottom_left}, {95, 9, top_right},
                  {95, 75, bottom_right}, {4, 40, left},        {50, 4, top},
                  {50, 76, bottom},       {96, 40, right},      {50, 40, none},
                  {92, 4, top},           {92, 5, none}};
    for (const auto& p : points)
        EXPECT_EQ(vesk::hit_zone(b, 100, 80, p.x, p.y), p.zone) << p.x << "," << p.y;
    const auto resized = [&](vesk::border_zone zone, int x, int y) {
        const vesk::t_rect r = vesk::resize_rect(b, zone, {10, 10, 110, 90}, x, y);
        return std::array{r.left, r.top, r.right, r.bottom};
    };
    EXPECT_EQ(resized(bottom_right, 203, 151), (std::array{10, 10, 200, 148}));
    EXPECT_EQ(resized(left, 7, 500), (std::array{4, 10, 110, 90}));
}

// The component's name and about text are constants; its file name is not.
TEST(Version, FileNameIsTheModulesWithoutItsFolder) {
    auto version = cor_test::make_service<cor::component_version>();
    ASSERT_TRUE(version);
    cor::string_out file;
    version->get_file_name(file);
    // In-process the module is the test program itself.
    EXPECT_EQ(file.text, "window_tests.exe");
}

// Timers run the timer script with their name until stopped or shut down.
TEST_F(WindowTest, TimersLoopsAndBreaks) {
    host.start_ui();
    vesk::general_script(vesk::slot_on_timer).set("$console(tick %_timerid%)");
    vesk::prepare_all();
    host.take_lines();
    EXPECT_EQ(host.eval("$if($settimer(Clock,20),y,n)"), "y");
    host.pump(150);
    const auto ticks = lines_with("tick ");
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ(ticks.front(), "Clock");
    const auto& registry = vesk::timer_registry::instance();
    ASSERT_EQ(registry.timers().size(), 1u);
    const uint32_t first_id = registry.timers()[0].id;
    // The same name in capitals replaces it under a new identifier.
    host.eval("$settimer(CLOCK,1000)");
    ASSERT_EQ(registry.timers().size(), 1u);
    EXPECT_NE(registry.timers()[0].id, first_id);
    host.eval("$settimer(clock,0)");
    EXPECT_TRUE(registry.timers().empty());
    host.pump(60);
    host.take_lines();
    host.pump(60);
    EXPECT_TRUE(lines_with("tick ").empty());

    vesk::set_error_level(vesk::err_low);
    const ULONGLONG before = GetTickCount64();
    EXPECT_EQ(host.eval("$if($sleep(120),y,n)"), "y");
    EXPECT_GE(GetTickCount64() - before, 100u);

    // Loops, breaks, the base point and wrong timers: window/data/loops.tsv.
    vesk::set_user_functions({{"stop", "$break()"}});
    host.expect_table("window/data/loops.tsv");
    EXPECT_TRUE(registry.timers().empty());

    host.eval("$settimer(a,1000)$settimer(b,1000)");
    EXPECT_EQ(registry.timers().size(), 2u);
    host.stop_ui();
    EXPECT_TRUE(registry.timers().empty());
}

// Window appearance and placement through scripts, each checked on the real
// window afterwards.
class Appearance : public WindowTest {
protected:
    void SetUp() override {
        ASSERT_NE(host.start_ui(), nullptr);
        define("a");
        define("b");
        define("inner");
        host.eval("$window(a,100,100,300,200)$window(b,500,120,200,150)");
        host.eval("$window(inner,10,10,80,60,parent:a,embed:true)");
        host.take_lines();
        vesk::set_error_level(vesk::err_high);
    }
    // The platform adds clip-siblings to every top-level window by itself.
    LONG style(const char* id) {
        return GetWindowLongW(handle_of(id), GWL_STYLE) & ~WS_CLIPSIBLINGS;
    }
    LONG ex(const char* id) { return GetWindowLongW(handle_of(id), GWL_EXSTYLE); }
    std::string at(const char* id, const char* in = nullptr) {
        return place(handle_of(id), in ? handle_of(in) : nullptr);
    }
};

// $systeminfo lists each open window with its object counts. An embedded
// window is a child at its base point, and its background shows or blends
// what its parent drew under it. A click on the background drags the window,
// unless it is maximized.
TEST_F(Appearance, EmbeddedWindowsBackgroundsAndDragging) {
    const auto info = run("$systeminfo()");  // no output, then 13 lines a window
    ASSERT_EQ(info.size(), 2u + 4 * 13);
    EXPECT_EQ((lines{info[0], info[1], info[2], info[15]}),
              (lines{"", "Active window count: 4", "[main]", "[a]"}));

    define("c");
    EXPECT_EQ(run("$base(5,7)$window(c,10,10,50,40,parent:a,embed:true,mempos:true)"
                  "%_mp_left%,%_mp_top%,%_mp_width%x%_mp_height%|$w(c,_parentid)"),
              lines{"15,17,50x40|a"});
    EXPECT_EQ(GetParent(handle_of("c")), handle_of("a"));
    auto* parent = vesk::script_window::from_handle(handle_of("a"));
    auto* inner = vesk::script_window::from_handle(handle_of("c"));
    ASSERT_TRUE(parent && inner);
    // The back buffer is as large as the screen plus 100, whatever the
    // window's size, and white until told otherwise.
    HDC dc = parent->back_buffer_dc();
    EXPECT_EQ(GetPixel(dc, 10, 10), RGB(255, 255, 255));
    BITMAP bm{};
    GetObjectW(GetCurrentObject(dc, OBJ_BITMAP), sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, GetSystemMetrics(SM_CXSCREEN) + 100);
    EXPECT_EQ(bm.bmHeight, GetSystemMetrics(SM_CYSCREEN) + 100);
    parent->background.color = RGB(200, 0, 0);
    parent->redraw(true);
    EXPECT_EQ(GetPixel(dc, bm.bmWidth - 1, bm.bmHeight - 1), RGB(200, 0, 0));
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

    // A parent that is not open leaves the window at the top level.
    define("top");
    define("closed");
    EXPECT_EQ(run("$window(top,,,,,parent:closed)$iswindowvisible(top)"),
              (lines{"1", "$window: window 'closed' not active"}));
    EXPECT_EQ(GetParent(handle_of("top")), nullptr);

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

TEST_F(Appearance, StyleTitleAndTaskbarReachTheWindowAndReadBack) {
    const std::pair<std::string, LONG> cases[] = {{"border", WS_BORDER},
                                                  {"thickframe", WS_THICKFRAME},
                                                  {"sysmenu", WS_SYSMENU},
                                                  {"caption", WS_CAPTION}};
    for (const auto& [name, bits] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(run("$style(a,clear," + name + ":true)$getwindowinfo(a," + name + ")"),
                  lines{"1"});
        EXPECT_EQ(style("a"), WS_VISIBLE | bits);
        EXPECT_EQ(run("$style(a," + name + ":false)$getwindowinfo(a," + name + ")"), lines{"0"});
        EXPECT_EQ(style("a"), WS_VISIBLE);
    }
    // "overlapped:" is taken and changes nothing; either caption bit is a caption.
    EXPECT_EQ(run("$style(a,clear,overlapped:true,border:1)$getwindowinfo(a,caption)"), lines{"1"});
    EXPECT_EQ(style("a"), WS_VISIBLE | WS_BORDER);
    // "clear" keeps a child a child, and drops every extended style but file drops.
    run("$style(inner,clearall,border:true)");
    EXPECT_EQ(style("inner"), WS_CHILD | WS_VISIBLE | WS_BORDER);
    EXPECT_EQ(ex("inner"), WS_EX_ACCEPTFILES);
    // Stacking words, read back from the window's own style; "top" changes nothing.
    EXPECT_EQ(run("$style(a,zorder:topmost)$getwindowinfo(a,topmost)$style(a,zorder:top)"
                  "$getwindowinfo(a,topmost)$style(a,zorder:notopmost)$getwindowinfo(a,topmost)"),
              lines{"110"});

    // The title, the title bar and the taskbar button.
    run("$title(a,Grüße,ignored)");
    EXPECT_EQ(cor_test::text_of(handle_of("a")), "Grüße");
    run("$titlebar(a,off)");
    EXPECT_EQ(style("a") & WS_CAPTION, 0);
    RECT off, on;
    GetClientRect(handle_of("a"), &off);
    run("$titlebar(a,on)");
    EXPECT_EQ(style("a") & WS_CAPTION, WS_CAPTION);
    GetClientRect(handle_of("a"), &on);
    EXPECT_LT(on.bottom, off.bottom);  // the frame changed at once

    run("$taskbar(a,off)");
    EXPECT_EQ(ex("a") & (WS_EX_TOOLWINDOW | WS_EX_APPWINDOW), WS_EX_TOOLWINDOW);
    EXPECT_TRUE(IsWindowVisible(handle_of("a")));
    run("$taskbar(a,on)");
    EXPECT_EQ(ex("a") & (WS_EX_TOOLWINDOW | WS_EX_APPWINDOW), WS_EX_APPWINDOW);
    // A hidden window stays hidden.
    run("$showwindow(b,0)$style(b,clear,caption:1)$taskbar(b,off)");
    EXPECT_FALSE(IsWindowVisible(handle_of("b")));
}

TEST_F(Appearance, BackgroundBorderSizeAndRecoverySettings) {
    auto* a = vesk::script_window::from_handle(handle_of("a"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(run("$if($bgcolor(a,10-20-30),y,n)"), lines{"y"});
    EXPECT_EQ(a->background.color, RGB(10, 20, 30));
    a->background.fill = false;
    EXPECT_EQ(run("$if($bgcolor(a),y,n)"), lines{"n"});  // back to white, found false
    EXPECT_EQ(a->background.color, RGB(255, 255, 255));
    EXPECT_FALSE(a->background.fill);

    // Each mode after the one before: the mode set, and the alpha kept or set.
    const std::tuple<std::string, int, int> modes[] = {
        {"transparent", 1, 255}, {"alpha:300", 2, 44}, {"COLOR", 0, 44}, {"alpha:-1", 2, 255}};
    for (const auto& [mode, number, alpha] : modes) {
        run("$bgmode(a," + mode + ")");
        EXPECT_EQ((std::pair<int, int>{a->background.mode, a->background.alpha}),
                  (std::pair{number, alpha}))
            << mode;
    }

    run("$myborder(a,5,-3,2)");
    EXPECT_EQ((std::array{a->border.edge, a->border.corner, a->border.snap}),
              (std::array{5, 0, 2}));
    EXPECT_FALSE(a->border.active());
    run("$myborder(a,4,8,2)");
    EXPECT_TRUE(a->border.active());
    run("$myborder(a)");
    EXPECT_FALSE(a->border.active());

    // $cancelrecovery acts on the calling script's own window.
    define("c", {"$cancelrecovery(placement:true,windows:1)$cancelrecovery(windows:0)"
                 "$console($if($cancelrecovery(x:1),y,n))"});
    host.take_lines();
    host.eval("$window(c)");
    EXPECT_EQ(vesk::script_window::from_handle(handle_of("c"))->cancel_flags, 1);
    EXPECT_EQ(host.take_lines(), (lines{"$cancelrecovery: unknown option 'x:1'", "n"}));

    // Size limits answer the platform's query.
    MINMAXINFO proposed{};
    proposed.ptMinTrackSize = {11, 12};
    proposed.ptMaxTrackSize = {1111, 1212};
    const auto query = [&] {
        MINMAXINFO mmi = proposed;
        SendMessageW(handle_of("a"), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
        return std::array{mmi.ptMinTrackSize.x, mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.x,
                          mmi.ptMaxTrackSize.y};
    };
    // The platform proposed its own record at creation; that one stays the proposal.
    const auto first = query();
    run("$minmax(a,300,200,0,900)");
    EXPECT_EQ(query(), (std::array<LONG, 4>{300, 200, first[2], 900}));
    run("$minmax(a)");
    EXPECT_EQ(query(), first);

    // A remembered place off every monitor opens on screen.
    host.eval("$movewindow(b,-5000,-5000,200,150)$closewindow(b)");
    host.pump();
    ASSERT_EQ(handle_of("b"), nullptr);
    host.eval("$window(b)");
    RECT r, work{};
    GetWindowRect(handle_of("b"), &r);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_TRUE(r.left >= work.left && r.top >= work.top && r.right <= work.right) << at("b");
    EXPECT_EQ(at("b").substr(at("b").find(' ')), " 200x150");
}

TEST_F(Appearance, FadesRunToTheirEndAndThenTheirCommand) {
    // window/data/fades.tsv
    for (const auto& row : cor_test::read_case_table("window/data/fades.tsv", 4)) {
        SCOPED_TRACE(row.where);
        host.eval("$window(b,500,120,200,150)$showwindow(b,0)");
        HWND b = handle_of("b");
        ASSERT_EQ(run("$if($fadewindow(b," + row.fields[0] + "),y,n)$iswindowvisible(b)"),
                  lines{"y1"});  // a fade shows a hidden window
        auto* w = vesk::script_window::from_handle(b);
        EXPECT_EQ(run(std::string("$if($fadewindow(b,0,255,1,10),y,n)")), lines{"n"});
        for (int tick = 0; tick < 300 && w->fade.running(); ++tick)
            SendMessageW(b, WM_TIMER, 100, 0);
        EXPECT_FALSE(w->fade.running());
        EXPECT_EQ(IsWindowVisible(b) ? "1" : "0", row.fields[2]);
        EXPECT_EQ(host.eval("$getwindowinfo(b,alpha_value)|$iswindowvisible(b)"),
                  row.fields[1] + "|" + row.fields[2]);
        host.pump(30);
        EXPECT_EQ(handle_of("b") ? "1" : "0", row.fields[3]);
    }
    // The platform's own timer drives it too.
    host.eval("$window(b,500,120,200,150)$fadewindow(b,255,0,-85,5,hide)");
    host.pump(200);
    EXPECT_FALSE(IsWindowVisible(handle_of("b")));
}

// Wrong calls and the messages they give: window/data/window_messages.tsv.
TEST_F(Appearance, BadCallsGiveTheirMessages) {
    define("closed");
    host.expect_table("window/data/window_messages.tsv");
    EXPECT_FALSE(vesk::script_window::from_handle(handle_of("a"))->fade.running());
}

TEST_F(Appearance, DockingBesideAnotherWindow) {
    // window/data/docking.tsv
    for (const auto& row : cor_test::read_case_table("window/data/docking.tsv", 2)) {
        host.eval("$movewindow(b,500,120,200,150)$showwindow(b,0)");
        EXPECT_EQ(run("$if($dock(b,a," + row.fields[0] + "),y,n)"), lines{"y"}) << row.where;
        EXPECT_EQ(at("b"), row.fields[1]) << row.where;
        EXPECT_EQ(host.eval("$iswindowvisible(b)"), "1") << row.where;
    }
    // A child docks inside its parent's client coordinates.
    define("inner2");
    host.eval("$window(inner2,150,10,40,30,parent:a,embed:true)");
    run("$dock(inner2,inner,right,true)");
    RECT inner;
    GetWindowRect(handle_of("inner"), &inner);
    MapWindowPoints(nullptr, handle_of("a"), reinterpret_cast<POINT*>(&inner), 2);
    EXPECT_EQ(at("inner2", "a"), std::to_string(inner.right) + "," + std::to_string(inner.top) +
                                     " 40x" + std::to_string(inner.bottom - inner.top));
    // An embedded window beside a top-level one: a level-3 message (in window_messages.tsv).
    vesk::set_error_level(vesk::err_middle);
    EXPECT_EQ(run("$dock(inner,b,left)"), lines{""});
}

TEST_F(Appearance, MovingGoesExactlyWhereTheScriptSaysAndQueriesReadItBack) {
    // The placement queries, where the set-up put the windows.
    HWND a = handle_of("a");
    POINT p{17, -40};
    ClientToScreen(a, &p);
    const std::string x = std::to_string(p.x), y = std::to_string(p.y);
    EXPECT_EQ(host.eval("$clienttoscreen(a,x,17)|$clienttoscreen(a,Y,-40)"), x + "|" + y);
    EXPECT_EQ(host.eval("$screentoclient(a,X," + x + ")|$screentoclient(a,y," + y + ")"), "17|-40");

    SetWindowPos(handle_of("b"), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(a, handle_of("b"), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(host.eval("$getwindowinfo(b,zorder)|$getwindowinfo(a,zorder)"), "0|1");
    // A child is not among the top-level windows.
    EXPECT_EQ(host.eval("[$getwindowinfo(inner,zorder)]$if($getwindowinfo(inner,zorder),y,n)"),
              "y");

    run("$movewindow(a,-5000,-5000,320,240)");
    EXPECT_EQ(at("a"), "-5000,-5000 320x240");
    run("$movewindow(a,40,,,260)");  // empty parameters keep their value
    EXPECT_EQ(at("a"), "40,-5000 320x260");
    // A child's x and y are in its parent's client area, shifted by the base point.
    run("$base(5,7)$movewindow(inner,20,30)");
    EXPECT_EQ(at("inner", "a"), "25,37 80x60");
    // A hidden window moves but stays hidden.
    run("$showwindow(b,0)$movewindow(b,10,10)");
    EXPECT_FALSE(IsWindowVisible(handle_of("b")));
    EXPECT_EQ(at("b"), "10,10 200x150");
}

}  // namespace
