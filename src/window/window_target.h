// The open window a script function names, with its object: the lookup and
// messages of every window function, then the window's script_window.
#pragma once

#include "registry/window_registry.h"
#include "window/script_window.h"

namespace vesk {

struct t_window_target {
    t_window_info* info = nullptr;
    script_window* window = nullptr;
    [[nodiscard]] explicit operator bool() const { return window != nullptr; }
    [[nodiscard]] HWND wnd() const { return reinterpret_cast<HWND>(info->hwnd); }
};

inline t_window_target find_target(func_call& c, std::string_view id) {
    t_window_target t;
    t.info = find_open_window(c, id);
    if (t.info) t.window = script_window::from_handle(t.wnd());
    if (!t.window) t.info = nullptr;
    return t;
}

}  // namespace vesk
