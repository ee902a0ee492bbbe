// $panel, $movepanel, $closepanel, $showpanel, $clearpanel, $updatepanel,
// $ispanelvisible: panels of the Host placed in script windows.
#include <windows.h>

#include "panel/panel_definitions.h"
#include "panel/panel_file.h"
#include "registry/window_registry.h"
#include "registry/window_services.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"
#include "window/child_refresh.h"

namespace vesk {
namespace {

void fn_panel(func_call& c) {
    if (!c.require_at_least(6)) return;
    const t_window_info* window = find_open_window(c, c.param(0));
    if (!window) return;
    const size_t index = find_panel(c, c.param(1));
    if (index == no_panel) return;
    t_script_context& ctx = c.hook.context();
    const int x = static_cast<int>(read_unsigned(c.param(2))) + ctx.base_x;
    const int y = static_cast<int>(read_unsigned(c.param(3))) + ctx.base_y;
    const int w = static_cast<int>(read_unsigned(c.param(4)));
    const int h = static_cast<int>(read_unsigned(c.param(5)));
    bool hide = false, mempos = false;
    for (size_t i = 6; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (is_keyword(p, "hide")) {
            hide = true;
        } else if (auto v = option_value(p, "mempos")) {
            mempos = read_bool(*v);
        } else {
            c.unknown_option(p);
            return;
        }
    }
    HWND parent = reinterpret_cast<HWND>(window->hwnd);
    t_ext_param* p = usable_panel(index, false);
    if (!p) return;
    auto* made = static_cast<HWND>(
        p->instance->create_or_transfer_window(parent, window_host(), 0, 0, 0, 0));
    if (!made) return;
    p->wnd = made;
    const t_display_scale scale = display_scale_of(parent);
    SetWindowPos(made, nullptr, scale.to_screen(x), scale.to_screen(y), scale.to_screen(w),
                 scale.to_screen(h),
                 hide ? (SWP_HIDEWINDOW | SWP_FRAMECHANGED) : (SWP_SHOWWINDOW | SWP_FRAMECHANGED));
    p->visible = !hide;
    if (mempos) {
        ctx.map_left = x;
        ctx.map_top = y;
        ctx.map_right = x + w;
        ctx.map_bottom = y + h;
    }
    c.set_found(true);
}

void fn_movepanel(func_call& c) {
    if (!c.require_count(1, 5)) return;
    const size_t index = find_panel(c, c.param(0));
    if (index == no_panel) return;
    t_ext_param* p = usable_panel(index, true);
    if (!p) return;
    const t_display_scale scale = display_scale_of(GetParent(p->wnd));
    const RECT r = rect_in_parent(p->wnd);
    int values[4] = {scale.to_skin(static_cast<int>(r.left)),
                     scale.to_skin(static_cast<int>(r.top)),
                     scale.to_skin(static_cast<int>(r.right - r.left)),
                     scale.to_skin(static_cast<int>(r.bottom - r.top))};
    const t_script_context& ctx = c.hook.context();
    for (size_t i = 1; i < c.count() && i <= 4; ++i) {
        const std::string_view text = c.param(i);
        if (text.empty()) continue;
        values[i - 1] = static_cast<int>(read_int(text));
        if (i == 1) values[0] += ctx.base_x;
        if (i == 2) values[1] += ctx.base_y;
    }
    SetWindowPos(p->wnd, nullptr, scale.to_screen(values[0]), scale.to_screen(values[1]),
                 scale.to_screen(values[2]), scale.to_screen(values[3]), SWP_NOZORDER);
    c.set_found(true);
}

void fn_showpanel(func_call& c) {
    if (!c.require_count(2)) return;
    const size_t index = find_panel(c, c.param(0));
    if (index == no_panel) return;
    t_ext_param* p = panel_record(index);
    if (!p) return;
    p->visible = read_bool(c.param(1));
    if (p->wnd && IsWindow(p->wnd)) ShowWindow(p->wnd, p->visible ? SW_SHOW : SW_HIDE);
    c.set_found(true);
}

void fn_closepanel(func_call& c) {
    if (!c.require_count(1)) return;
    const size_t index = find_panel(c, c.param(0));
    if (index == no_panel) return;
    close_panel(index, false);
    c.set_found(true);
}

void fn_clearpanel(func_call& c) {
    if (!c.require_count(1)) return;
    const t_window_info* window = find_open_window(c, c.param(0));
    if (!window) return;
    HWND parent = reinterpret_cast<HWND>(window->hwnd);
    for (auto& p : cfg_panel_ext_list.items()) {
        if (!p.wnd || !IsWindow(p.wnd) || GetParent(p.wnd) != parent) continue;
        if (p.instance)
            p.instance->destroy_window();
        else
            DestroyWindow(p.wnd);
        p.wnd = nullptr;
    }
    c.set_found(true);
}

void fn_updatepanel(func_call& c) {
    if (!c.require_at_least(1)) return;
    const size_t index = find_panel(c, c.param(0));
    if (index == no_panel) return;
    t_ext_param* p = usable_panel(index, true);
    if (!p) return;
    int64_t level = 1;
    for (size_t i = 1; i < c.count(); ++i) {
        const std::string_view text = c.param(i);
        if (auto v = option_value(text, "level")) {
            level = read_int(*v);
        } else {
            c.unknown_option(text);
            return;
        }
    }
    refresh_child(p->wnd, level);
    c.set_found(true);
}

void fn_ispanelvisible(func_call& c) {
    if (!c.require_count(1)) return;
    const t_ext_param* p = panel_record(panel_by_id(c.param(0)));
    const bool visible = p && p->wnd && IsWindow(p->wnd) && p->visible;
    c.write(visible ? "1" : "0");
    c.set_found(visible);
}

constexpr t_function_entry entries[] = {
    {"panel", fn_panel},
    {"movepanel", fn_movepanel},
    {"closepanel", fn_closepanel},
    {"showpanel", fn_showpanel},
    {"clearpanel", fn_clearpanel},
    {"updatepanel", fn_updatepanel},
    {"ispanelvisible", fn_ispanelvisible},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
