// Mouse maps driven by real mouse messages sent to a script window.
#include "control_test_util.h"
#include "window/script_window.h"

using namespace control_test;

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
    // A map of window w over the rectangle, its scripts printing "<event> ..."
    std::string make_map(const std::string& rect, const std::string& extra = "") {
        const std::string id = host.eval(
            "$map(w,over:'$console(over)',out:'$console(out)',move:'$console(move %_mouse_cx%)',"
            "lbuttondown:'$console(down %_lbutton%%_shiftkey%)',lbuttonup:'$console(up)',"
            "wheel:'$console(wheel %_wheel%)',rbuttonup:'$console(rup)'" +
            extra + ")");
        EXPECT_EQ(id.size(), 36u);
        host.eval("$map_rect(" + id + "," + rect + ")");
        return id;
    }
    void send(UINT msg, WPARAM wp, int x, int y) { SendMessageW(wnd, msg, wp, MAKELPARAM(x, y)); }
};

TEST_F(Maps, EnterMoveLeaveInOrder) {
    make_map("10,10,50,50");
    send(WM_MOUSEMOVE, 0, 20, 20);
    send(WM_MOUSEMOVE, 0, 30, 25);
    send(WM_MOUSEMOVE, 0, 100, 100);
    EXPECT_EQ(host.take_lines(), (lines{"over", "move 30", "out"}));
    EXPECT_TRUE(vesk::object_manager::instance().hot_object() == cor::guid_null);
}

TEST_F(Maps, ButtonsWheelAndModifiers) {
    make_map("10,10,50,50");
    send(WM_MOUSEMOVE, 0, 20, 20);
    send(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, 20, 20);
    send(WM_LBUTTONUP, 0, 20, 20);
    POINT screen{20, 20};
    ClientToScreen(wnd, &screen);
    SendMessageW(wnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)),
                 MAKELPARAM(screen.x, screen.y));
    SendMessageW(wnd, WM_MOUSEWHEEL, MAKEWPARAM(0, 60), MAKELPARAM(screen.x, screen.y));
    send(WM_RBUTTONUP, 0, 21, 21);
    EXPECT_EQ(host.take_lines(), (lines{"over", "down 11", "up", "wheel -1", "wheel 0", "rup"}));
}

TEST_F(Maps, DraggingOutKeepsTheMapHotUntilRelease) {
    make_map("10,10,50,50");
    send(WM_MOUSEMOVE, 0, 20, 20);
    send(WM_LBUTTONDOWN, MK_LBUTTON, 20, 20);
    send(WM_MOUSEMOVE, MK_LBUTTON, 150, 150);
    send(WM_MOUSEMOVE, MK_LBUTTON, 160, 150);
    send(WM_LBUTTONUP, 0, 160, 150);
    EXPECT_EQ(host.take_lines(), (lines{"over", "down 10", "move 150", "move 160", "out"}));
}

TEST_F(Maps, TheFirstOfOverlappingMapsWins) {
    host.eval("$map_rect($map(w,over:'$console(first)'),0,0,100,100)");
    host.eval("$map_rect($map(w,over:'$console(second)'),50,50,100,100)");
    send(WM_MOUSEMOVE, 0, 60, 60);
    send(WM_MOUSEMOVE, 0, 70, 70);
    // Leaving the first map only ends it; the next move finds the second.
    send(WM_MOUSEMOVE, 0, 140, 140);
    EXPECT_EQ(host.take_lines(), (lines{"first"}));
    send(WM_MOUSEMOVE, 0, 141, 141);
    EXPECT_EQ(host.take_lines(), (lines{"second"}));
}

TEST_F(Maps, MapsWithoutShapesOrHiddenNeverFire) {
    host.eval("$map(w,over:'$console(empty)')");
    host.eval("$map_rect($map(w,hide,over:'$console(hidden)'),0,0,100,100)");
    send(WM_MOUSEMOVE, 0, 20, 20);
    EXPECT_TRUE(host.take_lines().empty());
}

TEST_F(Maps, CirclesAndTheBasePoint) {
    const std::string id = host.eval("$base(100,0)$map(w,over:'$console(in %_base_x%)')");
    host.eval("$base(100,0)$map_circle(" + id + ",0,0,60,60)");
    send(WM_MOUSEMOVE, 0, 105, 5);  // the circle's corner: outside
    send(WM_MOUSEMOVE, 0, 130, 30);
    EXPECT_EQ(host.take_lines(), (lines{"in 100"}));
}

TEST_F(Maps, ContextMenuOverAHotMapIsSwallowed) {
    make_map("10,10,50,50");
    send(WM_MOUSEMOVE, 0, 20, 20);
    EXPECT_EQ(
        SendMessageW(wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(120, 120)), 0);
    EXPECT_TRUE(vesk::object_manager::instance().hot_object() != cor::guid_null);
}

TEST_F(Maps, SafeModeStillRunsMapScripts) {
    vesk::cfg_safe_mode = 1;
    make_map("10,10,50,50");
    send(WM_MOUSEMOVE, 0, 20, 20);
    EXPECT_EQ(host.take_lines(), lines{"over"});
}

TEST_F(Maps, DragMapMovesItsTopLevelWindow) {
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

TEST_F(Maps, MessagesAndThresholds) {
    vesk::set_error_level(vesk::err_middle);
    host.take_lines();
    EXPECT_EQ(host.eval("$map(w,bogus:1)"), "");
    host.eval("$map_rect(00000000-0000-0000-0000-000000000000,1,2,3,4)$map_rect(x,1,2,3)");
    host.eval("$map()");
    const std::string id = host.eval("$map(w)");
    host.eval("$map_preview(" + id + ",fill:nonsense)");
    EXPECT_EQ(host.take_lines(),
              (lines{"$map: unknown option 'bogus:1'",
                     "$map_rect: objectid '00000000-0000-0000-0000-000000000000' not found",
                     "$map_rect: invalid syntax", "$map: invalid syntax",
                     "$map_preview: invalid bgcolor 'nonsense'"}));
    EXPECT_EQ(host.eval("$if($map_preview(" + id + "),y,n)"), "y");
}

TEST_F(Maps, PreviewFramesTheAreaOnScreenOnly) {
    const std::string id = host.eval("$map(w)");
    host.eval("$map_rect(" + id + ",20,20,40,40)");
    host.pump();
    EXPECT_EQ(host.eval("$if($map_preview(" + id + ",frame:255-0-0),y,n)"), "y");
    HDC dc = GetDC(wnd);
    EXPECT_EQ(GetPixel(dc, 20, 20), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 40, 40), RGB(255, 255, 255));
    ReleaseDC(wnd, dc);
    // The back buffer is untouched.
    EXPECT_EQ(GetPixel(vesk::paint_target_of(wnd)->back_buffer_dc(), 20, 20), RGB(255, 255, 255));
}

}  // namespace

namespace {

TEST_F(Maps, DragWindowSwitchesTheBackgroundDrag) {
    auto* sw = vesk::script_window::from_handle(wnd);
    sw->drag = true;
    EXPECT_EQ(host.eval("$if($dragwindow(w,off),y,n)"), "y");
    EXPECT_FALSE(sw->drag);
    host.eval("$dragwindow(w,1)");
    EXPECT_TRUE(sw->drag);
    vesk::set_error_level(vesk::err_low);
    host.take_lines();
    host.eval("$dragwindow(w)");
    EXPECT_EQ(host.take_lines(), lines{"$dragwindow: invalid syntax"});
}

}  // namespace
