#include "app/host_commands.h"

#include <windows.h>

#include "app/player_core.h"

namespace cor {
namespace {

class mainmenu_impl : public mainmenu_manager {
public:
    explicit mainmenu_impl(host_commands& c) : commands_(c) {}
    bool execute_command(const guid& command) override { return commands_.execute(command); }

private:
    host_commands& commands_;
};

class shortcut_impl : public keyboard_shortcut_manager {
public:
    explicit shortcut_impl(host_commands& c) : commands_(c) {}
    bool process_keydown(uint32_t msg, uintptr_t wparam, intptr_t) override {
        return (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) && commands_.process_keydown(wparam);
    }

private:
    host_commands& commands_;
};

}  // namespace

host_commands::host_commands(player_core& core)
    : core_(core),
      shortcuts_{{VK_MEDIA_PLAY_PAUSE, false, command_play_pause},
                 {VK_MEDIA_STOP, false, command_stop},
                 {VK_MEDIA_NEXT_TRACK, false, command_next},
                 {VK_MEDIA_PREV_TRACK, false, command_previous},
                 {'Q', true, mainmenu_manager::command_exit}} {}

bool host_commands::execute(const guid& command) {
    if (command == mainmenu_manager::command_exit) {
        PostQuitMessage(0);
        return true;
    }
    if (command == mainmenu_manager::command_restart) {
        restart_ = true;
        PostQuitMessage(0);
        return true;
    }
    if (command == command_play_pause) {
        core_.playback().play_or_pause();
        return true;
    }
    if (command == command_stop) {
        core_.playback().stop();
        return true;
    }
    if (command == command_next) {
        core_.playback().next();
        return true;
    }
    if (command == command_previous) {
        core_.playback().previous();
        return true;
    }
    return false;
}

bool host_commands::process_keydown(uintptr_t key) {
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    for (const auto& s : shortcuts_)
        if (s.key == key && s.ctrl == ctrl) return execute(s.command);
    return false;
}

service_ptr_t<mainmenu_manager> host_commands::mainmenu_service() {
    return service_ptr_t<mainmenu_manager>(new service_impl_t<mainmenu_impl>(*this));
}

service_ptr_t<keyboard_shortcut_manager> host_commands::shortcut_service() {
    return service_ptr_t<keyboard_shortcut_manager>(new service_impl_t<shortcut_impl>(*this));
}

}  // namespace cor
