// What the tray icon shows: whether the icon exists and is shown, and
// whether the windows are hidden ("stored") in the tray.
#pragma once

namespace vesk {

struct t_tray_state {
    bool icon_shown = false;
    bool windows_stored = false;
};

t_tray_state& tray_state();

}  // namespace vesk
