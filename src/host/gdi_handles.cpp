#include "host/gdi_handles.h"

namespace vesk {

namespace {

// A memory context holding a 1 x 1 bitmap in the screen's format, made
// once: a bitmap made compatible with it takes that format from it.
struct screen_format {
    HDC dc = nullptr;
    HGDIOBJ previous = nullptr;
    HBITMAP pixel = nullptr;
    screen_format() {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        pixel = CreateCompatibleBitmap(screen, 1, 1);
        ReleaseDC(nullptr, screen);
        if (dc && pixel) previous = SelectObject(dc, pixel);
    }
    screen_format(const screen_format&) = delete;
    screen_format& operator=(const screen_format&) = delete;
    ~screen_format() {
        if (dc && previous) SelectObject(dc, previous);
        if (pixel) DeleteObject(pixel);
        if (dc) DeleteDC(dc);
    }
};

}  // namespace

HBITMAP make_screen_bitmap(int width, int height) {
    static const screen_format format;
    if (!format.dc || !format.pixel) {
        HDC screen = GetDC(nullptr);
        HBITMAP b = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        return b;
    }
    return CreateCompatibleBitmap(format.dc, width, height);
}

}  // namespace vesk

namespace vesk::handle_count {
#ifdef COR_TEST_BUILD
long& live() {
    static long n = 0;
    return n;
}
#endif
}  // namespace vesk::handle_count
