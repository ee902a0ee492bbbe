#include "window_dpi.h"

#ifdef _WIN32

namespace cor {

int system_dpi() {
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int d = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) ReleaseDC(nullptr, screen);
        return d > 0 ? d : 96;
    }();
    return dpi;
}

int monitor_dpi_of(HWND wnd) {
    using dpi_for_window_t = UINT(WINAPI*)(HWND);
    static const auto fn = reinterpret_cast<dpi_for_window_t>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (fn && wnd)
        if (const auto dpi = static_cast<int>(fn(wnd)); dpi > 0) return dpi;
    return system_dpi();
}

}  // namespace cor

#endif
