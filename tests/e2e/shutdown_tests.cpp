// Ending the run while a script holds a popup menu or a message box open:
// the exit timer, closing the main window and the session's end close that
// loop first and then shut down as usual, On Quit and saving included.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "e2e/process.h"
#include "e2e/store_writer.h"
#include "support/test_folder.h"

namespace {

// What opens the loop; each timer tick opens another, inside the one
// already open. `window_class` is the loop's window.
struct t_open_loop {
    const char* name;
    const char* on_timer;
    const wchar_t* window_class;
};

constexpr t_open_loop popup_menu{
    "popup menu", "$popupmenu_create(m)$popupmenu_additem(m,item,x)$popupmenu_view(m)", L"#32768"};
constexpr t_open_loop message_box{"message box", "$msgbox(waiting,box,0)", L"#32770"};

HWND player_window(DWORD pid, const wchar_t* cls, bool hidden = false) {
    return cor_test::wait_for_window(pid, nullptr, [&](HWND w) {
        return cor_test::class_is(w, cls) && (hidden || IsWindowVisible(w));
    });
}

// Each way of ending the run, once the loop's window shows; none leaves it
// to the exit timer.
struct t_ending {
    const char* name;
    std::function<void(DWORD pid)> end;
};

const t_ending exit_timer{"the exit timer", {}};
const t_ending close_main{"closing the main window", [](DWORD pid) {
                              HWND main = player_window(pid, L"cor_ui_vesk_window_class");
                              ASSERT_TRUE(main);
                              PostMessageW(main, WM_CLOSE, 0, 0);
                          }};
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

const t_ending session_end{"the session ending",
                           [](DWORD pid) { end_session(pid, L"cor_ui_vesk_window_class"); }};

TEST(ShutdownRun, EveryEndingClosesAnOpenLoopFirstAndShutsDownAsUsual) {
    const struct {
        t_open_loop loop;
        const t_ending& ending;
    } cases[] = {
        {popup_menu, exit_timer},
        {message_box, exit_timer},
        {{"message box with yes and no", "$msgbox(waiting,box,4)", nullptr}, exit_timer},
        {{"box over a menu",
          "$if($hash(menu),$msgbox(waiting,box,0),$hash(menu,1)"
          "$popupmenu_create(m)$popupmenu_additem(m,item,x)$popupmenu_view(m))",
          nullptr},
         exit_timer},
        {popup_menu, close_main},
        {popup_menu, session_end},
        {message_box, close_main},
        {message_box, session_end},
    };
    for (const auto& c : cases) {
        const std::string what = std::string(c.loop.name) + ", " + c.ending.name;
        const cor_test::test_folder folder;
        const std::wstring profile = folder.dir().wstring();
        const std::wstring console = profile + L"\\console.txt";
        // A main window whose Open script starts a timer that opens the loop.
        cor_test::store_writer store;
        store.guid_list("BA9BB3A4-DD31-4F09-A4F6-8C799D4A0176",
                        {"6B999F1C-01BD-426E-8B09-7A0D58F4A788"});
        store.text_list("FC354353-8A11-480B-A5D6-DA229C5EA542", {"main"});
        store.text_list("DB955C5B-E23E-4C93-81E2-1FBD4D5E68FC", {"$settimer(t,400)"});
        store.text("AF3C335F-F7F6-46F0-822B-1BC1B5C26890",
                   "$console(opening)" + std::string(c.loop.on_timer));
        store.text("1BE4168D-F21A-4CD5-89EB-B6D17680569B", "$console(quit ran)");
        const std::string stored = store.bytes();
        ASSERT_TRUE(cor_test::write_bytes(profile + L"\\corvina500.cfgstore", stored));

        const auto r = cor_test::run_player({L"--profile", profile, L"--console", console,
                                             L"--exit-after", c.ending.end ? L"60000" : L"2500"},
                                            40000, [&](unsigned long pid) {
                                                if (!c.ending.end) return;
                                                ASSERT_TRUE(player_window(pid, c.loop.window_class))
                                                    << what;
                                                c.ending.end(pid);
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
    const std::wstring store = profile + L"\\corvina500.cfgstore";
    const auto r =
        cor_test::run_player({L"--profile", profile, L"--no-component", L"--exit-after", L"60000"},
                             40000, [](unsigned long pid) {
                                 ASSERT_TRUE(player_window(pid, L"corvina500_basic_window"));
                                 end_session(pid, L"corvina500_session");
                             });
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_FALSE(cor_test::read_bytes(store).empty());
}

}  // namespace
