// The stored scripts: 23 general scripts in slot order and six event
// scripts per window definition, each with the prepared copy that events
// actually run, and the combined read-only listings.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "cfg_var.h"
#include "script/script_run.h"

namespace vesk {

inline constexpr size_t general_script_count = 23;  // slots 1..23; 0 is the listing
inline constexpr size_t window_script_count = 6;    // slots 1..6; 0 is the listing

enum general_slot : size_t {
    slot_on_init = 1,
    slot_on_quit,
    slot_on_timer,
    slot_playback_starting,
    slot_playback_new_track,
    slot_playback_stop,
    slot_playback_seek,
    slot_playback_pause,
    slot_playback_edited,
    slot_playback_time,
    slot_playback_order_changed,
    slot_playlist_activate,
    slot_playlist_created,
    slot_playlist_removed,
    slot_playlist_renamed,
    slot_playlist_reordered,
    slot_item_focus_change,
    slot_item_selection_change,
    slot_item_added,
    slot_item_removed,
    slot_item_modified,
    slot_item_reordered,
    slot_volume_change,
};

inline constexpr std::string_view listing_title = "(All scripts *can't modify)";

// Title of general slot 0..23 ("On Init", ...).
std::string_view general_script_title(size_t slot);
// Title of window event slot 0..6 ("Load", ...).
std::string_view window_script_title(size_t slot);

// The stored text of general slot 1..23.
cor::cfg_string& general_script(size_t slot);
// The prepared copy of general slot 1..23.
const std::string& prepared_general_script(size_t slot);
// That copy compiled, kept until the scripts are prepared again (a timer's
// script runs several times a second); null when empty or it does not
// compile.
compiled_script compiled_general_script(size_t slot);
// The stored and prepared text of event `slot` (1..6) of window definition `index`.
const std::string& window_script(size_t index, size_t slot);
const std::string& prepared_window_script(size_t index, size_t slot);

// Compiles the custom scripts; on failure prints the compile error line
// and where the text went wrong, and keeps the last good definitions. A
// user function that the Host cannot compile is reported (from level low).
bool compile_stored_custom_scripts();
// Re-prepares every stored script; one that the Host cannot compile is
// reported with its place in the stored text (from level low).
void prepare_all();
// After a run of a stored script: its macro references that no #define
// expands, once per preparation, from level high.
void report_undefined_macros(size_t general_slot);
void report_undefined_window_macros(size_t window_index, size_t slot);
void report_undefined_function_macros(std::string_view name);

// What the Host says of `stored` as it would be prepared now, with the
// place in the stored text ("line 2, column 5: ..."); empty when it
// compiles. The custom scripts are checked as custom scripts.
std::string stored_script_error(std::string_view stored);
std::string custom_scripts_compile_error();

std::string combined_general_listing();
std::string combined_window_listing(size_t index);

}  // namespace vesk
