// The component's console receiver: every line printed to the Host console
// (by the Host, other components or the scripts) is kept in a short history
// for the palette window's console view, which is told to refresh.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <string_view>

namespace vesk {

struct t_message {
    SYSTEMTIME time;   // local time of arrival
    std::string text;  // lines, each ending in CR LF
};

inline constexpr size_t console_history_limit = 50;
// Posted (no parameters) to a visible palette window after each message.
inline constexpr UINT console_refresh_message = WM_USER + 2;

// Oldest first, at most console_history_limit messages.
const std::deque<t_message>& console_messages();
void clear_console_messages();

// What print does with each console message.
void capture_console_text(const char* text, size_t length);

// The palette window, while it exists; null otherwise.
void set_palette_window(HWND palette);
HWND palette_window();

}  // namespace vesk
