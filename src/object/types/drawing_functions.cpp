#include "object/types/drawing_handlers.h"
#include "script/function_table.h"

namespace vesk {
namespace {

constexpr t_function_entry entries[] = {
    {"text", drawing::fn_text},
    {"drawtext", drawing::fn_drawtext},
    {"gp_line", drawing::fn_gp_line},
    {"gp_rect", drawing::fn_gp_rect},
    {"gp_roundrect", drawing::fn_gp_roundrect},
    {"gp_circle", drawing::fn_gp_circle},
    {"gp_pie", drawing::fn_gp_pie},
    {"gp_polygon", drawing::fn_gp_polygon},
    {"gp_arc", drawing::fn_gp_arc},
    {"gp_text", drawing::fn_gp_text},
    {"gp_image", drawing::fn_gp_image},
    {"gp_cache", drawing::fn_gp_cache},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
