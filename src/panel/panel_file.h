// The panel data file (".panel"): one panel's type name, type GUID and own
// settings, so a panel's settings can leave its object and come back into
// a fresh one. Closing a panel goes through such a file.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "guid.h"

namespace vesk {

struct t_panel_data {
    std::string name;
    cor::guid type = cor::guid_null;
    std::string settings;
};

std::string encode_panel_data(const t_panel_data& data);
// Nothing when the bytes are short or carry more than one record.
std::optional<t_panel_data> decode_panel_data(std::string_view bytes);

// Writes the data of panel definition `definition` (its GUID, looked up in
// the panel GUID list) to `path` through a temporary file renamed into
// place. False when the definition is unknown or unavailable, or the file
// cannot be written.
bool export_panel_data(HWND owner, const std::wstring& path, const cor::guid& definition);
// Reads `path` into the definition's live panel. A file of another panel
// type shows "Unmatch class data." and changes nothing.
bool import_panel_data(HWND owner, const std::wstring& path, const cor::guid& definition);

// Closing a panel: its window goes, its object is replaced by a fresh one
// of the same type that carries the old settings (through a temporary
// panel data file in the profile folder). With `ask_panel` the panel
// object is asked to destroy its window first.
void close_panel(size_t index, bool ask_panel);

// The panels whose window lies in `parent` closed as above (a script
// window is being destroyed).
void close_window_panels(HWND parent);
// At the main window's end: every panel window destroyed, every instance
// released (its settings kept for the store), the runtime records cleared.
void release_all_panels();

}  // namespace vesk
