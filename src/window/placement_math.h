// Geometry of placing a window: docking beside another window, and bringing
// a remembered place back onto a monitor. Pure arithmetic.
#pragma once

#include "window/border.h"

namespace vesk {

enum class dock_side { left, right, top, bottom };

struct t_dock {
    dock_side side = dock_side::left;
    bool fit = false;  // the docked side takes the target's length
    int xpad = 0, ypad = 0, wh = 0;
};

// Where window `w` goes when docked to `target` (both screen rectangles).
t_rect dock_rect(const t_rect& w, const t_rect& target, const t_dock& d);

// `r` moved (and shrunk when larger) so that it lies wholly inside `work`.
t_rect bring_inside(const t_rect& r, const t_rect& work);

}  // namespace vesk
