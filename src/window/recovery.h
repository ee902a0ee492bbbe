// Which windows were open, and where every window stood, written to the
// settings whenever the Host saves them.
#pragma once

namespace vesk {

// The full pass: recovery lists of visible top-level windows, placements.
void save_window_state();
// The lighter pass of a manual export: every open window but the main one
// into the recovery list (parents untouched), placements.
void save_window_state_for_export();

}  // namespace vesk
