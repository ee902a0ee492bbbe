#include "app/command_line.h"

#include <charconv>

namespace cor {

std::optional<std::string> parse_command_line(const std::vector<std::string>& args,
                                              t_command_line& out) {
    out = {};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::optional<std::string>& slot) -> std::optional<std::string> {
            if (i + 1 >= args.size()) return "missing value for " + a;
            slot = args[++i];
            return std::nullopt;
        };
        if (a == "--profile") {
            if (auto e = value(out.profile)) return e;
        } else if (a == "--watch") {
            if (auto e = value(out.watch)) return e;
        } else if (a == "--eval") {
            if (auto e = value(out.eval)) return e;
        } else if (a == "--console") {
            if (auto e = value(out.console_file)) return e;
        } else if (a == "--screenshot") {
            if (auto e = value(out.screenshot)) return e;
        } else if (a == "--screenshot-window") {
            if (auto e = value(out.screenshot_window_title)) return e;
            if (auto e = value(out.screenshot_window_file)) return e;
        } else if (a == "--open-config") {
            out.open_config = true;
        } else if (a == "--open-palette") {
            out.open_palette = true;
        } else if (a == "--open-preferences") {
            out.open_preferences = true;
        } else if (a == "--output-file") {
            if (auto e = value(out.output_file)) return e;
        } else if (a == "--export-config") {
            if (auto e = value(out.export_config)) return e;
        } else if (a == "--import-config") {
            if (auto e = value(out.import_config)) return e;
        } else if (a == "--format") {
            if (auto e = value(out.format)) return e;
        } else if (a == "--no-component") {
            out.no_component = true;
        } else if (a == "--play") {
            out.play = true;
        } else if (a == "--list-panels") {
            out.list_panels = true;
        } else if (a == "--list-commands") {
            out.list_commands = true;
        } else if (a == "--exit-after") {
            std::optional<std::string> text;
            if (auto e = value(text)) return e;
            long long ms = 0;
            const char* end = text->data() + text->size();
            const auto r = std::from_chars(text->data(), end, ms);
            if (r.ec != std::errc() || r.ptr != end || ms < 0)
                return "bad number for --exit-after: " + *text;
            out.exit_after_ms = ms;
        } else if (a == "--library-add") {
            std::optional<std::string> folder;
            if (auto e = value(folder)) return e;
            out.library_add.push_back(*folder);
        } else if (a == "--add") {
            // Every following argument up to the next flag is a path.
            size_t before = out.add.size();
            while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0)
                out.add.push_back(args[++i]);
            if (out.add.size() == before) return "missing value for --add";
        } else {
            return "unknown argument: " + a;
        }
    }
    // The watched folder is the profile folder.
    if (out.watch && out.profile && *out.watch != *out.profile)
        return "--watch and --profile name different folders";
    if (out.watch) out.profile = out.watch;
    return std::nullopt;
}

}  // namespace cor
