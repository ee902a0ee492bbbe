#include "config/save_leftovers.h"

#include <windows.h>

#include "host/host_services.h"
#include "host/script_path.h"
#include "host/settings.h"
#include "script/preprocessor.h"
#include "script/script_run.h"
#include "script/tf_hook.h"
#include "utf8.h"

namespace vesk {
namespace {

bool all_digits(std::wstring_view s) {
    if (s.empty() || s.size() > 10) return false;
    for (const wchar_t c : s)
        if (c < L'0' || c > L'9') return false;
    return true;
}

bool process_runs(unsigned long pid) {
    if (pid == GetCurrentProcessId()) return true;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

// The folder part of a platform path, with its trailing separator.
std::wstring folder_of(const std::wstring& path, std::wstring& file) {
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        file = path;
        return {};
    }
    file = path.substr(slash + 1);
    return path.substr(0, slash + 1);
}

}  // namespace

unsigned long save_leftover_pid(std::wstring_view name, std::wstring_view target) {
    const size_t dash = name.rfind(L'-');
    const size_t mark = name.rfind(L".tmp", dash);
    if (dash == std::wstring_view::npos || mark == std::wstring_view::npos || mark == 0) return 0;
    const std::wstring_view pid = name.substr(mark + 4, dash - mark - 4);
    if (!all_digits(pid) || !all_digits(name.substr(dash + 1))) return 0;
    if (!target.empty() &&
        !cor::iequals_utf8(cor::to_utf8(name.substr(0, mark)), cor::to_utf8(target)))
        return 0;
    const unsigned long long value = std::stoull(std::wstring(pid));
    return value > 0 && value <= 0xFFFFFFFFull ? static_cast<unsigned long>(value) : 0;
}

std::vector<std::wstring> remove_save_leftovers(const std::wstring& folder,
                                                std::wstring_view target) {
    std::vector<std::wstring> removed;
    if (folder.empty()) return removed;
    std::wstring base = folder;
    if (base.back() != L'\\' && base.back() != L'/') base += L'\\';
    WIN32_FIND_DATAW found{};
    const std::wstring pattern =
        base + (target.empty() ? std::wstring() : std::wstring(target)) + L"*.tmp*";
    HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                   nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return removed;
    std::vector<std::wstring> names;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (const unsigned long pid = save_leftover_pid(found.cFileName, target);
            pid && !process_runs(pid))
            names.emplace_back(found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    for (const std::wstring& name : names)
        if (DeleteFileW((base + name).c_str())) removed.push_back(base + name);
    return removed;
}

void remove_startup_leftovers() {
    (void)remove_save_leftovers(script_path("/"));
    const std::string& script = cfg_backup_name.get();
    if (script.empty()) return;
    const std::string prepared = prepare_script(script, trim_mode());
    for (const char* timing : {"start", "exit", "every"}) {
        field_list variables;
        variables.push_back({"_timing", timing});
        t_script_context context;
        vesk_tf_hook hook(context, &variables);
        const std::string path = run_script(prepared, hook);
        if (path.empty()) continue;
        std::wstring file;
        const std::wstring folder = folder_of(script_path(path), file);
        if (!folder.empty() && !file.empty()) (void)remove_save_leftovers(folder, file);
    }
}

}  // namespace vesk
