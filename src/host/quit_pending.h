// Whether the thread's quit message waits in its queue: the player is
// ending its run, and a menu or box opened now would hold that up.
#pragma once

#include <windows.h>

namespace vesk {

inline bool quit_pending() {
    MSG msg;
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

}  // namespace vesk
