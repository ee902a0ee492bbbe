// A script window's own use of the mouse, before its objects see it: the
// border that resizes it, the drag that moves it, and files dropped on it,
// which go to the end of the active playlist.
#include <windows.h>

#include <shellapi.h>
#include <windowsx.h>

#include <string>
#include <vector>

#include "host/host_services.h"
#include "utf8.h"
#include "window/object_routing.h"
#include "window/placement_math.h"
#include "window/script_window.h"

namespace vesk {
namespace {

bool is_child(HWND wnd) { return (GetWindowLongW(wnd, GWL_STYLE) & WS_CHILD) != 0; }

}  // namespace

void script_window::on_drop_files(HDROP drop) {
    std::vector<std::string> paths;
    const UINT n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < n; ++i) {
        const UINT len = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(len + 1, L'\0');
        DragQueryFileW(drop, i, path.data(), len + 1);
        path.resize(len);
        paths.push_back(cor::to_utf8(path));
    }
    DragFinish(drop);
    cor::playlist_manager* pm = host::playlists();
    if (!pm || paths.empty()) return;
    const size_t active = pm->get_active_playlist();
    if (active == cor::no_index) return;
    std::vector<const char*> ptrs;
    std::vector<size_t> lengths;
    for (const auto& p : paths) {
        ptrs.push_back(p.c_str());
        lengths.push_back(p.size());
    }
    (void)pm->playlist_insert_locations(active, pm->playlist_get_item_count(active), ptrs.data(),
                                        lengths.data(), ptrs.size(), true);
}

LRESULT script_window::on_mouse_move(WPARAM wp, LPARAM lp) {
    // The border's widths are skin pixels, and so is what the objects see.
    const LPARAM skin = skin_point(lp);
    const int x = GET_X_LPARAM(skin), y = GET_Y_LPARAM(skin);
    RECT cr;
    GetClientRect(wnd_, &cr);
    cr = scale_.to_skin(cr);
    const border_zone zone = hit_zone(border, cr.right, cr.bottom, x, y);
    if (resizing_ == border_zone::none) {
        LPCWSTR cursor = IDC_ARROW;
        switch (zone) {
            case border_zone::left:
            case border_zone::right:
                cursor = IDC_SIZEWE;
                break;
            case border_zone::top:
            case border_zone::bottom:
                cursor = IDC_SIZENS;
                break;
            case border_zone::top_left:
            case border_zone::bottom_right:
                cursor = IDC_SIZENWSE;
                break;
            case border_zone::top_right:
            case border_zone::bottom_left:
                cursor = IDC_SIZENESW;
                break;
            case border_zone::none:
                break;
        }
        SetCursor(LoadCursorW(nullptr, cursor));
        if (object_routing::mouse(id_, wnd_, WM_MOUSEMOVE, wp, skin))
            return DefWindowProcW(wnd_, WM_MOUSEMOVE, wp, lp);
    }
    if (wp == MK_LBUTTON || resizing_ != border_zone::none) {
        if (resizing_ == border_zone::none && zone != border_zone::none) {
            resizing_ = zone;
            SetCapture(wnd_);
        } else if (resizing_ != border_zone::none) {
            POINT p;
            GetCursorPos(&p);
            RECT wr;
            GetWindowRect(wnd_, &wr);
            const t_rect r =
                resize_rect(border, resizing_, {wr.left, wr.top, wr.right, wr.bottom}, p.x, p.y);
            POINT origin{r.left, r.top};
            if (is_child(wnd_)) ScreenToClient(GetParent(wnd_), &origin);
            MoveWindow(wnd_, origin.x, origin.y, r.right - r.left, r.bottom - r.top, TRUE);
        }
    }
    return DefWindowProcW(wnd_, WM_MOUSEMOVE, wp, lp);
}

LRESULT script_window::on_lbutton_down(WPARAM wp, LPARAM lp) {
    const LPARAM skin = skin_point(lp);
    if (resizing_ == border_zone::none) {
        RECT cr;
        GetClientRect(wnd_, &cr);
        cr = scale_.to_skin(cr);
        const border_zone zone =
            hit_zone(border, cr.right, cr.bottom, GET_X_LPARAM(skin), GET_Y_LPARAM(skin));
        if (zone != border_zone::none) {
            resizing_ = zone;
            SetCapture(wnd_);
            return 0;
        }
        if (drag) {
            HWND root = GetAncestor(wnd_, GA_ROOT);
            if (root && !IsIconic(root) && !IsZoomed(root))
                PostMessageW(root, WM_SYSCOMMAND, 0xF012, 0);
        }
    }
    if (object_routing::mouse(id_, wnd_, WM_LBUTTONDOWN, wp, skin)) return 0;
    return DefWindowProcW(wnd_, WM_LBUTTONDOWN, wp, lp);
}

}  // namespace vesk
