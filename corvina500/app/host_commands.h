// The Host's own main-menu commands (File, Edit, View, Playback, Library,
// Help), its context-menu items on tracks and its keyboard shortcuts,
// offered as the same services components use, in one menu tree with the
// components' groups and commands.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/host_menus.h"
#include "app/shortcut_table.h"
#include "user_interface.h"

namespace cor {

class player_core;
class loaded_component;
class preferences_window;
class host_config_store;

// {3F8E2A71-9C04-4B6D-A5E3-7D1B0C9F2E48}
inline constexpr guid command_play_pause{
    0x3f8e2a71, 0x9c04, 0x4b6d, {0xa5, 0xe3, 0x7d, 0x1b, 0x0c, 0x9f, 0x2e, 0x48}};
// {3F8E2A71-9C04-4B6D-A5E3-7D1B0C9F2E49}
inline constexpr guid command_stop{
    0x3f8e2a71, 0x9c04, 0x4b6d, {0xa5, 0xe3, 0x7d, 0x1b, 0x0c, 0x9f, 0x2e, 0x49}};
// {3F8E2A71-9C04-4B6D-A5E3-7D1B0C9F2E4A}
inline constexpr guid command_next{
    0x3f8e2a71, 0x9c04, 0x4b6d, {0xa5, 0xe3, 0x7d, 0x1b, 0x0c, 0x9f, 0x2e, 0x4a}};
// {3F8E2A71-9C04-4B6D-A5E3-7D1B0C9F2E4B}
inline constexpr guid command_previous{
    0x3f8e2a71, 0x9c04, 0x4b6d, {0xa5, 0xe3, 0x7d, 0x1b, 0x0c, 0x9f, 0x2e, 0x4b}};
// {3F8E2A71-9C04-4B6D-A5E3-7D1B0C9F2E4C}
inline constexpr guid command_random{
    0x3f8e2a71, 0x9c04, 0x4b6d, {0xa5, 0xe3, 0x7d, 0x1b, 0x0c, 0x9f, 0x2e, 0x4c}};

// What the commands ask of the user. Tests replace it.
class host_dialogs {
public:
    virtual ~host_dialogs() = default;
    // Chosen paths; empty when cancelled.
    virtual std::vector<std::string> open_files(const char* title, bool playlists_only,
                                                bool multiple) = 0;
    virtual std::string save_playlist_file(const char* title) = 0;
    virtual std::string choose_folder(const char* title) = 0;
    virtual void message(const char* title, const std::string& text) = 0;
    // One line of text typed, starting from `initial`; empty when cancelled.
    virtual std::string ask_text(const char* title, const char* label,
                                 const std::string& initial) = 0;
    // Shows the file in its folder.
    virtual void reveal(const std::string& path) = 0;
};
std::unique_ptr<host_dialogs> make_system_dialogs();

class host_commands {
public:
    host_commands(player_core& core, std::string profile_folder = {},
                  std::unique_ptr<host_dialogs> dialogs = make_system_dialogs());
    ~host_commands();
    host_commands(const host_commands&) = delete;
    host_commands& operator=(const host_commands&) = delete;

    // Adds a component's groups, commands and context items, and its name
    // for the About box.
    void attach(const loaded_component& component);
    // Drops every component's services, before their libraries unload.
    void detach_components();

    menu_tree& menus() { return tree_; }
    // The Preferences window that File > Preferences opens; attach() adds
    // the components' pages to it.
    preferences_window& preferences();
    bool execute(const guid& command) { return tree_.execute(command); }
    [[nodiscard]] bool restart_requested() const { return restart_; }
    // A key-down message: true when it ran a shortcut.
    bool process_keydown(uintptr_t key);

    service_ptr_t<mainmenu_manager> mainmenu_service() { return tree_.mainmenu_service(); }
    service_ptr_t<contextmenu_manager> contextmenu_service() { return tree_.contextmenu_service(); }
    service_ptr_t<keyboard_shortcut_manager> shortcut_service();

    // The keys and the commands they run; the Preferences window edits them.
    shortcut_table& shortcuts() { return shortcuts_; }

    // The shortcuts and where the Preferences window stood, from and to the
    // store; a damaged value is reported and the defaults kept.
    void load(const host_config_store& store, const std::function<void(std::string_view)>& console);
    void save(host_config_store& store) const;

    class impl;

private:
    std::unique_ptr<impl> impl_;
    menu_tree tree_;
    menu_tree::t_mark own_;
    shortcut_table shortcuts_;
    bool restart_ = false;
};

}  // namespace cor
