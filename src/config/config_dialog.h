// The two hosts of the configuration pages: the component's own modeless
// dialog "Vesk UI Configuration", owned by the main window, and the page
// it offers the Host's preferences window. Only one of them is open at a
// time; while either is, choosing a panel from a menu does nothing but
// say so.
#pragma once

#include <windows.h>

#include <cstddef>

#include "guid.h"

namespace vesk {

inline constexpr const char* config_dialog_title = "Vesk UI Configuration";

[[nodiscard]] bool config_dialog_open();
[[nodiscard]] bool preferences_page_open();
[[nodiscard]] inline bool config_page_active() {
    return config_dialog_open() || preferences_page_open();
}
// The open dialog, or null.
HWND config_dialog_handle();

// Opens the dialog at its remembered placement; nothing when either host
// of the pages is already open. False when it did not open.
bool open_config_dialog();
// Opens it (or brings the open one forward) on the "Script" page at event
// `slot` (0 the listing, 1 "Load" to 6 "Activate") of a window definition.
bool open_config_dialog_at_script(const cor::guid& window, size_t slot);

// What a menu shows instead of making a window around a panel while the
// pages are open.
void report_config_page_active(HWND owner);

// The script editor of the "Script" page of whichever host of the pages is
// open; null when neither is.
HWND open_script_editor();

// Page `index` (config_page_index) of the pages inside `host` (the
// dialog or the preferences page); null when `host` holds none.
HWND config_page_window(HWND host, int index);

// The component's page in the Host's preferences window: the four pages,
// or, when they cannot be shown, a note with the "Safe mode" check box.
HWND create_preferences_page(HWND parent);

}  // namespace vesk
