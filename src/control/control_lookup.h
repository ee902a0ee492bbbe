// Naming a control of one type by its identity text in a script function,
// with the messages the control functions share.
#pragma once

#include <string_view>

#include "object/object_manager.h"
#include "script/error_report.h"
#include "script/tf_hook.h"

namespace vesk {

// The control of type `type` named by parameter 0. An unknown identity
// prints "%s: object '%s' not found" (middle), another type
// "%s: '%s' is not <noun>" (low).
template <class T>
T* named_control(func_call& c, uint32_t type, std::string_view noun) {
    object::object_base* obj = object_manager::instance().find(c.param(0));
    if (!obj) {
        c.fail(err_middle, "%s: object '%s' not found", {c.param(0)});
        return nullptr;
    }
    if (obj->type != type) {
        const std::string fmt = "%s: '%s' is not " + std::string(noun);
        c.fail(err_low, fmt, {c.param(0)});
        return nullptr;
    }
    return static_cast<T*>(obj);
}

// "mempos:" of the controls: the map rectangle becomes x, y, x + width,
// y + height.
inline void set_map_rect(t_script_context& ctx, int32_t x, int32_t y, int32_t w, int32_t h) {
    ctx.map_left = x;
    ctx.map_top = y;
    ctx.map_right = x + w;
    ctx.map_bottom = y + h;
}

}  // namespace vesk
