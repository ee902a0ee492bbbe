// Saves a window's client area, as it is on screen, to a PNG file.
#pragma once

#include <string>

namespace cor {

// False with a reason when the capture or the file failed.
bool save_client_png(void* wnd, const std::string& path, std::string& error);

}  // namespace cor
