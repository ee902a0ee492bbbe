// corvina500.exe started as a user or a reviewer starts it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "e2e/process.h"
#include "support/case_table.h"
#include "support/test_folder.h"

namespace {

using cor_test::run_player;

class PlayerProcess : public ::testing::Test {
protected:
    const cor_test::test_folder folder;
    const std::wstring profile = folder.dir().wstring();
};

// Runs whose whole result is what they print (the README's first example
// prints one too).
TEST_F(PlayerProcess, RunsPrintTheirResult) {
    for (const auto& row : cor_test::read_case_table("e2e/data/runs.tsv", 4)) {
        const std::string& line = row.fields[0];
        std::vector<std::wstring> args;
        for (const auto& a : cor_test::split_arguments(line))
            args.push_back(a == "PROFILE" ? profile : cor_test::widen(a));
        const auto r = run_player(args);
        const auto asked = [&](size_t field, const std::string& got) {
            return row.fields[field] == "-" ? row.fields[field] : got;
        };
        EXPECT_EQ(asked(1, std::to_string(r.exit_code)), row.fields[1])
            << row.where << ": " << line;
        EXPECT_EQ(asked(2, r.out), row.fields[2]) << row.where << ": " << line;
        EXPECT_TRUE(row.fields[3] == "-" || r.err.find(row.fields[3]) != std::string::npos)
            << row.where << ": " << line << "\n"
            << r.err;
    }
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

// The configuration dialog and the palette as a reviewer captures them:
// opened by a flag, saved by title before shutdown.
TEST_F(PlayerProcess, ToolWindowsOpenByFlagAndAreCapturedByTitle) {
    for (const auto& [flag, title] : {std::pair{L"--open-config", L"Vesk UI Configuration"},
                                      std::pair{L"--open-palette", L"Palette"}}) {
        const std::wstring shot = profile + L"\\" + title + L".png";
        auto r = run_player({L"--profile", profile, flag, L"--exit-after", L"1500",
                             L"--screenshot-window", title, shot});
        EXPECT_EQ(r.exit_code, 0) << r.err;
        EXPECT_EQ(cor_test::read_bytes(shot).substr(0, 8), "\x89PNG\r\n\x1a\n") << r.err;
    }
}

}  // namespace
