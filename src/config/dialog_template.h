// Dialog layouts written as tables in dialog units and turned into
// in-memory dialog templates, so the dialogs need no resource section and
// work the same from the component's library and from a test program.
#pragma once

#include <windows.h>

#include <span>
#include <vector>

namespace vesk {

// Predefined control classes, by their template atoms.
enum class control_kind : WORD {
    button = 0x0080,
    edit = 0x0081,
    label = 0x0082,
    list = 0x0083,
    combo = 0x0085,
    tab = 0,  // by class name
};

struct t_dialog_item {
    int id;
    control_kind kind;
    const wchar_t* text;
    DWORD style;  // besides WS_CHILD | WS_VISIBLE
    short x, y, cx, cy;
};

struct t_dialog_layout {
    const wchar_t* title;  // null for a child page
    DWORD style;
    short cx, cy;
    std::span<const t_dialog_item> items;
};

// The template's words, aligned as the platform wants them.
std::vector<WORD> build_dialog_template(const t_dialog_layout& layout);

// A modeless dialog from a layout; `param` reaches WM_INITDIALOG.
HWND create_dialog(const t_dialog_layout& layout, HWND parent, DLGPROC proc, LPARAM param);

}  // namespace vesk
