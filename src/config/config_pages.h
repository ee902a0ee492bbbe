// The four pages that edit the component's settings ("Window", "Panel",
// "Script", "Option"), each a child dialog under a tab control. Both hosts
// of the pages, the configuration dialog and the Host's preferences page,
// make them the same way; every change is stored at once.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <string>

#include "guid.h"

namespace vesk {

// Control identifiers of the pages and their hosts.
namespace config_id {
inline constexpr int tab = 1009;
inline constexpr int close = 8;
inline constexpr int palette = 1000;
// "Window" and "Panel" pages.
inline constexpr int list = 1023, add = 1024, remove = 1025, show = 1015, hide = 1017;
inline constexpr int id_label = 1028, id_edit = 1026, display_label = 1022, display_edit = 1011;
inline constexpr int settings = 1010, export_panel = 1019, import_panel = 1029;
inline constexpr int component_label = 1027, component_text = 1007;
// "Script" page.
inline constexpr int event_label = 1008, script_target = 1012, script_event = 1000;
inline constexpr int editor = 1002;
// "Option" page.
inline constexpr int tray_none = 1018, tray_always = 1020, tray_minimized = 1021;
inline constexpr int safe_mode = 1001, trim_mode = 1006;
inline constexpr int backup_name = 1003, backup_select = 1005;
inline constexpr int backup_start = 1011, backup_exit = 1012, backup_every = 1017;
inline constexpr int backup_minutes = 1015, backup_minutes_label = 1022;
inline constexpr int export_config = 1019, import_config = 1029;
// The page shown instead of the four ("Safe mode" only).
inline constexpr int blocked_text = 1002, blocked_safe_mode = 1001;
}  // namespace config_id

enum config_page_index : int { page_window, page_panel, page_script, page_option, page_count };

// What the pages ask of the user besides message boxes (those go through
// config_transfer's message_box). Tests put recorders here.
struct t_page_dialogs {
    // A save (`save`) or open dialog; the chosen path, empty when cancelled.
    std::wstring (*choose_file)(HWND owner, bool save, const wchar_t* title, const wchar_t* filter,
                                const wchar_t* extension, const std::wstring& start);
    // Shows `menu` at the cursor; the chosen command, 0 for none.
    UINT (*track_menu)(HMENU menu, HWND owner);
};
t_page_dialogs set_page_dialogs(const t_page_dialogs& dialogs);

class config_page;

class config_pages {
public:
    // The pages inside `host`, laid over the display area of its tab control.
    config_pages(HWND host, HWND tab);
    ~config_pages();
    config_pages(const config_pages&) = delete;
    config_pages& operator=(const config_pages&) = delete;

    void select(int index);
    // The tab control changed its selection.
    void on_tab_change();
    [[nodiscard]] HWND page(int index) const;
    // The "Script" page with the script of event `slot` (0 the listing, 1
    // "Load" to 6 "Activate") of window definition `window`.
    void show_window_script(const cor::guid& window, size_t slot);

private:
    HWND tab_;
    std::array<std::unique_ptr<config_page>, page_count> pages_;
};

}  // namespace vesk
