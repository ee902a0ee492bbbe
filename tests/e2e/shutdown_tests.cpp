// Ending the run while a script holds a popup menu or a message box open:
// the exit timer, closing the main window and the session's end close that
// loop first and then shut down as usual, On Quit and saving included.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>

#include "e2e/process.h"
#include "e2e/store_writer.h"
#include "e2e/wav_file.h"

namespace {

constexpr const char* on_quit = "1BE4168D-F21A-4CD5-89EB-B6D17680569B";
constexpr const char* on_timer = "AF3C335F-F7F6-46F0-822B-1BC1B5C26890";
constexpr const char* main_guid = "6B999F1C-01BD-426E-8B09-7A0D58F4A788";

struct t_open_loop {
    const char* name;
    const char* on_timer;
};

// Each timer tick opens another, inside the one already open.
constexpr t_open_loop open_loops[] = {
    {"popup menu", "$popupmenu_create(m)$popupmenu_additem(m,item,x)$popupmenu_view(m)"},
    {"message box", "$msgbox(waiting,box,0)"},
    {"message box with yes and no", "$msgbox(waiting,box,4)"},
    {"box over a menu",
     "$if($hash(menu),$msgbox(waiting,box,0),$hash(menu,1)"
     "$popupmenu_create(m)$popupmenu_additem(m,item,x)$popupmenu_view(m))"},
};

class ShutdownRun : public ::testing::Test {
protected:
    // A main window whose Open script starts a timer that opens the loop.
    void write_profile(const std::string& timer) {
        cor_test::store_writer store;
        store.guid_list("BA9BB3A4-DD31-4F09-A4F6-8C799D4A0176", {main_guid});
        store.text_list("FC354353-8A11-480B-A5D6-DA229C5EA542", {"main"});
        store.text_list("C5904F23-D970-4DA9-ABCA-53708639CA5E", {"Main"});
        store.text_list("B3E31867-FD17-49D1-98C6-261667B39AB3", {""});
        store.text_list("DB955C5B-E23E-4C93-81E2-1FBD4D5E68FC", {"$settimer(t,400)"});
        store.text(on_timer, "$console(opening)" + timer);
        store.text(on_quit, "$console(quit ran)");
        stored = store.bytes();
        ASSERT_TRUE(cor_test::write_file(profile + L"\\corvina500.cfgstore", stored));
    }
    void TearDown() override { cor_test::remove_tree(profile); }
    // The loop opened, the run ended by itself, On Quit ran and the store
    // was written again.
    void expect_normal_shutdown(const cor_test::t_process_result& r, const char* what) {
        EXPECT_EQ(r.exit_code, 0) << what;
        const std::string lines = cor_test::read_file(console);
        EXPECT_NE(lines.find("opening"), std::string::npos) << what << "\n" << lines;
        EXPECT_NE(lines.find("quit ran"), std::string::npos) << what << "\n" << lines;
        EXPECT_NE(cor_test::read_file(profile + L"\\corvina500.cfgstore"), stored) << what;
        DeleteFileW(console.c_str());
    }
    std::wstring profile = cor_test::make_temp_folder(L"exit");
    std::wstring console = profile + L"\\console.txt";
    std::string stored;
};

class OpenLoopAtExit : public ShutdownRun, public ::testing::WithParamInterface<t_open_loop> {};

TEST_P(OpenLoopAtExit, TheExitTimerEndsItAndShutsDown) {
    write_profile(GetParam().on_timer);
    const auto r = cor_test::run_player(
        {L"--profile", profile, L"--console", console, L"--exit-after", L"2500"}, 40000);
    expect_normal_shutdown(r, GetParam().name);
}

// A window of the player's of class `cls` (a visible one unless `hidden`),
// waited for.
HWND player_window(DWORD pid, const wchar_t* cls, bool hidden) {
    struct t_search {
        DWORD pid;
        const wchar_t* cls;
        bool hidden;
        HWND found;
    } search{pid, cls, hidden, nullptr};
    for (int waited = 0; waited < 20000 && !search.found; waited += 50) {
        EnumWindows(
            [](HWND wnd, LPARAM lp) {
                auto* s = reinterpret_cast<t_search*>(lp);
                DWORD owner = 0;
                GetWindowThreadProcessId(wnd, &owner);
                wchar_t name[64] = L"";
                GetClassNameW(wnd, name, 64);
                if (owner != s->pid || std::wstring(name) != s->cls) return TRUE;
                if (!s->hidden && !IsWindowVisible(wnd)) return TRUE;
                s->found = wnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(50);
    }
    return search.found;
}

// Each way of ending the run from outside, once the loop's window shows.
struct t_ending {
    const char* name;
    std::function<void(DWORD pid)> end;
};

const t_ending endings[] = {
    {"closing the main window",
     [](DWORD pid) {
         HWND main = player_window(pid, L"cor_ui_vesk_window_class", false);
         ASSERT_TRUE(main);
         PostMessageW(main, WM_CLOSE, 0, 0);
     }},
    {"the session ending",
     [](DWORD pid) {
         HWND session = player_window(pid, L"corvina500_session", true);
         ASSERT_TRUE(session);
         DWORD_PTR answer = 0;
         EXPECT_TRUE(SendMessageTimeoutW(session, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                         SMTO_ABORTIFHUNG, 10000, &answer));
         EXPECT_EQ(answer, TRUE);
         SendMessageTimeoutW(session, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                             20000, &answer);
     }},
};

TEST_F(ShutdownRun, ClosingTheMainWindowOrTheSessionsEndEndsAnOpenLoopFirst) {
    const struct {
        const t_open_loop& loop;
        const wchar_t* window_class;
    } loops[] = {{open_loops[0], L"#32768"}, {open_loops[1], L"#32770"}};
    for (const auto& loop : loops) {
        for (const t_ending& e : endings) {
            const std::string what = std::string(loop.loop.name) + ", " + e.name;
            write_profile(loop.loop.on_timer);
            const auto r = cor_test::run_player(
                {L"--profile", profile, L"--console", console, L"--exit-after", L"60000"}, 40000,
                [&](unsigned long pid) {
                    ASSERT_TRUE(player_window(pid, loop.window_class, false)) << what;
                    e.end(pid);
                });
            expect_normal_shutdown(r, what.c_str());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Loops, OpenLoopAtExit, ::testing::ValuesIn(open_loops),
                         [](const auto& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 if (isalnum(static_cast<unsigned char>(*p))) name += *p;
                             return name;
                         });

}  // namespace
