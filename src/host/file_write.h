// Files written by script functions: the new content goes to a temporary
// file beside the target, which is then renamed over it, so a failure half
// way (a full disk, a killed player) never leaves a cut file behind.
#pragma once

#include <string>
#include <string_view>

namespace vesk {

// Replaces the file with `bytes`.
[[nodiscard]] bool replace_file(const std::wstring& path, std::string_view bytes);
// Adds `bytes` after the file's present content (an absent file is made);
// `lead` goes first when the file had no content (a byte-order mark).
[[nodiscard]] bool append_file(const std::wstring& path, std::string_view lead,
                               std::string_view bytes);
// The whole file; false when it cannot be opened or read.
[[nodiscard]] bool read_file(const std::wstring& path, std::string& out);

}  // namespace vesk
