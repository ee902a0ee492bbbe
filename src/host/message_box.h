// The component's own message boxes (import and export failures, the
// configuration pages), through one handler that tests replace with a
// recorder.
#pragma once

#include <windows.h>

#include <string_view>

namespace vesk {

using message_box_fn = int (*)(HWND owner, std::string_view text, std::string_view caption,
                               UINT flags);
// Puts `handler` in place (null: the platform's box) and returns the last.
message_box_fn set_message_box_handler(message_box_fn handler);
int message_box(HWND owner, std::string_view text, std::string_view caption, UINT flags);

}  // namespace vesk
