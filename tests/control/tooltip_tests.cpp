// Tooltips as real tip windows: the tool each registers, showing and
// hiding a tracking tip, a tip painted by its script and the option lists.
#include "window/window_test_util.h"

#include <windows.h>

#include <commctrl.h>

#include "control/tooltip_object.h"

using namespace window_test;
using vesk::object::tooltip_object;

namespace {

class Tooltips : public ControlTest {
protected:
    tooltip_object* tip(const std::string& id) {
        return object<tooltip_object>(id, vesk::object::type_tooltip);
    }
    // The tip's only tool, with its text.
    TTTOOLINFOW tool(tooltip_object* t, std::wstring& text) {
        TTTOOLINFOW ti{};
        ti.cbSize = TTTOOLINFOW_V2_SIZE;
        wchar_t buffer[256] = L"";
        ti.lpszText = buffer;
        EXPECT_TRUE(SendMessageW(t->control_wnd, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&ti)));
        text = buffer;
        return ti;
    }
};

TEST_F(Tooltips, ATipRegistersItsRectangleOnItsWindowOrControl) {
    const std::string button = host.eval("$button(w,b,200,10,60,20,'')");
    for (const std::string& target : {std::string("w"), button}) {
        const std::string id = host.eval("$base(2,3)$tooltip(" + target + ",Play,10,20,30,40)");
        repaint();
        tooltip_object* t = tip(id);
        ASSERT_NE(t, nullptr) << target;
        ASSERT_NE(t->control_wnd, nullptr) << target;
        EXPECT_EQ(SendMessageW(t->control_wnd, TTM_GETTOOLCOUNT, 0, 0), 1);
        std::wstring text;
        const TTTOOLINFOW ti = tool(t, text);
        EXPECT_EQ(text, L"Play");
        EXPECT_EQ(
            ti.hwnd,
            target == button
                ? object<vesk::object::object_base>(button, vesk::object::type_button)->control_wnd
                : wnd);
        EXPECT_EQ(ti.rect.left, 12);
        EXPECT_EQ(ti.rect.top, 23);
        EXPECT_EQ(ti.rect.right, 42);
        EXPECT_EQ(ti.rect.bottom, 63);
        EXPECT_EQ(ti.uFlags & (TTF_SUBCLASS | TTF_TRACK), UINT{TTF_SUBCLASS});
    }
}

TEST_F(Tooltips, UpdateReadsNumberListsAndKeepsWhatCameBeforeAnError) {
    vesk::set_error_level(vesk::err_low);
    const std::string id = host.eval("$tooltip(w,a,1,2,3,4,mode:absolute)");
    repaint();
    tooltip_object* t = tip(id);
    const struct {
        std::string options, line;
        int32_t x, y;
    } rows[] = {
        {"pos:100-200", "", 100, 200},
        {"pos:7", "", 7, 200},
        {"'pos:100,200'", "$tooltip_update: invalid pos '100,200'", 7, 200},
        {"pos:1-2-3", "$tooltip_update: invalid pos '1-2-3'", 7, 200},
        {"pos:-5", "$tooltip_update: invalid pos '-5'", 7, 200},
        {"pos:11-12,size:12345678901", "$tooltip_update: invalid size '12345678901'", 11, 12},
        {"icon:sad", "$tooltip_update: unknown icon 'sad'", 11, 12},
        {"bogus:1", "$tooltip_update: unknown option 'bogus:1'", 11, 12},
    };
    for (const auto& row : rows) {
        const std::string found =
            host.eval("$if($tooltip_update(" + id + "," + row.options + "),y,n)");
        EXPECT_EQ(found, row.line.empty() ? "y" : "n") << row.options;
        EXPECT_EQ(host.take_lines(), row.line.empty() ? lines{} : lines{row.line}) << row.options;
        EXPECT_EQ(t->position[0], row.x) << row.options;
        EXPECT_EQ(t->position[1], row.y) << row.options;
    }
    host.eval("$tooltip_update(" + id + ",rect:5-6-70-80,text:Stop,margin:1-2)");
    std::wstring text;
    const TTTOOLINFOW ti = tool(t, text);
    EXPECT_EQ(text, L"Stop");
    EXPECT_EQ(ti.rect.left, 5);
    EXPECT_EQ(ti.rect.bottom, 86);
    EXPECT_EQ(t->margin, (std::array<int32_t, 4>{1, 2, -1, -1}));
}

TEST_F(Tooltips, TrackingTipShowsOnActivationAtItsPositionAndAClickHidesIt) {
    const std::string id =
        host.eval("$tooltip(w,'Next track',0,0,50,50,mode:absolute,pos:300-250)");
    repaint();
    tooltip_object* t = tip(id);
    ASSERT_NE(t->control_wnd, nullptr);
    const std::string visible = "$tooltip_getinfo(" + id + ",visible)";
    EXPECT_EQ(host.eval(visible), "0");
    const int width = std::stoi(host.eval("$tooltip_getinfo(" + id + ",width)"));
    EXPECT_GT(width, 20);
    EXPECT_EQ(host.eval(visible), "0");  // measuring is never seen
    host.eval("$tooltip_activate(" + id + ",1)");
    host.pump();
    EXPECT_EQ(host.eval(visible), "1");
    RECT r{};
    GetWindowRect(t->control_wnd, &r);
    // The platform may put the tip's frame a pixel outside the point.
    EXPECT_NEAR(r.left, 300, 1);
    EXPECT_NEAR(r.top, 250, 1);
    host.eval("$tooltip_update(" + id + ",pos:310-260)$tooltip_activate(" + id + ",1)");
    host.pump();
    GetWindowRect(t->control_wnd, &r);
    EXPECT_NEAR(r.left, 310, 1);
    SendMessageW(t->control_wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(host.eval(visible), "0");
    host.eval("$tooltip_activate(" + id + ",1)$tooltip_activate(" + id + ",0)");
    host.pump();
    EXPECT_EQ(host.eval(visible), "0");
}

TEST_F(Tooltips, CustomTipPaintsWhatItsScriptDrawsOnWhite) {
    const std::string id = host.eval(
        "$tooltip(w,'$gp_rect(%_objectid%,0,0,20,%_iheight%,brush:255-255-0-0,aa:false)"
        "$hash(tipsize,%_iwidth%x%_iheight%)',0,0,50,50,mode:absolute,custom:true,size:80-30,"
        "pos:200-200)");
    repaint();
    tooltip_object* t = tip(id);
    host.eval("$tooltip_activate(" + id + ",1)");
    host.pump();
    ASSERT_TRUE(IsWindowVisible(t->control_wnd));
    RedrawWindow(t->control_wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(host.eval("%tipsize%"), "80x30");
    EXPECT_EQ(host.eval("$tooltip_getinfo(" + id + ",height)"), "30");
    EXPECT_EQ(cor_test::screen_pixel(t->control_wnd, 5, 5), RGB(255, 0, 0));
    EXPECT_EQ(cor_test::screen_pixel(t->control_wnd, 40, 5), RGB(255, 255, 255));
}

}  // namespace
