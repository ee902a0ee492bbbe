// The one place that knows every floor: it fills the registries through
// which the lower floors reach the higher ones.
#pragma once

namespace vesk {

// Once per process, before anything runs a script or makes a window.
void wire_floors();

}  // namespace vesk
