#include "host/gdi_handles.h"

namespace vesk {

HBITMAP make_screen_bitmap(int width, int height, void** bits) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* unused = nullptr;
    return CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, bits ? bits : &unused, nullptr, 0);
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
