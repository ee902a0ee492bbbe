// What "add these paths" means to a user: files are added as they are,
// playlist files contribute their entries, and folders contribute the media
// files found in them and their subfolders, in path order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cor {

[[nodiscard]] bool is_media_file(std::string_view path);
[[nodiscard]] std::vector<std::string> expand_locations(const std::vector<std::string>& paths);

}  // namespace cor
