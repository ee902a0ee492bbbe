// What the configuration pages share: the base class of a page (its
// dialog and the messages it handles), the dialogs the pages ask of the
// user, and how each page is made.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cfg_var.h"
#include "config/config_pages.h"
#include "script/stored_scripts.h"
#include "utf8.h"

namespace vesk {

std::wstring window_text(HWND wnd);
// The file and menu dialogs in place (set_page_dialogs).
const t_page_dialogs& page_dialogs();

// A fresh id: `base` with blanks made "_", then a counter from 1 while the
// id is taken.
template <class Taken>
std::string unique_id(std::string base, Taken taken) {
    for (char& ch : base)
        if (ch == ' ' || ch == '\t') ch = '_';
    std::string id = base;
    for (int n = 1; taken(id); ++n) id = base + std::to_string(n);
    return id;
}

// The stored window scripts of each event, "Load" to "Activate".
std::array<cor::cfg_stringlist_t*, window_script_count> window_script_lists();

// One page: its dialog, and the messages it handles.
class config_page {
public:
    virtual ~config_page() = default;
    HWND wnd = nullptr;

    static INT_PTR CALLBACK proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_INITDIALOG) {
            auto* self = reinterpret_cast<config_page*>(lp);
            SetWindowLongPtrW(wnd, DWLP_USER, lp);
            self->wnd = wnd;
            self->loading_ = true;
            self->on_init();
            self->loading_ = false;
            return TRUE;
        }
        auto* self = reinterpret_cast<config_page*>(GetWindowLongPtrW(wnd, DWLP_USER));
        if (!self) return FALSE;
        if (msg == WM_COMMAND) {
            if (!self->loading_)
                self->on_command(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
            return TRUE;
        }
        return FALSE;
    }

protected:
    virtual void on_init() = 0;
    virtual void on_command(int control, int code, HWND from) = 0;

    HWND item(int control) const { return GetDlgItem(wnd, control); }
    std::string text_of(int control) const { return cor::to_utf8(window_text(item(control))); }
    // Sets a control's text without taking it for the user's edit.
    void set_text(int control, std::string_view text) {
        const bool was = std::exchange(loading_, true);
        SetWindowTextW(item(control), cor::to_wide(text).c_str());
        loading_ = was;
    }
    void set_check(int control, bool on) {
        CheckDlgButton(wnd, control, on ? BST_CHECKED : BST_UNCHECKED);
    }
    bool checked(int control) const { return IsDlgButtonChecked(wnd, control) == BST_CHECKED; }
    void enable(const std::vector<int>& controls, bool on) {
        for (int c : controls) EnableWindow(item(c), on);
    }

    bool loading_ = false;
};

std::unique_ptr<config_page> make_window_page();
std::unique_ptr<config_page> make_panel_page();
std::unique_ptr<config_page> make_script_page();
std::unique_ptr<config_page> make_option_page();
// Shows the script of event `slot` of window definition `window` on the
// "Script" page made by make_script_page.
void show_script(config_page& script_page, const cor::guid& window, size_t slot);

}  // namespace vesk
