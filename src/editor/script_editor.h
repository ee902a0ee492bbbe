// The script editor of the configuration dialog's "Script" page: a rich
// edit control that shows the script being edited, with a status line
// under the text.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace vesk {
// Creates the colouring script editor (a "RichEdit20W" control) as a child of
// `parent` with control id `control_id` at `rect` (client coordinates). Its text
// is read and written with WM_GETTEXT/WM_SETTEXT (UTF-16) and made read-only
// with EM_SETREADONLY like any rich edit; it is destroyed with its parent.
HWND create_script_editor(HWND parent, int control_id, const RECT& rect);
// Shows a line of status under the text (e.g. a compile error with its
// position); an empty text hides it.
void set_script_editor_status(HWND editor, std::string_view utf8_text);
// The status line shown now (UTF-8); empty when hidden.
std::string script_editor_status(HWND editor);
}  // namespace vesk
