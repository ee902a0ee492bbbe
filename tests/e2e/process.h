// Starts corvina500.exe from the build folder with arguments and collects
// what it writes, for end-to-end tests.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace cor_test {

struct t_process_result {
    int exit_code = -1;
    std::string out;
    std::string err;
};

// A path in the checkout, such as L"profiles\\default", found from
// $COR_TEST_DATA (the tests' sources) or else from the build folder.
std::wstring checkout_path(const std::wstring& rel);
std::wstring widen(const std::string& utf8);
// A command line written in a test's table: arguments split at blanks, a
// "..." group holding blanks.
std::vector<std::string> split_arguments(const std::string& line);
// `during`, when given, runs on the calling thread while the player runs,
// with the player's process id.
t_process_result run_player(const std::vector<std::wstring>& args, unsigned timeout_ms = 60000,
                            const std::function<void(unsigned long)>& during = {});

// The first window of process `pid` (a child of `parent` when one is
// given) that `match` accepts, asked for until `timeout_ms` passes: the
// player makes windows again when what they show changes. Null if none.
HWND wait_for_window(unsigned long pid, HWND parent, const std::function<bool(HWND)>& match,
                     unsigned timeout_ms = 20000);
bool class_is(HWND wnd, const wchar_t* window_class);

}  // namespace cor_test
