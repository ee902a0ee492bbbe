#include "config_file.h"

#include <algorithm>
#include <limits>
#include <utility>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "sdk/disk_file.h"
#include "sdk/utf8.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#endif

namespace cor {
namespace {

std::string temp_path_for(const std::string& path) { return path + ".tmp"; }

std::string simulated_crash(save_fault fault) {
    return fault == save_fault::mid_write ? "simulated crash while writing the temporary file"
                                          : "simulated crash before the rename";
}

#ifdef _WIN32

std::string system_message(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (n && buffer) text = to_utf8(std::wstring_view(buffer, n));
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty()) text = "error " + std::to_string(code);
    return text;
}

class file_handle {
public:
    explicit file_handle(HANDLE h) noexcept : h_(h) {}
    file_handle(const file_handle&) = delete;
    file_handle& operator=(const file_handle&) = delete;
    ~file_handle() { close(); }
    [[nodiscard]] bool valid() const noexcept { return h_ != INVALID_HANDLE_VALUE; }
    [[nodiscard]] HANDLE get() const noexcept { return h_; }
    bool close() noexcept {
        if (!valid()) return true;
        return CloseHandle(std::exchange(h_, INVALID_HANDLE_VALUE)) != 0;
    }

private:
    HANDLE h_;
};

bool write_all(HANDLE h, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(h, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

#else

std::string errno_message() { return std::strerror(errno); }

class file_descriptor {
public:
    explicit file_descriptor(int fd) noexcept : fd_(fd) {}
    file_descriptor(const file_descriptor&) = delete;
    file_descriptor& operator=(const file_descriptor&) = delete;
    ~file_descriptor() { close(); }
    [[nodiscard]] bool valid() const noexcept { return fd_ >= 0; }
    [[nodiscard]] int get() const noexcept { return fd_; }
    bool close() noexcept {
        if (fd_ < 0) return true;
        return ::close(std::exchange(fd_, -1)) == 0;
    }

private:
    int fd_;
};

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Makes the rename itself durable; a failure here leaves a complete file
// either way, so it is not reported.
void sync_folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : path.substr(0, slash ? slash : 1);
    file_descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) ::fsync(dir.get());
}

#endif

}  // namespace

#ifdef _WIN32

file_read_result read_whole_file(const std::string& path) {
    file_read_result r;
    file_handle h(open_disk_file(to_wide(path), FILE_SHARE_READ));
    if (!h.valid()) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            r.status = file_read_status::missing;
        else if (code == ERROR_BAD_FILE_TYPE)
            r.error = "not a file on disk";
        else
            r.error = system_message(code);
        return r;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > std::numeric_limits<size_t>::max() / 2) {
        r.error = "cannot determine the file's size";
        return r;
    }
    r.bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < r.bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(r.bytes.size() - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(h.get(), r.bytes.data() + done, chunk, &got, nullptr)) {
            r.error = system_message(GetLastError());
            r.bytes.clear();
            return r;
        }
        if (got == 0) break;  // shrank while reading
        done += got;
    }
    r.bytes.resize(done);
    r.status = file_read_status::ok;
    return r;
}

bool write_file_replacing(const std::string& path, std::string_view bytes, std::string& error,
                          save_fault fault) {
    const std::wstring target = to_wide(path);
    const std::wstring temp = to_wide(temp_path_for(path));
    file_handle h(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) {
        error = "cannot create " + temp_path_for(path) + ": " + system_message(GetLastError());
        return false;
    }
    if (fault == save_fault::mid_write) {
        (void)write_all(h.get(), bytes.substr(0, bytes.size() / 2));
        error = simulated_crash(fault);
        return false;
    }
    if (!write_all(h.get(), bytes) || !FlushFileBuffers(h.get())) {
        error = "cannot write " + temp_path_for(path) + ": " + system_message(GetLastError());
        h.close();
        DeleteFileW(temp.c_str());
        return false;
    }
    if (!h.close()) {
        error = "cannot close " + temp_path_for(path) + ": " + system_message(GetLastError());
        DeleteFileW(temp.c_str());
        return false;
    }
    if (fault == save_fault::before_rename) {
        error = simulated_crash(fault);
        return false;
    }
    if (!MoveFileExW(temp.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = "cannot replace " + path + ": " + system_message(GetLastError());
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

bool move_aside(const std::string& from, const std::string& to, std::string& error) {
    const std::wstring target = to_wide(to);
    DeleteFileW(target.c_str());
    if (MoveFileExW(to_wide(from).c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return true;
    error = system_message(code);
    return false;
}

#else

file_read_result read_whole_file(const std::string& path) {
    file_read_result r;
    file_descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        if (errno == ENOENT || errno == ENOTDIR)
            r.status = file_read_status::missing;
        else
            r.error = errno_message();
        return r;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            r.error = errno_message();
            r.bytes.clear();
            return r;
        }
        if (n == 0) break;
        r.bytes.append(buffer, static_cast<size_t>(n));
    }
    r.status = file_read_status::ok;
    return r;
}

bool write_file_replacing(const std::string& path, std::string_view bytes, std::string& error,
                          save_fault fault) {
    const std::string temp = temp_path_for(path);
    file_descriptor fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd.valid()) {
        error = "cannot create " + temp + ": " + errno_message();
        return false;
    }
    if (fault == save_fault::mid_write) {
        (void)write_all(fd.get(), bytes.substr(0, bytes.size() / 2));
        error = simulated_crash(fault);
        return false;
    }
    if (!write_all(fd.get(), bytes) || ::fsync(fd.get()) != 0 || !fd.close()) {
        error = "cannot write " + temp + ": " + errno_message();
        fd.close();
        std::remove(temp.c_str());
        return false;
    }
    if (fault == save_fault::before_rename) {
        error = simulated_crash(fault);
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        error = "cannot replace " + path + ": " + errno_message();
        std::remove(temp.c_str());
        return false;
    }
    sync_folder_of(path);
    return true;
}

bool move_aside(const std::string& from, const std::string& to, std::string& error) {
    if (std::rename(from.c_str(), to.c_str()) == 0 || errno == ENOENT) return true;
    error = errno_message();
    return false;
}

#endif

}  // namespace cor
