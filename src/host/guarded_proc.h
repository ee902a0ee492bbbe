// Nothing may cross a window procedure into the platform: a throw while a
// message is handled takes the message's default handling instead.
#pragma once

#include <windows.h>

namespace vesk {

template <class Handle>
LRESULT guarded_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, Handle&& handle) noexcept {
    try {
        return handle();
    } catch (...) {
        return DefWindowProcW(wnd, msg, wp, lp);
    }
}

}  // namespace vesk
