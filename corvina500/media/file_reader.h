// Files named by UTF-8 paths: whole-file reads, and random access for the
// tag readers so that scanning a library touches only the bytes it needs.
// On Windows the wide-character file API is used, so any name works.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/track_info.h"
#include "media/byte_source.h"

namespace cor {

// Files larger than this are refused by read_whole_file.
inline constexpr uint64_t k_max_whole_file = uint64_t(1) << 31;

[[nodiscard]] bool read_whole_file(std::string_view path, std::vector<uint8_t>& out,
                                   std::string& error);

// An open file; null with `error` set when it cannot be opened.
class file_source : public byte_source {
public:
    // True once a read has failed (as opposed to reaching the end).
    [[nodiscard]] virtual bool failed() const = 0;
};
[[nodiscard]] std::unique_ptr<file_source> open_file_source(std::string_view path,
                                                            std::string& error);

// Tags and stream information of one file; see read_track_info.
[[nodiscard]] bool read_track_file(std::string_view path, t_track_info& out, std::string& error);

}  // namespace cor
