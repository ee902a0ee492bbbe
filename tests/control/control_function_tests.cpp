// The functions on any control (shown, moved, refreshed, queried, cleared)
// over every control kind; the menu bar against the Host's main menu;
// groups showing and hiding their members together.
#include "support/case_table.h"
#include "window/window_test_util.h"

#include <windows.h>

#include <commctrl.h>

#include "control/menubar_object.h"

using namespace window_test;
using vesk::object::menubar_object;
using vesk::object::object_base;

namespace {

class ControlFunctions : public ControlTest {
protected:
    std::string eval_found(const std::string& script) {
        return host.eval("$if(" + script + ",y,n)");
    }
    object_base* ctrl(const std::string& id) { return vesk::object_manager::instance().find(id); }
};

TEST_F(ControlFunctions, EachFunctionActsOnEveryControlKind) {
    const struct {
        const char* kind;
        std::string script;
        bool movable;  // a tip window follows its tool, not $movectrl
    } kinds[] = {
        {"button", "$button(w,b,10,20,60,24,'')", true},
        {"combobox", "$combobox(w,10,20,60,24)", true},
        {"menubar", "$menubar(w,10,20,150,24)", true},
        {"tooltip", "$tooltip(w,t,10,20,60,24)", false},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.kind);
        const std::string id = host.eval(k.script);
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
        if (k.kind != std::string("tooltip")) {
            EXPECT_TRUE(IsWindowVisible(child));
        }
        if (k.movable) {
            const RECT before = client_rect_of(child);
            EXPECT_EQ(eval_found("$movectrl(" + id + ",33)"), "y");
            const RECT after = client_rect_of(child);
            EXPECT_EQ(after.left, 33);
            EXPECT_EQ(after.top, before.top);
            EXPECT_EQ(after.right - after.left, before.right - before.left);
            EXPECT_EQ(eval_found("$movectrl(" + id + ",,5,,)"), "y");
            EXPECT_EQ(client_rect_of(child).left, 33);
            EXPECT_EQ(client_rect_of(child).top, 5);
        }
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
TEST_F(ControlFunctions, BadCallsGiveTheirMessagesAndMakeNothing) {
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

TEST_F(ControlFunctions, MenubarShowsTheHostsTopLevelMenusAndRunsTheChosenCommand) {
    const vesk::popup_chooser previous = vesk::set_popup_chooser(menu_user);
    const std::string id = host.eval("$menubar(w,0,0,0,0,bg:40-45-57,font-size:9)");
    repaint();
    auto* bar = object<menubar_object>(id, vesk::object::type_menubar);
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(bar->control_wnd, nullptr);
    // The top-level groups of the Host's main menu.
    const lines groups{"File", "Test", "Vesk"};
    EXPECT_EQ(bar->groups(), groups);
    EXPECT_EQ(SendMessageW(bar->control_wnd, TB_BUTTONCOUNT, 0, 0),
              static_cast<LRESULT>(groups.size()));
    // Made 0 wide, it is fitted to its buttons.
    EXPECT_GT(std::stoi(host.eval("$getparam(" + id + ",w)")), 20);
    // A click on the group holding "Do It" and the choice of it.
    g_menu_user = {};
    g_menu_user.choice = "Do It";
    const uint32_t button = bar->command_ids[1];
    SendMessageW(wnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(bar->control_wnd));
    EXPECT_EQ(g_menu_user.seen, (lines{"Group >", "  Do It"}));
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_TRUE(host.commands[0] == cor_test::component_host::test_command);
    g_menu_user.choice.clear();
    SendMessageW(wnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(bar->control_wnd));
    EXPECT_EQ(host.commands.size(), 1u);
    vesk::set_popup_chooser(previous);
}

TEST_F(ControlFunctions, GroupsShowAndHideTheirMembersTogether) {
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
    EXPECT_NE(vesk::object_manager::instance().find(group), nullptr);
    EXPECT_EQ(eval_found("$group_show(" + group + ",1)"), "y");
    host.eval("$removeobject(" + group + ")");
}

}  // namespace
