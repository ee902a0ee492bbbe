// The settings dialog of the Host's panels: one edit box per value, OK and
// Cancel. The panel checks the values itself; what it refuses keeps the
// dialog open with a line saying so.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "panels/host_panel.h"

namespace cor::panels {

inline constexpr int settings_first_edit = 100;
inline constexpr int settings_error_text = 99;

// Modal over `parent`. `apply` gets the values typed and says whether the
// panel took them. True when OK closed the dialog with values taken.
bool edit_panel_settings(HWND parent, const std::string& title,
                         const std::vector<t_settings_field>& fields, std::vector<uint32_t>& values,
                         const std::function<bool(const std::vector<uint32_t>&)>& apply);

// One text over `parent`, of several lines or of one, with `label` above
// it, in the edit box settings_first_edit. `apply` gets the text typed and
// answers why it is refused, or nothing when it was taken. True when OK
// closed the dialog with the text taken.
bool edit_panel_text(HWND parent, const std::string& title, const std::string& label,
                     std::string text, const std::function<std::string(const std::string&)>& apply,
                     bool lines = true);

// A value as its edit box shows it, and back; false for text that is not one.
std::string settings_value_text(const t_settings_field& field, uint32_t value);
bool parse_settings_value(const t_settings_field& field, const std::string& text, uint32_t& value);

}  // namespace cor::panels
