// The settings windows read and driven through their controls, as a user
// sees and uses them, and the message boxes they show recorded instead.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <string_view>
#include <vector>

#include "utf8.h"

namespace settings_probe {

inline std::string text_of(HWND wnd) {
    std::wstring buf(static_cast<size_t>(GetWindowTextLengthW(wnd)) + 1, L'\0');
    buf.resize(static_cast<size_t>(GetWindowTextW(wnd, buf.data(), int(buf.size()))));
    return cor::to_utf8(buf);
}

inline std::string text_of(HWND parent, int control) {
    return text_of(GetDlgItem(parent, control));
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

}  // namespace settings_probe
