#include "disk_file.h"

#ifdef _WIN32

#include <algorithm>
#include <array>

namespace cor {
namespace {

wchar_t upper(wchar_t c) { return c >= L'a' && c <= L'z' ? wchar_t(c - L'a' + L'A') : c; }

bool equals_upper(std::wstring_view s, std::wstring_view upper_name) {
    if (s.size() != upper_name.size()) return false;
    for (size_t i = 0; i < s.size(); ++i)
        if (upper(s[i]) != upper_name[i]) return false;
    return true;
}

bool is_port_digit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || c == 0x00B9 || c == 0x00B2 || c == 0x00B3;
}

bool reserved_name(std::wstring_view base) {
    static constexpr std::array<std::wstring_view, 6> names{L"CON", L"PRN",    L"AUX",
                                                            L"NUL", L"CONIN$", L"CONOUT$"};
    for (const auto name : names)
        if (equals_upper(base, name)) return true;
    return base.size() == 4 &&
           (equals_upper(base.substr(0, 3), L"COM") || equals_upper(base.substr(0, 3), L"LPT")) &&
           is_port_digit(base[3]);
}

}  // namespace

bool is_device_path(std::wstring_view path) noexcept {
    const auto starts = [&](std::wstring_view prefix) {
        if (path.size() < prefix.size()) return false;
        for (size_t i = 0; i < prefix.size(); ++i) {
            const wchar_t a = path[i] == L'/' ? L'\\' : path[i];
            if (a != prefix[i]) return false;
        }
        return true;
    };
    if (starts(L"\\\\.\\") || starts(L"\\??\\")) return true;
    if (starts(L"\\\\?\\")) return false;
    size_t start = path.find_last_of(L"\\/");
    start = start == std::wstring_view::npos ? 0 : start + 1;
    // "C:NUL" names the device too.
    if (start == 0 && path.size() >= 2 && path[1] == L':') start = 2;
    std::wstring_view base = path.substr(start);
    base = base.substr(0, std::min(base.find(L'.'), base.find(L':')));
    while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
    return reserved_name(base);
}

HANDLE open_disk_file(const std::wstring& path, DWORD share, DWORD flags) {
    if (path.empty() || is_device_path(path)) {
        SetLastError(ERROR_BAD_FILE_TYPE);
        return INVALID_HANDLE_VALUE;
    }
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, flags, nullptr);
    if (file == INVALID_HANDLE_VALUE) return file;
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        SetLastError(ERROR_BAD_FILE_TYPE);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

bool is_disk_file(const std::wstring& path) {
    const HANDLE file = open_disk_file(path);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

}  // namespace cor

#endif
