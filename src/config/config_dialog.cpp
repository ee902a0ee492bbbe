#include "config/config_dialog.h"

#include <commctrl.h>

#include <memory>

#include "config/config_pages.h"
#include "config/config_transfer.h"
#include "config/dialog_template.h"
#include "config/palette_window.h"
#include "host/identity.h"
#include "host/service_factory.h"
#include "host/settings.h"
#include "host/ui_state.h"
#include "preferences.h"
#include "registry/window_services.h"
#include "utf8.h"

namespace vesk {

namespace id = config_id;

namespace {

HWND g_dialog = nullptr;
HWND g_page = nullptr;

constexpr DWORD push = WS_TABSTOP | BS_PUSHBUTTON;

constexpr t_dialog_item dialog_items[] = {
    {id::tab, control_kind::tab, L"", WS_TABSTOP, 4, 4, 312, 238},
    {id::palette, control_kind::button, L"palette", push, 4, 248, 50, 14},
    {id::close, control_kind::button, L"&Close", push, 266, 248, 50, 14},
};
constexpr t_dialog_layout dialog_layout{
    L"Vesk UI Configuration",
    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_3DLOOK, 320, 266,
    dialog_items};

constexpr t_dialog_item page_items[] = {
    {id::tab, control_kind::tab, L"", WS_TABSTOP, 0, 0, 312, 238},
};
constexpr t_dialog_layout page_layout{nullptr, WS_CHILD | DS_CONTROL | DS_3DLOOK, 312, 238,
                                      page_items};

constexpr t_dialog_item blocked_items[] = {
    {id::blocked_text, control_kind::label, L"? ? ?", SS_CENTER, 10, 40, 292, 12},
    {id::blocked_safe_mode, control_kind::button, L"Safe mode", WS_TABSTOP | BS_AUTOCHECKBOX, 10,
     70, 120, 10},
    {0, control_kind::label, L"All work to running the vesk ui's title format script is stopped. ",
     SS_LEFT, 22, 84, 280, 10},
};
constexpr t_dialog_layout blocked_layout{nullptr, WS_CHILD | DS_CONTROL | DS_3DLOOK, 312, 238,
                                         blocked_items};

void init_common_controls() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
}

// The dialog or page that holds the tab control with the four pages.
INT_PTR CALLBACK pages_host_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* pages = reinterpret_cast<config_pages*>(GetWindowLongPtrW(wnd, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG: {
            const bool dialog = lp != 0;
            (dialog ? g_dialog : g_page) = wnd;
            auto* made = new config_pages(wnd, GetDlgItem(wnd, id::tab));
            SetWindowLongPtrW(wnd, DWLP_USER, reinterpret_cast<LONG_PTR>(made));
            if (dialog) {
                const WINDOWPLACEMENT& wp_saved = cfg_config_dialog_placement.get();
                // Never closed before: where the platform puts it.
                if (wp_saved.length == sizeof(WINDOWPLACEMENT) &&
                    wp_saved.rcNormalPosition.right > wp_saved.rcNormalPosition.left) {
                    WINDOWPLACEMENT place = wp_saved;
                    place.showCmd = SW_HIDE;
                    SetWindowPlacement(wnd, &place);
                }
            }
            return TRUE;
        }
        case WM_NOTIFY:
            if (pages && reinterpret_cast<NMHDR*>(lp)->idFrom == id::tab &&
                reinterpret_cast<NMHDR*>(lp)->code == TCN_SELCHANGE)
                pages->on_tab_change();
            return TRUE;
        case WM_COMMAND:
            if (wnd != g_dialog) return FALSE;
            if (LOWORD(wp) == id::close || LOWORD(wp) == IDCANCEL)
                DestroyWindow(wnd);
            else if (LOWORD(wp) == id::palette && HIWORD(wp) == BN_CLICKED)
                (void)open_palette();
            return TRUE;
        case WM_CLOSE:
            if (wnd == g_dialog) DestroyWindow(wnd);
            return TRUE;
        case WM_DESTROY:
            if (wnd == g_dialog) {
                WINDOWPLACEMENT place{};
                place.length = sizeof place;
                if (GetWindowPlacement(wnd, &place)) cfg_config_dialog_placement = place;
                g_dialog = nullptr;
            } else if (wnd == g_page) {
                g_page = nullptr;
            }
            SetWindowLongPtrW(wnd, DWLP_USER, 0);
            delete pages;
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK blocked_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG: {
            g_page = wnd;
            const char* text = !ui_state().ui_active  ? "Another user interface is active."
                               : config_dialog_open() ? "Configuration dialog is active."
                                                      : "? ? ?";
            SetDlgItemTextW(wnd, id::blocked_text, cor::to_wide(text).c_str());
            CheckDlgButton(wnd, id::blocked_safe_mode,
                           cfg_safe_mode.get() ? BST_CHECKED : BST_UNCHECKED);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == id::blocked_safe_mode && HIWORD(wp) == BN_CLICKED)
                cfg_safe_mode.set(IsDlgButtonChecked(wnd, id::blocked_safe_mode) == BST_CHECKED);
            return TRUE;
        case WM_DESTROY:
            if (g_page == wnd) g_page = nullptr;
            return TRUE;
        default:
            return FALSE;
    }
}

config_pages* pages_of(HWND host) {
    return host ? reinterpret_cast<config_pages*>(GetWindowLongPtrW(host, DWLP_USER)) : nullptr;
}

class vesk_preferences_page : public cor::preferences_page {
public:
    void* create(void* parent) override {
        return create_preferences_page(static_cast<HWND>(parent));
    }
    void get_name(cor::string_sink& out) override {
        const std::string_view name = component_name;
        out.write(name.data(), name.size());
    }
    // {5D6A3E21-0B7C-4F98-A1D4-7E2C9B058F3A}
    cor::guid get_guid() override {
        return {0x5d6a3e21, 0x0b7c, 0x4f98, {0xa1, 0xd4, 0x7e, 0x2c, 0x9b, 0x05, 0x8f, 0x3a}};
    }
    cor::guid get_parent_guid() override { return cor::preferences_pages::display; }
};

host::service_factory_t<cor::preferences_page, vesk_preferences_page> g_preferences_factory;

}  // namespace

bool config_dialog_open() { return g_dialog != nullptr; }
bool preferences_page_open() { return g_page != nullptr; }
HWND config_dialog_handle() { return g_dialog; }

bool open_config_dialog() {
    if (config_page_active()) return false;
    init_common_controls();
    HWND dialog = create_dialog(dialog_layout, main_window_handle(), pages_host_proc, 1);
    if (!dialog) return false;
    ShowWindow(dialog, SW_SHOW);
    return true;
}

bool open_config_dialog_at_script(const cor::guid& window, size_t slot) {
    if (!g_dialog && !open_config_dialog()) return false;
    if (config_pages* pages = pages_of(g_dialog)) pages->show_window_script(window, slot);
    SetForegroundWindow(g_dialog);
    return true;
}

HWND config_page_window(HWND host, int index) {
    const config_pages* pages = pages_of(host);
    return pages ? pages->page(index) : nullptr;
}

HWND open_script_editor() {
    HWND page = config_page_window(g_dialog ? g_dialog : g_page, page_script);
    return page ? GetDlgItem(page, id::editor) : nullptr;
}

void report_config_page_active(HWND owner) {
    message_box(owner, "Configuraton page is active.", component_name, MB_OK | MB_ICONEXCLAMATION);
}

HWND create_preferences_page(HWND parent) {
    init_common_controls();
    if (!ui_state().ui_active || config_dialog_open())
        return create_dialog(blocked_layout, parent, blocked_proc, 0);
    return create_dialog(page_layout, parent, pages_host_proc, 0);
}

}  // namespace vesk
