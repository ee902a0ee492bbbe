// Ending the run while a script holds a popup menu or a message box open:
// the exit timer, closing the main window and the session's end close that
// loop first and then shut down as usual, On Quit and saving included.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "e2e/process.h"
#include "e2e/store_writer.h"
#include "support/case_table.h"
#include "support/test_folder.h"

namespace {

HWND player_window(DWORD pid, const wchar_t* cls, bool hidden = false) {
    return cor_test::wait_for_window(pid, nullptr, [&](HWND w) {
        return cor_test::class_is(w, cls) && (hidden || IsWindowVisible(w));
    });
}

// The session's end as the platform tells it, to the player's window of
// `window_class`: the interface's main window, or without one the Host's
// own hidden window.
void end_session(DWORD pid, const wchar_t* window_class) {
    HWND session = player_window(pid, window_class, true);
    ASSERT_TRUE(session);
    DWORD_PTR answer = 0;
    EXPECT_TRUE(SendMessageTimeoutW(session, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                    SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(answer, TRUE);
    SendMessageTimeoutW(session, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 20000,
                        &answer);
}

// The rows of data/shutdown.tsv: the profile "looping" of data/profiles.tsv,
// whose timer opens the row's loop at each tick, inside the one already open.
TEST(ShutdownRun, EveryEndingClosesAnOpenLoopFirstAndShutsDownAsUsual) {
    for (const auto& row : cor_test::read_case_table("e2e/data/shutdown.tsv", 4)) {
        const std::string& ending = row.fields[3];
        const std::string what = row.where + ": " + row.fields[0] + ", " + ending;
        const cor_test::test_folder folder;
        const std::wstring profile = folder.dir().wstring();
        const std::wstring console = profile + L"\\console.txt";
        cor_test::store_writer store = cor_test::profile_store("looping");
        store.text("AF3C335F-F7F6-46F0-822B-1BC1B5C26890", "$console(opening)" + row.fields[1]);
        const std::string stored = store.bytes();
        ASSERT_TRUE(cor_test::write_bytes(profile + L"\\corvina500.cfgstore", stored));

        const auto r = cor_test::run_player(
            {L"--profile", profile, L"--console", console, L"--exit-after",
             ending == "timer" ? L"2500" : L"60000"},
            40000, [&](unsigned long pid) {
                if (ending == "timer") return;
                ASSERT_TRUE(player_window(pid, cor_test::widen(row.fields[2]).c_str())) << what;
                if (ending == "session") return end_session(pid, L"cor_ui_vesk_window_class");
                HWND main = player_window(pid, L"cor_ui_vesk_window_class");
                ASSERT_TRUE(main) << what;
                PostMessageW(main, WM_CLOSE, 0, 0);
            });
        // The loop opened, the run ended by itself, On Quit ran and the
        // store was written again.
        EXPECT_EQ(r.exit_code, 0) << what;
        const std::string lines = cor_test::read_bytes(console);
        EXPECT_NE(lines.find("opening"), std::string::npos) << what << "\n" << lines;
        EXPECT_NE(lines.find("quit ran"), std::string::npos) << what << "\n" << lines;
        EXPECT_NE(cor_test::read_bytes(profile + L"\\corvina500.cfgstore"), stored) << what;
    }
}

// Without the interface the Host hears the session's end on a window of
// its own, and saves before the process ends.
TEST(ShutdownRun, TheBarePlayerSavesAtTheSessionsEnd) {
    const cor_test::test_folder folder;
    const std::wstring profile = folder.dir().wstring();
    const auto r =
        cor_test::run_player({L"--profile", profile, L"--no-component", L"--exit-after", L"60000"},
                             40000, [](unsigned long pid) {
                                 ASSERT_TRUE(player_window(pid, L"corvina500_basic_window"));
                                 end_session(pid, L"corvina500_session");
                             });
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_FALSE(cor_test::read_bytes(profile + L"\\corvina500.cfgstore").empty());
}

}  // namespace
