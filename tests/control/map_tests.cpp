// Mouse maps driven by real mouse messages sent to a script window: the
// scripts each event runs, with their variables. Which map is hot, and
// when, is the object manager's and tested with it.
#include "window/script_window.h"
#include "window/window_test_util.h"

using namespace window_test;

namespace {

class Maps : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        if (HasFatalFailure()) return;
        // Clicks on the background would start a window drag.
        vesk::script_window::from_handle(wnd)->drag = false;
        SetWindowPos(wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        host.pump();
        host.take_lines();
    }
    void send(UINT msg, WPARAM wp, int x, int y) { SendMessageW(wnd, msg, wp, MAKELPARAM(x, y)); }
};

TEST_F(Maps, EachEventRunsItsScriptWithItsVariables) {
    const std::string id = host.eval(
        "$map(w,over:'$console(over)',out:'$console(out)',move:'$console(move %_mouse_cx%)',"
        "lbuttondown:'$console(down %_lbutton%%_shiftkey%)',lbuttonup:'$console(up)',"
        "wheel:'$console(wheel %_wheel%)',rbuttonup:'$console(rup)')");
    ASSERT_EQ(id.size(), 36u);
    host.eval("$map_rect(" + id + ",10,10,50,50)");
    send(WM_MOUSEMOVE, 0, 20, 20);
    send(WM_MOUSEMOVE, 0, 30, 25);
    send(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, 30, 25);
    send(WM_LBUTTONUP, 0, 30, 25);
    POINT screen{20, 20};
    ClientToScreen(wnd, &screen);
    SendMessageW(wnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)),
                 MAKELPARAM(screen.x, screen.y));
    SendMessageW(wnd, WM_MOUSEWHEEL, MAKEWPARAM(0, 60), MAKELPARAM(screen.x, screen.y));
    send(WM_RBUTTONUP, 0, 21, 21);
    // Over a hot map the window's context menu is swallowed.
    EXPECT_EQ(
        SendMessageW(wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(120, 120)), 0);
    EXPECT_TRUE(vesk::object_manager::instance().hot_object() != cor::guid_null);
    send(WM_MOUSEMOVE, 0, 100, 100);
    EXPECT_EQ(host.take_lines(),
              (lines{"over", "move 30", "down 11", "up", "wheel -1", "wheel 0", "rup", "out"}));
    EXPECT_TRUE(vesk::object_manager::instance().hot_object() == cor::guid_null);
    // Safe mode still runs map scripts.
    vesk::cfg_safe_mode = 1;
    send(WM_MOUSEMOVE, 0, 20, 20);
    EXPECT_EQ(host.take_lines(), lines{"over"});
}

TEST_F(Maps, CirclesTheBasePointAndMapsWithoutShapesOrHidden) {
    host.eval("$map(w,over:'$console(empty)')");
    host.eval("$map_rect($map(w,hide,over:'$console(hidden)'),0,0,100,100)");
    const std::string id = host.eval("$base(100,0)$map(w,over:'$console(in %_base_x%)')");
    host.eval("$base(100,0)$map_circle(" + id + ",0,0,60,60)");
    send(WM_MOUSEMOVE, 0, 20, 20);
    send(WM_MOUSEMOVE, 0, 105, 5);  // the circle's corner: outside
    send(WM_MOUSEMOVE, 0, 130, 30);
    EXPECT_EQ(host.take_lines(), (lines{"in 100"}));
}

TEST_F(Maps, DragMapMovesItsTopLevelWindowUnlessMaximized) {
    const std::string id = host.eval("$map(w,drag:true)");
    host.eval("$map_rect(" + id + ",0,0,300,200)");
    RECT before;
    GetWindowRect(wnd, &before);
    send(WM_MOUSEMOVE, 0, 10, 10);
    EXPECT_EQ(SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10)), 0);
    // The window follows the point by the distance it moved.
    send(WM_MOUSEMOVE, MK_LBUTTON, 40, 30);
    RECT after;
    GetWindowRect(wnd, &after);
    EXPECT_EQ(after.left, before.left + 30);
    EXPECT_EQ(after.top, before.top + 20);
    send(WM_LBUTTONUP, 0, 10, 10);
    ShowWindow(wnd, SW_MAXIMIZE);
    host.pump();
    GetWindowRect(wnd, &before);
    send(WM_MOUSEMOVE, 0, 10, 10);
    send(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
    send(WM_MOUSEMOVE, MK_LBUTTON, 40, 30);
    GetWindowRect(wnd, &after);
    EXPECT_EQ(after.left, before.left);
}

// The preview frames the area on the screen only, never in the back buffer.
TEST_F(Maps, PreviewAndTheBackgroundDragSwitch) {
    const std::string id = host.eval("$map(w)");
    host.eval("$map_rect(" + id + ",20,20,40,40)");
    host.pump();
    EXPECT_EQ(host.eval("$if($map_preview(" + id + ",frame:255-0-0),y,n)"), "y");
    EXPECT_EQ(cor_test::screen_pixel(wnd, 20, 20), RGB(255, 0, 0));
    EXPECT_EQ(cor_test::screen_pixel(wnd, 40, 40), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(vesk::paint_target_of(wnd)->back_buffer_dc(), 20, 20), RGB(255, 255, 255));

    auto* sw = vesk::script_window::from_handle(wnd);
    sw->drag = true;
    EXPECT_EQ(host.eval("$if($dragwindow(w,off),y,n)"), "y");
    EXPECT_FALSE(sw->drag);
    host.eval("$dragwindow(w,1)");
    EXPECT_TRUE(sw->drag);
}

}  // namespace
