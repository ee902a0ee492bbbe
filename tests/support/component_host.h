// Starts the Host's services and the component in this process, the way
// corvina500 does, captures console lines for the tests, and puts every
// setting back when it goes, so one test's changes never reach the next.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/console_impl.h"
#include "app/host_api_impl.h"
#include "app/host_commands.h"
#include "cfg_var.h"
#include "corvina500/player/player_core.h"
#include "host/service_factory.h"
#include "panels/console_history.h"
#include "support/thread_windows.h"
#include "ui_extension.h"
#include "user_interface.h"

namespace cor_test {

struct t_case_row;
using lines = std::vector<std::string>;
// What "{name}" stands for in the fields of a case row; also tags.
using names = std::vector<std::pair<std::string, std::string>>;

// A new object of the component's service T, as the Host makes them.
template <class T>
cor::service_ptr_t<T> make_service() {
    for (auto* f : vesk::host::factory_list())
        if (f->get_class_guid() == T::class_guid)
            return cor::service_ptr_t<T>::adopt(static_cast<T*>(f->create_instance()));
    return {};
}

class component_host {
public:
    component_host();
    ~component_host();

    // Runs a script as the component's test bench does.
    std::string eval(const std::string& script);
    // Console lines printed since the last call.
    lines take_lines();
    // The script's output followed by the console lines it printed.
    lines run_lines(const std::string& script);

    // Checks a case row "script, output, console lines" from field `first`
    // on: each "{name}" of `vars` replaced in every field, console lines
    // joined by "\n" and "-" for none, the script run by `run` (the test
    // bench when empty).
    using runner = std::function<std::string(const std::string&)>;
    void expect_row(const t_case_row& row, size_t first = 0, const names& vars = {},
                    const runner& run = {});
    // Every row of the data file `file` (see case_table.h) in order.
    void expect_table(const std::string& file, const names& vars = {}, const runner& run = {});

    cor::host_api_impl& api() { return api_; }
    // The Host's player, on a clock the test drives and without sound.
    cor::player_core& player() { return player_; }
    cor::manual_clock& clock() { return clock_; }
    // The Host's panel types, as the component reaches them.
    cor::ui_extension::panel_manager& panels() { return *panels_; }
    // A track the player knows, tagged with its title and `tags`.
    cor::track_ptr track(const std::string& path, const std::string& title, double seconds = 10,
                         const names& tags = {});
    // A new playlist holding `tracks`; its index.
    size_t playlist(const std::string& name, const std::vector<cor::track_ptr>& tracks,
                    const bool* selected = nullptr);

    // Starts the component's user interface as the Host does; the main
    // window's handle, or null.
    HWND start_ui();
    void stop_ui();
    // Handles every waiting message, for at most `ms` milliseconds.
    void pump(unsigned ms = 50) { cor_test::pump(ms); }
    // {00000000-0000-0000-0000-0000000000AA}: the test menu's "Do It".
    static constexpr cor::guid test_command{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0xAA}};
    // Main-menu commands the component ran, in order.
    std::vector<cor::guid> commands;
    // The Host's menu tree with the component's groups, commands and
    // context items in it; its context menu is the one scripts reach.
    cor::host_commands& menus() { return *menus_; }

private:
    std::map<cor::cfg_var*, std::string> settings_;  // as the test found them
    cor::host_console console_;
    cor::host_api_impl api_;
    lines lines_;
    cor::manual_clock clock_;
    cor::player_core player_;
    cor::service_ptr_t<cor::console_history> history_;
    cor::service_ptr_t<cor::ui_extension::panel_manager> panels_;
    std::unique_ptr<cor::host_commands> menus_;
    cor::service_ptr_t<cor::user_interface> ui_;
};

}  // namespace cor_test
