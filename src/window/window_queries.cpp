// $getwindowinfo, $clienttoscreen, $screentoclient: what a window looks like
// and where its points lie on the screen.
#include <windows.h>

#include <cstdio>

#include "registry/window_registry.h"
#include "registry/window_services.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"
#include "utf8.h"
#include "window/layered.h"
#include "window/stacking.h"
#include "window/style_bits.h"

namespace vesk {
namespace {

void yes_no(func_call& c, bool value) {
    c.write(value ? "1" : "0");
    c.set_found(value);
}

void fn_getwindowinfo(func_call& c) {
    if (!c.require_count(2)) return;
    const t_window_info* w = find_open_window(c, c.param(0));
    if (!w) return;
    HWND wnd = reinterpret_cast<HWND>(w->hwnd);
    const std::string_view type = c.param(1);
    const auto is = [&](const char* name) { return cor::iequals_utf8(type, name); };
    const DWORD style = static_cast<DWORD>(GetWindowLongW(wnd, GWL_STYLE));
    for (const auto& bit : style_bits) {
        if (bit.bits == 0 || !is(bit.name)) continue;
        // Either caption bit counts as a caption.
        return yes_no(c, (style & bit.bits) != 0);
    }
    if (is("topmost")) return yes_no(c, (GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    if (is("zoomed")) return yes_no(c, IsZoomed(wnd));
    if (is("iconic")) return yes_no(c, IsIconic(wnd));
    const t_layered layered = layered_state(wnd);
    if (is("alpha")) return yes_no(c, layered.uses_alpha);
    if (is("colorkey")) return yes_no(c, layered.uses_key);
    c.set_found(true);
    if (is("alpha_value")) return c.write_int(layered.alpha);
    if (is("colorkey_value")) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%02x%02x%02x", GetRValue(layered.key),
                      GetGValue(layered.key), GetBValue(layered.key));
        return c.write(hex);
    }
    if (is("zorder")) {
        if (const int rank = stacking_rank(wnd); rank >= 0) c.write_int(rank);
        return;
    }
    c.set_found(false);
    c.fail(err_low, "%s: unknown type '%s'", {type});
}

// Converts one coordinate between client and screen.
template <BOOL(WINAPI* Convert)(HWND, LPPOINT)>
void convert_point(func_call& c) {
    if (!c.require_count(3)) return;
    const t_window_info* w = find_open_window(c, c.param(0));
    if (!w) return;
    const std::string_view axis = c.param(1);
    const bool x = cor::iequals_utf8(axis, "x");
    if (!x && !cor::iequals_utf8(axis, "y"))
        return c.fail(err_low, "%s: unknown type '%s'", {axis});
    const HWND wnd = reinterpret_cast<HWND>(w->hwnd);
    const t_display_scale scale = display_scale_of(wnd);
    const auto value = static_cast<LONG>(scale.to_screen(static_cast<int>(read_int(c.param(2)))));
    POINT p = x ? POINT{value, 0} : POINT{0, value};
    Convert(wnd, &p);
    c.write_int(scale.to_skin(static_cast<int>(x ? p.x : p.y)));
    c.set_found(true);
}

constexpr t_function_entry entries[] = {
    {"getwindowinfo", fn_getwindowinfo},
    {"clienttoscreen", convert_point<ClientToScreen>},
    {"screentoclient", convert_point<ScreenToClient>},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
