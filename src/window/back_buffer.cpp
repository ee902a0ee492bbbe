#include "window/back_buffer.h"

#include <algorithm>
#include <cstdint>
#include <thread>
#include <utility>

namespace vesk {
namespace {

// Asking the system for the screen's size costs a round trip to the
// window server under Wine (about 0.1 ms): it is asked once, and again
// after a display change.
SIZE& known_screen() {
    static SIZE size{0, 0};
    return size;
}

SIZE screen_size() {
    SIZE& s = known_screen();
    if (s.cx <= 0 || s.cy <= 0) s = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return s;
}

// A section in the screen's format, described by its colour masks (see
// make_section). Made for a window that waits for it, its pages are locked
// and unlocked at once: that brings all of them in with one call, where
// first touching them one by one costs a fault each (a virtual machine here
// pays about 12 µs a page, 18 ms for a 6 MB buffer). Where the working set
// cannot hold them (Windows' default minimum), the lock fails and nothing
// else changes. Made ahead on a thread of its own, its pages come in as the
// fill touches them: the lock holds the process's address space for the
// whole buffer, which stalls the main thread's own allocations meanwhile.
HBITMAP make_bitmap(int w, int h, void** bits, bool locked_in) {
    HBITMAP bitmap = make_section(w, h, true, bits);
    const SIZE_T size = static_cast<SIZE_T>(w) * static_cast<SIZE_T>(h) * 4;
    if (locked_in && bitmap && *bits && VirtualLock(*bits, size)) VirtualUnlock(*bits, size);
    return bitmap;
}

// A new buffer's fill, written straight into its pixels (the section's
// masks put red in the third byte, as a COLORREF has it in the first).
void fill_window_colour(void* bits, int w, int h) {
    const COLORREF c = GetSysColor(COLOR_WINDOW);
    const auto pixel = static_cast<std::uint32_t>(GetRValue(c)) << 16 |
                       static_cast<std::uint32_t>(GetGValue(c)) << 8 | GetBValue(c);
    auto* p = static_cast<std::uint32_t*>(bits);
    std::fill(p, p + static_cast<size_t>(w) * static_cast<size_t>(h), pixel);
}

// The bitmap of the last buffer freed, kept for the next window made (a
// window reopened, the interface started again): its pages are in memory
// already. Or the first window's, made ahead on a thread of its own while
// the interface starts: bringing in and filling 6 MB costs a virtual
// machine 10 to 15 ms, which then overlap the window's making. A cache
// rather than a live object of any window, so it is not counted among the
// live handles; it goes with the library.
struct spare_bitmap {
    HBITMAP bitmap = nullptr;
    int width = 0, height = 0;
    // Filled with the window colour and not drawn on since.
    bool fresh = false;
    std::thread maker;
    spare_bitmap() = default;
    spare_bitmap(const spare_bitmap&) = delete;
    spare_bitmap& operator=(const spare_bitmap&) = delete;
    ~spare_bitmap() {
        if (maker.joinable()) maker.join();
        if (bitmap) DeleteObject(bitmap);
    }
    void wait() {
        if (maker.joinable()) maker.join();
    }
};

spare_bitmap& spare() {
    static spare_bitmap s;
    return s;
}

HBITMAP take_spare(int w, int h, bool* fresh) {
    spare_bitmap& s = spare();
    s.wait();
    *fresh = s.fresh;
    s.fresh = false;
    if (!s.bitmap || s.width != w || s.height != h) return nullptr;
    return std::exchange(s.bitmap, nullptr);
}

}  // namespace

void back_buffer::screen_changed() { known_screen() = {0, 0}; }

void back_buffer::make_ahead() {
    spare_bitmap& s = spare();
    s.wait();
    if (s.bitmap) return;
    // The screen is asked on the thread: the main thread's cached size is
    // not touched, and a size that changed meanwhile leaves this one unused.
    s.maker = std::thread([&s] {
        const int w = GetSystemMetrics(SM_CXSCREEN) + 100;
        const int h = GetSystemMetrics(SM_CYSCREEN) + 100;
        void* bits = nullptr;
        HBITMAP bitmap = make_bitmap(w, h, &bits, false);
        if (!bitmap || !bits) {
            if (bitmap) DeleteObject(bitmap);
            return;
        }
        fill_window_colour(bits, w, h);
        s.bitmap = bitmap;
        s.width = w;
        s.height = h;
        s.fresh = true;
    });
}

void back_buffer::finish_ahead() { spare().wait(); }

bool back_buffer::ensure() {
    // A new buffer asks afresh: no window may have been open to hear of a
    // change since the last.
    if (!dc_) screen_changed();
    const SIZE screen_now = screen_size();
    const int w = screen_now.cx + 100;
    const int h = screen_now.cy + 100;
    if (dc_ && w == width_ && h == height_) return true;
    release();
    unique_hdc dc(CreateCompatibleDC(nullptr));
    bool fresh = false;
    unique_hbitmap bitmap(take_spare(w, h, &fresh));
    if (!bitmap) {
        void* bits = nullptr;
        bitmap.reset(make_bitmap(w, h, &bits, true));
        fresh = false;
    }
    if (!dc || !bitmap) return false;
    old_bitmap_ = SelectObject(dc.get(), bitmap.get());
    if (!fresh) {
        RECT all{0, 0, w, h};
        FillRect(dc.get(), &all, GetSysColorBrush(COLOR_WINDOW));
    }
    bitmap_ = std::move(bitmap);
    dc_ = std::move(dc);
    graphics_ = std::make_unique<Gdiplus::Graphics>(dc_.get());
    width_ = w;
    height_ = h;
    return true;
}

void back_buffer::release() {
    graphics_.reset();
    if (dc_ && old_bitmap_) SelectObject(dc_.get(), old_bitmap_);
    old_bitmap_ = nullptr;
    dc_.reset();
    if (bitmap_) {
        spare_bitmap& s = spare();
        s.wait();
        if (s.bitmap) DeleteObject(s.bitmap);
        s.fresh = false;
        s.bitmap = bitmap_.release();
        s.width = width_;
        s.height = height_;
    }
    width_ = height_ = 0;
}

}  // namespace vesk
