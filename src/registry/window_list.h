// The open script windows, in order of opening.
#pragma once

#include <cstdint>
#include <vector>

#include "guid.h"

struct HWND__;

namespace vesk {

struct t_window_info {
    HWND__* hwnd = nullptr;
    cor::guid id = cor::guid_null;      // the window's definition
    cor::guid parent = cor::guid_null;  // the parent's definition; null without one
    bool visible = false;               // as scripts set it
    bool topmost = false;               // saved while hidden to the tray
    int32_t zorder = 0;                 // saved while hidden to the tray
};

std::vector<t_window_info>& open_windows();

}  // namespace vesk
