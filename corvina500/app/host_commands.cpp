#include "app/host_commands.h"

#include <windows.h>

#include "app/player_core.h"
#include "utf8.h"

namespace cor {
namespace {

// Playback orders are commands too, numbered after this identifier.
constexpr guid order_command_base{
    0x3f8e2a71, 0x9c04, 0x4b6d, {0xa5, 0xe3, 0x7d, 0x1b, 0x0c, 0x9f, 0x2f, 0x00}};

guid order_command(size_t index) {
    guid g = order_command_base;
    g.data4[7] = static_cast<uint8_t>(index);
    return g;
}

bool is_order_command(const guid& g, size_t& index) {
    guid base = g;
    base.data4[7] = 0;
    if (base != order_command_base) return false;
    index = g.data4[7];
    return true;
}

class mainmenu_impl : public mainmenu_manager {
public:
    explicit mainmenu_impl(host_commands& c) : commands_(c) {}
    bool execute_command(const guid& command) override { return commands_.execute(command); }
    size_t get_command_count() override { return commands_.commands().size(); }
    bool get_command(size_t index, guid& id, string_sink& path) override {
        if (index >= commands_.commands().size()) return false;
        const auto& c = commands_.commands()[index];
        id = c.id;
        path.write(c.path.data(), c.path.size());
        return true;
    }
    bool find_command_by_name(const char* name, size_t length, guid& id) override {
        const std::string_view wanted(name, length);
        for (const auto& c : commands_.commands()) {
            const std::string_view own = std::string_view(c.path).substr(c.path.rfind('/') + 1);
            if (iequals_utf8(own, wanted)) {
                id = c.id;
                return true;
            }
        }
        return false;
    }

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
                 {'Q', true, mainmenu_manager::command_exit}},
      commands_{{mainmenu_manager::command_exit, "File/Exit"},
                {mainmenu_manager::command_restart, "File/Restart"},
                {command_play_pause, "Playback/Play or Pause"},
                {command_stop, "Playback/Stop"},
                {command_next, "Playback/Next"},
                {command_previous, "Playback/Previous"},
                {command_random, "Playback/Random"}} {
    string_out name;
    for (size_t i = 0, n = core.playlists().playback_order_get_count(); i < n; ++i) {
        name.text.clear();
        if (core.playlists().playback_order_get_name(i, name))
            commands_.push_back({order_command(i), "Playback/Order/" + name.text});
    }
}

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
    if (command == command_random) {
        core_.playback().random();
        return true;
    }
    if (size_t order = 0; is_order_command(command, order))
        return core_.playlists().playback_order_set_active(order);
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
