// Script-built popup menus: named menus of items with a command script and
// an optional check script, kept in creation order for the whole run, and
// how one becomes a platform menu and is shown at the mouse pointer.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "folded_index.h"
#include "panel/panel_definitions.h"
#include "user_interface.h"

namespace vesk {

// The component's group at the top of the Host's main menu.
inline constexpr char own_group_name[] = "Vesk";

struct menu_deleter {
    void operator()(HMENU m) const {
        if (m) DestroyMenu(m);
    }
};
using menu_handle = std::unique_ptr<std::remove_pointer_t<HMENU>, menu_deleter>;

struct popupmenu_item {
    std::string text;  // a leading "-" makes a separator
    std::string command;
    std::string check;
    [[nodiscard]] bool is_separator() const { return !text.empty() && text.front() == '-'; }
};

struct popupmenu_group {
    std::string name;
    // Changed only through set and remove, which keep `index` in step.
    std::vector<popupmenu_item> items;
    cor::folded_index index;

    // By text, ignoring case; null when absent.
    popupmenu_item* find(std::string_view text);
    // Replaces the scripts of the item with that text (keeping its place),
    // or appends a new item.
    void set(std::string_view text, std::string command, std::string check);
    bool remove(std::string_view text);
};

class popupmenu_list {
public:
    static popupmenu_list& instance();
    // False when a menu of that name (ignoring case) exists.
    bool create(std::string_view name);
    bool remove(std::string_view name);
    popupmenu_group* find(std::string_view name);
    void clear() {
        menus_.clear();
        index_.clear();
    }

private:
    std::vector<popupmenu_group> menus_;
    cor::folded_index index_;  // by name
};

// Whether item `index` shows a check mark: its check script, prepared and
// run outside any window with _index and _count, yields a leading integer
// other than 0. Never in safe mode.
bool popup_item_checked(const popupmenu_group& menu, size_t index);
// The platform menu: item i has the command number i + 1, for the first
// popup_shown_items items (a longer menu takes the platform minutes to
// lay out, and no one picks from it).
inline constexpr size_t popup_shown_items = 4000;
HMENU build_popup(const popupmenu_group& menu);
// Runs the command script of item `index` with _index, _count and _checked.
void run_popup_item(const popupmenu_group& menu, size_t index);

// "halign:" and "valign:" words to TrackPopupMenu flags; nothing for an
// unknown word.
std::optional<UINT> halign_flags(std::string_view word);
std::optional<UINT> valign_flags(std::string_view word);

// Shows `menu` at the mouse pointer with the main window as owner and
// returns the chosen command number (0: none). Tests put their own
// chooser in place of the platform's tracking.
using popup_chooser = UINT (*)(HMENU menu, UINT flags, HWND owner);
popup_chooser set_popup_chooser(popup_chooser chooser);
UINT track_popup(HMENU menu, UINT align_flags);
// The same at a screen point with `owner` as the menu's owner.
UINT track_popup_at(HMENU menu, UINT flags, POINT at, HWND owner);

// The Host's main menu as one popup: a submenu per group, built from the
// commands' paths; command number i + 1 is the Host's command i, and the
// numbers after the commands pick a panel type of "Easy creating".
struct t_mainmenu_popup {
    menu_handle root{CreatePopupMenu()};
    std::vector<cor::guid> commands;
    std::vector<t_panel_type_info> panels;
};
t_mainmenu_popup build_mainmenu_popup(cor::mainmenu_manager& host);
// Runs what was chosen from such a popup; 0 (nothing chosen) counts as
// done. False when the choice ran nothing.
bool run_mainmenu_choice(cor::mainmenu_manager& host, const t_mainmenu_popup& popup, UINT chosen);

}  // namespace vesk
