// Pixels read as words: a row of checked points compares as one line, and a
// failure shows every point that differs at once; and whole areas read in
// one copy instead of a platform call per pixel.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace cor_test {

// The pure colours tests draw with by name; any other colour as #RRGGBB.
inline std::string colour_name(COLORREF c) {
    switch (c) {
        case RGB(255, 255, 255):
            return "white";
        case RGB(0, 0, 0):
            return "black";
        case RGB(255, 0, 0):
            return "red";
        case RGB(0, 255, 0):
            return "green";
        case RGB(0, 0, 255):
            return "blue";
        case RGB(255, 255, 0):
            return "yellow";
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return hex;
}

// The colours at the points "x,y x,y ...", named and joined by spaces.
template <class Pixel>
std::string colours_at(std::string_view points, Pixel pixel) {
    std::istringstream in{std::string(points)};
    std::string out;
    int x = 0, y = 0;
    char comma = 0;
    while (in >> x >> comma >> y) out += (out.empty() ? "" : " ") + colour_name(pixel(x, y));
    return out;
}

// The colours, row by row, of `width` by `height` pixels that `paint` draws
// at 0,0 into the drawing context it is given, a bitmap of the test's own.
template <class Paint>
std::vector<COLORREF> pixels_of(int width, int height, Paint paint) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, dib);
    paint(dc);
    GdiFlush();
    std::vector<COLORREF> out(size_t(width) * size_t(height));
    const auto* p = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; p && i < out.size(); ++i)
        out[i] = RGB(p[i] >> 16 & 0xFF, p[i] >> 8 & 0xFF, p[i] & 0xFF);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(dib);
    return out;
}
// The colours of `area` of the drawing context `from`, row by row.
inline std::vector<COLORREF> pixels_of(HDC from, RECT area) {
    const int w = area.right - area.left, h = area.bottom - area.top;
    return pixels_of(w, h,
                     [&](HDC dc) { BitBlt(dc, 0, 0, w, h, from, area.left, area.top, SRCCOPY); });
}

}  // namespace cor_test
