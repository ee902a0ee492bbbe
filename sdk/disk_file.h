// Paths that users and scripts name are opened only when they are files on
// disk. A reserved device name (AUX, COM1, CON, ...) or a device path
// (\\.\...) would open a device whose reads may wait for ever, and a pipe
// or a console is no file either: they are refused with the caller's own
// read or write error, never waited on.
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <string>
#include <string_view>

namespace cor {

// Whether `path` names a device: a reserved name (CON, PRN, AUX, NUL,
// COM0-COM9, LPT0-LPT9, CONIN$, CONOUT$, and COM/LPT with a superscript
// digit) as its last component, with or without an extension, trailing
// blanks or a colon, or a device path (\\.\ or \??\). A \\?\ path is taken
// literally, as the platform takes it.
[[nodiscard]] bool is_device_path(std::wstring_view path) noexcept;

// Opens `path` to read when it is a file on disk: a device path is refused
// before anything is opened, anything that is not a disk file once opened.
// INVALID_HANDLE_VALUE on failure, with the last error set
// (ERROR_BAD_FILE_TYPE for what is no disk file).
[[nodiscard]] HANDLE open_disk_file(const std::wstring& path,
                                    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    DWORD flags = FILE_ATTRIBUTE_NORMAL);

// Whether `path` is a disk file that can be opened to read.
[[nodiscard]] bool is_disk_file(const std::wstring& path);

}  // namespace cor

#endif
