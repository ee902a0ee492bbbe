// $title, $titlebar, $taskbar, $style: a window's title and frame styles.
#include <windows.h>

#include <optional>

#include "registry/window_registry.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"
#include "utf8.h"
#include "window/style_bits.h"

namespace vesk {
namespace {

constexpr UINT keep_place = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;

HWND handle(const t_window_info& w) { return reinterpret_cast<HWND>(w.hwnd); }

// A zero read that the platform reports as a failure (zero alone can be a
// real extended style).
std::optional<LONG> read_long(func_call& c, HWND wnd, int index) {
    SetLastError(0);
    const LONG v = GetWindowLongW(wnd, index);
    if (v == 0 && GetLastError() != 0) {
        c.fail(err_middle, "%s: failure GetWindowLong");
        return std::nullopt;
    }
    return v;
}

bool write_long(func_call& c, HWND wnd, int index, LONG value) {
    SetLastError(0);
    if (SetWindowLongW(wnd, index, value) == 0 && GetLastError() != 0) {
        c.fail(err_middle, "%s: failure SetWindowLong");
        return false;
    }
    return true;
}

void fn_title(func_call& c) {
    if (!c.require_at_least(2)) return;
    const t_window_info* w = find_open_window(c, c.param(0));
    if (!w) return;
    SetWindowTextW(handle(*w), cor::to_wide(c.param(1)).c_str());
    c.set_found(true);
}

void fn_titlebar(func_call& c) {
    if (!c.require_count(2)) return;
    const t_window_info* w = find_open_window(c, c.param(0));
    if (!w) return;
    HWND wnd = handle(*w);
    const auto style = read_long(c, wnd, GWL_STYLE);
    if (!style) return;
    const LONG changed = read_bool(c.param(1)) ? (*style | WS_CAPTION) : (*style & ~WS_CAPTION);
    if (!write_long(c, wnd, GWL_STYLE, changed)) return;
    // Frame changed too, so the caption appears or goes at once.
    SetWindowPos(wnd, nullptr, 0, 0, 0, 0, keep_place | SWP_FRAMECHANGED);
    c.set_found(true);
}

void fn_taskbar(func_call& c) {
    if (!c.require_count(2)) return;
    const t_window_info* w = find_open_window(c, c.param(0));
    if (!w) return;
    HWND wnd = handle(*w);
    const auto ex = read_long(c, wnd, GWL_EXSTYLE);
    if (!ex) return;
    // The taskbar takes a changed button only from a hidden window.
    SetWindowPos(wnd, nullptr, 0, 0, 0, 0, keep_place | SWP_HIDEWINDOW);
    const LONG changed = read_bool(c.param(1)) ? ((*ex & ~WS_EX_TOOLWINDOW) | WS_EX_APPWINDOW)
                                               : ((*ex & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
    const bool written = write_long(c, wnd, GWL_EXSTYLE, changed);
    SetWindowPos(wnd, nullptr, 0, 0, 0, 0, keep_place | (w->visible ? SWP_SHOWWINDOW : 0));
    c.set_found(written);
}

// The insert-after handle of a "zorder:" word, null for "top" (no change);
// false for an unknown word.
bool zorder_word(std::string_view word, HWND& after) {
    static const struct {
        const char* name;
        HWND after;
    } words[] = {{"topmost", HWND_TOPMOST}, {"notopmost", HWND_NOTOPMOST}, {"bottom", HWND_BOTTOM}};
    for (const auto& w : words) {
        if (cor::iequals_utf8(word, w.name)) {
            after = w.after;
            return true;
        }
    }
    if (!cor::iequals_utf8(word, "top")) return false;
    after = nullptr;
    return true;
}

void fn_style(func_call& c) {
    if (!c.require_at_least(1)) return;
    const t_window_info* w = find_open_window(c, c.param(0));
    if (!w) return;
    HWND wnd = handle(*w);
    LONG style = GetWindowLongW(wnd, GWL_STYLE);
    LONG ex = GetWindowLongW(wnd, GWL_EXSTYLE);
    const bool child = style & WS_CHILD;
    HWND after = nullptr;  // null: no change in the stacking order
    for (size_t i = 1; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (cor::stricmp_utf8_partial(p, "clear") == 0) {
            style = child ? (WS_CHILD | WS_VISIBLE) : WS_VISIBLE;
            ex = WS_EX_ACCEPTFILES;
            after = HWND_NOTOPMOST;
            continue;
        }
        bool known = false;
        for (const auto& bit : style_bits) {
            const auto v = option_value(p, bit.name);
            if (!v) continue;
            known = true;
            style = read_bool(*v) ? (style | static_cast<LONG>(bit.bits))
                                  : (style & ~static_cast<LONG>(bit.bits));
            break;
        }
        if (known) continue;
        const auto z = option_value(p, "zorder");
        if (!z || !zorder_word(*z, after)) return c.unknown_option(p);
    }
    if (!w->visible) style &= ~WS_VISIBLE;
    SetWindowLongW(wnd, GWL_STYLE, style);
    SetWindowLongW(wnd, GWL_EXSTYLE, ex);
    constexpr UINT frame = SWP_NOSIZE | SWP_NOMOVE | SWP_FRAMECHANGED;
    if (!after)
        SetWindowPos(wnd, nullptr, 0, 0, 0, 0, frame | SWP_NOZORDER);
    else  // a child window's stacking is never changed
        SetWindowPos(wnd, after, 0, 0, 0, 0,
                     frame | SWP_NOOWNERZORDER | (child ? SWP_NOZORDER : 0));
    c.set_found(true);
}

constexpr t_function_entry entries[] = {
    {"title", fn_title},
    {"titlebar", fn_titlebar},
    {"taskbar", fn_taskbar},
    {"style", fn_style},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
