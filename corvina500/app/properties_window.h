// The Properties dialog of the context menu: a track's tags and technical
// information, one row each.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "corvina500/core/track_info.h"

namespace cor {

inline constexpr wchar_t properties_class_name[] = L"corvina500_properties";

// Tags first (a multi-value tag joined with "; "), then the location, length,
// size and stream information.
std::vector<std::pair<std::string, std::string>> track_property_rows(const t_track_info& track);

// Opens a window listing the rows; it closes itself with Escape or its
// close button. Returns its handle.
void* show_properties_window(const t_track_info& track);

}  // namespace cor
