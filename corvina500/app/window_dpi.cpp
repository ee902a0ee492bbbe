#include "app/window_dpi.h"

namespace cor {
namespace {

int& dpi_override() {
    static int dpi = 0;
    return dpi;
}

// Fixed for the process's life; the stock fonts are made for it.
int system_dpi() {
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int d = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) ReleaseDC(nullptr, screen);
        return d > 0 ? d : 96;
    }();
    return dpi;
}

}  // namespace

int window_dpi(HWND wnd) {
    if (dpi_override() > 0) return dpi_override();
    // Asked by name: systems before per-monitor scaling have only the system's DPI.
    using dpi_for_window_t = UINT(WINAPI*)(HWND);
    static const auto fn = reinterpret_cast<dpi_for_window_t>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (fn && wnd)
        if (const auto dpi = static_cast<int>(fn(wnd)); dpi > 0) return dpi;
    return system_dpi();
}

void set_window_dpi_override(int dpi) { dpi_override() = dpi; }

dpi_font::~dpi_font() {
    if (font_) DeleteObject(font_);
}

void dpi_font::make(int dpi) {
    // The stock dialog font, sized for `dpi` instead of the system's.
    LOGFONTW lf{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfHeight = MulDiv(lf.lfHeight, dpi, system_dpi());
    lf.lfWidth = MulDiv(lf.lfWidth, dpi, system_dpi());
    HFONT made = CreateFontIndirectW(&lf);
    if (!made) return;
    if (font_) DeleteObject(font_);
    font_ = made;
}

void dpi_font::apply_to_children(HWND parent) const {
    if (!font_) return;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM font) {
            SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(font_));
}

void take_suggested_rect(HWND wnd, LPARAM lp) {
    const RECT* r = reinterpret_cast<const RECT*>(lp);
    if (!r) return;
    SetWindowPos(wnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace cor
