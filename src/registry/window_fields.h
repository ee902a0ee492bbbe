// The fields of a script's own window (and of another window, for $w).
#pragma once

#include <span>
#include <string_view>

#include "registry/window_list.h"
#include "script/fields.h"
#include "script/script_context.h"

namespace vesk {

// `folded` is one of the window field names; false otherwise.
bool resolve_window_field(const t_window_info& window, std::string_view folded, t_field_value& out);

// The fields of the open window a script runs in, as the engine asks.
bool resolve_own_window_field(const t_script_context& context, std::string_view folded,
                              t_field_value& out);

// "mainid", "tasktray" and "tasktray_store"; false for any other name.
bool resolve_main_field(std::string_view folded, t_field_value& out);

// Every window field name.
std::span<const std::string_view> window_field_names();

}  // namespace vesk
