// The Host's main-menu commands and keyboard shortcuts, offered to
// components as services.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "user_interface.h"

namespace cor {

class player_core;

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

class host_commands {
public:
    explicit host_commands(player_core& core);

    struct t_command {
        guid id;
        std::string path;  // "Playback/Order/Random"
    };
    [[nodiscard]] const std::vector<t_command>& commands() const { return commands_; }

    // Exit ends the message loop; restart does too and asks for a new run.
    bool execute(const guid& command);
    [[nodiscard]] bool restart_requested() const { return restart_; }
    // A key-down message: true when it ran a shortcut.
    bool process_keydown(uintptr_t key);

    service_ptr_t<mainmenu_manager> mainmenu_service();
    service_ptr_t<keyboard_shortcut_manager> shortcut_service();

private:
    struct t_shortcut {
        uintptr_t key;
        bool ctrl;
        guid command;
    };
    player_core& core_;
    bool restart_ = false;
    std::vector<t_shortcut> shortcuts_;
    std::vector<t_command> commands_;
};

}  // namespace cor
