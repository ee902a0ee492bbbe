// The palette: a tool window beside the script editor with the window and
// panel ids, the function, variable and guide references read from the
// texts beside the component, the Host's menu commands, a test bench and
// the captured console. One at a time for the whole component; the console
// capture posts it console_refresh_message while it is visible, and the
// main window destroys it when it closes.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "host/console_capture.h"

namespace vesk {

inline constexpr wchar_t palette_class_name[] = L"cor_ui_vesk_palette";
inline constexpr const char* palette_title = "Palette";

// Control identifiers of the palette.
namespace palette_id {
inline constexpr int windows = 100, panels = 101, run = 103, clear = 104;
inline constexpr int tab = 110;
inline constexpr int functions_tree = 111, functions_text = 112;
inline constexpr int variables_tree = 113, variables_text = 114;
inline constexpr int mainmenu_tree = 115, context_tree = 116;
inline constexpr int test_script = 117, test_result = 118, test_console = 119;
inline constexpr int readme_tree = 120, readme_text = 121;
}  // namespace palette_id

enum palette_tab : int {
    tab_win,
    tab_panel,
    tab_vesk,
    tab_var,
    tab_mainmenu,
    tab_context,
    tab_test,
    tab_readme,
    palette_tab_count
};

// Creates the palette when there is none and shows it; its handle, or
// null when it could not be made.
HWND open_palette();
// The palette goes (the main window closes, the component unloads).
void destroy_palette();
void unregister_palette_class();

// Where the reference texts are read from: the component's own folder
// unless set (tests point it elsewhere; empty restores the default).
void set_reference_folder(const std::wstring& folder);

// The console view: every message oldest first, each prefixed with its
// local capture time as "[hh:mm:ss] ".
[[nodiscard]] std::string console_view_text(const std::deque<t_message>& messages);

// A menu tree built from command paths: each "/"-separated part one level,
// each distinct part once under its parent, siblings sorted.
struct t_menu_node {
    std::string label;
    std::vector<t_menu_node> children;
};
[[nodiscard]] std::vector<t_menu_node> menu_tree(const std::vector<std::string>& paths);

}  // namespace vesk
