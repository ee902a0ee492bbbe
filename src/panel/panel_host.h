// What windows and the user interface's start-up ask of the panels, and
// the two tools that make windows around panels: a new window around a
// panel type, and the easy-embed tool window.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "guid.h"

namespace vesk {

// Start-up: the panel lists brought to equal length, and the panels
// released at the last shutdown made again with their settings.
void panels_on_init();
// A script window is being destroyed: its easy-embed tool goes and, unless
// the component is shutting down, its panels close (keeping their settings).
void panels_on_window_destroy(HWND wnd, bool shutting_down);
// The main window's end: every panel released.
void panels_on_main_window_end();

// A new panel definition of `type` and a new window definition around it,
// opened at once. The ids are the type's name with blanks made "_", then
// "1", "2", ... appended until unique. False when the type cannot be made.
bool make_window_around_panel(const cor::guid& type, std::string_view name,
                              std::string_view category);

// The id `base` (blanks made "_") made unique against the ids `taken`
// answers true for (exact comparison).
template <class Taken>
std::string unique_id(std::string_view base, Taken taken) {
    std::string id(base);
    for (auto& ch : id)
        if (ch == ' ') ch = '_';
    if (!taken(id)) return id;
    for (unsigned n = 1;; ++n) {
        std::string candidate = id + std::to_string(n);
        if (!taken(candidate)) return candidate;
    }
}

// The easy-embed tool: kind 0 places a window, kind 1 a panel, with id
// `id`, inside `target` (an open script window), starting at screen point
// `at`. Null when the target has a visible tool already or it cannot start.
HWND start_embed_tool(HWND target, int kind, std::string_view id, POINT at);
// The target's tool window, or null.
HWND embed_tool_of(HWND target);

}  // namespace vesk
