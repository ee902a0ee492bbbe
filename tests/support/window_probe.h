// Windows read and driven through their controls, as a user sees and uses
// them: texts, trees, lists, menus, places and painted pixels; and the
// message boxes the code under test shows, recorded instead.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <string_view>
#include <vector>

#include "utf8.h"

namespace cor_test {

inline std::string text_of(HWND wnd) {
    std::wstring buf(static_cast<size_t>(GetWindowTextLengthW(wnd)) + 1, L'\0');
    buf.resize(static_cast<size_t>(GetWindowTextW(wnd, buf.data(), int(buf.size()))));
    return cor::to_utf8(buf);
}
inline std::string text_of(HWND parent, int control) {
    return text_of(GetDlgItem(parent, control));
}

// A window's rectangle as "left,top widthxheight", in the client
// coordinates of `in` when given, else on the screen.
inline std::string place(HWND w, HWND in = nullptr) {
    RECT r{};
    GetWindowRect(w, &r);
    if (in) MapWindowPoints(nullptr, in, reinterpret_cast<POINT*>(&r), 2);
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

// The colour at (x, y) of what a window shows, as it is, or once it has
// painted afresh.
inline COLORREF screen_pixel(HWND wnd, int x, int y) {
    HDC dc = GetDC(wnd);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(wnd, dc);
    return c;
}
inline COLORREF painted_pixel(HWND wnd, int x, int y) {
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    return screen_pixel(wnd, x, y);
}

inline std::string tree_text(HWND tree, HTREEITEM item) {
    wchar_t buf[1024] = L"";
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = buf;
    tv.cchTextMax = 1024;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return cor::to_utf8(buf);
}

// A tree's labels depth first, each indented by two spaces a level, and
// their items.
inline void walk_tree(HWND tree, HTREEITEM first, const std::string& indent,
                      std::vector<std::string>& labels, std::vector<HTREEITEM>& items) {
    for (HTREEITEM i = first; i; i = TreeView_GetNextSibling(tree, i)) {
        labels.push_back(indent + tree_text(tree, i));
        items.push_back(i);
        walk_tree(tree, TreeView_GetChild(tree, i), indent + "  ", labels, items);
    }
}
inline std::vector<std::string> tree_labels(HWND tree) {
    std::vector<std::string> labels;
    std::vector<HTREEITEM> items;
    walk_tree(tree, TreeView_GetRoot(tree), "", labels, items);
    return labels;
}
inline std::vector<std::string> tree_labels(HWND parent, int control) {
    return tree_labels(GetDlgItem(parent, control));
}
// The first item labelled `label`, at any depth.
inline HTREEITEM tree_item(HWND tree, std::string_view label) {
    std::vector<std::string> labels;
    std::vector<HTREEITEM> items;
    walk_tree(tree, TreeView_GetRoot(tree), "", labels, items);
    for (size_t i = 0; i < labels.size(); ++i)
        if (labels[i].substr(labels[i].find_first_not_of(' ')) == label) return items[i];
    return nullptr;
}

// The entries of a list box, or of a combo box.
inline std::vector<std::string> entries(HWND control, bool combo = false) {
    std::vector<std::string> out;
    const auto n = SendMessageW(control, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        wchar_t buf[512] = L"";
        SendMessageW(control, combo ? CB_GETLBTEXT : LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
        out.push_back(cor::to_utf8(buf));
    }
    return out;
}
inline std::vector<std::string> entries(HWND parent, int control, bool combo = false) {
    return entries(GetDlgItem(parent, control), combo);
}

// The text of a list view's cell.
inline std::string cell_text(HWND list, int row, int column) {
    wchar_t buf[256] = L"";
    ListView_GetItemText(list, row, column, buf, 256);
    return cor::to_utf8(buf);
}

// The items of a menu, one level, as the user sees them.
struct t_menu_item {
    std::string text;
    UINT id = 0;
    bool separator = false, checked = false, grayed = false;
    HMENU submenu = nullptr;
};
inline std::vector<t_menu_item> menu_items(HMENU menu) {
    std::vector<t_menu_item> out;
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        wchar_t text[256] = L"";
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        mi.dwTypeData = text;
        mi.cch = 255;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mi);
        out.push_back({cor::to_utf8(text), mi.wID, (mi.fType & MFT_SEPARATOR) != 0,
                       (mi.fState & MFS_CHECKED) != 0, (mi.fState & MFS_GRAYED) != 0, mi.hSubMenu});
    }
    return out;
}

inline void command(HWND parent, int control, int code) {
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(control, code),
                 reinterpret_cast<LPARAM>(GetDlgItem(parent, control)));
}
inline void click(HWND parent, int control) { command(parent, control, BN_CLICKED); }

struct t_box {
    std::string text, caption;
    UINT flags;
};
inline std::vector<t_box> boxes;
inline int box_answer = IDOK;
inline int record_box(HWND, std::string_view text, std::string_view caption, UINT flags) {
    boxes.push_back({std::string(text), std::string(caption), flags});
    return box_answer;
}
// The boxes shown, as "caption: text".
inline std::vector<std::string> shown_boxes() {
    std::vector<std::string> out;
    for (const auto& b : boxes) out.push_back(b.caption + ": " + b.text);
    return out;
}

}  // namespace cor_test
