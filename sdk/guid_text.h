// Identifiers as text: 36 upper-case hexadecimal characters grouped
// 8-4-4-4-12 with hyphens and no braces.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "guid.h"

namespace cor {

namespace detail {
constexpr int hex_value(char c) {
    return (c >= '0' && c <= '9')   ? c - '0'
           : (c >= 'a' && c <= 'f') ? c - 'a' + 10
           : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                    : -1;
}
}  // namespace detail

// Reads the 36-character form (either case); nothing when malformed.
constexpr std::optional<guid> parse_guid(std::string_view s) {
    if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-') return {};
    uint8_t bytes[16]{};
    size_t b = 0;
    for (size_t i = 0; i < 36;) {
        if (s[i] == '-') {
            ++i;
            continue;
        }
        const int hi = detail::hex_value(s[i]), lo = detail::hex_value(s[i + 1]);
        if (hi < 0 || lo < 0) return {};
        bytes[b++] = static_cast<uint8_t>(hi * 16 + lo);
        i += 2;
    }
    guid g{};
    g.data1 = (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) |
              bytes[3];
    g.data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
    g.data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
    for (int i = 0; i < 8; ++i) g.data4[i] = bytes[8 + i];
    return g;
}

// For identities written in the code; a malformed text fails to compile.
consteval guid guid_of(const char* text) {
    const auto g = parse_guid(std::string_view(text));
    if (!g) throw "malformed identifier";
    return *g;
}

std::string guid_to_text(const guid& g);

}  // namespace cor
