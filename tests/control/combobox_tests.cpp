// Comboboxes as real owner-drawn windows: items painted by their scripts
// in the opened list, selection by message and by script.
#include "window/window_test_util.h"

#include "control/combobox_object.h"

using namespace window_test;
using vesk::object::combobox_object;

namespace {

class Comboboxes : public ControlTest {
protected:
    combobox_object* box(const std::string& id) {
        return object<combobox_object>(id, vesk::object::type_combobox);
    }
    HWND list_of(combobox_object* b) {
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        return GetComboBoxInfo(b->control_wnd, &info) ? info.hwndList : nullptr;
    }
    // Opens the list and checks each item's height and the colour its
    // script filled it with.
    void expect_opened_items(combobox_object* b, const std::vector<int>& heights,
                             const std::vector<COLORREF>& colours) {
        SendMessageW(b->control_wnd, CB_SHOWDROPDOWN, TRUE, 0);
        host.pump();
        HWND list = list_of(b);
        ASSERT_NE(list, nullptr);
        ASSERT_TRUE(IsWindowVisible(list));
        RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
        for (size_t i = 0; i < heights.size(); ++i) {
            RECT item{};
            SendMessageW(list, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
            EXPECT_EQ(item.bottom - item.top, heights[i]) << "item " << i;
            EXPECT_EQ(cor_test::screen_pixel(list, item.left + 5, item.top + 10), colours[i])
                << "item " << i;
        }
    }
    // A combobox of w whose items fill themselves with the given colours.
    std::string make(const std::vector<std::string>& colours, const std::string& extra = "") {
        const std::string id = host.eval("$combobox(w,10,10,120,24" + extra + ")");
        EXPECT_EQ(id.size(), 36u);
        for (const auto& c : colours)
            host.eval("$combobox_additem(" + id +
                      ",height:20,draw:'$gp_rect(%_objectid%,0,0,%_iwidth%,%_iheight%,brush:255-" +
                      c +
                      ",aa:false)$console(item %_index% of %_count% %_iwidth%x%_iheight%)',"
                      "select:'$console(chose %_index% of %_count%)')");
        return id;
    }
};

// Made by a window's open script, the control's window comes at that
// window's next full repaint: making it waits on nothing, and its opened list
// shows what each item's script draws, however tall.
TEST_F(Comboboxes, MadeInAnOpenScriptItsListShowsWhatItsItemsDraw) {
    define("v", {.open = "$hash(BOX,$combobox(v,10,10,150,24))"
                         "$combobox_additem(%BOX%,height:255,"
                         "draw:'$gp_rect(%_objectid%,0,0,%_iwidth%,%_iheight%,brush:255-255-0-0,"
                         "aa:false)')"
                         "$combobox_additem(%BOX%,height:30,"
                         "draw:'$gp_rect(%_objectid%,0,0,%_iwidth%,%_iheight%,brush:255-0-0-255,"
                         "aa:false)')"});
    host.take_lines();
    host.eval("$window(v,100,100,320,400)$updatewindow(v)");
    host.pump();
    const auto made = host.take_lines();
    EXPECT_TRUE(std::none_of(made.begin(), made.end(),
                             [](const auto& l) { return l.find("lock_wait") != l.npos; }));
    combobox_object* b = box(host.eval("%BOX%"));
    ASSERT_NE(b, nullptr);
    ASSERT_NE(b->control_wnd, nullptr);
    expect_opened_items(b, {255, 30}, {RGB(255, 0, 0), RGB(0, 0, 255)});
    SendMessageW(b->control_wnd, CB_SHOWDROPDOWN, FALSE, 0);
    host.eval("$closewindow(v)");
}

// The closed field and the opened list show the items as their scripts
// drew them.
TEST_F(Comboboxes, FieldAndListShowTheItemsAsTheirScriptsDrewThem) {
    host.eval("$bgcolor(w,0-0-128)");
    // Every item comes before the window does, as in a script that builds
    // the whole window and then repaints it once.
    const std::string id = make({"255-0-0", "0-255-0", "0-0-255"}, ",droph:200");
    host.eval("$combobox_additem(" + id + ",height:20)");
    repaint();
    combobox_object* b = box(id);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(b->control_wnd, nullptr);
    EXPECT_EQ(SendMessageW(b->control_wnd, CB_GETCOUNT, 0, 0), 4);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(b->control_wnd, &info));
    const RECT field = info.rcItem;
    const int mid_x = (field.left + field.right) / 2, mid_y = (field.top + field.bottom) / 2;
    const struct {
        std::string script;
        int selection;
        COLORREF colour;
    } rows[] = {
        {"", 0, RGB(255, 0, 0)},
        {"$combobox_select(" + id + ",2)", 2, RGB(0, 0, 255)},
        // No draw script: only the window's background colour.
        {"$combobox_select(" + id + ",3)", 3, RGB(0, 0, 128)},
    };
    for (const auto& row : rows) {
        host.eval(row.script);
        host.take_lines();
        EXPECT_EQ(SendMessageW(b->control_wnd, CB_GETCURSEL, 0, 0), row.selection) << row.script;
        EXPECT_EQ(cor_test::painted_pixel(b->control_wnd, mid_x, mid_y), row.colour) << row.script;
        // The field is drawn by the selected item's own script, not a copy.
        const std::string drawn = "item " + std::to_string(row.selection) + " of 4 ";
        EXPECT_EQ(lines_with(drawn).empty(), row.selection == 3) << row.script;
    }

    // The opened list shows each item as its script drew it.
    host.take_lines();
    expect_opened_items(b, {20, 20, 20}, {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)});
    const auto drawn = lines_with("item 2 of 4 ");
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.back().substr(drawn.back().find('x')), "x20");
    SendMessageW(b->control_wnd, CB_SHOWDROPDOWN, FALSE, 0);
    // Objects drawn for an item live only until the next item is drawn.
    EXPECT_LE(vesk::object_manager::instance().count(b->id, vesk::object::type_gp_rect), 1u);
}

TEST_F(Comboboxes, ItemHeightsAreClampedAndAnEmptyListClosesAtOnce) {
    const std::string id = host.eval("$combobox(w,10,10,120,24)");
    repaint();
    combobox_object* b = box(id);
    ASSERT_NE(b->control_wnd, nullptr);
    SendMessageW(b->control_wnd, CB_SHOWDROPDOWN, TRUE, 0);
    host.pump();
    EXPECT_FALSE(SendMessageW(b->control_wnd, CB_GETDROPPEDSTATE, 0, 0));
    const struct {
        const char* option;
        int height;
    } rows[] = {{"height:0", 1}, {"height:300", 255}, {"height:17", 17}, {"draw:''", 24}};
    for (const auto& row : rows) host.eval("$combobox_additem(" + id + "," + row.option + ")");
    // The first item added to an existing window becomes the selection.
    EXPECT_EQ(SendMessageW(b->control_wnd, CB_GETCURSEL, 0, 0), 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(SendMessageW(b->control_wnd, CB_GETITEMHEIGHT, i, 0), rows[i].height)
            << rows[i].option;
}

TEST_F(Comboboxes, ChoosingRunsTheSelectScriptOnceSelectingByScriptNone) {
    const std::string id = make({"255-0-0", "0-255-0", "0-0-255"});
    repaint();
    combobox_object* b = box(id);
    host.take_lines();
    // What the platform does when the user confirms an item.
    SendMessageW(b->control_wnd, CB_SETCURSEL, 2, 0);
    SendMessageW(wnd, WM_COMMAND, MAKEWPARAM(b->control_id, CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(b->control_wnd));
    EXPECT_EQ(lines_with("chose "), lines{"2 of 3"});
    EXPECT_EQ(host.eval("$if($combobox_select(" + id + ",5),y,n)"), "n");
    EXPECT_EQ(SendMessageW(b->control_wnd, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(host.eval("$if($combobox_select(" + id + ",1),y,n)"), "y");
    EXPECT_EQ(SendMessageW(b->control_wnd, CB_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(lines_with("chose ").empty());
    EXPECT_EQ(host.eval("$if($combobox_removeitem(" + id + ",0),y,n)$if($combobox_removeitem(" +
                        id + ",7),y,n)"),
              "yn");
    EXPECT_EQ(b->item_count(), 2u);
    EXPECT_EQ(SendMessageW(b->control_wnd, CB_GETCOUNT, 0, 0), 2);
    // A row the list shows beyond the items (put there from outside) runs nothing.
    SendMessageW(b->control_wnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"stray"));
    SendMessageW(b->control_wnd, CB_SETCURSEL, 2, 0);
    SendMessageW(wnd, WM_COMMAND, MAKEWPARAM(b->control_id, CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(b->control_wnd));
    EXPECT_TRUE(lines_with("chose ").empty());
    // Removing the combobox removes what was drawn in it.
    const std::string inner = host.eval("$text(" + id + ",x,0,0)");
    ASSERT_EQ(inner.size(), 36u);
    host.eval("$removeobject(" + id + ")");
    EXPECT_EQ(vesk::object_manager::instance().find(inner), nullptr);
}

}  // namespace
