#include "window/child_refresh.h"

#include "host/invalidation.h"

namespace vesk {

RECT rect_in_parent(HWND wnd) {
    RECT r{};
    GetWindowRect(wnd, &r);
    MapWindowPoints(nullptr, GetParent(wnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void refresh_child(HWND wnd, int64_t level) {
    if (level > 0) InvalidateRect(wnd, nullptr, TRUE);
    if (level > 1) {
        send_pending_invalidations();
        UpdateWindow(wnd);
    }
    if (level > 2)
        SetWindowPos(wnd, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    if (level > 3) {
        const RECT r = rect_in_parent(wnd);
        SetWindowPos(wnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_FRAMECHANGED);
    }
    if (level > 4) {
        ShowWindow(wnd, SW_HIDE);
        ShowWindow(wnd, SW_SHOW);
    }
}

}  // namespace vesk
