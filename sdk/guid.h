// 16-byte identifiers that name services, configuration variables and
// objects on both sides of the plug-in boundary. Same layout as the
// platform's GUID so the two convert by copy.
#pragma once

#include <cstdint>
#include <cstring>

namespace cor {

struct guid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

inline bool operator==(const guid& a, const guid& b) noexcept {
    return std::memcmp(&a, &b, sizeof(guid)) == 0;
}
inline bool operator!=(const guid& a, const guid& b) noexcept { return !(a == b); }
inline bool operator<(const guid& a, const guid& b) noexcept {
    return std::memcmp(&a, &b, sizeof(guid)) < 0;
}

inline constexpr guid guid_null{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

}  // namespace cor
