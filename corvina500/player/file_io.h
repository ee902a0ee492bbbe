// Files named by UTF-8 paths, and the code-page conversions that playlist
// files need. Writes go to a temporary file that is renamed into place, so
// an interrupted save never leaves a half-written file behind.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace cor {

[[nodiscard]] std::filesystem::path fs_path(std::string_view utf8);
[[nodiscard]] std::string utf8_path(const std::filesystem::path& path);

// The whole file; nullopt when it cannot be read.
[[nodiscard]] std::optional<std::string> read_file(std::string_view path);
// Replaces the file with `bytes`; false (and the old file untouched) on failure.
[[nodiscard]] bool write_file_atomic(std::string_view path, std::string_view bytes);

[[nodiscard]] bool is_valid_utf8(std::string_view text);
// The system's ANSI code page on Windows; UTF-8 unchanged elsewhere.
// `lossless` is cleared when a character had no equivalent.
[[nodiscard]] std::string utf8_to_ansi(std::string_view text, bool* lossless = nullptr);
[[nodiscard]] std::string ansi_to_utf8(std::string_view text);

}  // namespace cor
