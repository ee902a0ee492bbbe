#include "control/map_object.h"

#include <windowsx.h>

#include "host/settings.h"
#include "registry/window_services.h"
#include "script/preprocessor.h"
#include "script/script_run.h"
#include "script/tf_hook.h"

namespace vesk::object {

const std::array<const char*, map_object::script_count> map_object::option_names{"over",
                                                                                 "out",
                                                                                 "lbuttondown",
                                                                                 "lbuttonup",
                                                                                 "lbuttondblclk",
                                                                                 "rbuttondown",
                                                                                 "rbuttonup",
                                                                                 "rbuttondblclk",
                                                                                 "mbuttondown",
                                                                                 "mbuttonup",
                                                                                 "mbuttondblclk",
                                                                                 "xbutton1down",
                                                                                 "xbutton1up",
                                                                                 "xbutton1dblclk",
                                                                                 "xbutton2down",
                                                                                 "xbutton2up",
                                                                                 "xbutton2dblclk",
                                                                                 "wheel",
                                                                                 "move"};

bool map_object::add_shape(HRGN shape) {
    unique_hrgn added(shape);
    if (!added) return false;
    if (!area_) {
        area_ = std::move(added);
        return true;
    }
    const int result = CombineRgn(area_.get(), area_.get(), added.get(), RGN_OR);
    if (result == ERROR) return false;
    if (result == NULLREGION) area_.reset();
    return true;
}

bool map_object::hit_test(int32_t x, int32_t y) { return area_ && PtInRegion(area_.get(), x, y); }

bool map_object::get_rect(RECT& r) {
    if (!area_) return false;
    RECT box;
    if (GetRgnBox(area_.get(), &box) == NULLREGION) return false;
    r = {box.left, box.top, box.right - 1, box.bottom - 1};
    return true;
}

bool map_object::on_mouse(HWND wnd, int state, UINT message, WPARAM wp, LPARAM lp) {
    HWND root = GetAncestor(wnd, GA_ROOT);
    const bool root_free = root && !IsIconic(root) && !IsZoomed(root);
    // The drag moves the window in screen pixels; the point comes in skin pixels.
    POINT screen = display_scale_of(wnd).to_screen(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    ClientToScreen(wnd, &screen);
    size_t slot = script_count;
    bool answer = false;
    const auto xbutton = [&](size_t first) {
        const WORD which = HIWORD(wp);
        if (which == 1) return first;
        if (which == 2) return first + 3;
        return static_cast<size_t>(script_count);
    };
    switch (message) {
        case WM_MOUSEMOVE:
            if (state == 1) {
                slot = s_over;
            } else if (state == 0) {
                slot = s_out;
            } else {
                slot = s_move;
                if (drag && (wp & MK_LBUTTON) && root_free) {
                    SetWindowPos(root, HWND_TOP, screen.x - drag_offset_.x,
                                 screen.y - drag_offset_.y, 0, 0, SWP_NOSIZE);
                    answer = true;
                }
            }
            break;
        case WM_LBUTTONDOWN:
            slot = s_lbuttondown;
            if (root) SetForegroundWindow(root);
            if (drag && root_free) {
                RECT r;
                GetWindowRect(root, &r);
                drag_offset_ = {screen.x - r.left, screen.y - r.top};
                answer = true;
            }
            break;
        case WM_LBUTTONUP:
            slot = s_lbuttonup;
            break;
        case WM_LBUTTONDBLCLK:
            slot = s_lbuttondblclk;
            break;
        case WM_RBUTTONDOWN:
            slot = s_rbuttondown;
            break;
        case WM_RBUTTONUP:
            slot = s_rbuttonup;
            break;
        case WM_RBUTTONDBLCLK:
            slot = s_rbuttondblclk;
            break;
        case WM_MBUTTONDOWN:
            slot = s_mbuttondown;
            break;
        case WM_MBUTTONUP:
            slot = s_mbuttonup;
            break;
        case WM_MBUTTONDBLCLK:
            slot = s_mbuttondblclk;
            break;
        case WM_XBUTTONDOWN:
            slot = xbutton(s_xbutton1down);
            break;
        case WM_XBUTTONUP:
            slot = xbutton(s_xbutton1up);
            break;
        case WM_XBUTTONDBLCLK:
            slot = xbutton(s_xbutton1dblclk);
            break;
        case WM_MOUSEWHEEL:
            slot = s_wheel;
            break;
        default:
            return false;
    }
    if (slot < script_count && !scripts[slot].empty()) run(slot, wnd, message, wp, lp);
    return answer;
}

void map_object::run(size_t slot, HWND wnd, UINT message, WPARAM wp, LPARAM lp) {
    field_list vars;
    const auto flag = [&](const char* name, WPARAM bit) {
        const bool on = (LOWORD(wp) & bit) != 0;
        vars.push_back({name, on ? "1" : "0", true, false});
    };
    if (message == WM_MOUSEWHEEL)
        vars.push_back(
            {"_wheel", std::to_string(static_cast<short>(HIWORD(wp)) / 120), true, false});
    flag("_lbutton", MK_LBUTTON);
    flag("_rbutton", MK_RBUTTON);
    flag("_mbutton", MK_MBUTTON);
    flag("_xbutton1", MK_XBUTTON1);
    flag("_xbutton2", MK_XBUTTON2);
    flag("_shiftkey", MK_SHIFT);
    flag("_ctrlkey", MK_CONTROL);
    // Both in skin pixels, as the window's own place is told to scripts.
    const t_display_scale scale = display_scale_of(wnd);
    POINT client{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    POINT screen = scale.to_screen(client);
    ClientToScreen(wnd, &screen);
    screen = scale.to_skin(screen);
    vars.push_back({"_mouse_cx", std::to_string(client.x), true, false});
    vars.push_back({"_mouse_cy", std::to_string(client.y), true, false});
    vars.push_back({"_mouse_sx", std::to_string(screen.x), true, false});
    vars.push_back({"_mouse_sy", std::to_string(screen.y), true, false});

    t_script_context context;
    context.wnd = reinterpret_cast<HWND__*>(wnd);
    context.window_id = parent;
    // The object may be removed by its own script: keep the text.
    const std::string script = prepare_script(scripts[slot], trim_mode());
    vesk_tf_hook hook(context, &vars);
    (void)run_script(script, hook);
}

}  // namespace vesk::object
