// Popup menus filled from command paths ("Playback/Order/Random"): each
// group a submenu, made once however many commands it holds.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace cor {

// Appends the path's last part as item `id` under the submenus its groups
// name, making them as needed; `submenus` remembers those made so far.
void add_by_path(HMENU root, std::vector<std::pair<std::string, HMENU>>& submenus,
                 const std::string& path, UINT id, UINT flags);

}  // namespace cor
