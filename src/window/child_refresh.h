// The refresh levels shared by panels and controls: each level adds one
// stronger way of making a child window show itself again.
#pragma once

#include <windows.h>

#include <cstdint>

namespace vesk {

// A child window's rectangle in its parent's client coordinates.
RECT rect_in_parent(HWND wnd);

// Level > 0 invalidates, > 1 repaints at once, > 2 re-applies the frame,
// > 3 sets the window again to its own rectangle, > 4 hides and shows it.
void refresh_child(HWND wnd, int64_t level);

}  // namespace vesk
