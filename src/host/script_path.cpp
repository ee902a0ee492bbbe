#include "host/script_path.h"

#include "host/host_services.h"
#include "utf8.h"

namespace vesk {

std::wstring script_path(std::string_view path) {
    if (path.empty() || path[0] != '/') return cor::to_wide(path);
    // The profile location is a URL ("file://C:\..."): the folder follows its last "/".
    std::string folder = host::profile_path();
    if (const size_t slash = folder.find_last_of('/'); slash != std::string::npos)
        folder.erase(0, slash + 1);
    folder += '\\';
    folder += path.substr(1);
    return cor::to_wide(folder);
}

}  // namespace vesk
