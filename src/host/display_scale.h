// Skin pixels and screen pixels. A skin's numbers are pixels at 96 DPI; a
// script window shows them at the DPI of its monitor, so that a skin
// written once looks the same, and sharp, at every display scale. At 96
// DPI the two are the same and nothing is converted.
#pragma once

#include <windows.h>

#include <gdiplus.h>

namespace vesk {

inline constexpr int skin_dpi = 96;
// Sent to child windows after their parent's DPI changed; named here as
// the headers name it only for newer systems than the ones we build for.
inline constexpr UINT dpi_changed_after_parent = 0x02E3;

// What fonts are sized for: skin pixels, the screen's DPI coming in through
// the drawing's scale (once); with scaling off, the screen's own DPI.
int font_dpi();

// Which way a conversion goes.
enum class toward { screen, skin };

struct t_display_scale {
    int dpi = 96;

    [[nodiscard]] bool scaled() const { return dpi != 96; }
    [[nodiscard]] double factor() const { return dpi / 96.0; }
    // A length or a position on the screen, rounded to the nearest pixel.
    [[nodiscard]] int to_screen(int skin) const { return scaled() ? MulDiv(skin, dpi, 96) : skin; }
    [[nodiscard]] int to_skin(int screen) const {
        return scaled() ? MulDiv(screen, 96, dpi) : screen;
    }
    [[nodiscard]] int to(toward way, int v) const {
        return way == toward::screen ? to_screen(v) : to_skin(v);
    }
    // A rectangle on the screen that covers every pixel the skin's touches.
    [[nodiscard]] RECT to_screen(const RECT& skin) const;
    [[nodiscard]] RECT to_skin(const RECT& screen) const;
    [[nodiscard]] POINT to_screen(POINT skin) const {
        return {to_screen(static_cast<int>(skin.x)), to_screen(static_cast<int>(skin.y))};
    }
    [[nodiscard]] POINT to_skin(POINT screen) const {
        return {to_skin(static_cast<int>(screen.x)), to_skin(static_cast<int>(screen.y))};
    }
};

// A window's frame (title bar, borders, menu) as a share of its outer
// size: what it is at 96 DPI, and on the screen, where the platform draws
// it at the window's own DPI. A skin's window sizes are outer sizes at 96
// DPI; scaled, the client area is the skin's client area scaled and the
// frame the platform's.
struct t_frame {
    SIZE at_96{0, 0};
    SIZE on_screen{0, 0};

    // An outer size converted: the frame of one side off, the other's on.
    [[nodiscard]] SIZE outer(const t_display_scale& s, SIZE size, toward way) const;
};

// The frame of a window of these styles shown at the platform's `dpi`, or
// of the window `wnd` as it stands.
t_frame frame_for(DWORD style, DWORD ex_style, bool menu, int dpi);
t_frame frame_of(HWND wnd);

// A window's place converted: positions scaled, sizes as above.
RECT outer_rect(const t_display_scale& scale, const t_frame& frame, const RECT& r, toward way);
WINDOWPLACEMENT placement(const t_display_scale& scale, const t_frame& frame, WINDOWPLACEMENT wp,
                          toward way);

// Screen pixels again on `dc` while it lives, inside a drawing in skin
// pixels: for what copies the back buffer as it is.
class screen_pixels_scope {
public:
    explicit screen_pixels_scope(HDC dc);
    ~screen_pixels_scope();
    screen_pixels_scope(const screen_pixels_scope&) = delete;
    screen_pixels_scope& operator=(const screen_pixels_scope&) = delete;

private:
    HDC dc_ = nullptr;
    XFORM saved_{};
};

// The DPI a window is shown at: its monitor's, as the platform tells it to
// a per-monitor aware process, else the system's; 96 when the profile
// turns scaling off.
t_display_scale scale_of_window(HWND wnd);
// The DPI the platform shows `wnd` at (or the system's), whatever tests
// ask scripts to see.
int platform_dpi_of(HWND wnd);
// The monitor's DPI whether or not the skin is scaled: what a skin that
// draws its own way picks its assets by.
int screen_dpi_of(HWND wnd);

// Tests show windows at a DPI of their choosing (0: the platform's again).
void set_dpi_override(int dpi);

// Draws in skin pixels on `dc` and `graphics` while it lives: GDI through
// the context's world transform, GDI+ through the surface's own (the GDI+
// surface must have been made before, so that it does not take the
// context's transform as well). Nothing is set at 96 DPI.
class skin_drawing_scope {
public:
    skin_drawing_scope(HDC dc, Gdiplus::Graphics* graphics, const t_display_scale& scale);
    ~skin_drawing_scope();
    skin_drawing_scope(const skin_drawing_scope&) = delete;
    skin_drawing_scope& operator=(const skin_drawing_scope&) = delete;

private:
    HDC dc_ = nullptr;
    Gdiplus::Graphics* graphics_ = nullptr;
    Gdiplus::GraphicsState graphics_state_ = 0;
    int saved_ = 0;
};

}  // namespace vesk
