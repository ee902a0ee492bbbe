// The functions on any control (shown, moved, refreshed, queried, cleared)
// over every control kind; the menu bar against the Host's main menu;
// groups showing and hiding their members together.
#include "control_test_util.h"

#include <windows.h>

#include <commctrl.h>

#include "control/menubar_object.h"
#include "host/host_services.h"
#include "menu/popup_menus.h"
#include "utf8.h"

using namespace control_test;
using vesk::object::menubar_object;
using vesk::object::object_base;

namespace {

std::string g_choice;
std::vector<std::string> g_seen;

// Stands in for the user at a menu: notes the items and picks g_choice.
UINT choose(HMENU menu, UINT, HWND) {
    UINT chosen = 0;
    g_seen.clear();
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        wchar_t text[128] = L"";
        GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        g_seen.push_back(cor::to_utf8(text));
        if (HMENU sub = GetSubMenu(menu, i)) {
            for (int k = 0, m = GetMenuItemCount(sub); k < m; ++k) {
                GetMenuStringW(sub, static_cast<UINT>(k), text, 128, MF_BYPOSITION);
                if (cor::to_utf8(text) == g_choice) chosen = GetMenuItemID(sub, k);
            }
        } else if (cor::to_utf8(text) == g_choice) {
            chosen = GetMenuItemID(menu, i);
        }
    }
    return chosen;
}

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

TEST_F(ControlFunctions, UnknownControlsAreReportedAtLevelTwo) {
    const std::string unknown = "00000000-0000-0000-0000-000000000002";
    const std::string text = host.eval("$text(w,x,0,0)");
    for (int level : {vesk::err_low, vesk::err_middle}) {
        vesk::set_error_level(level);
        for (const std::string& name : {unknown, text}) {
            const struct {
                std::string script, function;
            } rows[] = {{"$showctrl(" + name + ",1)", "$showctrl"},
                        {"$movectrl(" + name + ",1)", "$movectrl"},
                        {"$updatectrl(" + name + ")", "$updatectrl"}};
            for (const auto& row : rows) {
                EXPECT_EQ(eval_found(row.script), "n");
                EXPECT_EQ(host.take_lines(),
                          level == vesk::err_low
                              ? lines{}
                              : lines{row.function + ": ctrl '" + name + "' not found"});
            }
        }
    }
    EXPECT_EQ(host.eval("$isctrlvisible(" + unknown + ")$isctrlvisible(" + text + ")"), "00");
    vesk::set_error_level(vesk::err_low);
    const std::string button = host.eval("$button(w,b,0,0,10,10,'')");
    host.eval("$updatectrl(" + button + ",depth:2)$clearctrl()");
    EXPECT_EQ(host.take_lines(),
              (lines{"$updatectrl: unknown option 'depth:2'", "$clearctrl: invalid syntax"}));
}

TEST_F(ControlFunctions, MenubarShowsTheHostsTopLevelMenusAndRunsTheChosenCommand) {
    const vesk::popup_chooser previous = vesk::set_popup_chooser(choose);
    const std::string id = host.eval("$menubar(w,0,0,0,0,bg:40-45-57,font-size:9)");
    repaint();
    auto* bar = object<menubar_object>(id, vesk::object::type_menubar);
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(bar->control_wnd, nullptr);
    // The same top-level groups as the Host's main menu as a popup.
    cor::mainmenu_manager* host_menu = vesk::host::mainmenu();
    ASSERT_NE(host_menu, nullptr);
    const vesk::t_mainmenu_popup popup = vesk::build_mainmenu_popup(*host_menu);
    std::vector<std::string> groups;
    for (int i = 0, n = GetMenuItemCount(popup.root.get()); i < n; ++i) {
        wchar_t text[128] = L"";
        GetMenuStringW(popup.root.get(), static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        if (GetSubMenu(popup.root.get(), i)) groups.push_back(cor::to_utf8(text));
    }
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(bar->groups(), groups);
    ASSERT_EQ(SendMessageW(bar->control_wnd, TB_BUTTONCOUNT, 0, 0),
              static_cast<LRESULT>(groups.size()));
    for (size_t i = 0; i < groups.size(); ++i) {
        TBBUTTON b{};
        SendMessageW(bar->control_wnd, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
        wchar_t text[128] = L"";
        SendMessageW(bar->control_wnd, TB_GETBUTTONTEXTW, b.idCommand,
                     reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(cor::to_utf8(text), groups[i]);
        EXPECT_EQ(static_cast<uint32_t>(b.idCommand), bar->command_ids[i]);
    }
    // Fitted to its buttons, painted in its own background colour.
    EXPECT_GT(std::stoi(host.eval("$getparam(" + id + ",w)")), 20);
    RedrawWindow(bar->control_wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    HDC dc = GetDC(bar->control_wnd);
    RECT client{}, last{};
    GetClientRect(bar->control_wnd, &client);
    SendMessageW(bar->control_wnd, TB_GETITEMRECT, groups.size() - 1,
                 reinterpret_cast<LPARAM>(&last));
    EXPECT_GE(client.right, last.right);
    EXPECT_GE(client.bottom, last.bottom);
    EXPECT_EQ(GetPixel(dc, client.right - 1, 0), RGB(40, 45, 57));
    ReleaseDC(bar->control_wnd, dc);
    // A click on the group holding "Do It" and the choice of it.
    const auto test_group = std::find(groups.begin(), groups.end(), "Test");
    ASSERT_NE(test_group, groups.end());
    g_choice = "Do It";
    const uint32_t button = bar->command_ids[test_group - groups.begin()];
    SendMessageW(wnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(bar->control_wnd));
    EXPECT_EQ(g_seen, lines{"Group"});
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_TRUE(host.commands[0] == cor_test::component_host::test_command);
    g_choice.clear();
    SendMessageW(wnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(bar->control_wnd));
    EXPECT_EQ(host.commands.size(), 1u);
    vesk::set_popup_chooser(previous);
    vesk::set_error_level(vesk::err_low);
    host.eval("$menubar(w,0,0,0,0,bgmode:fuzzy)$menubar(w,0)");
    EXPECT_EQ(host.take_lines(),
              (lines{"$menubar: unknown mode 'fuzzy'", "$menubar: invalid syntax"}));
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
    host.take_lines();
    host.eval("$group_show(" + unknown + ",1)$group_show(" + group + ",1,fade:1)");
    EXPECT_EQ(host.take_lines(), (lines{"$group_show: objectid '" + unknown + "' not found",
                                        "$group_show: unknown option 'fade:1'"}));
    host.eval("$removeobject(" + group + ")");
}

}  // namespace
