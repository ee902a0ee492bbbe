// $myborder, $minmax, $cancelrecovery: how a window may be resized, and how
// it is placed and what it reopens at opening.
#include <windows.h>

#include <algorithm>

#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"
#include "window/window_target.h"

namespace vesk {
namespace {

// Parameter i as a size: signed decimal, negative as 0, missing as 0.
int size_param(func_call& c, size_t i) {
    if (i >= c.count()) return 0;
    return static_cast<int>(std::clamp<int64_t>(read_int(c.param(i)), 0, INT32_MAX));
}

void fn_myborder(func_call& c) {
    if (!c.require_count(1, 4)) return;
    const t_window_target t = find_target(c, c.param(0));
    if (!t) return;
    t.window->border = {size_param(c, 1), size_param(c, 2), size_param(c, 3)};
    c.set_found(true);
}

void fn_minmax(func_call& c) {
    if (!c.require_count(1, 5)) return;
    const t_window_target t = find_target(c, c.param(0));
    if (!t) return;
    t_size_limits& limits = t.window->limits;
    // Given in skin pixels; the platform's own proposals are the screen's.
    const t_display_scale scale = t.window->display_scale();
    const auto pick = [&](size_t i, LONG proposed) {
        const int v = size_param(c, i);
        return v < 1 ? proposed : static_cast<LONG>(scale.to_screen(v));
    };
    limits.in_force.ptMinTrackSize = {pick(1, limits.proposed.ptMinTrackSize.x),
                                      pick(2, limits.proposed.ptMinTrackSize.y)};
    limits.in_force.ptMaxTrackSize = {pick(3, limits.proposed.ptMaxTrackSize.x),
                                      pick(4, limits.proposed.ptMaxTrackSize.y)};
    c.set_found(true);
}

void fn_cancelrecovery(func_call& c) {
    const size_t open = open_window_by_guid(c.hook.context().window_id);
    script_window* w =
        open == no_window
            ? nullptr
            : script_window::from_handle(reinterpret_cast<HWND>(open_windows()[open].hwnd));
    static constexpr struct {
        const char* name;
        int bit;
    } options[] = {{"placement", 1}, {"windows", 2}};
    int flags = w ? w->cancel_flags : 0;
    for (size_t i = 0; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        bool known = false;
        for (const auto& o : options) {
            const auto v = option_value(p, o.name);
            if (!v) continue;
            flags = read_bool(*v) ? (flags | o.bit) : (flags & ~o.bit);
            known = true;
            break;
        }
        if (!known) return c.unknown_option(p);
    }
    if (!w) return;
    w->cancel_flags = flags;
    c.set_found(true);
}

constexpr t_function_entry entries[] = {
    {"myborder", fn_myborder},
    {"minmax", fn_minmax},
    {"cancelrecovery", fn_cancelrecovery},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
