// Window appearance and placement through scripts: styles, transparency,
// fading, docking, moving, size limits and the placement queries, each
// checked on the real window afterwards.
#include "window_test_util.h"

#include "window/script_window.h"

using namespace window_test;
using lines = std::vector<std::string>;

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
    RECT rect(const char* id) {
        RECT r{};
        GetWindowRect(handle_of(id), &r);
        return r;
    }
    // Runs `script`; its output followed by the console lines it printed.
    lines run(const std::string& script) {
        lines out{host.eval(script)};
        for (auto& l : host.take_lines()) out.push_back(std::move(l));
        return out;
    }
};

bool same(const RECT& r, LONG left, LONG top, LONG width, LONG height) {
    return r.left == left && r.top == top && r.right - r.left == width &&
           r.bottom - r.top == height;
}

TEST_F(Appearance, EveryStyleOptionReachesTheWindowAndReadsBack) {
    const struct {
        const char* name;
        LONG bits;
    } cases[] = {{"border", WS_BORDER},           {"dlgframe", WS_DLGFRAME},
                 {"vscroll", WS_VSCROLL},         {"hscroll", WS_HSCROLL},
                 {"thickframe", WS_THICKFRAME},   {"minimizebox", WS_MINIMIZEBOX},
                 {"maximizebox", WS_MAXIMIZEBOX}, {"sysmenu", WS_SYSMENU},
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
    wchar_t text[32];
    GetWindowTextW(handle_of("a"), text, 32);
    EXPECT_STREQ(text, L"Grüße");
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
    EXPECT_EQ(run("$title(a)$titlebar(a)$taskbar(a,1,2)"),
              (lines{"", "$title: invalid syntax", "$titlebar: invalid syntax",
                     "$taskbar: invalid syntax"}));
}

TEST_F(Appearance, TransparencyIsTheWindowsLayeredState) {
    const struct {
        const char* options;
        bool layered;
        DWORD flags;
        BYTE alpha;
        COLORREF key;
        const char* info;  // alpha|colorkey|alpha_value|colorkey_value
    } cases[] = {
        {"alpha:200", true, LWA_ALPHA, 200, 0, "1|0|200|000000"},
        {"alpha:256", true, LWA_ALPHA, 0, 0, "1|0|0|000000"},  // low byte: invisible
        {"alpha:0", false, 0, 0, 0, "0|0|0|000000"},           // opaque again
        {"colorkey:FF0080", true, LWA_COLORKEY, 255, RGB(255, 0, 128), "0|1|255|ff0080"},
        {"alpha:100,colorkey:0-255-0", true, LWA_ALPHA | LWA_COLORKEY, 100, RGB(0, 255, 0),
         "1|1|100|00ff00"},
        {"alpha:100,colorkey:", false, 0, 0, 0, "0|0|0|000000"},
        {"noise,alpha:-5", false, 0, 0, 0, "0|0|0|000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        run("$transwindow(a,alpha:0)");
        EXPECT_EQ(run(std::string("$transwindow(a,") + c.options +
                      ")$getwindowinfo(a,alpha)|$getwindowinfo(a,colorkey)|"
                      "$getwindowinfo(a,alpha_value)|$getwindowinfo(a,colorkey_value)"),
                  lines{c.info});
        HWND a = handle_of("a");
        EXPECT_EQ((GetWindowLongW(a, GWL_EXSTYLE) & WS_EX_LAYERED) != 0, c.layered);
        if (!c.layered) continue;
        COLORREF key = 0;
        BYTE alpha = 0;
        DWORD flags = 0;
        ASSERT_TRUE(GetLayeredWindowAttributes(a, &key, &alpha, &flags));
        EXPECT_EQ(flags, c.flags);
        if (flags & LWA_ALPHA) {
            EXPECT_EQ(alpha, c.alpha);
        }
        if (flags & LWA_COLORKEY) {
            EXPECT_EQ(key, c.key);
        }
    }
    // A bad colour ends the call after the options before it took effect.
    EXPECT_EQ(run("$if($transwindow(a,alpha:0,alpha:90,colorkey:zz,alpha:10),y,n)"
                  "$getwindowinfo(a,alpha_value)"),
              (lines{"n90", "$transwindow: invalid color"}));
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
    EXPECT_EQ(run("$bgcolor(a,nonsense)"), (lines{"", "$bgcolor: invalid color"}));

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
    EXPECT_EQ(run("$bgmode(a,glass)"), (lines{"", "$bgmode: unknown mode 'glass'"}));

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
    EXPECT_EQ(run("$if($cancelrecovery(placement:1),y,n)"), lines{"n"});  // no window
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
    // The window obeys: it cannot be made smaller than the minimum.
    run("$minmax(a,250,180)");
    MoveWindow(a, 100, 100, 50, 50, TRUE);
    const RECT r = rect("a");
    EXPECT_EQ(r.right - r.left, 250);
    EXPECT_EQ(r.bottom - r.top, 180);
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

TEST_F(Appearance, FadeParametersAreCheckedInOrder) {
    const struct {
        const char* params;
        const char* message;
    } cases[] = {
        {"inner,0,255,5,10", "window 'inner' is embedded"},
        {"a,,255,5,10", "invalid start"},
        {"a,x,255,5,10", "invalid start"},
        {"a,256,255,5,10", "invalid start"},
        {"a,-1,255,5,10", "invalid start"},
        {"a,0,300,5,10", "invalid end"},
        {"a,0,255,,10", "invalid step"},
        {"a,0,255,-256,10", "invalid step"},
        {"a,0,255,5,0", "invalid msec"},
        {"a,0,255,0,10", "invalid start,end,step"},
        {"a,0,255,-5,10", "invalid start,end,step"},
        {"a,255,0,5,10", "invalid start,end,step"},
        {"a,0,255,5,10,vanish", "unknown cmd"},
        {"a,0,255,5", "invalid syntax"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(std::string("$if($fadewindow(") + c.params + "),y,n)"),
                  (lines{"n", std::string("$fadewindow: ") + c.message}))
            << c.params;
    }
    EXPECT_FALSE(vesk::script_window::from_handle(handle_of("a"))->fade.running());
}

TEST_F(Appearance, DockingBesideAnotherWindow) {
    // b is 200x150; a (the target) stands at 100,100 and is 300x200.
    const struct {
        const char* args;
        LONG left, top, width, height;
    } cases[] = {
        {"left", 100 - 200, 100, 200, 150},
        {"right", 400, 100, 200, 150},
        {"top", 100, 100 - 150, 200, 150},
        {"bottom", 100, 300, 200, 150},
        {"LEFT,true", 100 - 200, 100, 200, 200},
        {"right,1,xpad:5,ypad:-3,wh:10", 405, 97, 200, 210},
        {"top,true,wh:-20", 100, 100 - 150, 280, 150},
        {"bottom,yes,ypad:2", 100, 302, 200, 150},
    };
    for (const auto& c : cases) {
        host.eval("$movewindow(b,500,120,200,150)$showwindow(b,0)");
        EXPECT_EQ(run(std::string("$if($dock(b,a,") + c.args + "),y,n)"), lines{"y"}) << c.args;
        EXPECT_TRUE(same(rect("b"), c.left, c.top, c.width, c.height)) << c.args;
        EXPECT_EQ(host.eval("$iswindowvisible(b)"), "1") << c.args;
    }
    // A child docks inside its parent's client coordinates.
    define("inner2");
    host.eval("$window(inner2,150,10,40,30,parent:a,embed:true)");
    run("$dock(inner2,inner,right,true)");
    RECT r = rect("inner2");
    MapWindowPoints(nullptr, handle_of("a"), reinterpret_cast<POINT*>(&r), 2);
    RECT inner = rect("inner");
    MapWindowPoints(nullptr, handle_of("a"), reinterpret_cast<POINT*>(&inner), 2);
    EXPECT_TRUE(same(r, inner.right, inner.top, 40, inner.bottom - inner.top));

    EXPECT_EQ(run("$dock(inner,b,left)"), (lines{"", "$dock: different window mode"}));
    vesk::set_error_level(vesk::err_middle);
    EXPECT_EQ(run("$dock(inner,b,left)"), lines{""});  // a level-3 message
    EXPECT_EQ(run("$dock(b,a,middle)$dock(b,a,left,0,pad:1)$dock(b,nope,left)$dock(b,a)"),
              (lines{"", "$dock: invalid position 'middle'", "$dock: unknown option 'pad:1'",
                     "$dock: window 'nope' not found", "$dock: invalid syntax"}));
}

TEST_F(Appearance, MovingGoesExactlyWhereTheScriptSays) {
    run("$movewindow(a,-5000,-5000,320,240)");
    EXPECT_TRUE(same(rect("a"), -5000, -5000, 320, 240));
    run("$movewindow(a,40,,,260)");  // empty parameters keep their value
    EXPECT_TRUE(same(rect("a"), 40, -5000, 320, 260));
    run("$movewindow(a,40,50,,,activate:false)");
    EXPECT_TRUE(same(rect("a"), 40, 50, 320, 260));
    // A child's x and y are in its parent's client area, shifted by the base point.
    run("$base(5,7)$movewindow(inner,20,30)");
    RECT r = rect("inner");
    MapWindowPoints(nullptr, handle_of("a"), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 25);
    EXPECT_EQ(r.top, 37);
    // A hidden window moves but stays hidden.
    run("$showwindow(b,0)$movewindow(b,10,10)");
    EXPECT_FALSE(IsWindowVisible(handle_of("b")));
    EXPECT_EQ(rect("b").left, 10);
    EXPECT_EQ(run("$movewindow(b,1,1,1,1,activate:0,x:1)"),
              (lines{"", "$movewindow: unknown option 'x:1'"}));
}

TEST_F(Appearance, PointsAndStackingQueries) {
    HWND a = handle_of("a");
    for (const char* axis : {"x", "Y"}) {
        for (const int v : {0, 17, -40}) {
            POINT p = axis[0] == 'x' ? POINT{v, 0} : POINT{0, v};
            ClientToScreen(a, &p);
            const std::string value = std::to_string(v);
            const std::string screen =
                host.eval(std::string("$clienttoscreen(a,") + axis + "," + value + ")");
            EXPECT_EQ(screen, std::to_string(axis[0] == 'x' ? p.x : p.y));
            EXPECT_EQ(host.eval(std::string("$screentoclient(a,") + axis + "," + screen + ")"),
                      value);
        }
    }
    EXPECT_EQ(run("$clienttoscreen(a,z,1)$screentoclient(a,x)"),
              (lines{"", "$clienttoscreen: unknown type 'z'", "$screentoclient: invalid syntax"}));

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
    EXPECT_EQ(
        run("$animatewindow(a,10,spin)$animatewindow(a)"),
        (lines{"", "$animatewindow: unknown option 'spin'", "$animatewindow: invalid syntax"}));
}

TEST_F(Appearance, WindowsAreNamedWithTheSharedMessages) {
    define("closed");
    for (const char* call :
         {"$style(%s,border:1)", "$title(%s,x)", "$titlebar(%s,1)", "$taskbar(%s,1)",
          "$bgcolor(%s)", "$bgmode(%s,color)", "$transwindow(%s)", "$animatewindow(%s,1)",
          "$fadewindow(%s,0,255,5,10)", "$minmax(%s)", "$myborder(%s)", "$movewindow(%s)",
          "$dock(%s,a,left)", "$getwindowinfo(%s,border)", "$clienttoscreen(%s,x,1)",
          "$screentoclient(%s,y,1)"}) {
        std::string text = call;
        const size_t at = text.find("%s");
        const std::string name = text.substr(1, text.find('(') - 1);
        EXPECT_EQ(run(std::string(text).replace(at, 2, "nope")),
                  (lines{"", "$" + name + ": window 'nope' not found"}));
        EXPECT_EQ(run(std::string(text).replace(at, 2, "closed")),
                  (lines{"", "$" + name + ": window 'closed' not active"}));
    }
}

TEST_F(Appearance, ARememberedPlaceOffEveryMonitorOpensOnScreen) {
    host.eval("$movewindow(b,-5000,-5000,200,150)");
    host.eval("$closewindow(b)");
    host.pump();
    ASSERT_EQ(handle_of("b"), nullptr);
    host.eval("$window(b)");
    const RECT r = rect("b");
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_GE(r.left, work.left);
    EXPECT_GE(r.top, work.top);
    EXPECT_LE(r.right, work.right);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, 150);
    // A place on screen is kept as it was.
    host.eval("$movewindow(b,30,40,200,150)$closewindow(b)");
    host.pump();
    host.eval("$window(b)");
    EXPECT_TRUE(same(rect("b"), 30, 40, 200, 150));
}

}  // namespace
