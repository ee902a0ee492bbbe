// Component function names (folded to lower case) and their handlers. Only
// implemented functions enter the table; each subsystem adds its own.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "script/tf_hook.h"

namespace vesk {

struct t_function_entry {
    const char* name;
    handler_fn handler;
    // How messages name the function when not "$" + name.
    const char* display = nullptr;
};

// Null when the name is not a component function. Average O(1).
const t_function_entry* find_function(std::string_view folded_name);

// Number of names in the table (aliases count separately).
size_t function_count();

// Every name of the table, in no particular order.
std::vector<std::string_view> function_names();

// Each subsystem's list of functions.
std::span<const t_function_entry> engine_functions();
std::span<const t_function_entry> window_field_functions();
std::span<const t_function_entry> object_functions();
std::span<const t_function_entry> timer_functions();
std::span<const t_function_entry> loop_functions();
std::span<const t_function_entry> window_functions();
std::span<const t_function_entry> frame_functions();
std::span<const t_function_entry> look_functions();
std::span<const t_function_entry> sizing_functions();
std::span<const t_function_entry> placement_functions();
std::span<const t_function_entry> window_query_functions();
std::span<const t_function_entry> fade_functions();
std::span<const t_function_entry> tray_functions();
std::span<const t_function_entry> map_functions();
std::span<const t_function_entry> button_functions();
std::span<const t_function_entry> combobox_functions();
std::span<const t_function_entry> tooltip_functions();
std::span<const t_function_entry> control_functions();
std::span<const t_function_entry> mainmenu_functions();
std::span<const t_function_entry> popupmenu_functions();
std::span<const t_function_entry> playback_functions();
std::span<const t_function_entry> playlist_functions();
std::span<const t_function_entry> playlist_format_functions();
std::span<const t_function_entry> playlist_save_functions();
std::span<const t_function_entry> string_functions();
std::span<const t_function_entry> regexp_functions();
std::span<const t_function_entry> split_functions();
std::span<const t_function_entry> drawing_functions();
std::span<const t_function_entry> panel_functions();
std::span<const t_function_entry> file_functions();
std::span<const t_function_entry> command_functions();
std::span<const t_function_entry> store_file_functions();
std::span<const t_function_entry> album_art_functions();

}  // namespace vesk
