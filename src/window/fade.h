// $fadewindow: a window's layered alpha stepped by the window's timer 100
// until it reaches its target, then an optional end command. One step costs
// one SetLayeredWindowAttributes call; the back buffer is never repainted.
#pragma once

#include <windows.h>

namespace vesk {

inline constexpr UINT_PTR fade_timer_id = 100;

enum class fade_end { none, hide, close };

struct t_fade {
    int current = 0, target = 0;
    int step = 0;  // 0: no fade running
    fade_end end = fade_end::none;
    [[nodiscard]] bool running() const { return step != 0; }
};

// Moves the alpha one step; true when the fade has reached its end.
bool fade_advance(t_fade& fade);

// One tick of timer 100 on `wnd`: the next alpha applied; at the end the
// timer stops and the end command runs.
void fade_tick(HWND wnd, t_fade& fade);

}  // namespace vesk
