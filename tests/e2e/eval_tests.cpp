// corvina500.exe started as a user or a reviewer starts it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "e2e/process.h"

namespace {

using cor_test::run_player;

class PlayerProcess : public ::testing::Test {
protected:
    std::wstring profile = cor_test::make_temp_folder(L"profile");
    void TearDown() override { cor_test::remove_tree(profile); }
};

TEST_F(PlayerProcess, EvalPrintsTheResultAndNothingElse) {
    const auto r =
        run_player({L"--profile", profile, L"--eval", L"[%artist% - ]$upper(abc)$add(1,2)"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "ABC3");
}

TEST_F(PlayerProcess, EvalOutputIsByteForByte) {
    const auto r = run_player({L"--profile", profile, L"--eval", L"a$crlf()b$char(10)c"});
    EXPECT_EQ(r.out, "a\r\nb\nc");
}

TEST_F(PlayerProcess, NonAsciiScriptsSurviveTheCommandLine) {
    const auto r =
        run_player({L"--profile", profile, L"--eval", L"$len(\u660e\u5f8c\u65e5)|\u00e9t\u00e9"});
    EXPECT_EQ(r.out, "3|\xc3\xa9t\xc3\xa9");
}

// East-Asian wide characters take two cells where the system's code page
// is a double-byte one, and one (as the Western code page has no such
// characters) elsewhere. A run made for one code page names it, so that it
// cannot pass by skipping.
TEST_F(PlayerProcess, WidthFollowsTheSystemsCodePage) {
    if (const char* expected = std::getenv("COR_EXPECT_ACP")) {
        ASSERT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
    }
    const auto r = run_player({L"--profile", profile, L"--eval",
                               L"$len2(\u65e5\u672ca)|$len2(\uff76\uff85)|$len(\u65e5\u672ca)"});
    if (GetACP() == 932)
        EXPECT_EQ(r.out, "5|2|3");
    else if (GetACP() == 1252)
        EXPECT_EQ(r.out, "3|2|3");
    else
        GTEST_SKIP() << "ANSI code page " << GetACP();
}

TEST_F(PlayerProcess, CompilationErrorIsShownAsSuch) {
    const auto r = run_player({L"--profile", profile, L"--eval", L"$add(1,2"});
    EXPECT_EQ(r.out, "[COMPILATION ERROR]");
}

TEST_F(PlayerProcess, ConsoleLinesGoToTheConsoleFile) {
    const std::wstring file = profile + L"\\console.txt";
    const auto r = run_player(
        {L"--profile", profile, L"--console", file, L"--eval", L"$errorlevel(debug)$console(x)"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "");
    const std::string console = cor_test::read_file(file);
    EXPECT_NE(console.find("$console\nx\n"), std::string::npos) << console;
}

TEST_F(PlayerProcess, ConsoleLinesGoToStandardErrorByDefault) {
    const auto r =
        run_player({L"--profile", profile, L"--eval", L"$errorlevel(low)$console(hello)"});
    EXPECT_NE(r.err.find("hello\n"), std::string::npos) << r.err;
}

TEST_F(PlayerProcess, BadFlagPrintsUsageAndExitsWithTwo) {
    const auto r = run_player({L"--frobnicate"});
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_NE(r.err.find("usage: corvina500"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST_F(PlayerProcess, ExitAfterEndsTheMessageLoop) {
    const auto r = run_player({L"--profile", profile, L"--exit-after", L"200"}, 30000);
    EXPECT_EQ(r.exit_code, 0);
}

TEST_F(PlayerProcess, WithoutTheComponentThePlainWindowRunsUntilExit) {
    const auto r =
        run_player({L"--profile", profile, L"--no-component", L"--exit-after", L"300"}, 30000);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err.find("could not open a window"), std::string::npos) << r.err;
}

}  // namespace

namespace {

// The menus as a reviewer sees them: every command path, the component's
// group among the Host's, user commands that outlive the run, and Host
// commands run by path in any case.
TEST_F(PlayerProcess, MenusListAndRunCommandsAcrossRuns) {
    auto r = run_player({L"--profile", profile, L"--list-commands"});
    EXPECT_EQ(r.exit_code, 0);
    for (const char* line :
         {"File/Open...\n", "File/Exit\n", "Edit/Sort/By title\n", "Playback/Order/Random\n",
          "Library/Rescan\n", "Help/About\n", "Vesk/Window/View/corvina500\n",
          "Vesk/Window/Cascade\n", "Vesk/Configuration\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
    EXPECT_EQ(r.out.find("Vesk/User/"), std::string::npos);

    r = run_player({L"--profile", profile, L"--eval",
                    L"$if($mainmenu_set(Louder,'$volume(-3)'),y,n)"
                    L"$if($contextmenu_set(Tag,'$console(%title%)'),y,n)"
                    L"$if($mainmenu_execute('PLAYBACK/order/shuffle (albums)'),y,n)"
                    L"$if($mainmenu_execute(Playback/Nothing),y,n)"});
    EXPECT_EQ(r.out, "yyyn");
    r = run_player({L"--profile", profile, L"--list-commands"});
    EXPECT_NE(r.out.find("\nVesk/User/Louder\n"), std::string::npos) << r.out;
    r = run_player({L"--profile", profile, L"--eval",
                    L"%playback_ordername%|$if($mainmenu_execute(vesk/user/LOUDER),y,n)|%volume%"});
    EXPECT_EQ(r.out, "Shuffle (albums)|y|-3.0000000");
}

}  // namespace

namespace {

// The configuration dialog and the palette as a reviewer captures them:
// opened by a flag, saved by title before shutdown; a title no window has
// is reported.
TEST_F(PlayerProcess, ToolWindowsOpenByFlagAndAreCapturedByTitle) {
    const struct {
        const wchar_t *flag, *title, *file;
    } tools[] = {
        {L"--open-config", L"Vesk UI Configuration", L"\\config.png"},
        {L"--open-palette", L"Palette", L"\\palette.png"},
    };
    for (const auto& t : tools) {
        const std::wstring shot = profile + t.file;
        auto r = run_player({L"--profile", profile, t.flag, L"--exit-after", L"1500",
                             L"--screenshot-window", t.title, shot});
        EXPECT_EQ(r.exit_code, 0) << r.err;
        const std::string png = cor_test::read_file(shot);
        ASSERT_GT(png.size(), 8u) << r.err;
        EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    }

    const std::wstring console = profile + L"\\console.txt";
    auto r = run_player({L"--profile", profile, L"--console", console, L"--exit-after", L"300",
                         L"--screenshot-window", L"No Such Window", profile + L"\\none.png"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(cor_test::read_file(console).find(
                  "corvina500: screenshot-window: no window titled No Such Window"),
              std::string::npos);
}

}  // namespace
