// The Preferences window: a tree of pages at the left, the chosen page at
// the right. The player's own pages come first; every page a component
// offers sits under the page it names as its parent. One window at a time.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "preferences.h"

namespace cor {

class player_core;
class host_dialogs;
class host_commands;

inline constexpr wchar_t preferences_class_name[] = L"corvina500_preferences";
inline constexpr wchar_t preferences_title[] = L"Preferences";

// Controls of the window and of the player's pages (children of the page).
namespace preferences_id {
enum : int {
    tree = 1000,
    close = 1001,
    volume_step = 1100,
    output_device = 1101,
    output_choice = 1102,
    folders = 1200,
    folder_add = 1201,
    folder_remove = 1202,
    rescan = 1203,
    library_status = 1204,
    shortcuts = 1300,
    shortcut_command = 1301,
    shortcut_key = 1302,
    shortcut_assign = 1303,
    shortcut_remove = 1304,
    shortcut_reset = 1305,
    display_text = 1400,
};
}  // namespace preferences_id

class preferences_window {
public:
    // `dialogs` picks the folders the library page adds; `commands` has the
    // shortcut table its page edits and the commands a key can run.
    preferences_window(player_core& core, host_dialogs& dialogs, host_commands& commands);
    ~preferences_window();
    preferences_window(const preferences_window&) = delete;
    preferences_window& operator=(const preferences_window&) = delete;

    void add_page(service_ptr_t<preferences_page> page);
    // Closes the window and forgets the components' pages, before their
    // libraries unload.
    void clear_pages();

    // Opens the window, or brings the open one to the front; its handle.
    void* open();
    void close();
    [[nodiscard]] void* handle() const;
    // The window of the page shown at the right, or null.
    [[nodiscard]] void* page_handle() const;

    // Where the window stands (or stood when last closed) as
    // "left top width height"; empty before it was ever opened.
    [[nodiscard]] std::string placement() const;
    // Where it opens next; false, and nothing changed, for a bad text. A
    // place on no monitor is ignored when the window opens.
    bool set_placement(std::string_view text);

    class impl;

private:
    std::unique_ptr<impl> impl_;
};

}  // namespace cor
