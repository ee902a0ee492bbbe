// What the floors above the windows add to them: panels embedded in them,
// the player's events, the automatic backups' timer, the window's own
// menu. The component's entry registers each at start-up; a script window
// tells them of its messages and of its start and end, and names none.
#pragma once

#include <windows.h>

namespace vesk {

struct t_window_feature {
    // Sees each message before the window's own handling; true when it
    // took the message, whose result is then `result`.
    bool (*message)(HWND wnd, bool main, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) = nullptr;
    // A right click or the menu key that no object took, at screen point
    // `at`. The window may be closed when it returns.
    void (*context_menu)(HWND wnd, POINT at) = nullptr;
    // The main window was made.
    void (*main_created)(HWND wnd) = nullptr;
    // A window starts over or is being destroyed (`ending` when the run ends).
    void (*window_ending)(HWND wnd, bool ending) = nullptr;
    // The main window is gone, after every other window.
    void (*main_destroyed)() = nullptr;
};

void add_window_feature(const t_window_feature& feature);

// Each registered feature's hooks, in the order they were added.
bool features_take_message(HWND wnd, bool main, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
void features_context_menu(HWND wnd, POINT at);
void features_main_created(HWND wnd);
void features_window_ending(HWND wnd, bool ending);
void features_main_destroyed();

}  // namespace vesk
