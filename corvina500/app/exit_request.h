// Ending the player's run from wherever the request comes: the exit timer,
// File > Exit (a menu, a shortcut, the tray menu's Exit through the main
// window), or the user signing out. The request may arrive inside the
// loop of a popup menu, a message box or a modal dialog, whose loop would
// otherwise keep running and never let the main loop see the quit: such
// loops are ended first (the menu closed, the box or dialog dismissed as
// if cancelled), then the quit message is posted.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

namespace cor {

// Ends the open menu and the modal boxes and dialogs of this thread, then
// posts the quit message with `code`.
void request_exit(int code = 0);

// Ends the modal loops alone: the popup menu being tracked, and each
// visible dialog of this thread that is modal (no owner, or an owner it
// disabled). Modeless dialogs are left to the normal shutdown.
void end_modal_loops();

// A one-shot thread timer that requests the exit after `ms`; its callback
// runs from whichever loop is pumping, a menu's or a box's included.
UINT_PTR start_exit_timer(UINT ms);

// Hears the session end: on the user interface's main window when there is
// one (through the message hook the Host gives the interface at its start),
// else on a hidden top-level window of its own. When the user signs out,
// the platform ends the process soon after WM_ENDSESSION returns, so
// `finish` (the normal shutdown, saving everything) runs within it and the
// process then exits; the frames of any loop that was open below it are
// never resumed.
class session_watch {
public:
    // `ui_window`: whether the interface's main window carries `ui_hook`.
    session_watch(std::function<void()> finish, bool ui_window);
    ~session_watch();
    session_watch(const session_watch&) = delete;
    session_watch& operator=(const session_watch&) = delete;
    [[nodiscard]] HWND handle() const { return wnd_; }

    // The hook for the interface's main window: the session's two messages
    // go to the watch that listens there, if any; the rest go on.
    static bool ui_hook(void* wnd, uint32_t msg, uintptr_t wparam, intptr_t lparam,
                        intptr_t* result);

private:
    static LRESULT CALLBACK proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    // The session's messages; false for any other.
    bool take(UINT msg, WPARAM wp, LRESULT& result);
    std::function<void()> finish_;
    HWND wnd_ = nullptr;
};

// The class of that window, for tests that end a session.
inline constexpr wchar_t session_window_class[] = L"corvina500_session";

}  // namespace cor
