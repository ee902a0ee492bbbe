#include "config/config_pages.h"

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

#include <string_view>
#include <vector>

#include "config/config_page.h"
#include "config/config_transfer.h"
#include "config/dialog_template.h"
#include "editor/script_editor.h"
#include "host/identity.h"
#include "host/script_path.h"
#include "host/settings.h"
#include "panel/panel_definitions.h"
#include "panel/panel_file.h"
#include "registry/tray_state.h"
#include "registry/window_registry.h"
#include "registry/window_services.h"
#include "script/stored_scripts.h"
#include "utf8.h"
#include "window/script_window.h"
#include "window/tray_icon.h"

namespace vesk {

namespace id = config_id;

namespace {

std::wstring system_choose_file(HWND owner, bool save, const wchar_t* title, const wchar_t* filter,
                                const wchar_t* extension, const std::wstring& start) {
    std::wstring buffer(MAX_PATH * 4, L'\0');
    buffer.replace(0, std::min(start.size(), buffer.size() - 1), start);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = extension;
    ofn.Flags = OFN_EXPLORER | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    return ok ? std::wstring(buffer.c_str()) : std::wstring();
}

UINT system_track_menu(HMENU menu, HWND owner) {
    POINT at;
    GetCursorPos(&at);
    return static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr));
}

t_page_dialogs g_dialogs{system_choose_file, system_track_menu};

}  // namespace

std::wstring window_text(HWND wnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(wnd)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(wnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

namespace {

constexpr DWORD push = WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD check = WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD edit = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD group = BS_GROUPBOX;
constexpr DWORD page_style = WS_CHILD | DS_CONTROL | DS_3DLOOK;
constexpr auto button = control_kind::button;
constexpr auto label = control_kind::label;

// "Window" (111) and "Panel" (112) share their first rows.
#define DEFINITION_ROWS                                                       \
    {0, button, L"List", group, 4, 2, 126, 206},                              \
        {id::list, control_kind::list,                                        \
         L"",      WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY,          \
         10,       14,                                                        \
         114,      130},                                                      \
        {id::add, button, L"&Add", push, 10, 148, 54, 14},                    \
        {id::remove, button, L"&Remove", push, 70, 148, 54, 14},              \
        {id::show, button, L"&Show", push, 10, 166, 36, 14},                  \
        {id::hide, button, L"&Hide", push, 49, 166, 36, 14},                  \
        {id::close, button, L"&Close", push, 88, 166, 36, 14},                \
        {0, button, L"Propeties", group, 136, 2, 160, 70},                    \
        {id::id_label, label, L"ID: ", SS_LEFT, 142, 18, 36, 10},             \
        {id::id_edit, control_kind::edit, L"", edit, 180, 16, 110, 13},       \
        {id::display_label, label, L"Display: ", SS_LEFT, 142, 36, 36, 10}, { \
        id::display_edit, control_kind::edit, L"", edit, 180, 34, 110, 13     \
    }

constexpr t_dialog_item window_items[] = {DEFINITION_ROWS};
constexpr t_dialog_item panel_items[] = {
    DEFINITION_ROWS,
    {id::component_label, label, L"Component: ", SS_LEFT, 142, 54, 40, 10},
    {id::component_text, label, L"", SS_LEFT | SS_NOPREFIX, 184, 54, 106, 10},
    {id::settings, button, L"&Settings...", push, 142, 80, 60, 14},
    {id::export_panel, button, L"&Export", push, 142, 98, 60, 14},
    {id::import_panel, button, L"&Import", push, 206, 98, 60, 14},
};
#undef DEFINITION_ROWS

constexpr t_dialog_item script_items[] = {
    {id::event_label, label, L"Event: ", SS_LEFT, 4, 6, 28, 10},
    {id::script_target, control_kind::combo, L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 34, 4,
     120, 160},
    {id::script_event, control_kind::combo, L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 160, 4,
     136, 200},
};

constexpr t_dialog_item option_items[] = {
    {0, button, L"Tasktray", group, 4, 2, 292, 52},
    {id::tray_none, button, L"No control (default)", WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 10,
     12, 280, 10},
    {id::tray_always, button, L"Display always icon", BS_AUTORADIOBUTTON, 10, 24, 280, 10},
    {id::tray_minimized, button,
     L"When the main window is minimized, display icon and minimize other windows",
     BS_AUTORADIOBUTTON, 10, 36, 284, 10},
    {0, button, L"Script", group | WS_GROUP, 4, 56, 292, 62},
    {id::safe_mode, button, L"Effective safe mode", check, 10, 66, 200, 10},
    {0, label, L"All work to running the vesk ui's title format script is stopped.", SS_LEFT, 22,
     78, 270, 10},
    {id::trim_mode, button, L"Trim mode", check, 10, 92, 200, 10},
    {0, label, L"Run after removing all the spaces and tabs. (outside '')", SS_LEFT, 22, 104, 270,
     10},
    {0, button, L"Backup (UI Settings and Panel datas)", group, 4, 120, 292, 88},
    {0, label, L"Autobackup", SS_LEFT, 10, 134, 50, 10},
    {id::backup_name, control_kind::edit, L"", edit, 62, 132, 178, 13},
    {id::backup_select, button, L"&Select", push, 244, 131, 46, 14},
    {id::backup_start, button, L"Startup", check, 62, 150, 50, 10},
    {id::backup_exit, button, L"Exit", check, 116, 150, 40, 10},
    {id::backup_every, button, L"every", check, 160, 150, 36, 10},
    {id::backup_minutes, control_kind::edit, L"", edit | ES_NUMBER, 198, 148, 30, 13},
    {id::backup_minutes_label, label, L"min", SS_LEFT, 232, 150, 20, 10},
    {id::export_config, button, L"&Export", push, 62, 172, 60, 14},
    {id::import_config, button, L"&Import", push, 128, 172, 60, 14},
};

constexpr t_dialog_layout page_layouts[page_count] = {
    {nullptr, page_style, 300, 212, window_items},
    {nullptr, page_style, 300, 212, panel_items},
    {nullptr, page_style, 300, 212, script_items},
    {nullptr, page_style, 300, 212, option_items},
};
constexpr const wchar_t* page_titles[page_count] = {L"Window", L"Panel", L"Script", L"Option"};

}  // namespace

const t_page_dialogs& page_dialogs() { return g_dialogs; }

t_page_dialogs set_page_dialogs(const t_page_dialogs& dialogs) {
    const t_page_dialogs old = g_dialogs;
    g_dialogs = dialogs;
    return old;
}

config_pages::config_pages(HWND host, HWND tab) : tab_(tab) {
    pages_ = {make_window_page(), make_panel_page(), make_script_page(), make_option_page()};
    // The tabs first: their row decides where the pages go.
    for (int i = 0; i < page_count; ++i) {
        TCITEMW tab_item{};
        tab_item.mask = TCIF_TEXT;
        tab_item.pszText = const_cast<wchar_t*>(page_titles[i]);
        SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&tab_item));
    }
    RECT area;
    GetClientRect(tab, &area);
    TabCtrl_AdjustRect(tab, FALSE, &area);
    MapWindowPoints(tab, host, reinterpret_cast<POINT*>(&area), 2);
    for (int i = 0; i < page_count; ++i) {
        HWND page = create_dialog(page_layouts[i], host, config_page::proc,
                                  reinterpret_cast<LPARAM>(pages_[i].get()));
        SetWindowPos(page, HWND_TOP, area.left, area.top, area.right - area.left,
                     area.bottom - area.top, SWP_NOACTIVATE);
    }
    select(page_window);
}

config_pages::~config_pages() {
    // The page windows die with their host; they must not reach their
    // objects afterwards.
    for (auto& p : pages_)
        if (p && IsWindow(p->wnd)) SetWindowLongPtrW(p->wnd, DWLP_USER, 0);
}

void config_pages::select(int index) {
    if (index < 0 || index >= page_count) return;
    SendMessageW(tab_, TCM_SETCURSEL, index, 0);
    for (int i = 0; i < page_count; ++i) ShowWindow(pages_[i]->wnd, i == index ? SW_SHOW : SW_HIDE);
}

void config_pages::on_tab_change() {
    select(static_cast<int>(SendMessageW(tab_, TCM_GETCURSEL, 0, 0)));
}

HWND config_pages::page(int index) const {
    return index >= 0 && index < page_count ? pages_[index]->wnd : nullptr;
}

void config_pages::show_window_script(const cor::guid& window, size_t slot) {
    show_script(*pages_[page_script], window, slot);
    select(page_script);
}

}  // namespace vesk
