#include "host/gdi_handles.h"

namespace vesk {

HBITMAP make_screen_bitmap(int width, int height, void** bits) {
    // Described by its colour masks rather than as plain RGB: GDI+ then
    // draws into it through GDI, as into a screen bitmap, instead of
    // keeping an alpha channel it does not have (many times slower under
    // Wine).
    struct {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } bi{};
    bi.header.biSize = sizeof bi.header;
    bi.header.biWidth = width;
    bi.header.biHeight = -height;
    bi.header.biPlanes = 1;
    bi.header.biBitCount = 32;
    bi.header.biCompression = BI_BITFIELDS;
    bi.masks[0] = 0xFF0000;
    bi.masks[1] = 0x00FF00;
    bi.masks[2] = 0x0000FF;
    void* unused = nullptr;
    return CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&bi), DIB_RGB_COLORS,
                            bits ? bits : &unused, nullptr, 0);
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
