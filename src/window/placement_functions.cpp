// $movewindow and $dock: where a window stands and how large it is.
#include <windows.h>

#include "registry/window_services.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"
#include "utf8.h"
#include "window/placement_math.h"
#include "window/window_target.h"

namespace vesk {
namespace {

bool is_child(HWND wnd) { return (GetWindowLongW(wnd, GWL_STYLE) & WS_CHILD) != 0; }

t_rect screen_rect(HWND wnd) {
    RECT r{};
    GetWindowRect(wnd, &r);
    return {r.left, r.top, r.right, r.bottom};
}

// A child window's point in its parent's client coordinates.
POINT to_parent(HWND wnd, POINT p) {
    if (is_child(wnd)) ScreenToClient(GetParent(wnd), &p);
    return p;
}

// Scripts place windows in skin pixels (outer sizes with the frame as at
// 96 DPI).
t_rect to_skin(HWND wnd, const t_display_scale& s, const t_rect& r) {
    const RECT k = outer_rect(s, frame_of(wnd), {r.left, r.top, r.right, r.bottom}, toward::skin);
    return {k.left, k.top, k.right, k.bottom};
}

t_rect to_screen(HWND wnd, const t_display_scale& s, const t_rect& r) {
    const RECT k = outer_rect(s, frame_of(wnd), {r.left, r.top, r.right, r.bottom}, toward::screen);
    return {k.left, k.top, k.right, k.bottom};
}

void fn_movewindow(func_call& c) {
    if (!c.require_at_least(1)) return;
    const t_window_info* w = find_open_window(c, c.param(0));
    if (!w) return;
    HWND wnd = reinterpret_cast<HWND>(w->hwnd);
    const t_display_scale scale = display_scale_of(wnd);
    const t_frame frame = frame_of(wnd);
    const t_rect r = screen_rect(wnd);
    const POINT origin = to_parent(wnd, {r.left, r.top});
    const SIZE size = frame.outer(scale, {r.right - r.left, r.bottom - r.top}, toward::skin);
    int values[4] = {scale.to_skin(static_cast<int>(origin.x)),
                     scale.to_skin(static_cast<int>(origin.y)), static_cast<int>(size.cx),
                     static_cast<int>(size.cy)};
    const t_script_context& ctx = c.hook.context();
    const int base[4] = {ctx.base_x, ctx.base_y, 0, 0};
    for (size_t i = 0; i < 4; ++i) {
        if (i + 1 >= c.count() || c.param(i + 1).empty()) continue;
        values[i] = static_cast<int>(read_int(c.param(i + 1))) + (is_child(wnd) ? base[i] : 0);
    }
    bool activate = true;
    for (size_t i = 5; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        const auto v = option_value(p, "activate");
        if (!v) return c.unknown_option(p);
        activate = read_bool(*v);
    }
    UINT flags = SWP_SHOWWINDOW;  // also raises and activates the window
    if (!w->visible)
        flags = SWP_HIDEWINDOW;
    else if (!activate)
        flags = SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER;
    const SIZE on_screen = frame.outer(scale, {values[2], values[3]}, toward::screen);
    SetWindowPos(wnd, nullptr, scale.to_screen(values[0]), scale.to_screen(values[1]), on_screen.cx,
                 on_screen.cy, flags);
    c.set_found(true);
}

constexpr struct {
    const char* word;
    dock_side side;
} dock_sides[] = {{"left", dock_side::left},
                  {"right", dock_side::right},
                  {"top", dock_side::top},
                  {"bottom", dock_side::bottom}};

void fn_dock(func_call& c) {
    if (!c.require_at_least(3)) return;
    // Both ids among the definitions first, then both among the open windows.
    if (find_definition(c, c.param(0)) == no_window || find_definition(c, c.param(1)) == no_window)
        return;
    t_window_info* windows[2] = {find_open_window(c, c.param(0)), nullptr};
    if (!windows[0] || !(windows[1] = find_open_window(c, c.param(1)))) return;
    HWND wnd = reinterpret_cast<HWND>(windows[0]->hwnd);
    HWND target = reinterpret_cast<HWND>(windows[1]->hwnd);
    if (is_child(wnd) != is_child(target)) return c.fail(err_high, "%s: different window mode");
    t_dock dock;
    const std::string_view position = c.param(2);
    bool known = false;
    for (const auto& s : dock_sides) {
        if (!cor::iequals_utf8(position, s.word)) continue;
        dock.side = s.side;
        known = true;
    }
    if (!known) return c.fail(err_low, "%s: invalid position '%s'", {position});
    if (c.count() > 3) dock.fit = read_bool(c.param(3));
    static constexpr struct {
        const char* name;
        int t_dock::*field;
    } pads[] = {{"xpad", &t_dock::xpad}, {"ypad", &t_dock::ypad}, {"wh", &t_dock::wh}};
    for (size_t i = 4; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        bool option = false;
        for (const auto& pad : pads) {
            const auto v = option_value(p, pad.name);
            if (!v) continue;
            dock.*pad.field = static_cast<int>(read_int(*v));
            option = true;
            break;
        }
        if (!option) return c.unknown_option(p);
    }
    // The pads are skin pixels: docked in the window's skin pixels.
    const t_display_scale scale = display_scale_of(wnd);
    const t_rect r = to_screen(wnd, scale,
                               dock_rect(to_skin(wnd, scale, screen_rect(wnd)),
                                         to_skin(target, scale, screen_rect(target)), dock));
    const POINT origin = to_parent(wnd, {r.left, r.top});
    windows[0]->visible = true;
    SetWindowPos(wnd, nullptr, origin.x, origin.y, r.right - r.left, r.bottom - r.top,
                 SWP_SHOWWINDOW);
    c.set_found(true);
}

constexpr t_function_entry entries[] = {
    {"movewindow", fn_movewindow},
    {"dock", fn_dock},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
