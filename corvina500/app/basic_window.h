// The player's own plain window, shown when no component draws the user
// interface: the active playlist, what plays, and play/pause and stop.
#pragma once

#include <memory>

namespace cor {

class player_core;

class basic_window {
public:
    explicit basic_window(player_core& core);
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
