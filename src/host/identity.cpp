#include "host/identity.h"

#include <windows.h>

#include <objbase.h>

#include <cstring>

namespace vesk {

cor::guid make_identity() {
    GUID g{};
    (void)CoCreateGuid(&g);
    cor::guid out;
    static_assert(sizeof out == sizeof g);
    std::memcpy(&out, &g, sizeof g);
    return out;
}

}  // namespace vesk
