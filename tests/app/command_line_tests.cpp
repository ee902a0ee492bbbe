#include <gtest/gtest.h>

#include "app/command_line.h"
#include "e2e/process.h"
#include "support/case_table.h"

namespace {

// What the parse kept, in the table's words.
std::string kept(const cor::t_command_line& c) {
    std::string out;
    const auto add = [&](const std::string& name, const std::string& value) {
        const bool blanks = value.find(' ') != std::string::npos;
        out += " " + name + (value.empty() ? "" : "=") + (blanks ? '"' + value + '"' : value);
    };
    const std::pair<const char*, const std::optional<std::string>*> texts[] = {
        {"profile", &c.profile},
        {"eval", &c.eval},
        {"console_file", &c.console_file},
        {"screenshot", &c.screenshot},
        {"format", &c.format},
        {"output_file", &c.output_file},
        {"export_config", &c.export_config},
        {"import_config", &c.import_config},
        {"screenshot_window_title", &c.screenshot_window_title},
        {"screenshot_window_file", &c.screenshot_window_file},
    };
    for (const auto& [name, value] : texts)
        if (*value) add(name, **value);
    if (c.exit_after_ms) add("exit_after_ms", std::to_string(*c.exit_after_ms));
    for (const auto& path : c.add) add("add", path);
    const std::pair<const char*, bool> flags[] = {
        {"no_component", c.no_component},         {"play", c.play},
        {"list_panels", c.list_panels},           {"list_commands", c.list_commands},
        {"open_config", c.open_config},           {"open_palette", c.open_palette},
        {"open_preferences", c.open_preferences},
    };
    for (const auto& [name, on] : flags)
        if (on) add(name, "");
    return out.empty() ? "nothing" : out.substr(1);
}

TEST(CommandLine, KeepsEveryFlagAndRefusesBadLines) {
    for (const auto& row : cor_test::read_case_table("app/data/command_lines.tsv", 2)) {
        const std::string& line = row.fields[0];
        cor::t_command_line cl;
        const auto error = cor::parse_command_line(cor_test::split_arguments(line), cl);
        if (row.fields[1] == "error") {
            ASSERT_TRUE(error.has_value()) << row.where << ": " << line;
            EXPECT_FALSE(error->empty()) << row.where << ": " << line;
        } else {
            EXPECT_FALSE(error.has_value())
                << row.where << ": " << line << ": " << error.value_or("");
            EXPECT_EQ(kept(cl), row.fields[1]) << row.where << ": " << line;
        }
    }
}

}  // namespace
