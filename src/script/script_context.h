// Where a script runs and what it can read: the records that a starter
// fills before handing a script to the hook.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "guid.h"

struct HWND__;

namespace vesk {

struct t_script_context {
    HWND__* wnd = nullptr;  // null outside any window
    cor::guid window_id = cor::guid_null;
    cor::guid script_id = cor::guid_null;
    int32_t base_x = 0, base_y = 0;
    int32_t map_left = 0, map_top = 0, map_right = 0, map_bottom = 0;
};

// One local variable of an evaluation.
struct t_field_param {
    std::string name;
    std::string value;
    bool found = true;
    bool is_param = false;
};

using field_list = std::vector<t_field_param>;

}  // namespace vesk
