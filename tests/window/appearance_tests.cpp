// Window appearance and placement through scripts: styles, transparency,
// fading, docking, moving, size limits and the placement queries, each
// checked on the real window afterwards.
#include "window_test_util.h"

#include "window/script_window.h"

using namespace window_test;

namespace {

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

TEST_F(Appearance, StyleOptionsReachTheWindowAndReadBack) {
    const struct {
        const char* name;
        LONG bits;
    } cases[] = {{"border", WS_BORDER},
                 {"thickframe", WS_THICKFRAME},
                 {"sysmenu", WS_SYSMENU},
                 {"caption", WS_CAPTION}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = c.name;
        EXPECT_EQ(run("$style(a,clear," + name + ":true)$getwindowinfo(a," + name + ")"),
                  lines{"1"});
        EXPECT_EQ(style("a"), WS_VISIBLE | c.bits);
        EXPECT_EQ(run("$style(a," + name + ":false)$getwindowinfo(a," + name + ")"), lines{"0"});
        EXPECT_EQ(style("a"), WS_VISIBLE);
    }
    // "overlapped:" is accepted and changes nothing; either caption bit is a caption.
    run("$style(a,clear,overlapped:true,border:1)");
    EXPECT_EQ(style("a"), WS_VISIBLE | WS_BORDER);
    EXPECT_EQ(run("$getwindowinfo(a,caption)|$getwindowinfo(a,overlapped)"),
              (lines{"1|", "$getwindowinfo: unknown type 'overlapped'"}));
    // "clear" keeps a child a child, and drops every extended style but file drops.
    run("$style(inner,clearall,border:true)");
    EXPECT_EQ(style("inner"), WS_CHILD | WS_VISIBLE | WS_BORDER);
    EXPECT_EQ(ex("inner"), WS_EX_ACCEPTFILES);
    // Stacking words; "top" changes nothing.
    EXPECT_EQ(run("$style(a,zorder:topmost)$getwindowinfo(a,topmost)"), lines{"1"});
    EXPECT_TRUE(ex("a") & WS_EX_TOPMOST);
    EXPECT_EQ(run("$style(a,zorder:top)$getwindowinfo(a,topmost)"), lines{"1"});
    EXPECT_EQ(run("$style(a,zorder:notopmost)$getwindowinfo(a,topmost)"), lines{"0"});
    // A hidden window stays hidden; a bad option writes nothing.
    run("$showwindow(b,0)$style(b,clear,caption:1)");
    EXPECT_FALSE(IsWindowVisible(handle_of("b")));
    const LONG before = style("a");
    EXPECT_EQ(run("$if($style(a,border:0,zorder:up),y,n)"),
              (lines{"n", "$style: unknown option 'zorder:up'"}));
    EXPECT_EQ(run("$style(a,thick:1)"), (lines{"", "$style: unknown option 'thick:1'"}));
    EXPECT_EQ(style("a"), before);
}

TEST_F(Appearance, TitleTitlebarAndTaskbar) {
    run("$title(a,Grüße,ignored)");
    EXPECT_EQ(cor_test::text_of(handle_of("a")), "Grüße");
    run("$titlebar(a,off)");
    EXPECT_EQ(style("a") & WS_CAPTION, 0);
    RECT off;
    GetClientRect(handle_of("a"), &off);
    run("$titlebar(a,on)");
    EXPECT_EQ(style("a") & WS_CAPTION, WS_CAPTION);
    RECT on;
    GetClientRect(handle_of("a"), &on);
    EXPECT_LT(on.bottom, off.bottom);  // the frame changed at once

    run("$taskbar(a,off)");
    EXPECT_EQ(ex("a") & (WS_EX_TOOLWINDOW | WS_EX_APPWINDOW), WS_EX_TOOLWINDOW);
    EXPECT_TRUE(IsWindowVisible(handle_of("a")));
    run("$taskbar(a,on)");
    EXPECT_EQ(ex("a") & (WS_EX_TOOLWINDOW | WS_EX_APPWINDOW), WS_EX_APPWINDOW);
    run("$showwindow(b,0)$taskbar(b,off)");
    EXPECT_FALSE(IsWindowVisible(handle_of("b")));
}

// The queries read the window's own layered attributes back.
TEST_F(Appearance, TransparencyIsTheWindowsLayeredState) {
    const struct {
        const char* options;
        bool layered;
        const char* info;  // alpha|colorkey|alpha_value|colorkey_value
    } cases[] = {
        {"alpha:200", true, "1|0|200|000000"},
        {"alpha:256", true, "1|0|0|000000"},  // low byte: invisible
        {"alpha:0", false, "0|0|0|000000"},   // opaque again
        {"colorkey:FF0080", true, "0|1|255|ff0080"},
        {"alpha:100,colorkey:0-255-0", true, "1|1|100|00ff00"},
        {"alpha:100,colorkey:", false, "0|0|0|000000"},
        {"noise,alpha:-5", false, "0|0|0|000000"},
    };
    for (const auto& c : cases) {
        run("$transwindow(a,alpha:0)");
        EXPECT_EQ(run(std::string("$transwindow(a,") + c.options +
                      ")$getwindowinfo(a,alpha)|$getwindowinfo(a,colorkey)|"
                      "$getwindowinfo(a,alpha_value)|$getwindowinfo(a,colorkey_value)"),
                  lines{c.info})
            << c.options;
        EXPECT_EQ((ex("a") & WS_EX_LAYERED) != 0, c.layered) << c.options;
    }
}

TEST_F(Appearance, BackgroundBorderAndRecoverySettings) {
    auto* a = vesk::script_window::from_handle(handle_of("a"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(run("$if($bgcolor(a,10-20-30),y,n)"), lines{"y"});
    EXPECT_EQ(a->background.color, RGB(10, 20, 30));
    a->background.fill = false;
    EXPECT_EQ(run("$if($bgcolor(a),y,n)"), lines{"n"});  // back to white, found false
    EXPECT_EQ(a->background.color, RGB(255, 255, 255));
    EXPECT_FALSE(a->background.fill);

    const struct {
        const char* mode;
        int expected;
        int alpha;
    } modes[] = {
        {"transparent", 1, 255}, {"alpha:300", 2, 44}, {"COLOR", 0, 44}, {"alpha:-1", 2, 255}};
    for (const auto& m : modes) {
        run(std::string("$bgmode(a,") + m.mode + ")");
        EXPECT_EQ(a->background.mode, m.expected) << m.mode;
        EXPECT_EQ(a->background.alpha, m.alpha) << m.mode;
    }

    run("$myborder(a,5,-3,2)");
    EXPECT_EQ(a->border.edge, 5);
    EXPECT_EQ(a->border.corner, 0);
    EXPECT_EQ(a->border.snap, 2);
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
}

TEST_F(Appearance, SizeLimitsAnswerThePlatformsQuery) {
    HWND a = handle_of("a");
    MINMAXINFO proposed{};
    proposed.ptMinTrackSize = {11, 12};
    proposed.ptMaxTrackSize = {1111, 1212};
    const auto query = [&] {
        MINMAXINFO mmi = proposed;
        SendMessageW(a, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
        return mmi;
    };
    // The platform proposed its own record at creation; that one stays the proposal.
    const MINMAXINFO first = query();
    run("$minmax(a,300,200,0,900)");
    MINMAXINFO mmi = query();
    EXPECT_EQ(mmi.ptMinTrackSize.x, 300);
    EXPECT_EQ(mmi.ptMinTrackSize.y, 200);
    EXPECT_EQ(mmi.ptMaxTrackSize.x, first.ptMaxTrackSize.x);
    EXPECT_EQ(mmi.ptMaxTrackSize.y, 900);
    run("$minmax(a)");
    mmi = query();
    EXPECT_EQ(mmi.ptMinTrackSize.x, first.ptMinTrackSize.x);
    EXPECT_EQ(mmi.ptMaxTrackSize.y, first.ptMaxTrackSize.y);
}

TEST_F(Appearance, FadesRunToTheirEndAndThenTheirCommand) {
    const struct {
        const char* call;
        int alpha;  // at the end
        bool visible, open;
    } cases[] = {
        {"255,0,-5,10,hide", 0, false, true},
        {"0,200,60,10", 200, true, true},  // the last step stops at the target
        {"10,255,100,10,none", 255, true, true},
        {"255,100,-50,10,CLOSE", 100, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        host.eval("$window(b,500,120,200,150)$showwindow(b,0)");
        HWND b = handle_of("b");
        ASSERT_EQ(run(std::string("$if($fadewindow(b,") + c.call + "),y,n)$iswindowvisible(b)"),
                  lines{"y1"});  // a fade shows a hidden window
        auto* w = vesk::script_window::from_handle(b);
        EXPECT_EQ(run(std::string("$if($fadewindow(b,0,255,1,10),y,n)")), lines{"n"});
        for (int tick = 0; tick < 300 && w->fade.running(); ++tick)
            SendMessageW(b, WM_TIMER, 100, 0);
        EXPECT_FALSE(w->fade.running());
        BYTE alpha = 0;
        DWORD flags = 0;
        ASSERT_TRUE(GetLayeredWindowAttributes(b, nullptr, &alpha, &flags));
        EXPECT_EQ(alpha, c.alpha);
        EXPECT_EQ(IsWindowVisible(b) != 0, c.visible);
        EXPECT_EQ(host.eval("$iswindowvisible(b)"), c.visible ? "1" : "0");
        host.pump(30);
        EXPECT_EQ(handle_of("b") != nullptr, c.open);
    }
    // The platform's own timer drives it too.
    host.eval("$window(b,500,120,200,150)");
    host.eval("$fadewindow(b,255,0,-85,5,hide)");
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
    // b is 200x150; a (the target) stands at 100,100 and is 300x200.
    const std::pair<const char*, const char*> cases[] = {
        {"left", "-100,100 200x150"},
        {"right", "400,100 200x150"},
        {"top", "100,-50 200x150"},
        {"bottom", "100,300 200x150"},
        {"right,1,xpad:5,ypad:-3,wh:10", "405,97 200x210"},
        {"TOP,true,wh:-20", "100,-50 280x150"},
    };
    for (const auto& [args, where] : cases) {
        host.eval("$movewindow(b,500,120,200,150)$showwindow(b,0)");
        EXPECT_EQ(run(std::string("$if($dock(b,a,") + args + "),y,n)"), lines{"y"}) << args;
        EXPECT_EQ(at("b"), where) << args;
        EXPECT_EQ(host.eval("$iswindowvisible(b)"), "1") << args;
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

    EXPECT_EQ(run("$dock(inner,b,left)"), (lines{"", "$dock: different window mode"}));
    vesk::set_error_level(vesk::err_middle);
    EXPECT_EQ(run("$dock(inner,b,left)"), lines{""});  // a level-3 message
    EXPECT_EQ(run("$dock(b,a,middle)$dock(b,a,left,0,pad:1)$dock(b,nope,left)$dock(b,a)"),
              (lines{"", "$dock: invalid position 'middle'", "$dock: unknown option 'pad:1'",
                     "$dock: window 'nope' not found", "$dock: invalid syntax"}));
}

TEST_F(Appearance, MovingGoesExactlyWhereTheScriptSays) {
    run("$movewindow(a,-5000,-5000,320,240)");
    EXPECT_EQ(at("a"), "-5000,-5000 320x240");
    run("$movewindow(a,40,,,260)");  // empty parameters keep their value
    EXPECT_EQ(at("a"), "40,-5000 320x260");
    run("$movewindow(a,40,50,,,activate:false)");
    EXPECT_EQ(at("a"), "40,50 320x260");
    // A child's x and y are in its parent's client area, shifted by the base point.
    run("$base(5,7)$movewindow(inner,20,30)");
    EXPECT_EQ(at("inner", "a"), "25,37 80x60");
    // A hidden window moves but stays hidden.
    run("$showwindow(b,0)$movewindow(b,10,10)");
    EXPECT_FALSE(IsWindowVisible(handle_of("b")));
    EXPECT_EQ(at("b"), "10,10 200x150");
    EXPECT_EQ(run("$movewindow(b,1,1,1,1,activate:0,x:1)"),
              (lines{"", "$movewindow: unknown option 'x:1'"}));
}

TEST_F(Appearance, PointsAndStackingQueries) {
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
    ShowWindow(a, SW_MINIMIZE);
    EXPECT_EQ(host.eval("$getwindowinfo(a,iconic)$getwindowinfo(a,zoomed)"), "10");
    ShowWindow(a, SW_MAXIMIZE);
    EXPECT_EQ(host.eval("$getwindowinfo(a,iconic)$getwindowinfo(a,zoomed)"), "01");
}

TEST_F(Appearance, AnimationShowsOrHidesTheWindow) {
    EXPECT_EQ(run("$animatewindow(a,10,hide,BLEND)$iswindowvisible(a)"), lines{"0"});
    EXPECT_FALSE(IsWindowVisible(handle_of("a")));
    EXPECT_EQ(run("$animatewindow(a,10,slide,hpositive,vnegative)$iswindowvisible(a)"), lines{"1"});
    EXPECT_TRUE(IsWindowVisible(handle_of("a")));
}

TEST_F(Appearance, ARememberedPlaceOffEveryMonitorOpensOnScreen) {
    host.eval("$movewindow(b,-5000,-5000,200,150)");
    host.eval("$closewindow(b)");
    host.pump();
    ASSERT_EQ(handle_of("b"), nullptr);
    host.eval("$window(b)");
    RECT r, work{};
    GetWindowRect(handle_of("b"), &r);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_GE(r.left, work.left);
    EXPECT_GE(r.top, work.top);
    EXPECT_LE(r.right, work.right);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, 150);
}

}  // namespace
