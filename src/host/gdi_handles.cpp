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

HBITMAP make_section(int width, int height, bool colour_masks, void** bits) {
    struct {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } bi{};
    bi.header.biSize = sizeof bi.header;
    bi.header.biWidth = width;
    bi.header.biHeight = -height;
    bi.header.biPlanes = 1;
    bi.header.biBitCount = 32;
    bi.header.biCompression = colour_masks ? BI_BITFIELDS : BI_RGB;
    if (colour_masks) {
        bi.masks[0] = 0xFF0000;
        bi.masks[1] = 0x00FF00;
        bi.masks[2] = 0x0000FF;
    }
    *bits = nullptr;
    return CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&bi), DIB_RGB_COLORS, bits,
                            nullptr, 0);
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
