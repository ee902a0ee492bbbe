#include "window/stacking.h"

#include "registry/window_registry.h"

namespace vesk {

std::vector<HWND> script_windows_from_top() {
    std::vector<HWND> out;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
        if (open_window_by_handle(reinterpret_cast<HWND__*>(w)) != no_window) out.push_back(w);
    return out;
}

int stacking_rank(HWND wnd) {
    const auto order = script_windows_from_top();
    for (size_t i = 0; i < order.size(); ++i)
        if (order[i] == wnd) return static_cast<int>(i);
    return -1;
}

}  // namespace vesk
