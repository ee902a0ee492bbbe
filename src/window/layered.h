// A window's layered attributes: alpha and colour key set one at a time,
// each keeping the other, as $transwindow and $fadewindow change them.
#pragma once

#include <windows.h>

namespace vesk {

struct t_layered {
    bool layered = false;
    bool uses_alpha = false, uses_key = false;
    BYTE alpha = 0;    // 0 when not layered, 255 when layered without alpha
    COLORREF key = 0;  // 0 when not layered
};

t_layered layered_state(HWND wnd);

// Layered style on, this alpha (255 opaque).
void set_layered_alpha(HWND wnd, BYTE alpha);
// Layered style on, this colour transparent.
void set_layered_key(HWND wnd, COLORREF key);
// Layered style off.
void clear_layered(HWND wnd);

}  // namespace vesk
