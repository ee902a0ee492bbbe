// The player's command line: automation flags for tests, benchmarks and
// users. Pure; arguments arrive already converted to UTF-8.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cor {

struct t_command_line {
    std::optional<std::string> profile;
    // --watch DIR: the profile made from the folder DIR, read again at each save.
    std::optional<std::string> watch;
    std::optional<std::string> eval;
    std::optional<std::string> console_file;
    std::optional<std::string> screenshot;
    std::optional<std::string> format;
    std::optional<std::string> output_file;
    std::optional<std::string> export_config;
    std::optional<std::string> import_config;
    // --screenshot-window TITLE FILE.png
    std::optional<std::string> screenshot_window_title;
    std::optional<std::string> screenshot_window_file;
    std::optional<long long> exit_after_ms;
    std::vector<std::string> add;
    std::vector<std::string> library_add;
    bool no_component = false;
    bool play = false;
    bool list_panels = false;
    bool list_commands = false;
    bool open_config = false;
    bool open_palette = false;
    bool open_preferences = false;
};

// Returns an error text on a bad flag, a missing value or a bad number.
std::optional<std::string> parse_command_line(const std::vector<std::string>& args,
                                              t_command_line& out);

inline constexpr const char* usage_text =
    "usage: corvina500 [--profile DIR] [--watch DIR] [--eval SCRIPT] [--exit-after MS] [--console "
    "FILE] "
    "[--screenshot FILE.png] [--screenshot-window TITLE FILE.png] [--open-config] "
    "[--open-palette] "
    "[--open-preferences] [--output-file "
    "FILE.wav] [--format SCRIPT] [--no-component] [--play] "
    "[--list-panels] [--list-commands] [--export-config FILE] [--import-config FILE] [--add "
    "PATH...] [--library-add FOLDER]";

}  // namespace cor
