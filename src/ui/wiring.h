// The one place that knows every floor: it fills the registries through
// which the lower floors reach the higher ones.
#pragma once

#include <windows.h>

namespace vesk {

// Posted to the main window once it has shown its first frame: the
// start-up's housekeeping that nothing on screen waits for.
inline constexpr UINT after_start_message = WM_APP + 3;

// Once per process, before anything runs a script or makes a window.
void wire_floors();

}  // namespace vesk
