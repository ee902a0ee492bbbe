// The byte format of the Host's configuration store file, kept apart from
// file access so it can be tested and fuzzed directly. Layout (integers
// little-endian, docs/config-store.md has the full description):
//   header  "CORVCFG\x1a", u32 version (1), u32 entry count, u32 CRC-32 of
//           the 16 bytes before it
//   entry   16-byte GUID (platform layout), u32 length, the value's bytes,
//           u32 CRC-32 of the GUID, length and value
// Every entry carries its own checksum, so damage costs only the entries it
// touches: the reader skips a bad entry and resynchronises on the next one
// whose checksum holds.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "sdk/guid.h"

namespace cor {

using config_entries = std::map<guid, std::string>;

inline constexpr std::string_view config_store_magic{"CORVCFG\x1a", 8};
inline constexpr uint32_t config_store_version = 1;

// The CRC-32 of zlib and PNG (reflected polynomial 0xEDB88320); pass the
// previous result as `crc` to continue over several pieces.
[[nodiscard]] uint32_t crc32(std::string_view bytes, uint32_t crc = 0) noexcept;

// Throws std::length_error for a value of 4 GiB or more.
[[nodiscard]] std::string encode_config_store(const config_entries& entries);

struct config_decode_result {
    config_entries entries;
    // Entries whose checksum held (a GUID written twice counts twice).
    size_t entries_read = 0;
    // The header's entry count, when the header itself was sound.
    std::optional<uint32_t> expected_count;
    // The first thing found wrong, in words; empty for a sound file.
    std::string problem;

    [[nodiscard]] bool damaged() const noexcept { return !problem.empty(); }
};

// Never throws on bad bytes; returns whatever entries survived.
[[nodiscard]] config_decode_result decode_config_store(std::string_view file);

}  // namespace cor
