// Whole-file reading and crash-safe replacement for the Host's settings
// files. A file is replaced by writing "<path>.tmp" in the same folder,
// flushing it to the disk and renaming it over the old one, so at every
// moment either the old or the new file is complete. A leftover ".tmp"
// from a crash is never read; the next write truncates it.
// Paths are UTF-8; on Windows they become UTF-16 at the platform calls.
#pragma once

#include <string>
#include <string_view>

namespace cor {

enum class file_read_status { ok, missing, failed };

struct file_read_result {
    file_read_status status = file_read_status::failed;
    std::string bytes;
    std::string error;  // for `failed`
};

[[nodiscard]] file_read_result read_whole_file(const std::string& path);

// Test hook: stops a replacement where a crash would, leaving the partial
// or complete temporary file behind and the old file untouched.
enum class save_fault {
    none,
    mid_write,      // after half of the bytes reached the temporary file
    before_rename,  // after the temporary file was written and flushed
};

// On failure returns false and fills `error`; the old file is unchanged.
[[nodiscard]] bool write_file_replacing(const std::string& path, std::string_view bytes,
                                        std::string& error, save_fault fault = save_fault::none);

// Renames `from` to `to`, replacing a file of that name. True also when
// `from` does not exist; otherwise false with `error` filled.
[[nodiscard]] bool move_aside(const std::string& from, const std::string& to, std::string& error);

}  // namespace cor
