// The script editor of the configuration pages: a rich-edit control
// ("RichEdit20W") whose painting is replaced by the component's own, which
// colours the script's functions, fields, quoted text, comments, commas and
// brackets and pairs the bracket at the caret. Fonts and colours come from
// "tfeditor.ini" in the Host's profile folder, read when the editor is made.
//
// Only the visible lines are tokenised per paint: the state at each line's
// start is cached and dropped from the first changed character onward, so
// a paint at the end of a long script costs what one at its start does.
// Texts of "limit_text_size" characters or more are left to the control's
// own plain painting.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace vesk {

// Creates the colouring script editor (a "RichEdit20W" control) as a child of
// `parent` with control id `control_id` at `rect` (client coordinates). Its text
// is read and written with WM_GETTEXT/WM_SETTEXT (UTF-16) and made read-only
// with EM_SETREADONLY like any rich edit; it is destroyed with its parent.
// Null when the rich-edit library cannot be loaded.
HWND create_script_editor(HWND parent, int control_id, const RECT& rect);

// Shows a line of status under the text (e.g. a compile error with its
// position); an empty text hides it. The line is drawn by the editor in a
// strip at the bottom of its own client area, which the text no longer
// covers while the line shows; it takes one line of the editor's font.
void set_script_editor_status(HWND editor, std::string_view utf8_text);
// The status line shown now (empty when hidden or not an editor).
std::string script_editor_status(HWND editor);

// The context menu's commands, in the menu's order (separators apart). The
// menu is built when the right button is released or the context-menu key
// pressed, and each command is carried out by the control's own editing.
enum script_editor_command : UINT {
    editor_undo = 1,
    editor_redo,
    editor_cut,
    editor_copy,
    editor_paste,
    editor_delete,
    editor_select_all,
};
// Carries out one of the menu's commands as choosing it does.
void run_script_editor_command(HWND editor, UINT command);

}  // namespace vesk
