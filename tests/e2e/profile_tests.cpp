// Profiles written straight in the store format, as a user's skin would
// have them: windows that open one another at start-up, windows that come
// back at the next start, and scripts that recurse without end.
#include <gtest/gtest.h>

#include "e2e/process.h"
#include "e2e/store_writer.h"
#include "support/test_folder.h"

namespace {

class WrittenProfile : public ::testing::Test {
protected:
    // The store of `name` in data/profiles.tsv.
    void write(const std::string& name) {
        ASSERT_TRUE(cor_test::write_bytes(profile + L"\\corvina500.cfgstore",
                                          cor_test::profile_store(name).bytes()));
    }
    // Runs the player on the profile; its output, then its console lines.
    std::pair<std::string, std::string> run(const std::wstring& script) {
        const auto r =
            cor_test::run_player({L"--profile", profile, L"--console", console, L"--eval", script});
        EXPECT_EQ(r.exit_code, 0);
        return {r.out, cor_test::read_bytes(console)};
    }
    const cor_test::test_folder folder;
    std::wstring profile = folder.dir().wstring();
    std::wstring console = profile + L"\\console.txt";
};

// The main window opens two more at start-up; each script runs in its
// turn, and shutdown closes them in order.
TEST_F(WrittenProfile, StartsOpensItsWindowsAndShutsDownInOrder) {
    write("ordered");
    const auto [out, lines] = run(L"$iswindowvisible(second)$iswindowvisible(third)$tell(x)");
    EXPECT_EQ(out, "11");
    // The lists the profile leaves out are repaired to the length of the GUID list.
    std::string repairs;
    for (const char* list : {"winp", "tf_resize", "tf_move", "tf_activate"})
        for (int i = 0; i < 3; ++i)
            repairs += std::string("cfg_window_") + list + "_list.add_item\n";
    EXPECT_EQ(lines, "Vesk User Interface: Initialize UI\n" + repairs +
                         "Vesk User Interface: Initialize Main Window\n"
                         "init ran\n"
                         "load main\n"
                         "load second\n"
                         "load third\n"
                         "open main\n"
                         "Hello x of 1\n"
                         "Vesk User Interface: Shutdown\n"
                         "quit ran\n"
                         "close second\n"
                         "close third\n");
}

// Main window and two more whose scripts never open one another, so a
// window that is open at the second start can only have come back.
TEST_F(WrittenProfile, OnlyTheVisibleTopLevelWindowComesBack) {
    write("returning");
    const auto first =
        run(L"$window(w1)$window(w2,,,,,hide)$iswindowvisible(w1)$iswindowvisible(w2)");
    EXPECT_EQ(first.first, "10");
    const auto second = run(L"$iswindowvisible(w1)$iswindowvisible(w2)");
    EXPECT_EQ(second.first, "10");
    EXPECT_NE(second.second.find("load w1\n"), std::string::npos) << second.second;
    EXPECT_EQ(second.second.find("load w2"), std::string::npos) << second.second;
    // A window a script has hidden by the exit stays closed at the next start.
    run(L"$showwindow(w1,0)");
    EXPECT_EQ(run(L"$iswindowvisible(w1)$iswindowvisible(w2)").first, "00");
}

// Endless recursion, from On Init and from a script, self and mutual: each
// run prints one line naming the function, goes on, and shuts down
// normally, so what the run changed is saved.
TEST_F(WrittenProfile, EndlessRecursionEndsWithALineAndTheRunIsSaved) {
    write("recursing");

    const auto [out, lines] = run(L"$ping()$volume(-9)$self()");
    // The refused calls wrote nothing; the outermost run and 63 nested runs
    // of $self's body did.
    EXPECT_EQ(out, "-9.0000000" + std::string(63, 'x'));
    const std::string too_deep = ": scripts nested too deep (at most 64 levels), not run\n";
    EXPECT_NE(lines.find("\n$self" + too_deep + "init goes on\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find("\n$pong" + too_deep), std::string::npos) << lines;
    EXPECT_NE(lines.find("\n$self" + too_deep + "Vesk User Interface: Shutdown\n"),
              std::string::npos)
        << lines;
    EXPECT_EQ(run(L"$volume()").first, "-9.0000000");
}

}  // namespace
