// Fresh identities from the platform's GUID generator.
#pragma once

#include "guid.h"

namespace vesk {

cor::guid make_identity();

}  // namespace vesk
