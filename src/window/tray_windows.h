// Hiding every script window into the tray and bringing them back in their
// former stacking order, and the icon's mouse handling and menu.
#pragma once

#include <windows.h>

namespace vesk {

// `from_minimize`: the main window was minimized, so restoring also
// un-minimizes it.
void hide_all_windows(bool from_minimize);
void restore_all_windows();

// The icon's callback message on the main window.
void on_tray_callback(HWND main, LPARAM lp);

// Commands of the icon's menu.
enum tray_command : int {
    tray_stop = 2,
    tray_pause,
    tray_play,
    tray_previous,
    tray_next,
    tray_random,
    tray_configuration,
    tray_preferences,
    tray_exit
};
void run_tray_command(HWND main, int command);

}  // namespace vesk
