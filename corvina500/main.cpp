#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/player_app.h"
#include "utf8.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Read as UTF-16 so non-ASCII scripts and paths survive.
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(cor::to_utf8(argv[i]));
    LocalFree(argv);

    cor::t_command_line cl;
    if (auto error = cor::parse_command_line(args, cl)) {
        const std::string text = "corvina500: " + *error + "\n" + cor::usage_text + "\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()),
                  &written, nullptr);
        return 2;
    }
    return cor::run_player(cl);
}
