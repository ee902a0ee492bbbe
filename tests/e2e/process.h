// Starts corvina500.exe from the build folder with arguments and collects
// what it writes, for end-to-end tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace cor_test {

struct t_process_result {
    int exit_code = -1;
    std::string out;
    std::string err;
};

// The build folder: where the test program and corvina500.exe live.
std::wstring build_folder();
// `during`, when given, runs on the calling thread while the player runs,
// with the player's process id.
t_process_result run_player(const std::vector<std::wstring>& args, unsigned timeout_ms = 60000,
                            const std::function<void(unsigned long)>& during = {});
// A new empty folder under the temporary folder.
std::wstring make_temp_folder(const std::wstring& tag);
void remove_tree(const std::wstring& path);
std::string read_file(const std::wstring& path);

}  // namespace cor_test
