// The open script windows, in order of opening.
#pragma once

#include <vector>

#include "guid.h"

struct HWND__;

namespace vesk {

struct t_window_info {
    HWND__* wnd = nullptr;
    cor::guid id = cor::guid_null;
    cor::guid parent_id = cor::guid_null;
    bool visible = false;
    bool topmost = false;
    int rank = 0;
};

std::vector<t_window_info>& open_windows();

}  // namespace vesk
