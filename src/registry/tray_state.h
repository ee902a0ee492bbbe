// What the tray icon shows, readable without the icon itself: whether the
// icon is shown, whether the windows are hidden ("stored") in the tray, and
// the tip and icon file that scripts asked for (kept also before the main
// window, which owns the icon, exists).
#pragma once

#include <string>

namespace vesk {

struct t_tray_state {
    bool icon_shown = false;
    bool windows_stored = false;
    std::string tip = "corvina500";
    std::wstring icon_file;  // empty: the Host's own icon
};

t_tray_state& tray_state();

// The persisted tray mode: 2 shows the icon always, 3 only while the
// windows are hidden to it; both hide every window when the main window is
// minimized. Other values: no tray behaviour.
int tray_mode();
inline bool tray_hides_on_minimize() { return tray_mode() == 2 || tray_mode() == 3; }

}  // namespace vesk
