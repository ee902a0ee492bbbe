// The window-information menu: the context menu of every script window on
// a right click that no mouse map takes. It shows the window's geometry
// and object counts and copies them, opens the window's scripts in the
// configuration dialog, starts the easy-embed tool, refreshes or closes
// the window, and carries the menu items of a panel under the mouse.
// Command numbers are local to one showing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "guid.h"
#include "menu/popup_menus.h"

namespace vesk {

enum info_command : UINT {
    info_objects = 1,  // the object counts: display only
    info_script_load = 3,
    info_script_activate = 8,
    info_window_id = 10,
    info_position,
    info_size,
    info_client_size,
    info_mouse,
    info_embedded,
    info_refresh,
    info_close,
    info_first_embed  // "Embed" entries, then the panel's items
};

class window_info_menu {
public:
    // Built for a right click at screen point `at` in script window `wnd`.
    window_info_menu(HWND wnd, POINT at);

    [[nodiscard]] HMENU menu() const { return menu_.get(); }
    // Carries out a command of this menu; 0 and unknown numbers do nothing.
    void carry_out(UINT command);

private:
    void add_information(HMENU parent);
    void add_embed(HMENU parent);
    void add_panel_items();
    [[nodiscard]] std::string clipboard_text(UINT command) const;
    void refresh();

    HWND wnd_;
    cor::guid id_;
    POINT at_, client_point_;
    RECT window_{}, client_{};
    menu_handle menu_;
    std::vector<std::string> embed_windows_, embed_panels_;
    size_t panel_ = static_cast<size_t>(-1);  // the panel under the mouse
    UINT first_panel_item_ = 0;
    uint32_t panel_items_ = 0;
};

// Builds the menu, shows it at `at` and carries out the choice.
void show_window_info_menu(HWND wnd, POINT at);

}  // namespace vesk
