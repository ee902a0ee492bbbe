#include "e2e/process.h"

#include <windows.h>

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

std::wstring make_temp_folder(const std::wstring& tag) {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    // Process ids repeat between runs under Wine: take the first free name.
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    for (unsigned n = 0;; ++n) {
        std::wstring path = std::wstring(tmp) + L"cor_" + tag + L"_" +
                            std::to_wstring(now.QuadPart) + L"_" + std::to_wstring(n);
        if (CreateDirectoryW(path.c_str(), nullptr)) return path;
    }
}

void remove_tree(const std::wstring& path) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(path.c_str());
}

std::string read_file(const std::wstring& path) {
    std::string data;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return data;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n) data.append(buf, n);
    CloseHandle(h);
    return data;
}

}  // namespace cor_test
