// The configuration export file (".config"): tagged entries, each tag the
// identity of the setting that follows. Byte work only, free of the window
// system, so it is tested and fuzzed natively. Layout (integers 32-bit
// little-endian, a text is its byte length and its UTF-8 bytes):
//   header tag, format number 1
//   per setting: its identity, then an integer, a text, the 44 placement
//                bytes, or a list's byte length and its raw encoding
//   end tag
// The reader checks the whole file, lists included, before it answers, so
// a damaged file can be refused before any setting changes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "guid.h"

namespace vesk {

enum class config_value_kind {
    integer,         // 4 bytes
    text,            // length and bytes; the setting's raw value is the bytes
    placement,       // 44 bytes
    guid_list,       // length, then count and 16-byte elements
    text_list,       // length, then count and (length, bytes) elements
    placement_list,  // length, then count and 44-byte elements
    panel_list,      // length, then count and (16-byte type, settings text) elements
};

struct t_config_tag {
    cor::guid id;
    config_value_kind kind;
    bool written;  // false: accepted by the reader, never written
};

inline constexpr size_t placement_size = 44;

extern const cor::guid config_file_header;
extern const cor::guid config_file_end;

// In the order the writer writes them, then the four it only reads.
const std::vector<t_config_tag>& config_file_tags();
const t_config_tag* find_config_tag(const cor::guid& id);

// The raw bytes of a setting, as its configuration variable stores them;
// false when the setting does not exist.
using raw_source = std::function<bool(const cor::guid& id, std::string& raw)>;

// False when a setting is missing or its raw bytes do not fit its kind.
[[nodiscard]] bool encode_config_file(const raw_source& source, std::string& out);

enum class config_read_status {
    ok,
    not_config,   // the first 16 bytes are not the header tag
    read_error,   // cut short, or a value that does not hold together
    unknown_tag,  // a tag outside the table
};

struct t_config_read {
    config_read_status status = config_read_status::read_error;
    cor::guid bad_tag = cor::guid_null;  // for unknown_tag
    // Setting identity and its raw bytes, in the file's order.
    std::vector<std::pair<cor::guid, std::string>> entries;
};

[[nodiscard]] t_config_read decode_config_file(std::string_view bytes);

// Whether `raw` is a well-formed raw value of `kind`.
[[nodiscard]] bool valid_raw_value(config_value_kind kind, std::string_view raw);

}  // namespace vesk
