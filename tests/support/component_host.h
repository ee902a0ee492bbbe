// Starts the Host's services and the component in this process, the way
// corvina500 does, and captures console lines for the tests.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/console_impl.h"
#include "app/host_api_impl.h"
#include "app/host_commands.h"
#include "corvina500/player/player_core.h"
#include "panels/console_history.h"
#include "ui_extension.h"
#include "user_interface.h"

namespace cor_test {

// The first visible window of `window_class` that this thread owns (a menu
// or a box opened by the code under test, not by another test program on
// the display); null when none shows.
HWND visible_thread_window(const wchar_t* window_class);

class component_host {
public:
    component_host();
    ~component_host();

    // Runs a script as the component's test bench does.
    std::string eval(const std::string& script);
    // Console lines printed since the last call.
    std::vector<std::string> take_lines();

    cor::host_api_impl& api() { return api_; }
    // The Host's player, on a clock the test drives and without sound.
    cor::player_core& player() { return player_; }
    cor::manual_clock& clock() { return clock_; }
    // The Host's panel types, as the component reaches them.
    cor::ui_extension::panel_manager& panels() { return *panels_; }

    // Starts the component's user interface as the Host does; the main
    // window's handle, or null.
    HWND start_ui();
    void stop_ui();
    // Handles every waiting message, for at most `ms` milliseconds.
    void pump(unsigned ms = 50);
    // {00000000-0000-0000-0000-0000000000AA}: the test menu's "Do It".
    static constexpr cor::guid test_command{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0xAA}};
    // Main-menu commands the component ran, in order.
    std::vector<cor::guid> commands;
    // The Host's menu tree with the component's groups, commands and
    // context items in it; its context menu is the one scripts reach.
    cor::host_commands& menus() { return *menus_; }

private:
    cor::host_console console_;
    cor::host_api_impl api_;
    std::vector<std::string> lines_;
    cor::manual_clock clock_;
    cor::player_core player_;
    cor::service_ptr_t<cor::console_history> history_;
    cor::service_ptr_t<cor::ui_extension::panel_manager> panels_;
    std::unique_ptr<cor::host_commands> menus_;
    cor::service_ptr_t<cor::user_interface> ui_;
};

}  // namespace cor_test
