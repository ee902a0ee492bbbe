#include "e2e/process.h"

#include <windows.h>

#include <cstdlib>
#include <thread>

namespace cor_test {
namespace {
std::wstring quote(const std::wstring& arg) {
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
        } else if (c == L'"') {
            out.append(backslashes * 2 + 1, L'\\');
            backslashes = 0;
        } else {
            out.append(backslashes, L'\\');
            backslashes = 0;
        }
        if (c != L'\\') out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

// Reads until the pipe closes or, once the player has exited, until nothing
// is left in it: a program started while the player ran (Wine starts its own
// services from whichever program first needs them) can inherit the write
// end and hold it open long after the player is gone.
void drain(HANDLE pipe, HANDLE process, std::string& into) {
    char buf[4096];
    for (;;) {
        DWORD waiting = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr)) return;
        if (waiting) {
            DWORD n = 0;
            const DWORD ask = waiting < sizeof buf ? waiting : DWORD(sizeof buf);
            if (!ReadFile(pipe, buf, ask, &n, nullptr) || !n) return;
            into.append(buf, n);
            continue;
        }
        if (WaitForSingleObject(process, 10) == WAIT_OBJECT_0) {
            if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) || !waiting) return;
        }
    }
}
}  // namespace

std::wstring build_folder() {
    wchar_t buf[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH * 4);
    std::wstring path(buf, n);
    return path.substr(0, path.find_last_of(L"\\/"));
}

std::wstring widen(const std::string& utf8) {
    std::wstring out(utf8.size(), L'\0');
    const int n = int(utf8.size());
    out.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, out.data(), n));
    return out;
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
    t_process_result r;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE out_read, out_write, err_read, err_write;
    CreatePipe(&out_read, &out_write, &sa, 0);
    CreatePipe(&err_read, &err_write, &sa, 0);
    SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);

    const std::wstring exe = build_folder() + L"\\corvina500.exe";
    std::wstring cmd = quote(exe);
    for (const auto& a : args) cmd += L" " + quote(a);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out_write;
    si.hStdError = err_write;
    PROCESS_INFORMATION pi{};
    const BOOL ok = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   nullptr, &si, &pi);
    CloseHandle(out_write);
    CloseHandle(err_write);
    if (ok) {
        std::thread t_out(drain, out_read, pi.hProcess, std::ref(r.out));
        std::thread t_err(drain, err_read, pi.hProcess, std::ref(r.err));
        if (during) during(pi.dwProcessId);
        if (WaitForSingleObject(pi.hProcess, timeout_ms) != WAIT_OBJECT_0)
            TerminateProcess(pi.hProcess, 99);
        t_out.join();
        t_err.join();
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        r.exit_code = static_cast<int>(code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(out_read);
    CloseHandle(err_read);
    return r;
}

std::vector<HWND> windows_of(unsigned long pid, HWND parent,
                             const std::function<bool(HWND)>& match) {
    struct t_search {
        unsigned long pid;
        const std::function<bool(HWND)>* match;
        std::vector<HWND> found;
    } s{pid, &match, {}};
    const WNDENUMPROC visit = [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<t_search*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == s->pid && (*s->match)(w)) s->found.push_back(w);
        return TRUE;
    };
    if (parent)
        EnumChildWindows(parent, visit, reinterpret_cast<LPARAM>(&s));
    else
        EnumWindows(visit, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND wait_for_window(unsigned long pid, HWND parent, const std::function<bool(HWND)>& match,
                     unsigned timeout_ms) {
    for (const ULONGLONG until = GetTickCount64() + timeout_ms;; Sleep(50)) {
        if (const auto found = windows_of(pid, parent, match); !found.empty()) return found[0];
        if (GetTickCount64() >= until) return nullptr;
    }
}

bool class_is(HWND wnd, const wchar_t* window_class) {
    wchar_t name[64] = {};
    GetClassNameW(wnd, name, 64);
    return _wcsicmp(name, window_class) == 0;
}

}  // namespace cor_test
