#include "e2e/process.h"

#include <windows.h>

#include <cstdlib>

#include "support/test_folder.h"

namespace cor_test {
namespace {
// One argument for the command line; the tests' arguments hold no quotes,
// so only backslashes before the closing quote need doubling.
std::wstring quote(const std::wstring& arg) {
    return L"\"" + arg + arg.substr(arg.find_last_not_of(L'\\') + 1) + L"\"";
}

// The build folder: where the test program and corvina500.exe live.
std::wstring build_folder() {
    wchar_t buf[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH * 4);
    std::wstring path(buf, n);
    return path.substr(0, path.find_last_of(L"\\/"));
}
}  // namespace

std::wstring widen(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())).wstring();
}

std::wstring checkout_path(const std::wstring& rel) {
    if (const char* data = std::getenv("COR_TEST_DATA"); data && *data) {
        const std::wstring path = widen(data) + L"\\..\\" + rel;
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
    }
    return build_folder() + L"\\..\\..\\" + rel;
}

std::vector<std::string> split_arguments(const std::string& line) {
    std::vector<std::string> out;
    bool quoted = false, open = false;
    for (char c : line) {
        if (c == ' ' && !quoted) {
            open = false;
            continue;
        }
        if (!open) out.emplace_back(), open = true;
        if (c == '"')
            quoted = !quoted;
        else
            out.back() += c;
    }
    return out;
}

t_process_result run_player(const std::vector<std::wstring>& args, unsigned timeout_ms,
                            const std::function<void(unsigned long)>& during) {
    // Standard output and error go to files, not pipes: a program started
    // while the player ran (Wine starts its own services from whichever
    // program first needs them) can inherit them and outlive the player.
    const test_folder folder;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    const auto open = [&](const char* name) {
        return CreateFileW(folder.file(name).c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa,
                           CREATE_ALWAYS, 0, nullptr);
    };
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = open("out");
    si.hStdError = open("err");
    const std::wstring exe = build_folder() + L"\\corvina500.exe";
    std::wstring cmd = quote(exe);
    for (const auto& a : args) cmd += L" " + quote(a);
    PROCESS_INFORMATION pi{};
    const BOOL ok = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   nullptr, &si, &pi);
    CloseHandle(si.hStdOutput);
    CloseHandle(si.hStdError);
    t_process_result r;
    if (ok) {
        if (during) during(pi.dwProcessId);
        if (WaitForSingleObject(pi.hProcess, timeout_ms) != WAIT_OBJECT_0) {
            TerminateProcess(pi.hProcess, 99);
            WaitForSingleObject(pi.hProcess, 10000);
        }
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        r.exit_code = static_cast<int>(code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    } else {
        r.err = "the player did not start: error " + std::to_string(GetLastError()) + "\n";
    }
    r.out = read_bytes(folder.file("out"));
    r.err += read_bytes(folder.file("err"));
    return r;
}

HWND wait_for_window(unsigned long pid, HWND parent, const std::function<bool(HWND)>& match,
                     unsigned timeout_ms) {
    struct t_search {
        unsigned long pid;
        const std::function<bool(HWND)>& match;
        HWND found;
    };
    const WNDENUMPROC visit = [](HWND w, LPARAM p) -> BOOL {
        auto& s = *reinterpret_cast<t_search*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == s.pid && s.match(w)) s.found = w;
        return !s.found;
    };
    for (const ULONGLONG until = GetTickCount64() + timeout_ms;; Sleep(50)) {
        t_search s{pid, match, nullptr};
        if (parent)
            EnumChildWindows(parent, visit, reinterpret_cast<LPARAM>(&s));
        else
            EnumWindows(visit, reinterpret_cast<LPARAM>(&s));
        if (s.found || GetTickCount64() >= until) return s.found;
    }
}

bool class_is(HWND wnd, const wchar_t* window_class) {
    wchar_t name[64] = {};
    GetClassNameW(wnd, name, 64);
    return _wcsicmp(name, window_class) == 0;
}

}  // namespace cor_test
