#include "panels/menu_by_path.h"

#include <algorithm>

#include "utf8.h"

namespace cor {

void add_by_path(HMENU root, std::vector<std::pair<std::string, HMENU>>& submenus,
                 const std::string& path, UINT id, UINT flags) {
    HMENU parent = root;
    size_t start = 0;
    for (size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string key = path.substr(0, slash);
        auto it = std::find_if(submenus.begin(), submenus.end(),
                               [&](const auto& s) { return s.first == key; });
        if (it == submenus.end()) {
            HMENU sub = CreatePopupMenu();
            AppendMenuW(parent, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub),
                        to_wide(key.substr(start)).c_str());
            submenus.emplace_back(key, sub);
            it = submenus.end() - 1;
        }
        parent = it->second;
        start = slash + 1;
    }
    AppendMenuW(parent, MF_STRING | flags, id, to_wide(path.substr(start)).c_str());
}

}  // namespace cor
