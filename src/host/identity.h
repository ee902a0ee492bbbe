// The component's name, and fresh identities from the platform's GUID
// generator.
#pragma once

#include "guid.h"

namespace vesk {

inline constexpr const char* component_name = "Vesk User Interface";

cor::guid make_identity();

}  // namespace vesk
