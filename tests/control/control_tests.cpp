// Controls as real child windows of a script window: buttons (clicks,
// painting, hover), comboboxes whose items their scripts draw, tooltips
// (the tool each registers, a tracking tip, a tip painted by its script),
// the menu bar over the Host's main menu, groups, the functions on any
// control over every control kind, and mouse maps.
#include "support/case_table.h"
#include "support/gdiplus_jpeg.h"
#include "support/test_folder.h"
#include "window/window_test_util.h"

#include <windows.h>

#include <commctrl.h>

#include "control/button_object.h"
#include "control/combobox_object.h"
#include "control/menubar_object.h"
#include "control/tooltip_object.h"
#include "host/display_scale.h"
#include "window/script_window.h"

using namespace window_test;
using vesk::object::button_object;
using vesk::object::combobox_object;
using vesk::object::menubar_object;
using vesk::object::object_base;
using vesk::object::tooltip_object;

namespace {

// A script window "w" holds the controls; its objects are cleared and the
// error level put back after each test.
class Controls : public WindowTest {
protected:
    HWND wnd = nullptr;
    void SetUp() override {
        ASSERT_NE(host.start_ui(), nullptr);
        define("w");
        host.eval("$window(w,100,100,320,240)");
        wnd = handle_of("w");
        ASSERT_NE(wnd, nullptr);
        host.take_lines();
    }
    void TearDown() override {
        vesk::set_error_level(vesk::err_off);
        auto& manager = vesk::object_manager::instance();
        manager.clear_parent(vesk::cfg_window_guid_list[0], vesk::object::cat_all_objects);
    }
    void repaint() {
        host.eval("$updatewindow(w)");
        host.pump();
    }
    // The object `id` if it is a T.
    template <class T = object_base>
    T* ctrl(const std::string& id) {
        return dynamic_cast<T*>(vesk::object_manager::instance().find(id));
    }
    // The control `id` after a repaint, if it is a T and has its window by then.
    template <class T>
    T* shown(const std::string& id) {
        repaint();
        T* c = ctrl<T>(id);
        return c && c->control_wnd ? c : nullptr;
    }
    // Adds to combobox `id` an item that fills itself with `colour` and tells
    // the console when it is drawn and when chosen.
    static std::string item(const std::string& id, const std::string& colour, int height = 20) {
        return "$combobox_additem(" + id + ",height:" + std::to_string(height) +
               ",draw:'$gp_rect(%_objectid%,0,0,%_iwidth%,%_iheight%,brush:255-" + colour +
               ",aa:false)$console(item %_index% of %_count% %_iwidth%x%_iheight%)',"
               "select:'$console(chose %_index% of %_count%)')";
    }
    // The tip's only tool, and its text.
    std::pair<TTTOOLINFOW, std::wstring> tool(tooltip_object* t) {
        TTTOOLINFOW ti{};
        ti.cbSize = TTTOOLINFOW_V2_SIZE;
        wchar_t buffer[256] = L"";
        ti.lpszText = buffer;
        EXPECT_TRUE(SendMessageW(t->control_wnd, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&ti)));
        return {ti, buffer};
    }
    std::string eval_found(const std::string& script) {
        return host.eval("$if(" + script + ",y,n)");
    }
};

// The window comes with the next repaint (never for a button removed
// before it) at the creator's base point, which mempos takes too; a click
// runs the script once with that base point, a disabled button or safe mode
// runs nothing.
TEST_F(Controls, ButtonWindowComesWithTheNextRepaintAndAClickRunsTheScript) {
    // Removed before a repaint, a button never makes a window.
    host.eval("$removeobject(" + host.eval("$button(w,x,0,0,10,10,'')") + ")");
    repaint();
    EXPECT_EQ(GetWindow(wnd, GW_CHILD), nullptr);

    const std::string made = host.eval(
        "$base(7,8)$button(w,Play,3,-10,80,24,'$console(click %_base_x% %_base_y%)',mempos:1)"
        "%_mp_left%,%_mp_top%,%_mp_right%,%_mp_bottom%");
    auto* b = ctrl<button_object>(made.substr(0, 36));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(made.substr(36), "10,8,90,32");  // the sign ends the number
    EXPECT_EQ(b->control_wnd, nullptr);
    repaint();
    ASSERT_NE(b->control_wnd, nullptr);
    EXPECT_EQ(cor_test::text_of(b->control_wnd), "Play");
    EXPECT_EQ(place(b->control_wnd, wnd), "10,8 80x24");

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

// An owner-drawn text button paints its colour and holds the mouse while
// over it, whichever edge it leaves by. A picture button over the window's
// drawing shows what lies beneath it, with its state's picture over that:
// here none for the mouse over it (the file is missing) and red beside blue
// while pressed.
TEST_F(Controls, OwnerDrawnButtonsPaintTheirStatesAndHoldTheMouseWhileOver) {
    auto* text = shown<button_object>(
        host.eval("$button(w,' ',10,10,100,40,'',type:text2,bg:0-0-255,over:' ')"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(cor_test::painted_pixel(text->control_wnd, 50, 20), RGB(0, 0, 255));
    for (const LPARAM outside : {MAKELPARAM(500, 5), MAKELPARAM(5, 500)}) {
        EXPECT_FALSE(text->hover());
        SendMessageW(text->control_wnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        SendMessageW(text->control_wnd, WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));
        EXPECT_TRUE(text->hover());
        EXPECT_EQ(GetCapture(), text->control_wnd);
        SendMessageW(text->control_wnd, WM_MOUSEMOVE, 0, outside);
        EXPECT_FALSE(text->hover());
    }

    cor_test::test_folder dir;
    {
        Gdiplus::Bitmap picture(100, 40, PixelFormat24bppRGB);
        Gdiplus::Graphics g(&picture);
        Gdiplus::SolidBrush red(Gdiplus::Color(255, 0, 0)), blue(Gdiplus::Color(0, 0, 255));
        g.FillRectangle(&red, 0, 0, 50, 40);
        g.FillRectangle(&blue, 50, 0, 50, 40);
        const CLSID png = cor_test::encoder_for(L"image/png");
        ASSERT_EQ(picture.Save(dir.file("push.png").wstring().c_str(), &png, nullptr), Gdiplus::Ok);
    }
    host.eval("$gp_rect(w,0,0,320,240,brush:255-0-255-0,aa:false)");
    auto* b = shown<button_object>(host.eval("$button(w,Play,10,60,100,40,'',type:image2,over:'" +
                                             dir.path("over.png") + "',push:'" +
                                             dir.path("push.png") + "')"));
    ASSERT_NE(b, nullptr);
    // Normal, then with the mouse over it, then pressed.
    for (int state = 0; state < 3; ++state) {
        if (state == 1) SendMessageW(b->control_wnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        if (state == 2) SendMessageW(b->control_wnd, BM_SETSTATE, TRUE, 0);
        const COLORREF green = RGB(0, 255, 0);
        EXPECT_EQ(cor_test::painted_pixel(b->control_wnd, 25, 20),
                  state < 2 ? green : RGB(255, 0, 0));
        EXPECT_EQ(cor_test::painted_pixel(b->control_wnd, 75, 20),
                  state < 2 ? green : RGB(0, 0, 255));
    }
    SendMessageW(b->control_wnd, BM_SETSTATE, FALSE, 0);
    SendMessageW(b->control_wnd, WM_MOUSEMOVE, 0, MAKELPARAM(500, 5));
}

// Made by a window's open script, the control's window comes at that
// window's next full repaint: making it waits on nothing, and its opened list
// shows what each item's script draws, however tall.
TEST_F(Controls, ComboboxMadeInAnOpenScriptShowsWhatItsItemsDrawWithHeightsClamped) {
    define("v", {.open = "$hash(BOX,$combobox(v,10,10,150,24))" + item("%BOX%", "255-0-0", 255) +
                         item("%BOX%", "0-0-255", 30)});
    host.take_lines();
    host.eval("$window(v,100,100,320,400)$updatewindow(v)");
    host.pump();
    const auto made = host.take_lines();
    EXPECT_TRUE(std::none_of(made.begin(), made.end(),
                             [](const auto& l) { return l.find("lock_wait") != l.npos; }));
    auto* b = ctrl<combobox_object>(host.eval("%BOX%"));
    ASSERT_TRUE(b && b->control_wnd);
    SendMessageW(b->control_wnd, CB_SHOWDROPDOWN, TRUE, 0);
    host.pump();
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(b->control_wnd, &info) && IsWindowVisible(info.hwndList));
    const int heights[] = {255, 30};
    const COLORREF colours[] = {RGB(255, 0, 0), RGB(0, 0, 255)};
    for (int i = 0; i < 2; ++i) {
        RECT item{};
        SendMessageW(info.hwndList, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(item.bottom - item.top, heights[i]) << i;
        EXPECT_EQ(cor_test::painted_pixel(info.hwndList, item.left + 5, item.top + 10), colours[i])
            << i;
    }
    SendMessageW(b->control_wnd, CB_SHOWDROPDOWN, FALSE, 0);
    host.eval("$closewindow(v)");

    // Item heights are clamped; an empty list closes at once.
    const std::string id = host.eval("$combobox(w,10,10,120,24)");
    auto* bare = shown<combobox_object>(id);
    ASSERT_NE(bare, nullptr);
    SendMessageW(bare->control_wnd, CB_SHOWDROPDOWN, TRUE, 0);
    host.pump();
    EXPECT_FALSE(SendMessageW(bare->control_wnd, CB_GETDROPPEDSTATE, 0, 0));
    const std::pair<const char*, int> rows[] = {
        {"height:0", 1}, {"height:300", 255}, {"height:17", 17}, {"draw:''", 24}};
    for (const auto& row : rows) host.eval("$combobox_additem(" + id + "," + row.first + ")");
    // The first item added to an existing window becomes the selection.
    EXPECT_EQ(SendMessageW(bare->control_wnd, CB_GETCURSEL, 0, 0), 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(SendMessageW(bare->control_wnd, CB_GETITEMHEIGHT, i, 0), rows[i].second) << i;
}

// The closed field shows the selected item as its script drew it.
TEST_F(Controls, ComboboxFieldShowsTheSelectedItemAndAChoiceRunsItsScriptOnce) {
    host.eval("$bgcolor(w,0-0-128)");
    // Every item comes before the window does, as in a script that builds
    // the whole window and then repaints it once.
    const std::string id = host.eval("$combobox(w,10,10,120,24,droph:200)");
    for (const char* c : {"255-0-0", "0-255-0", "0-0-255"}) host.eval(item(id, c));
    host.eval("$combobox_additem(" + id + ",height:20)");
    auto* b = shown<combobox_object>(id);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(SendMessageW(b->control_wnd, CB_GETCOUNT, 0, 0), 4);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(b->control_wnd, &info));
    const RECT field = info.rcItem;
    const int mid_x = (field.left + field.right) / 2, mid_y = (field.top + field.bottom) / 2;
    // The last item has no draw script: only the window's background colour.
    for (const auto& [selection, colour] :
         {std::pair{0, RGB(255, 0, 0)}, {2, RGB(0, 0, 255)}, {3, RGB(0, 0, 128)}}) {
        if (selection) host.eval("$combobox_select(" + id + "," + std::to_string(selection) + ")");
        host.take_lines();
        EXPECT_EQ(SendMessageW(b->control_wnd, CB_GETCURSEL, 0, 0), selection);
        EXPECT_EQ(cor_test::painted_pixel(b->control_wnd, mid_x, mid_y), colour) << selection;
        // The field is drawn by the selected item's own script, not a copy.
        const std::string drawn = "item " + std::to_string(selection) + " of 4 ";
        EXPECT_EQ(lines_with(drawn).empty(), selection == 3) << selection;
    }
    // Objects drawn for an item live only until the next item is drawn.
    EXPECT_LE(vesk::object_manager::instance().count(b->id, vesk::object::type_gp_rect), 1u);

    // A choice the user confirms runs the select script once; one by script, none.
    const auto confirm = [&](int row) {
        SendMessageW(b->control_wnd, CB_SETCURSEL, row, 0);
        SendMessageW(wnd, WM_COMMAND, MAKEWPARAM(b->control_id, CBN_SELENDOK),
                     reinterpret_cast<LPARAM>(b->control_wnd));
    };
    confirm(2);
    EXPECT_EQ(lines_with("chose "), lines{"2 of 4"});
    EXPECT_EQ(eval_found("$combobox_select(" + id + ",5)"), "n");
    EXPECT_EQ(SendMessageW(b->control_wnd, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(eval_found("$combobox_select(" + id + ",1)"), "y");
    EXPECT_EQ(SendMessageW(b->control_wnd, CB_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(lines_with("chose ").empty());
    EXPECT_EQ(host.eval("$if($combobox_removeitem(" + id + ",0),y,n)$if($combobox_removeitem(" +
                        id + ",7),y,n)"),
              "yn");
    EXPECT_EQ(SendMessageW(b->control_wnd, CB_GETCOUNT, 0, 0), 3);
    // A row the list shows beyond the items (put there from outside) runs nothing.
    SendMessageW(b->control_wnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"stray"));
    confirm(3);
    EXPECT_TRUE(lines_with("chose ").empty());
    // Removing the combobox removes what was drawn in it.
    const std::string inner = host.eval("$text(" + id + ",x,0,0)");
    ASSERT_EQ(inner.size(), 36u);
    host.eval("$removeobject(" + id + ")");
    EXPECT_EQ(vesk::object_manager::instance().find(inner), nullptr);
}

// A tip registers its rectangle on its window or control; $tooltip_update
// reads number lists and keeps what came before an error
// (control/data/tooltip_update.tsv).
TEST_F(Controls, ATipRegistersItsRectangleAndAnUpdateKeepsWhatCameBeforeAnError) {
    const std::string owner = host.eval("$button(w,b,200,10,60,20,'')");
    for (const std::string& target : {std::string("w"), owner}) {
        auto* t =
            shown<tooltip_object>(host.eval("$base(2,3)$tooltip(" + target + ",Play,10,20,30,40)"));
        ASSERT_NE(t, nullptr) << target;
        EXPECT_EQ(SendMessageW(t->control_wnd, TTM_GETTOOLCOUNT, 0, 0), 1);
        const auto [ti, text] = tool(t);
        EXPECT_EQ(text, L"Play");
        EXPECT_EQ(ti.hwnd, target == owner ? ctrl(owner)->control_wnd : wnd);
        EXPECT_EQ((std::array{ti.rect.left, ti.rect.top, ti.rect.right, ti.rect.bottom}),
                  (std::array<LONG, 4>{12, 23, 42, 63}));
        EXPECT_EQ(ti.uFlags & (TTF_SUBCLASS | TTF_TRACK), UINT{TTF_SUBCLASS});
    }

    vesk::set_error_level(vesk::err_low);
    const std::string id = host.eval("$tooltip(w,a,1,2,3,4,mode:absolute)");
    auto* t = shown<tooltip_object>(id);
    ASSERT_NE(t, nullptr);
    for (const auto& row : cor_test::read_case_table("control/data/tooltip_update.tsv", 4)) {
        const lines said = cor_test::case_lines(row.fields[1]);
        EXPECT_EQ(host.eval("$if($tooltip_update(" + id + "," + row.fields[0] + "),y,n)"),
                  said.empty() ? "y" : "n")
            << row.where;
        EXPECT_EQ(host.take_lines(), said) << row.where;
        EXPECT_EQ(std::to_string(t->position[0]) + " " + std::to_string(t->position[1]),
                  row.fields[2] + " " + row.fields[3])
            << row.where;
    }
    host.eval("$tooltip_update(" + id + ",rect:5-6-70-80,text:Stop,margin:1-2)");
    const auto [ti, text] = tool(t);
    EXPECT_EQ(text, L"Stop");
    EXPECT_EQ(ti.rect.left, 5);
    EXPECT_EQ(ti.rect.bottom, 86);
    EXPECT_EQ(t->margin, (std::array<int32_t, 4>{1, 2, -1, -1}));
}

TEST_F(Controls, TrackingTipShowsWhereItIsToldAndACustomOneWhatItsScriptDraws) {
    const std::string id =
        host.eval("$tooltip(w,'Next track',0,0,50,50,mode:absolute,pos:300-250)");
    auto* t = shown<tooltip_object>(id);
    ASSERT_NE(t, nullptr);
    const std::string visible = "$tooltip_getinfo(" + id + ",visible)";
    EXPECT_EQ(host.eval(visible), "0");
    EXPECT_GT(std::stoi(host.eval("$tooltip_getinfo(" + id + ",width)")), 20);
    EXPECT_EQ(host.eval(visible), "0");  // measuring is never seen
    host.eval("$tooltip_activate(" + id + ",1)");
    host.pump();
    EXPECT_EQ(host.eval(visible), "1");
    RECT r{};
    GetWindowRect(t->control_wnd, &r);
    // The platform may put the tip's frame a pixel outside the point.
    EXPECT_NEAR(r.left, 300, 1);
    EXPECT_NEAR(r.top, 250, 1);
    SendMessageW(t->control_wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(host.eval(visible), "0");
    host.eval("$tooltip_activate(" + id + ",1)$tooltip_activate(" + id + ",0)");
    host.pump();
    EXPECT_EQ(host.eval(visible), "0");

    // A custom tip paints what its script draws, on white.
    const std::string custom = host.eval(
        "$tooltip(w,'$gp_rect(%_objectid%,0,0,20,%_iheight%,brush:255-255-0-0,aa:false)"
        "$hash(tipsize,%_iwidth%x%_iheight%)',0,0,50,50,mode:absolute,custom:true,size:80-30,"
        "pos:200-200)");
    auto* c = shown<tooltip_object>(custom);
    ASSERT_NE(c, nullptr);
    host.eval("$tooltip_activate(" + custom + ",1)");
    host.pump();
    ASSERT_TRUE(IsWindowVisible(c->control_wnd));
    EXPECT_EQ(cor_test::painted_pixel(c->control_wnd, 5, 5), RGB(255, 0, 0));
    EXPECT_EQ(cor_test::screen_pixel(c->control_wnd, 40, 5), RGB(255, 255, 255));
    const std::string drawn_size = "%tipsize%|$tooltip_getinfo(" + custom + ",height)";
    EXPECT_EQ(host.eval(drawn_size), "80x30|30");

    // At 200 % the same script, in the same skin pixels, fills twice the pixels.
    host.eval("$tooltip_activate(" + custom + ",0)");
    vesk::set_dpi_override(192);
    RECT suggested{};
    GetWindowRect(wnd, &suggested);
    SendMessageW(wnd, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    host.eval("$tooltip_activate(" + custom + ",1)");
    host.pump();
    EXPECT_EQ(cor_test::painted_pixel(c->control_wnd, 34, 20), RGB(255, 0, 0));
    RECT client{};
    GetClientRect(c->control_wnd, &client);
    // (The platform may keep a pixel of frame inside.)
    EXPECT_NEAR(client.right, 160, 2);
    EXPECT_EQ(host.eval(drawn_size), "80x30|30");
    EXPECT_EQ(cor_test::screen_pixel(c->control_wnd, 46, 20), RGB(255, 255, 255));
    vesk::set_dpi_override(0);
}

TEST_F(Controls, EachFunctionActsOnEveryControlKind) {
    // Whether $movectrl moves it: a tip window follows its tool instead.
    const std::pair<const char*, bool> kinds[] = {{"$button(w,b,10,20,60,24,'')", true},
                                                  {"$combobox(w,10,20,60,24)", true},
                                                  {"$menubar(w,10,20,150,24)", true},
                                                  {"$tooltip(w,t,10,20,60,24)", false}};
    for (const auto& [script, movable] : kinds) {
        SCOPED_TRACE(script);
        const std::string id = host.eval(script);
        ASSERT_EQ(id.size(), 36u);
        EXPECT_EQ(host.eval("$isctrlvisible(" + id + ")"), "1");
        // Without a window yet, $updatectrl paints the control first.
        EXPECT_EQ(eval_found("$updatectrl(" + id + ",level:5)"), "y");
        HWND child = ctrl(id)->control_wnd;
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(eval_found("$showctrl(" + id + ",0)"), "y");
        EXPECT_FALSE(IsWindowVisible(child));
        EXPECT_EQ(host.eval("$isctrlvisible(" + id + ")"), "0");
        EXPECT_EQ(eval_found("$showctrl(" + id + ",1)"), "y");
        EXPECT_EQ(host.eval("$isctrlvisible(" + id + ")"), "1");
        if (!movable) continue;
        EXPECT_TRUE(IsWindowVisible(child));
        // What is not given, or empty, keeps its value.
        const std::string was = place(child, wnd);
        EXPECT_EQ(eval_found("$movectrl(" + id + ",33)"), "y");
        EXPECT_EQ(eval_found("$movectrl(" + id + ",,5,,)"), "y");
        EXPECT_EQ(place(child, wnd), "33,5" + was.substr(was.find(' ')));
    }
    const std::string text = host.eval("$text(w,x,0,0)");
    const std::string map = host.eval("$map(w)");
    EXPECT_EQ(eval_found("$clearctrl(w)"), "y");
    auto& manager = vesk::object_manager::instance();
    for (uint32_t type : {vesk::object::type_button, vesk::object::type_combobox,
                          vesk::object::type_menubar, vesk::object::type_tooltip})
        EXPECT_EQ(manager.count(vesk::cfg_window_guid_list[0], type), 0u) << type;
    EXPECT_NE(manager.find(text), nullptr);
    EXPECT_NE(manager.find(map), nullptr);
    EXPECT_EQ(GetWindow(wnd, GW_CHILD), nullptr);
}

// Wrong calls on controls give their messages at their levels
// (control/data/control_messages.tsv) and make no object.
TEST_F(Controls, BadCallsGiveTheirMessagesAndMakeNothing) {
    const names made{{"button", host.eval("$button(w,b,0,0,10,10,'')")},
                     {"rect", host.eval("$gp_rect(w,0,0,5,5)")},
                     {"text", host.eval("$text(w,x,0,0)")},
                     {"tooltip", host.eval("$tooltip(w,a,1,2,3,4)")},
                     {"map", host.eval("$map(w)")},
                     {"group", host.eval("$group()")}};
    for (const auto& [name, id] : made) ASSERT_EQ(id.size(), 36u) << name;
    auto& manager = vesk::object_manager::instance();
    const size_t before = manager.object_count();
    for (const auto& row : cor_test::read_case_table("control/data/control_messages.tsv", 4)) {
        vesk::set_error_level(std::stoi(row.fields[0]));
        host.expect_row(row, 1, made);
    }
    EXPECT_EQ(manager.object_count(), before);
}

TEST_F(Controls, MenubarShowsTheHostsTopLevelMenusAndRunsTheChosenCommand) {
    const vesk::popup_chooser previous = vesk::set_popup_chooser(menu_user);
    const std::string id = host.eval("$menubar(w,0,0,0,0,bg:40-45-57,font-size:9)");
    auto* bar = shown<menubar_object>(id);
    ASSERT_NE(bar, nullptr);
    // The top-level groups of the Host's main menu.
    EXPECT_EQ(bar->groups(), (lines{"File", "Test", "Vesk"}));
    EXPECT_EQ(SendMessageW(bar->control_wnd, TB_BUTTONCOUNT, 0, 0), 3);
    // Made 0 wide, it is fitted to its buttons.
    EXPECT_GT(std::stoi(host.eval("$getparam(" + id + ",w)")), 20);
    // A click on the group holding "Do It" and the choice of it.
    g_menu_user = {};
    g_menu_user.choice = "Do It";
    const uint32_t button = bar->command_ids[1];
    SendMessageW(wnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(bar->control_wnd));
    EXPECT_EQ(g_menu_user.seen, (lines{"Group >", "  Do It"}));
    EXPECT_EQ(host.commands, std::vector{cor_test::component_host::test_command});
    vesk::set_popup_chooser(previous);
}

TEST_F(Controls, GroupsShowAndHideTheirMembersTogether) {
    vesk::set_error_level(vesk::err_middle);
    const std::string group = host.eval("$group()");
    ASSERT_EQ(group.size(), 36u);
    const std::string first = host.eval("$text(w,a,0,0)");
    const std::string button = host.eval("$button(w,b,0,0,10,10,'')");
    const std::string rect = host.eval("$gp_rect(w,0,0,5,5)");
    repaint();
    const std::string unknown = "00000000-0000-0000-0000-000000000003";
    EXPECT_EQ(eval_found("$group_addobject(" + group + "," + first + "," + unknown + "," + button +
                         "," + rect + ")"),
              "y");
    EXPECT_EQ(host.take_lines(), lines{"$group_addobject: objectid '" + unknown + "' not found"});
    const std::string visible = "$isobjectvisible(" + first + ")$isobjectvisible(" + button +
                                ")$isobjectvisible(" + rect + ")";
    EXPECT_EQ(eval_found("$group_show(" + group + ",0,redraw:true)"), "y");
    EXPECT_EQ(host.eval(visible), "000");
    EXPECT_FALSE(IsWindowVisible(ctrl(button)->control_wnd));
    // A member removed meanwhile is passed over; clearing the window's
    // drawn objects and controls leaves the group itself.
    host.eval("$removeobject(" + first + ")");
    EXPECT_EQ(eval_found("$group_show(" + group + ",1)"), "y");
    EXPECT_EQ(host.eval("$isobjectvisible(" + button + ")$isobjectvisible(" + rect + ")"), "11");
    EXPECT_TRUE(IsWindowVisible(ctrl(button)->control_wnd));
    host.eval("$clearobject(w)$clearctrl(w)");
    EXPECT_EQ(eval_found("$group_show(" + group + ",1)"), "y");
    host.eval("$removeobject(" + group + ")");
}

// Mouse maps get real mouse messages: the scripts each event runs, with
// their variables. Which map is hot, and when, is the object manager's.
class Maps : public Controls {
protected:
    void SetUp() override {
        Controls::SetUp();
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
    host.eval(
        "$map_rect($map(w,over:'$console(over)',out:'$console(out)',move:'$console(move "
        "%_mouse_cx%)',lbuttondown:'$console(down %_lbutton%%_shiftkey%)',lbuttonup:'$console(up)',"
        "wheel:'$console(wheel %_wheel%)',rbuttonup:'$console(rup)'),10,10,50,50)");
    send(WM_MOUSEMOVE, 0, 20, 20);
    send(WM_MOUSEMOVE, 0, 30, 25);
    send(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, 30, 25);
    send(WM_LBUTTONUP, 0, 30, 25);
    POINT screen{20, 20};
    ClientToScreen(wnd, &screen);
    for (const short delta : {-120, 60})
        SendMessageW(wnd, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(screen.x, screen.y));
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

TEST_F(Maps, CirclesTheBasePointHiddenMapsThePreviewAndTheDragSwitch) {
    host.eval("$map(w,over:'$console(empty)')");
    host.eval("$map_rect($map(w,hide,over:'$console(hidden)'),0,0,100,100)");
    const std::string id = host.eval("$base(100,0)$map(w,over:'$console(in %_base_x%)')");
    host.eval("$base(100,0)$map_circle(" + id + ",0,0,60,60)");
    send(WM_MOUSEMOVE, 0, 20, 20);
    send(WM_MOUSEMOVE, 0, 105, 5);  // the circle's corner: outside
    send(WM_MOUSEMOVE, 0, 130, 30);
    EXPECT_EQ(host.take_lines(), (lines{"in 100"}));

    // The preview frames the area on the screen only, never in the back buffer.
    const std::string preview = host.eval("$map(w)");
    host.eval("$map_rect(" + preview + ",20,20,40,40)");
    host.pump();
    EXPECT_EQ(host.eval("$if($map_preview(" + preview + ",frame:255-0-0),y,n)"), "y");
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

TEST_F(Maps, DragMapMovesItsTopLevelWindowUnlessMaximized) {
    host.eval("$map_rect($map(w,drag:true),0,0,300,200)");
    ASSERT_EQ(place(wnd), "100,100 320x240");
    // The window follows the point by the distance it moved, unless maximized.
    for (const bool maximized : {false, true}) {
        if (maximized) ShowWindow(wnd, SW_MAXIMIZE);
        host.pump();
        const std::string was = place(wnd);
        send(WM_MOUSEMOVE, 0, 10, 10);
        EXPECT_EQ(SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10)), 0);
        send(WM_MOUSEMOVE, MK_LBUTTON, 40, 30);
        EXPECT_EQ(place(wnd), maximized ? was : "130,120 320x240");
        send(WM_LBUTTONUP, 0, 10, 10);
    }
}

}  // namespace
