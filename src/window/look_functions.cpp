// $bgcolor, $bgmode, $transwindow, $animatewindow: how a window's surface
// looks and how it appears or goes.
#include <windows.h>

#include "object/grammar/values.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"
#include "utf8.h"
#include "window/layered.h"
#include "window/window_target.h"

namespace vesk {
namespace {

bool read_colour(std::string_view text, COLORREF& out) {
    grammar::colour colour;
    if (!grammar::parse_colour(text, colour)) return false;
    out = grammar::gdi_colour(colour);
    return true;
}

void fn_bgcolor(func_call& c) {
    if (!c.require_count(1, 2)) return;
    const t_window_target t = find_target(c, c.param(0));
    if (!t) return;
    t_background& bg = t.window->background;
    if (c.count() == 2) {
        COLORREF colour;
        if (!read_colour(c.param(1), colour)) return c.fail(err_low, "%s: invalid color");
        bg.color = colour;
        bg.fill = true;
        c.set_found(true);
    } else {
        // Back to white; found stays false.
        bg.color = RGB(255, 255, 255);
    }
    InvalidateRect(t.wnd(), nullptr, TRUE);
}

void fn_bgmode(func_call& c) {
    if (!c.require_count(2)) return;
    const t_window_target t = find_target(c, c.param(0));
    if (!t) return;
    const std::string_view mode = c.param(1);
    t_background& bg = t.window->background;
    if (cor::iequals_utf8(mode, "color")) {
        bg.mode = 0;
    } else if (cor::iequals_utf8(mode, "transparent")) {
        bg.mode = 1;
    } else if (const auto alpha = option_value(mode, "alpha")) {
        bg.mode = 2;
        bg.alpha = static_cast<BYTE>(read_int(*alpha) & 0xFF);
    } else {
        return c.fail(err_low, "%s: unknown mode '%s'", {mode});
    }
    c.set_found(true);
}

void fn_transwindow(func_call& c) {
    if (!c.require_at_least(1)) return;
    const t_window_target t = find_target(c, c.param(0));
    if (!t) return;
    HWND wnd = t.wnd();
    for (size_t i = 1; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (const auto alpha = option_value(p, "alpha")) {
            const int64_t n = read_int(*alpha);
            if (n < 1)
                clear_layered(wnd);
            else
                set_layered_alpha(wnd, static_cast<BYTE>(n & 0xFF));
        } else if (const auto key = option_value(p, "colorkey")) {
            if (key->empty()) {
                clear_layered(wnd);
                continue;
            }
            COLORREF colour;
            if (!read_colour(*key, colour)) return c.fail(err_low, "%s: invalid color");
            set_layered_key(wnd, colour);
        }
    }
    c.set_found(true);
}

constexpr struct {
    const char* word;
    DWORD flag;
} animate_flags[] = {
    {"slide", AW_SLIDE},
    {"activate", AW_ACTIVATE},
    {"blend", AW_BLEND},
    {"hide", AW_HIDE},
    {"center", AW_CENTER},
    {"hpositive", AW_HOR_POSITIVE},
    {"hnegative", AW_HOR_NEGATIVE},
    {"vpositive", AW_VER_POSITIVE},
    {"vnegative", AW_VER_NEGATIVE},
};

void fn_animatewindow(func_call& c) {
    if (!c.require_at_least(2)) return;
    const t_window_target t = find_target(c, c.param(0));
    if (!t) return;
    const auto duration = static_cast<DWORD>(read_unsigned(c.param(1)));
    DWORD flags = 0;
    for (size_t i = 2; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        DWORD flag = 0;
        for (const auto& f : animate_flags)
            if (cor::iequals_utf8(p, f.word)) flag = f.flag;
        if (!flag) return c.unknown_option(p);
        flags |= flag;
    }
    HWND wnd = t.wnd();
    if (AnimateWindow(wnd, duration, flags)) {
        // The animation's own messages may have run scripts that opened windows.
        const bool hide = flags & AW_HIDE;
        const size_t open = open_window_by_handle(reinterpret_cast<HWND__*>(wnd));
        if (open != no_window) open_windows()[open].visible = !hide;
        ShowWindow(wnd, hide ? SW_HIDE : SW_SHOW);
    }
    c.set_found(true);
}

constexpr t_function_entry entries[] = {
    {"bgcolor", fn_bgcolor},
    {"bgmode", fn_bgmode},
    {"transwindow", fn_transwindow},
    {"animatewindow", fn_animatewindow},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
