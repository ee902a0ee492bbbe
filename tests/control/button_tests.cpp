// Buttons as real child windows: creation at the next repaint, clicks,
// hover and pressed painting, disabled and safe-mode behaviour.
#include "control/button_object.h"
#include "control_test_util.h"
#include "window/script_window.h"

using namespace control_test;
using vesk::object::button_object;

namespace {

class Buttons : public ControlTest {
protected:
    button_object* button(const std::string& identity) {
        return object<button_object>(identity, vesk::object::type_button);
    }
};

TEST_F(Buttons, TheWindowComesWithTheNextRepaint) {
    const std::string id = host.eval("$button(w,Play,10,-10,80,24,'$console(click)')");
    ASSERT_EQ(id.size(), 36u);
    button_object* b = button(id);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->control_wnd, nullptr);
    EXPECT_EQ(b->y, 0);  // the sign ends the number
    repaint();
    ASSERT_NE(b->control_wnd, nullptr);
    EXPECT_EQ(GetParent(b->control_wnd), wnd);
    EXPECT_EQ(GetDlgCtrlID(b->control_wnd), static_cast<int>(b->control_id));
    wchar_t caption[32];
    GetWindowTextW(b->control_wnd, caption, 32);
    EXPECT_STREQ(caption, L"Play");
    const RECT r = client_rect_of(b->control_wnd);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.right - r.left, 80);
}

TEST_F(Buttons, RemovedBeforeARepaintNeverMakesAWindow) {
    const std::string id = host.eval("$button(w,x,0,0,10,10,'')");
    const size_t before = [] {
        size_t n = 0;
        EnumChildWindows(
            vesk::main_window_handle(),
            [](HWND, LPARAM p) { return ++*reinterpret_cast<size_t*>(p), TRUE; },
            reinterpret_cast<LPARAM>(&n));
        return n;
    }();
    host.eval("$removeobject(" + id + ")");
    repaint();
    EXPECT_EQ(GetWindow(wnd, GW_CHILD), nullptr);
    EXPECT_EQ(before, 0u);
}

TEST_F(Buttons, AClickRunsTheScriptOnceWithTheCreatorsBasePoint) {
    const std::string id =
        host.eval("$base(7,8)$button(w,Go,1,2,60,20,'$console(click %_base_x% %_base_y%)')");
    repaint();
    button_object* b = button(id);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->x, 8);
    SendMessageW(b->control_wnd, BM_CLICK, 0, 0);
    host.pump();
    EXPECT_EQ(host.take_lines(), lines{"click 7 8"});
}

TEST_F(Buttons, DisabledButtonsAndSafeModeRunNothing) {
    const std::string id = host.eval("$button(w,Go,1,2,60,20,'$console(click)')");
    repaint();
    button_object* b = button(id);
    EnableWindow(b->control_wnd, FALSE);
    SendMessageW(b->control_wnd, BM_CLICK, 0, 0);
    host.pump();
    EXPECT_TRUE(host.take_lines().empty());
    EnableWindow(b->control_wnd, TRUE);
    vesk::cfg_safe_mode = 1;
    SendMessageW(b->control_wnd, BM_CLICK, 0, 0);
    host.pump();
    EXPECT_TRUE(host.take_lines().empty());
    vesk::cfg_safe_mode = 0;
    SendMessageW(b->control_wnd, BM_CLICK, 0, 0);
    host.pump();
    EXPECT_EQ(host.take_lines(), lines{"click"});
}

TEST_F(Buttons, OwnerDrawnTextButtonPaintsItsColoursAndHover) {
    const std::string id =
        host.eval("$button(w,' ',10,10,100,40,'',type:text2,bg:0-0-255,over:' ')");
    repaint();
    button_object* b = button(id);
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(GetWindowLongW(b->control_wnd, GWL_STYLE) & BS_OWNERDRAW);
    RedrawWindow(b->control_wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    HDC dc = GetDC(b->control_wnd);
    EXPECT_EQ(GetPixel(dc, 50, 20), RGB(0, 0, 255));
    ReleaseDC(b->control_wnd, dc);
    EXPECT_FALSE(b->hover());
    SendMessageW(b->control_wnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(b->hover());
    EXPECT_EQ(GetCapture(), b->control_wnd);
    SendMessageW(b->control_wnd, WM_MOUSEMOVE, 0, MAKELPARAM(500, 5));
    EXPECT_FALSE(b->hover());
}

TEST_F(Buttons, PressedTextButtonShowsThePushCaption) {
    const std::string id =
        host.eval("$button(w,Up,10,10,100,40,'',type:text2,push:Down,fg:255-0-0)");
    repaint();
    button_object* b = button(id);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.hwndItem = b->control_wnd;
    item.itemState = ODS_SELECTED;
    item.rcItem = {0, 0, 100, 40};
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 100, 40);
    HGDIOBJ old = SelectObject(mem, bmp);
    item.hDC = mem;
    b->draw_item(0, item);
    // Red caption pixels appear somewhere in the middle band.
    bool red = false;
    for (int x = 20; x < 80 && !red; ++x)
        for (int y = 10; y < 30 && !red; ++y) red = GetPixel(mem, x, y) == RGB(255, 0, 0);
    EXPECT_TRUE(red);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
}

TEST_F(Buttons, OptionsAndMessages) {
    vesk::set_error_level(vesk::err_low);
    host.take_lines();
    EXPECT_EQ(host.eval("$button(w,a,1,2,3,4)"), "");
    EXPECT_EQ(host.eval("$button(w,a,1,2,3,4,,fg:zz)"), "");
    EXPECT_EQ(host.eval("$button(w,a,1,2,3,4,,type:radio)"), "");
    EXPECT_EQ(host.eval("$button(w,a,1,2,3,4,,wobble)"), "");
    EXPECT_EQ(host.take_lines(),
              (lines{"$button: invalid syntax", "$button: invalid fgcolor 'zz'",
                     "$button: unknown type 'radio'", "$button: unknown option 'wobble'"}));
    EXPECT_EQ(vesk::object_manager::instance().count(vesk::cfg_window_guid_list[0],
                                                     vesk::object::type_button),
              0u);
    host.eval("$button(w,a,5,6,30,40,,mempos:true,font-size:20,hide)");
    EXPECT_EQ(
        host.eval(
                "$button(w,a,5,6,30,40,,mempos:true)%_mp_left%,%_mp_top%,%_mp_right%,%_mp_bottom%")
            .substr(36),
        "5,6,35,46");
}

}  // namespace
