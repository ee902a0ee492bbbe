// $menubar, $group, $group_addobject, $group_show, and the functions on
// any control by identity: $showctrl, $movectrl, $updatectrl,
// $isctrlvisible, $clearctrl.
#include <windows.h>

#include <algorithm>

#include "control/control_lookup.h"
#include "control/group_object.h"
#include "control/menubar_object.h"
#include "object/object_manager.h"
#include "object/types/paint_support.h"
#include "registry/window_registry.h"
#include "registry/window_services.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"
#include "utf8.h"
#include "window/child_refresh.h"

namespace vesk {
namespace {

using object::group_object;
using object::menubar_object;
using object::object_base;

bool read_menubar_option(func_call& c, menubar_object& bar, std::string_view p, bool& mempos) {
    if (auto v = option_value(p, "fg")) {
        if (!grammar::parse_colour(*v, bar.foreground)) {
            c.fail(err_low, "%s: invalid fgcolor '%s'", {*v});
            return false;
        }
    } else if (auto b = option_value(p, "bgmode")) {
        if (is_keyword(*b, "color")) {
            bar.bg_mode = menubar_object::bg_colour;
        } else if (is_keyword(*b, "transparent")) {
            bar.bg_mode = menubar_object::bg_transparent;
        } else if (auto a = option_value(*b, "alpha")) {
            bar.bg_mode = menubar_object::bg_alpha;
            bar.alpha = static_cast<uint8_t>(std::clamp<int64_t>(read_int(*a), 0, 255));
        } else {
            c.fail(err_low, "%s: unknown mode '%s'", {*b});
            return false;
        }
    } else if (auto g = option_value(p, "bg")) {
        if (!grammar::parse_colour(*g, bar.background)) {
            c.fail(err_low, "%s: invalid bgcolor '%s'", {*g});
            return false;
        }
    } else if (p.size() > 5 && cor::stricmp_utf8_partial(p, "font-") == 0 &&
               grammar::font_option(p, bar.font)) {
        bar.font.valid = true;
    } else if (auto m = option_value(p, "mempos")) {
        mempos = read_bool(*m);
    } else if (is_keyword(p, "hide")) {
        bar.visible = false;
    } else {
        c.unknown_option(p);
        return false;
    }
    return true;
}

void fn_menubar(func_call& c) {
    if (!c.require_at_least(3)) return;
    const t_window_info* window = find_open_window(c, c.param(0));
    if (!window) return;
    t_script_context& ctx = c.hook.context();
    auto bar = std::make_unique<menubar_object>();
    bar->parent = window->id;
    bar->context = ctx.script_id;
    if (auto* target = paint_target_of(reinterpret_cast<HWND>(window->hwnd)))
        bar->control_id = static_cast<uint32_t>(target->next_control_id());
    bar->font = paint::default_font();
    bar->x = static_cast<int32_t>(read_unsigned(c.param(1))) + ctx.base_x;
    bar->y = static_cast<int32_t>(read_unsigned(c.param(2))) + ctx.base_y;
    if (c.count() > 3) bar->width = static_cast<int32_t>(read_unsigned(c.param(3)));
    if (c.count() > 4) bar->height = static_cast<int32_t>(read_unsigned(c.param(4)));
    bool mempos = false;
    for (size_t i = 5; i < c.count(); ++i)
        if (!read_menubar_option(c, *bar, c.param(i), mempos)) return;
    if (mempos) set_map_rect(ctx, bar->x, bar->y, bar->width, bar->height);
    const std::string identity = object::identity_text(bar->id);
    if (!object_manager::instance().store(std::move(bar))) return;
    c.write(identity);
    c.set_found(true);
}

void fn_group(func_call& c) {
    if (!c.require_count(0)) return;
    auto group = std::make_unique<group_object>();
    group->context = c.hook.context().script_id;
    const std::string identity = object::identity_text(group->id);
    if (!object_manager::instance().store(std::move(group))) return;
    c.write(identity);
    c.set_found(true);
}

group_object* named_group(func_call& c) {
    object_base* obj = object_manager::instance().find(c.param(0));
    if (!obj || obj->type != object::type_group) {
        c.fail(err_middle, "%s: objectid '%s' not found", {c.param(0)});
        return nullptr;
    }
    return static_cast<group_object*>(obj);
}

void fn_group_addobject(func_call& c) {
    if (!c.require_at_least(2)) return;
    group_object* group = named_group(c);
    if (!group) return;
    for (size_t i = 1; i < c.count(); ++i) {
        const object_base* member = object_manager::instance().find(c.param(i));
        if (!member) {
            c.fail(err_middle, "%s: objectid '%s' not found", {c.param(i)});
            continue;
        }
        group->members.push_back(object::identity_text(member->id));
    }
    c.set_found(true);
}

void fn_group_show(func_call& c) {
    if (!c.require_at_least(2)) return;
    group_object* group = named_group(c);
    if (!group) return;
    const bool show = read_bool(c.param(1));
    bool redraw = false;
    for (size_t i = 2; i < c.count(); ++i) {
        if (auto v = option_value(c.param(i), "redraw")) {
            redraw = read_bool(*v);
        } else {
            c.unknown_option(c.param(i));
            return;
        }
    }
    // A copy: showing a member may run scripts that change the group.
    const std::vector<std::string> members = group->members;
    auto& manager = object_manager::instance();
    for (const std::string& m : members) {
        const auto id = object::parse_identity(m);
        if (!id || !manager.show(*id, show, redraw)) continue;
        // A control's own window follows, as $showctrl does.
        if (object_base* member = manager.find(*id); member && member->control_window())
            ShowWindow(member->control_wnd, show ? SW_SHOW : SW_HIDE);
    }
    c.set_found(true);
}

object_base* named_ctrl(func_call& c) {
    object_base* obj = object_manager::instance().find_control(c.param(0));
    if (!obj) c.fail(err_middle, "%s: ctrl '%s' not found", {c.param(0)});
    return obj;
}

void fn_showctrl(func_call& c) {
    if (!c.require_count(2)) return;
    object_base* ctrl = named_ctrl(c);
    if (!ctrl) return;
    ctrl->visible = read_bool(c.param(1));
    if (ctrl->control_window()) ShowWindow(ctrl->control_wnd, ctrl->visible ? SW_SHOW : SW_HIDE);
    c.set_found(true);
}

void fn_movectrl(func_call& c) {
    if (!c.require_count(1, 5)) return;
    object_base* ctrl = named_ctrl(c);
    if (!ctrl) return;
    const size_t open = open_window_by_guid(ctrl->parent);
    if (open == no_window || !ctrl->control_window()) return;
    const t_display_scale scale = display_scale_of(GetParent(ctrl->control_wnd));
    RECT r = rect_in_parent(ctrl->control_wnd);
    int32_t v[4] = {scale.to_skin(static_cast<int>(r.left)), scale.to_skin(static_cast<int>(r.top)),
                    scale.to_skin(static_cast<int>(r.right - r.left)),
                    scale.to_skin(static_cast<int>(r.bottom - r.top))};
    const t_script_context& ctx = c.hook.context();
    const int32_t base[4] = {ctx.base_x, ctx.base_y, 0, 0};
    for (size_t i = 1; i < c.count(); ++i)
        if (!c.param(i).empty())
            v[i - 1] = static_cast<int32_t>(read_int(c.param(i))) + base[i - 1];
    SetWindowPos(ctrl->control_wnd, nullptr, scale.to_screen(v[0]), scale.to_screen(v[1]),
                 scale.to_screen(v[2]), scale.to_screen(v[3]), SWP_NOZORDER);
    c.set_found(true);
}

void fn_updatectrl(func_call& c) {
    if (!c.require_at_least(1)) return;
    object_base* ctrl = named_ctrl(c);
    if (!ctrl) return;
    int64_t level = 1;
    for (size_t i = 1; i < c.count(); ++i) {
        if (auto v = option_value(c.param(i), "level")) {
            level = read_int(*v);
        } else {
            c.unknown_option(c.param(i));
            return;
        }
    }
    const cor::guid id = ctrl->id;
    if (!ctrl->control_wnd && !object_manager::instance().update_object(id)) return;
    ctrl = object_manager::instance().find(id);
    if (!ctrl || !ctrl->control_window()) return;
    refresh_child(ctrl->control_wnd, level);
    c.set_found(true);
}

void fn_isctrlvisible(func_call& c) {
    if (!c.require_count(1)) return;
    const object_base* ctrl = object_manager::instance().find_control(c.param(0));
    const bool visible = ctrl && ctrl->visible;
    c.write(visible ? "1" : "0");
    c.set_found(visible);
}

void fn_clearctrl(func_call& c) {
    if (!c.require_count(1)) return;
    const t_window_info* window = find_open_window(c, c.param(0));
    if (!window) return;
    c.set_found(object_manager::instance().clear_parent(window->id, object::cat_control));
}

constexpr t_function_entry entries[] = {
    {"menubar", fn_menubar},
    {"group", fn_group},
    {"group_addobject", fn_group_addobject},
    {"group_show", fn_group_show},
    {"showctrl", fn_showctrl},
    {"movectrl", fn_movectrl},
    {"updatectrl", fn_updatectrl},
    {"isctrlvisible", fn_isctrlvisible},
    {"clearctrl", fn_clearctrl},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
