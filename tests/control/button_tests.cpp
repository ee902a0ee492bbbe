// Buttons as real child windows: creation at the next repaint, clicks,
// painting and hover, disabled and safe-mode behaviour.
#include "control/button_object.h"
#include "window/script_window.h"
#include "window/window_test_util.h"

using namespace window_test;
using vesk::object::button_object;

namespace {

class Buttons : public ControlTest {
protected:
    button_object* button(const std::string& identity) {
        return object<button_object>(identity, vesk::object::type_button);
    }
};

// The window comes with the next repaint (never for a button removed
// before it) at the creator's base point; a click runs the script once with
// that base point, a disabled button or safe mode runs nothing.
TEST_F(Buttons, TheWindowComesWithTheNextRepaintAndAClickRunsTheScript) {
    // Removed before a repaint, a button never makes a window.
    host.eval("$removeobject(" + host.eval("$button(w,x,0,0,10,10,'')") + ")");
    repaint();
    EXPECT_EQ(GetWindow(wnd, GW_CHILD), nullptr);

    const std::string id =
        host.eval("$base(7,8)$button(w,Play,3,-10,80,24,'$console(click %_base_x% %_base_y%)')");
    ASSERT_EQ(id.size(), 36u);
    button_object* b = button(id);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->control_wnd, nullptr);
    EXPECT_EQ(b->y, 8);  // the sign ends the number
    repaint();
    ASSERT_NE(b->control_wnd, nullptr);
    EXPECT_EQ(GetParent(b->control_wnd), wnd);
    EXPECT_EQ(GetDlgCtrlID(b->control_wnd), static_cast<int>(b->control_id));
    EXPECT_EQ(cor_test::text_of(b->control_wnd), "Play");
    const RECT r = client_rect_of(b->control_wnd);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.right - r.left, 80);

    const auto click = [&] {
        SendMessageW(b->control_wnd, BM_CLICK, 0, 0);
        host.pump();
        return host.take_lines();
    };
    EXPECT_EQ(click(), lines{"click 7 8"});
    EnableWindow(b->control_wnd, FALSE);
    EXPECT_TRUE(click().empty());
    EnableWindow(b->control_wnd, TRUE);
    vesk::cfg_safe_mode = 1;
    EXPECT_TRUE(click().empty());
}

TEST_F(Buttons, OwnerDrawnTextButtonPaintsItsColourAndHoldsTheMouseWhileOver) {
    const std::string id =
        host.eval("$button(w,' ',10,10,100,40,'',type:text2,bg:0-0-255,over:' ')");
    repaint();
    button_object* b = button(id);
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(GetWindowLongW(b->control_wnd, GWL_STYLE) & BS_OWNERDRAW);
    EXPECT_EQ(cor_test::painted_pixel(b->control_wnd, 50, 20), RGB(0, 0, 255));
    // The mouse is held while over the button, whichever edge it leaves by.
    for (const LPARAM outside : {MAKELPARAM(500, 5), MAKELPARAM(5, 500)}) {
        EXPECT_FALSE(b->hover());
        SendMessageW(b->control_wnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        SendMessageW(b->control_wnd, WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));
        EXPECT_TRUE(b->hover());
        EXPECT_EQ(GetCapture(), b->control_wnd);
        SendMessageW(b->control_wnd, WM_MOUSEMOVE, 0, outside);
        EXPECT_FALSE(b->hover());
    }
}

// (Its messages are in control/data/control_messages.tsv.)
TEST_F(Buttons, MemposSetsTheMapRectangle) {
    EXPECT_EQ(
        host.eval(
                "$button(w,a,5,6,30,40,,mempos:true)%_mp_left%,%_mp_top%,%_mp_right%,%_mp_bottom%")
            .substr(36),
        "5,6,35,46");
}

}  // namespace
