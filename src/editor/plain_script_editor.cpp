// A plain rich edit in the editor's place, without colouring; its status
// line is kept as a window property and shown as the control's tip text.
#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include "editor/script_editor.h"
#include "utf8.h"

namespace vesk {
namespace {

constexpr wchar_t status_property[] = L"vesk_editor_status";

struct rich_edit_library {
    HMODULE module = LoadLibraryW(L"riched20.dll");
};

// The status text dies with the control.
LRESULT CALLBACK editor_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_NCDESTROY) {
        delete static_cast<std::wstring*>(RemovePropW(wnd, status_property));
        RemoveWindowSubclass(wnd, editor_proc, 0);
    }
    return DefSubclassProc(wnd, msg, wp, lp);
}

}  // namespace

HWND create_script_editor(HWND parent, int control_id, const RECT& rect) {
    static rich_edit_library library;
    if (!library.module) return nullptr;
    HWND editor = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"RichEdit20W", L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
            ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL | ES_WANTRETURN,
        rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id)), GetModuleHandleW(nullptr),
        nullptr);
    if (editor) SetWindowSubclass(editor, editor_proc, 0, 0);
    return editor;
}

void set_script_editor_status(HWND editor, std::string_view utf8_text) {
    delete static_cast<std::wstring*>(RemovePropW(editor, status_property));
    if (!utf8_text.empty())
        SetPropW(editor, status_property, new std::wstring(cor::to_wide(utf8_text)));
}

std::string script_editor_status(HWND editor) {
    const auto* text = static_cast<const std::wstring*>(GetPropW(editor, status_property));
    return text ? cor::to_utf8(*text) : std::string();
}

}  // namespace vesk
