#include "window/fade.h"

#include <string_view>

#include "registry/window_registry.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"
#include "utf8.h"
#include "window/layered.h"
#include "window/script_window.h"

namespace vesk {

bool fade_advance(t_fade& f) {
    f.current += f.step;
    bool finished = false;
    if (f.current < 0) {
        f.current = 0;
        finished = true;
    } else if (f.current > 255) {
        f.current = 255;
        finished = true;
    } else if ((f.step < 0 && f.current <= f.target) || (f.step > 0 && f.current >= f.target)) {
        f.current = f.target;
        finished = true;
    }
    return finished;
}

void fade_tick(HWND wnd, t_fade& fade) {
    if (!fade.running()) {
        KillTimer(wnd, fade_timer_id);
        return;
    }
    const bool finished = fade_advance(fade);
    set_layered_alpha(wnd, static_cast<BYTE>(fade.current));
    if (!finished) return;
    KillTimer(wnd, fade_timer_id);
    fade.step = 0;
    switch (fade.end) {
        case fade_end::hide: {
            const size_t open = open_window_by_handle(reinterpret_cast<HWND__*>(wnd));
            if (open != no_window) open_windows()[open].visible = false;
            ShowWindow(wnd, SW_HIDE);
            break;
        }
        case fade_end::close:
            PostMessageW(wnd, WM_CLOSE, 0, 0);
            break;
        case fade_end::none:
            break;
    }
}

namespace {

// A whole signed decimal number, nothing else.
bool whole_number(std::string_view text) {
    size_t i = text.empty() || (text[0] != '-' && text[0] != '+') ? 0 : 1;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

void fn_fadewindow(func_call& c) {
    if (!c.require_count(5, 6)) return;
    t_window_info* w = find_open_window(c, c.param(0));
    if (!w) return;
    HWND wnd = reinterpret_cast<HWND>(w->hwnd);
    if ((GetWindowLongW(wnd, GWL_STYLE) & WS_CHILD) && GetParent(wnd)) {
        c.fail(err_low, "%s: window '%s' is embedded", {c.param(0)});
        return;
    }
    const auto level = [](std::string_view t, int64_t& v) {
        if (t.empty() || !whole_number(t)) return false;
        v = read_int(t);
        return v >= 0 && v <= 255;
    };
    int64_t start = 0, end = 0;
    if (!level(c.param(1), start)) return c.fail(err_low, "%s: invalid start");
    if (!level(c.param(2), end)) return c.fail(err_low, "%s: invalid end");
    const int64_t step = read_int(c.param(3));
    if (c.param(3).empty() || step < -255 || step > 255) return c.fail(err_low, "%s: invalid step");
    const int64_t msec = read_int(c.param(4));
    if (msec < 1) return c.fail(err_low, "%s: invalid msec");
    if (step == 0 || (step < 0 && start < end) || (step > 0 && end < start))
        return c.fail(err_low, "%s: invalid start,end,step");
    fade_end command = fade_end::none;
    if (c.count() == 6) {
        const std::string_view word = c.param(5);
        if (cor::iequals_utf8(word, "hide"))
            command = fade_end::hide;
        else if (cor::iequals_utf8(word, "close"))
            command = fade_end::close;
        else if (!cor::iequals_utf8(word, "none"))
            return c.fail(err_low, "%s: unknown cmd");
    }
    script_window* sw = script_window::from_handle(wnd);
    if (!sw || sw->fade.running()) return;
    sw->fade = {static_cast<int>(start), static_cast<int>(end), static_cast<int>(step), command};
    set_layered_alpha(wnd, static_cast<BYTE>(start));
    if (!w->visible) {
        w->visible = true;
        ShowWindow(wnd, SW_SHOW);
    }
    SetTimer(wnd, fade_timer_id, static_cast<UINT>(msec), nullptr);
    c.set_found(true);
}

constexpr t_function_entry entries[] = {{"fadewindow", fn_fadewindow}};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
