#include "window/border.h"

namespace vesk {

border_zone hit_zone(const t_border& b, int w, int h, int x, int y) {
    if (!b.active()) return border_zone::none;
    const int e = b.edge, c = b.corner;
    if (x < c && y < c) return border_zone::top_left;
    if (x < c && y >= h - c) return border_zone::bottom_left;
    if (x >= w - e && y < c) return border_zone::top_right;
    if (x >= w - e && y >= h - c) return border_zone::bottom_right;
    if (x < e) return border_zone::left;
    if (y < e) return border_zone::top;
    if (x < w - e && y >= h - e) return border_zone::bottom;
    if (x >= w - e) return border_zone::right;
    return border_zone::none;
}

t_rect resize_rect(const t_border& b, border_zone zone, t_rect r, int x, int y) {
    const int s = b.snap >= 1 ? b.snap : 1;
    x = x / s * s;
    y = y / s * s;
    switch (zone) {
        case border_zone::left:
            r.left = x;
            break;
        case border_zone::right:
            r.right = x;
            break;
        case border_zone::top:
            r.top = y;
            break;
        case border_zone::bottom:
            r.bottom = y;
            break;
        case border_zone::top_left:
            r.left = x, r.top = y;
            break;
        case border_zone::top_right:
            r.right = x, r.top = y;
            break;
        case border_zone::bottom_left:
            r.left = x, r.bottom = y;
            break;
        case border_zone::bottom_right:
            r.right = x, r.bottom = y;
            break;
        case border_zone::none:
            break;
    }
    return r;
}

}  // namespace vesk
