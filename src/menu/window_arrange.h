// Arranging the open windows from the component's "Window" menu: where
// Cascade and Tile put each window, worked out apart from the windows
// themselves, and the commands that move them.
#pragma once

#include <span>
#include <vector>

namespace vesk {

struct t_point {
    int x = 0, y = 0;
    bool operator==(const t_point&) const = default;
};
struct t_extent {
    int cx = 0, cy = 0;
};

// Each window 20 pixels right of and below the previous, the first where a
// window of the main window's size would stand centred on the screen.
std::vector<t_point> cascade_positions(t_extent screen, t_extent main, size_t count);
// Columns of windows, a new one starting once a column passes half the
// screen's height, right of that column's widest window; the whole
// arrangement centred on the screen.
std::vector<t_point> tile_positions(t_extent screen, std::span<const t_extent> windows);

// The commands: they act on the open windows that are not child windows,
// in the order the windows opened, and show them.
void cascade_windows();
void tile_windows();
void bring_all_windows_to_top();

}  // namespace vesk
