#include "config/read_only_box.h"

#include <commctrl.h>

namespace vesk {
namespace {

constexpr UINT_PTR subclass_id = 0x5245;  // one per control

bool control_down() { return GetKeyState(VK_CONTROL) < 0; }

LRESULT CALLBACK box_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    switch (msg) {
        case WM_KEYDOWN:
            if (control_down() && wp == 'A') {
                SendMessageW(wnd, EM_SETSEL, 0, -1);
                return 0;
            }
            if (control_down() && (wp == 'C' || wp == VK_INSERT)) {
                SendMessageW(wnd, WM_COPY, 0, 0);
                return 0;
            }
            break;
        case WM_CHAR:
            // The characters Ctrl+A and Ctrl+C make were acted on above.
            if (wp == 1 || wp == 3) return 0;
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(wnd, &box_proc, subclass_id);
            break;
        default:
            break;
    }
    return DefSubclassProc(wnd, msg, wp, lp);
}

}  // namespace

bool make_copyable(HWND edit) { return edit && SetWindowSubclass(edit, &box_proc, subclass_id, 0); }

}  // namespace vesk
