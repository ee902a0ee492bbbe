// Pixels read as words: a row of checked points compares as one line, and a
// failure shows every point that differs at once.
#pragma once

#include <windows.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>

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

}  // namespace cor_test
