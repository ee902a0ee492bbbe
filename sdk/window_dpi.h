// The DPI the platform shows a window at, asked the same way by the player
// and the component: the monitor's where the platform tells it per window
// (asked by name: older systems have the system's DPI only), else the
// system's.
#pragma once

#ifdef _WIN32

#include <windows.h>

namespace cor {

// Fixed for the process's life (a per-monitor aware process keeps the one
// it started with): asked once.
[[nodiscard]] int system_dpi();
[[nodiscard]] int monitor_dpi_of(HWND wnd);

}  // namespace cor

#endif
