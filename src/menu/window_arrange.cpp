#include "menu/window_arrange.h"

#include <windows.h>

#include <algorithm>

#include "registry/window_list.h"
#include "registry/window_services.h"

namespace vesk {

std::vector<t_point> cascade_positions(t_extent screen, t_extent main, size_t count) {
    std::vector<t_point> out;
    t_point p{screen.cx / 2 - main.cx / 2, screen.cy / 2 - main.cy / 2};
    for (size_t i = 0; i < count; ++i) {
        out.push_back(p);
        p.x += 20;
        p.y += 20;
    }
    return out;
}

std::vector<t_point> tile_positions(t_extent screen, std::span<const t_extent> windows) {
    std::vector<t_point> out;
    int x = 0, y = 0, column_width = 0, width = 0, height = 0;
    for (const auto& w : windows) {
        out.push_back({x, y});
        y += w.cy;
        column_width = std::max(column_width, w.cx);
        width = std::max(width, x + w.cx);
        height = std::max(height, y);
        if (y > screen.cy / 2) {
            x += column_width;
            y = 0;
            column_width = 0;
        }
    }
    const int dx = (screen.cx - width) / 2, dy = (screen.cy - height) / 2;
    for (auto& p : out) {
        p.x += dx;
        p.y += dy;
    }
    return out;
}

namespace {

t_extent screen_extent() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

t_extent extent_of(HWND wnd) {
    RECT r{};
    GetWindowRect(wnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

// The open windows that stand on the desktop, in order of opening.
std::vector<t_window_info*> top_level_windows() {
    std::vector<t_window_info*> out;
    for (auto& w : open_windows())
        if (w.parent == cor::guid_null && w.hwnd) out.push_back(&w);
    return out;
}

void place(const std::vector<t_window_info*>& windows, const std::vector<t_point>& at) {
    for (size_t i = 0; i < windows.size() && i < at.size(); ++i) {
        windows[i]->visible = true;
        SetWindowPos(windows[i]->hwnd, nullptr, at[i].x, at[i].y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(windows[i]->hwnd, SW_SHOW);
    }
}

}  // namespace

void cascade_windows() {
    HWND main = main_window_handle();
    if (!main) return;
    const auto windows = top_level_windows();
    place(windows, cascade_positions(screen_extent(), extent_of(main), windows.size()));
}

void tile_windows() {
    const auto windows = top_level_windows();
    std::vector<t_extent> sizes;
    for (const auto* w : windows) sizes.push_back(extent_of(w->hwnd));
    place(windows, tile_positions(screen_extent(), sizes));
}

void bring_all_windows_to_top() {
    for (const auto& w : open_windows())
        if (w.hwnd) BringWindowToTop(w.hwnd);
}

}  // namespace vesk
