#include "window/placement_math.h"

#include <algorithm>

namespace vesk {

t_rect dock_rect(const t_rect& w, const t_rect& target, const t_dock& d) {
    int width = w.right - w.left, height = w.bottom - w.top;
    int left = 0, top = 0;
    switch (d.side) {
        case dock_side::left:
        case dock_side::right:
            if (d.fit) height = target.bottom - target.top;
            left = d.side == dock_side::left ? target.left - width + d.xpad : target.right + d.xpad;
            top = target.top + d.ypad;
            height += d.wh;
            break;
        case dock_side::top:
        case dock_side::bottom:
            if (d.fit) width = target.right - target.left;
            left = target.left + d.xpad;
            top = d.side == dock_side::top ? target.top - height + d.ypad : target.bottom + d.ypad;
            width += d.wh;
            break;
    }
    return {left, top, left + width, top + height};
}

t_rect bring_inside(const t_rect& r, const t_rect& work) {
    const int width = std::min(r.right - r.left, work.right - work.left);
    const int height = std::min(r.bottom - r.top, work.bottom - work.top);
    const int left = std::clamp(r.left, work.left, work.right - width);
    const int top = std::clamp(r.top, work.top, work.bottom - height);
    return {left, top, left + width, top + height};
}

}  // namespace vesk
