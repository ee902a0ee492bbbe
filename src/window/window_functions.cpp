// $window, $closewindow, $showwindow, $updatewindow, $iswindowvisible,
// $getactivewindow.
#include <windows.h>

#include <array>

#include "host/settings.h"
#include "registry/window_registry.h"
#include "registry/window_services.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"
#include "utf8.h"
#include "window/script_window.h"

namespace vesk {
namespace {

void fn_window(func_call& c) {
    if (c.count() != 1 && c.count() < 5) {
        c.fail(err_low, "%s: invalid syntax");
        return;
    }
    const std::string_view id = c.param(0);
    const size_t def = find_definition(c, id);
    if (def == no_window) return;
    t_script_context& ctx = c.hook.context();
    const cor::guid target = cfg_window_guid_list[def];
    if (target == ctx.window_id && ctx.wnd) {
        c.fail(err_middle, "%s: Itself can't be loaded");
        return;
    }
    bool has_rect = false;
    RECT rect{};
    if (c.count() >= 5) {
        for (size_t i = 1; i <= 4; ++i) has_rect = has_rect || !c.param(i).empty();
        const auto x = static_cast<LONG>(read_int(c.param(1))),
                   y = static_cast<LONG>(read_int(c.param(2)));
        rect = {x, y, x + static_cast<LONG>(read_int(c.param(3))),
                y + static_cast<LONG>(read_int(c.param(4)))};
    }
    cor::guid parent = cor::guid_null;
    bool embed = false, mempos = false, hide = false;
    for (size_t i = 5; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        auto parent_id = option_value(p, "parent");
        if (!parent_id) parent_id = option_value(p, "child");
        if (parent_id) {
            const size_t pdef = find_definition(c, *parent_id);
            if (pdef == no_window) return;
            if (open_window_by_guid(cfg_window_guid_list[pdef]) == no_window)
                c.fail(err_high, "%s: window '%s' not active", {*parent_id});
            else
                parent = cfg_window_guid_list[pdef];
        } else if (auto v = option_value(p, "embed")) {
            embed = read_bool(*v);
        } else if (auto m = option_value(p, "mempos")) {
            mempos = read_bool(*m);
        } else if (is_keyword(p, "hide")) {
            hide = true;
        } else {
            c.unknown_option(p);
            return;
        }
    }
    const size_t open = open_window_by_guid(target);
    if (open != no_window)
        SendMessageW(reinterpret_cast<HWND>(open_windows()[open].hwnd), WM_CLOSE, 0, 0);
    script_window* main = script_window::from_handle(main_window_handle());
    if (!main) {
        c.fail(err_low, "%s: main window window not found");
        return;
    }
    const bool embedded = embed && parent != cor::guid_null;
    if (embedded) {
        if (!has_rect) {
            c.fail(err_low, "%s: invalid syntax");
            return;
        }
        OffsetRect(&rect, ctx.base_x, ctx.base_y);
    }
    (void)main->open_definition(target, parent, false, hide, embedded, has_rect ? &rect : nullptr);
    if (mempos) {
        ctx.map_left = ctx.map_top = ctx.map_right = ctx.map_bottom = -1;
        const size_t now_open = open_window_by_guid(target);
        if (now_open != no_window) {
            HWND wnd = reinterpret_cast<HWND>(open_windows()[now_open].hwnd);
            RECT r;
            GetWindowRect(wnd, &r);
            if (embedded) {
                const size_t p = open_window_by_guid(parent);
                if (p != no_window)
                    MapWindowPoints(nullptr, reinterpret_cast<HWND>(open_windows()[p].hwnd),
                                    reinterpret_cast<POINT*>(&r), 2);
            }
            const t_display_scale scale = display_scale_of(wnd);
            ctx.map_left = scale.to_skin(static_cast<int>(r.left));
            ctx.map_top = scale.to_skin(static_cast<int>(r.top));
            ctx.map_right = ctx.map_left + scale.to_skin(static_cast<int>(r.right - r.left));
            ctx.map_bottom = ctx.map_top + scale.to_skin(static_cast<int>(r.bottom - r.top));
        }
    }
    c.set_found(true);
}

void fn_closewindow(func_call& c) {
    if (!c.require_count(1)) return;
    const t_window_info* w = find_open_window(c, c.param(0));
    if (!w) return;
    PostMessageW(reinterpret_cast<HWND>(w->hwnd), WM_CLOSE, 0, 0);
    c.set_found(true);
}

void fn_showwindow(func_call& c) {
    if (!c.require_count(2)) return;
    t_window_info* w = find_open_window(c, c.param(0));
    if (!w) return;
    const auto command = static_cast<int>(read_unsigned(c.param(1)));
    w->visible = command != 0;
    ShowWindow(reinterpret_cast<HWND>(w->hwnd), command);
    c.set_found(true);
}

// Window refresh by level; each step applies when its condition holds.
void refresh_window(HWND wnd, script_window& sw, int64_t level) {
    if (level < 0) return;
    if (level == 0) InvalidateRect(wnd, nullptr, TRUE);
    if (level == 1) sw.redraw(false);
    if (level == 2) sw.repaint_background();
    if (level > 2) {
        sw.redraw(true);
        InvalidateRect(wnd, nullptr, TRUE);
    }
    if (level > 3) SetWindowPos(wnd, nullptr, 0, 0, 0, 0, 0x27);
    if (level > 4) {
        RECT r;
        GetWindowRect(wnd, &r);
        if (GetWindowLongW(wnd, GWL_STYLE) & WS_CHILD)
            MapWindowPoints(nullptr, GetParent(wnd), reinterpret_cast<POINT*>(&r), 2);
        SetWindowPos(wnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, 0x24);
    }
    if (level > 5) {
        ShowWindow(wnd, SW_HIDE);
        ShowWindow(wnd, SW_SHOW);
    }
}

void fn_updatewindow(func_call& c) {
    if (!c.require_at_least(1)) return;
    const t_window_info* w = find_open_window(c, c.param(0));
    if (!w) return;
    HWND wnd = reinterpret_cast<HWND>(w->hwnd);
    script_window* sw = script_window::from_handle(wnd);
    if (!sw) return;
    static constexpr std::array<std::pair<const char*, int>, 5> events{{{"load", ev_load},
                                                                        {"open", ev_open},
                                                                        {"resize", ev_resize},
                                                                        {"move", ev_move},
                                                                        {"activate", ev_activate}}};
    const auto event_of = [](std::string_view word) {
        for (const auto& [name, number] : events)
            if (is_keyword(word, name)) return number;
        return 0;
    };
    const auto run = [&](int event) {
        // An event script never starts itself.
        if (sw->event_identity(event) != c.hook.context().script_id) sw->run_event(event);
    };
    int64_t level = 3;
    bool update = true;
    for (size_t i = 1; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (auto e = option_value(p, "event")) {
            const int event = event_of(*e);
            if (!event) {
                c.fail(err_low, "%s: unknown event '%s'", {*e});
                return;
            }
            run(event);
        } else if (const int event = event_of(p)) {
            run(event);
        } else if (auto l = option_value(p, "level")) {
            level = read_int(*l);
        } else if (auto u = option_value(p, "update")) {
            update = read_bool(*u);
        } else {
            c.unknown_option(p);
            return;
        }
        // An event script may have closed the window.
        if (!script_window::from_handle(wnd)) {
            c.set_found(true);
            return;
        }
    }
    if (update) refresh_window(wnd, *sw, level);
    c.set_found(true);
}

void fn_iswindowvisible(func_call& c) {
    const bool visible = [&] {
        if (c.count() != 1) return false;
        const size_t def = definition_by_id(c.param(0));
        if (def == no_window) return false;
        const size_t open = open_window_by_guid(cfg_window_guid_list[def]);
        return open != no_window && open_windows()[open].visible;
    }();
    if (c.count() != 1) {
        c.fail(err_low, "%s: invalid syntax");
        return;
    }
    c.write(visible ? "1" : "0");
    c.set_found(visible);
}

void fn_dragwindow(func_call& c) {
    if (!c.require_count(2)) return;
    const t_window_info* w = find_open_window(c, c.param(0));
    if (!w) return;
    if (script_window* sw = script_window::from_handle(reinterpret_cast<HWND>(w->hwnd)))
        sw->drag = read_bool(c.param(1));
    c.set_found(true);
}

void fn_getactivewindow(func_call& c) {
    if (!c.require_count(0)) return;
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(0, &info)) return;
    const size_t open = open_window_by_handle(reinterpret_cast<HWND__*>(info.hwndActive));
    if (open == no_window) return;
    c.write(definition_name(open_windows()[open].id));
    c.set_found(true);
}

constexpr t_function_entry entries[] = {
    {"window", fn_window},
    {"closewindow", fn_closewindow},
    {"showwindow", fn_showwindow},
    {"updatewindow", fn_updatewindow},
    {"iswindowvisible", fn_iswindowvisible},
    {"getactivewindow", fn_getactivewindow},
    {"dragwindow", fn_dragwindow},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
