// What the floors above the engine lend it: fields of the windows, the
// `$hash` store, the window that carries the script timers and the user's
// commands, which are prepared with the stored scripts. The component's
// entry fills this at start-up; each member may stay null, as in a bare
// engine, and then that part answers nothing.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace vesk {

struct t_script_context;
struct t_field_value;
class func_call;

struct t_script_extensions {
    // Fields of the open window a script runs in.
    bool (*window_field)(const t_script_context& context, std::string_view folded,
                         t_field_value& out) = nullptr;
    // Fields of the main window and the tray: "mainid", "tasktray",
    // "tasktray_store".
    bool (*main_field)(std::string_view folded, t_field_value& out) = nullptr;
    // A `$hash` entry by its folded name; null when there is none.
    const std::string* (*stored_value)(std::string_view folded) = nullptr;
    // The window whose timers are the script timers; null while closed.
    HWND (*timer_window)() = nullptr;
    // Runs each time the stored scripts have been prepared again.
    void (*after_prepare)() = nullptr;
    // Runs before each of the component's own functions.
    void (*before_function)(std::string_view folded_name, func_call& call) = nullptr;
};

// Constant-initialised, so reading it on every field costs no guard.
extern t_script_extensions g_script_extensions;
inline t_script_extensions& script_extensions() { return g_script_extensions; }

}  // namespace vesk
