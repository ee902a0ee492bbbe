// A window's off-screen surface: a memory device context as large as the
// primary screen plus 100 pixels each way, with a GDI+ surface on it.
#pragma once

#include <windows.h>

#include <gdiplus.h>

#include <memory>

#include "host/gdi_handles.h"

namespace vesk {

class back_buffer {
public:
    back_buffer() = default;
    ~back_buffer() { release(); }
    back_buffer(const back_buffer&) = delete;
    back_buffer& operator=(const back_buffer&) = delete;

    // Makes (or remakes, after a screen size change) the buffer; false when
    // the platform refuses it, leaving no buffer.
    bool ensure();
    void release();
    // The screen's size is asked for again at the next `ensure`; every
    // top-level window hears of a display change.
    static void screen_changed();
    // Starts making the first window's buffer on a thread of its own, taken
    // by the next `ensure` at the same screen size; `finish_ahead` waits for
    // it (before the library may go).
    static void make_ahead();
    static void finish_ahead();

    [[nodiscard]] HDC dc() const { return dc_.get(); }
    [[nodiscard]] Gdiplus::Graphics* graphics() const { return graphics_.get(); }
    [[nodiscard]] int width() const { return width_; }
    [[nodiscard]] int height() const { return height_; }

private:
    // The bitmap is declared before the context it is selected into, and the
    // graphics last, so teardown order never frees a selected object first.
    unique_hbitmap bitmap_;
    unique_hdc dc_;
    HGDIOBJ old_bitmap_ = nullptr;
    std::unique_ptr<Gdiplus::Graphics> graphics_;
    int width_ = 0, height_ = 0;
};

}  // namespace vesk
