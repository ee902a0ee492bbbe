// The frame style bits scripts name, shared by $style (which sets them) and
// $getwindowinfo (which reads them back).
#pragma once

#include <windows.h>

#include <span>

namespace vesk {

struct t_style_bit {
    const char* name;
    DWORD bits;  // 0: the name is accepted and changes nothing
};

// In the order $style tests its options.
inline constexpr t_style_bit style_bits[] = {
    {"border", WS_BORDER},           {"dlgframe", WS_DLGFRAME},
    {"vscroll", WS_VSCROLL},         {"hscroll", WS_HSCROLL},
    {"thickframe", WS_THICKFRAME},   {"minimizebox", WS_MINIMIZEBOX},
    {"maximizebox", WS_MAXIMIZEBOX}, {"overlapped", 0},
    {"sysmenu", WS_SYSMENU},         {"caption", WS_CAPTION},
};

}  // namespace vesk
