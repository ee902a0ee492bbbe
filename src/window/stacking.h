// Where the open script windows stand in the platform's stacking order of
// top-level windows, from the top.
#pragma once

#include <windows.h>

#include <vector>

namespace vesk {

// The open script windows met walking the top-level windows from the top
// (the desktop's top child, then each next one). Child windows are never met.
std::vector<HWND> script_windows_from_top();

// The rank of `wnd` in that walk, 0 for the topmost; -1 when not met.
int stacking_rank(HWND wnd);

}  // namespace vesk
