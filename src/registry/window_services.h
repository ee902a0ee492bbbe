// What other subsystems need of open script windows, without knowing the
// window procedure: the main window, event identities, and the back
// buffer with its background painting.
#pragma once

#include <windows.h>

#include <gdiplus.h>

#include "guid.h"
#include "host/display_scale.h"

namespace vesk {

// The open main window, or null.
HWND main_window_handle();

// Event numbers of window scripts.
enum window_event : int { ev_load = 1, ev_open, ev_close, ev_resize, ev_move, ev_activate };

// The identity of event `event` (0..6) of the open window of definition
// `window_id`: what a running event script carries as its script identity.
// Null when the window is not open.
cor::guid window_event_identity(const cor::guid& window_id, int event);

// The painting side of an open script window.
class window_paint_target {
public:
    // The back buffer (as large as the screen plus 100 in each direction)
    // and a GDI+ surface on it; null when it could not be made.
    virtual HDC back_buffer_dc() = 0;
    virtual Gdiplus::Graphics* back_buffer_graphics() = 0;
    // Paints the window's background, limited to `area`, into `dc`.
    virtual void paint_background(HDC dc, const RECT& area) = 0;
    // Whether that background covers its area in one opaque colour.
    [[nodiscard]] virtual bool background_opaque() const = 0;
    // Background and all objects into the back buffer; does not invalidate.
    virtual void redraw(bool full) = 0;
    // A control identifier no object of this window uses yet.
    virtual int next_control_id() = 0;
    // The colour the window's background is filled with.
    virtual COLORREF background_colour() const = 0;
    // How the window's skin pixels map to its screen pixels (and its back
    // buffer's): objects are placed and drawn in skin pixels.
    virtual t_display_scale display_scale() const = 0;

protected:
    ~window_paint_target() = default;
};

// Null when `wnd` is not an open script window.
window_paint_target* paint_target_of(HWND wnd);

// The scale of the script window `wnd` (its controls take it), or of any
// other window as the platform gives it.
t_display_scale display_scale_of(HWND wnd);

}  // namespace vesk
