// The player's own plain window, shown when no component draws the user
// interface: the active playlist, what plays, play/pause and stop, and
// the Host's menus.
#pragma once

#include <memory>

namespace cor {

class player_core;
class host_commands;

class basic_window {
public:
    // With `commands`, the window has the Host's main menu as its menu bar
    // and the context menu on the playlist's tracks.
    explicit basic_window(player_core& core, host_commands* commands = nullptr);
    ~basic_window();
    basic_window(const basic_window&) = delete;
    basic_window& operator=(const basic_window&) = delete;

    // False when the window could not be made.
    [[nodiscard]] bool create();
    [[nodiscard]] void* handle() const;

private:
    class impl;
    std::unique_ptr<impl> impl_;
};

}  // namespace cor
