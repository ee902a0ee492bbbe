#include "app/window_dpi.h"

#include "sdk/window_dpi.h"

namespace cor {
namespace {

int& dpi_override() {
    static int dpi = 0;
    return dpi;
}

}  // namespace

int window_dpi(HWND wnd) { return dpi_override() > 0 ? dpi_override() : monitor_dpi_of(wnd); }

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
