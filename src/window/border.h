// The custom border of a script window: zones along the client edges that
// resize the window, and the geometry of a resize. Pure arithmetic.
#pragma once

namespace vesk {

enum class border_zone {
    none,
    left,
    right,
    top,
    bottom,
    top_left,
    top_right,
    bottom_left,
    bottom_right
};

struct t_border {
    int edge = 0;    // E
    int corner = 0;  // C
    int snap = 0;    // S; the border is off unless all three are at least 1
    [[nodiscard]] bool active() const { return edge >= 1 && corner >= 1 && snap >= 1; }
};

// The zone under client point (x, y) of a client area w by h.
border_zone hit_zone(const t_border& b, int w, int h, int x, int y);

struct t_rect {
    int left, top, right, bottom;
};

// The window rectangle after a resize in `zone` reaches screen point (x, y):
// the point snapped to the step, the zone's edges moved to it.
t_rect resize_rect(const t_border& b, border_zone zone, t_rect r, int x, int y);

}  // namespace vesk
