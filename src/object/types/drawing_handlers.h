// The script functions that create drawn objects, and $gp_cache. The
// function table lists them through drawing_functions().
#pragma once

#include "script/tf_hook.h"

namespace vesk::drawing {

void fn_text(func_call& c);
void fn_drawtext(func_call& c);
void fn_gp_line(func_call& c);
void fn_gp_rect(func_call& c);
void fn_gp_roundrect(func_call& c);
void fn_gp_circle(func_call& c);
void fn_gp_pie(func_call& c);
void fn_gp_polygon(func_call& c);
void fn_gp_arc(func_call& c);
void fn_gp_text(func_call& c);
void fn_gp_image(func_call& c);
void fn_gp_cache(func_call& c);

}  // namespace vesk::drawing
