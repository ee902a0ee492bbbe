#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

using cor::parse_command_line;
using cor::t_command_line;

TEST(CommandLine, ReadsEveryFlag) {
    t_command_line cl;
    ASSERT_FALSE(parse_command_line({"--profile",
                                     "p",
                                     "--eval",
                                     "$add(1,2)",
                                     "--exit-after",
                                     "250",
                                     "--console",
                                     "c.txt",
                                     "--screenshot",
                                     "s.png",
                                     "--screenshot-window",
                                     "Vesk UI Configuration",
                                     "w.png",
                                     "--open-config",
                                     "--open-palette",
                                     "--open-preferences",
                                     "--format",
                                     "%title%",
                                     "--no-component",
                                     "--output-file",
                                     "o.wav",
                                     "--list-panels",
                                     "--list-commands",
                                     "--export-config",
                                     "out.config",
                                     "--import-config",
                                     "in.config",
                                     "--add",
                                     "a",
                                     "b"},
                                    cl));
    EXPECT_EQ(cl.profile.value_or(""), "p");
    EXPECT_EQ(cl.eval.value_or(""), "$add(1,2)");
    EXPECT_EQ(cl.exit_after_ms.value_or(-1), 250);
    EXPECT_EQ(cl.console_file.value_or(""), "c.txt");
    EXPECT_EQ(cl.screenshot.value_or(""), "s.png");
    EXPECT_EQ(cl.screenshot_window_title.value_or(""), "Vesk UI Configuration");
    EXPECT_EQ(cl.screenshot_window_file.value_or(""), "w.png");
    EXPECT_TRUE(cl.open_config);
    EXPECT_TRUE(cl.open_palette);
    EXPECT_TRUE(cl.open_preferences);
    EXPECT_EQ(cl.format.value_or(""), "%title%");
    EXPECT_TRUE(cl.no_component);
    EXPECT_EQ(cl.output_file.value_or(""), "o.wav");
    EXPECT_TRUE(cl.list_panels);
    EXPECT_TRUE(cl.list_commands);
    EXPECT_EQ(cl.export_config.value_or(""), "out.config");
    EXPECT_EQ(cl.import_config.value_or(""), "in.config");
    EXPECT_EQ(cl.add, (std::vector<std::string>{"a", "b"}));
}

TEST(CommandLine, AddStopsAtTheNextFlag) {
    t_command_line cl;
    ASSERT_FALSE(parse_command_line({"--add", "x", "y", "--eval", "1"}, cl));
    EXPECT_EQ(cl.add, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(cl.eval.value_or(""), "1");
}

TEST(CommandLine, RejectsBadInput) {
    t_command_line cl;
    for (const auto& args : std::vector<std::vector<std::string>>{{"--bogus"},
                                                                  {"plain"},
                                                                  {"--eval"},
                                                                  {"--output-file"},
                                                                  {"--export-config"},
                                                                  {"--import-config"},
                                                                  {"--screenshot-window"},
                                                                  {"--screenshot-window", "T"},
                                                                  {"--exit-after", "soon"},
                                                                  {"--exit-after", "-5"},
                                                                  {"--exit-after", "10ms"},
                                                                  {"--add"},
                                                                  {"--add", "--eval", "x"}}) {
        const auto error = parse_command_line(args, cl);
        ASSERT_TRUE(error.has_value()) << args.front();
        EXPECT_FALSE(error->empty());
    }
}

TEST(CommandLine, EmptyIsFine) {
    t_command_line cl;
    EXPECT_FALSE(parse_command_line({}, cl));
    EXPECT_FALSE(cl.eval);
}

}  // namespace
