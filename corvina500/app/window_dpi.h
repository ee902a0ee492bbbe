// The player's own windows are laid out in 96-DPI pixels and scaled to the
// DPI of the monitor they stand on, so their text is sharp and fits.
#pragma once

#include <windows.h>

namespace cor {

// The DPI `wnd` is drawn at: a test's override, the monitor's where the
// platform tells it per window, the system's before that.
int window_dpi(HWND wnd);
// 0 gives the platform's answer back.
void set_window_dpi_override(int dpi);

inline int scale_px(int px, int dpi) { return MulDiv(px, dpi, 96); }

// The dialog text font at a DPI; the handle lives as long as the object.
class dpi_font {
public:
    dpi_font() = default;
    explicit dpi_font(int dpi) { make(dpi); }
    ~dpi_font();
    dpi_font(const dpi_font&) = delete;
    dpi_font& operator=(const dpi_font&) = delete;

    void make(int dpi);
    [[nodiscard]] HFONT get() const { return font_; }
    // Sets the font on every child of `parent`, grandchildren too.
    void apply_to_children(HWND parent) const;

private:
    HFONT font_ = nullptr;
};

// Moves `wnd` to the rectangle a WM_DPICHANGED suggests.
void take_suggested_rect(HWND wnd, LPARAM lp);

}  // namespace cor
