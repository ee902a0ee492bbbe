#include "window/layered.h"

namespace vesk {
namespace {

// Turns the style on; the attributes in force when it already was.
void make_layered(HWND wnd, BYTE& alpha, COLORREF& key, DWORD& flags) {
    const LONG ex = GetWindowLongW(wnd, GWL_EXSTYLE);
    alpha = 255;
    key = 0;
    flags = 0;
    if (ex & WS_EX_LAYERED) {
        if (!GetLayeredWindowAttributes(wnd, &key, &alpha, &flags)) flags = 0;
    } else {
        SetWindowLongW(wnd, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    }
}

}  // namespace

t_layered layered_state(HWND wnd) {
    t_layered s;
    if (!(GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_LAYERED)) return s;
    DWORD flags = 0;
    if (!GetLayeredWindowAttributes(wnd, &s.key, &s.alpha, &flags)) return {};
    s.layered = true;
    s.uses_alpha = flags & LWA_ALPHA;
    s.uses_key = flags & LWA_COLORKEY;
    // Without alpha in use the window shows opaque, whatever value is stored.
    if (!s.uses_alpha) s.alpha = 255;
    return s;
}

void set_layered_alpha(HWND wnd, BYTE alpha) {
    BYTE old_alpha;
    COLORREF key;
    DWORD flags;
    make_layered(wnd, old_alpha, key, flags);
    SetLayeredWindowAttributes(wnd, key, alpha, (flags & LWA_COLORKEY) | LWA_ALPHA);
}

void set_layered_key(HWND wnd, COLORREF key) {
    BYTE alpha;
    COLORREF old_key;
    DWORD flags;
    make_layered(wnd, alpha, old_key, flags);
    SetLayeredWindowAttributes(wnd, key, alpha, (flags & LWA_ALPHA) | LWA_COLORKEY);
}

void clear_layered(HWND wnd) {
    const LONG ex = GetWindowLongW(wnd, GWL_EXSTYLE);
    if (ex & WS_EX_LAYERED) SetWindowLongW(wnd, GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
}

}  // namespace vesk
