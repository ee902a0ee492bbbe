// Paths written in scripts: a leading "/" means the Host's profile folder.
#pragma once

#include <string>
#include <string_view>

namespace vesk {

// The path as the platform takes it (UTF-16), the profile folder put in
// front of a path that begins with "/".
std::wstring script_path(std::string_view path);

}  // namespace vesk
