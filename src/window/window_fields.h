// The fields of a script's own window (and of another window, for $w).
#pragma once

#include <span>
#include <string_view>

#include "script/fields.h"
#include "window/window_list.h"

namespace vesk {

// `folded` is one of the window field names; false otherwise.
bool resolve_window_field(const t_window_info& window, std::string_view folded, t_field_value& out);

// Every window field name.
std::span<const std::string_view> window_field_names();

}  // namespace vesk
