#include "host/file_write.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "disk_file.h"

namespace vesk {
namespace {

class file_handle {
public:
    explicit file_handle(HANDLE h) : h_(h) {}
    ~file_handle() { close(); }
    file_handle(const file_handle&) = delete;
    file_handle& operator=(const file_handle&) = delete;
    [[nodiscard]] bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    [[nodiscard]] HANDLE get() const { return h_; }
    bool close() {
        if (!valid()) return true;
        return CloseHandle(std::exchange(h_, INVALID_HANDLE_VALUE)) != 0;
    }

private:
    HANDLE h_;
};

bool write_all(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

bool write_through_temp(const std::wstring& path, std::string_view head, std::string_view tail) {
    if (path.empty() || cor::is_device_path(path)) return false;
    // Same folder as the target, so the rename never crosses volumes.
    const std::wstring temp = path + L".tmp" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount());
    {
        file_handle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) return false;
        const bool ok = write_all(file.get(), head) && write_all(file.get(), tail) &&
                        FlushFileBuffers(file.get());
        if (!file.close() || !ok) {
            DeleteFileW(temp.c_str());
            return false;
        }
    }
    if (!MoveFileExW(temp.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool read_file(const std::wstring& path, std::string& out) {
    out.clear();
    file_handle file(cor::open_disk_file(path));
    if (!file.valid()) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        size.QuadPart > (LONGLONG(1) << 31))
        return false;
    out.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < out.size()) {
        DWORD got = 0;
        const auto chunk = static_cast<DWORD>(std::min<size_t>(out.size() - done, 1u << 24));
        if (!ReadFile(file.get(), out.data() + done, chunk, &got, nullptr)) return false;
        if (got == 0) break;
        done += got;
    }
    out.resize(done);
    return true;
}

bool replace_file(const std::wstring& path, std::string_view bytes) {
    return write_through_temp(path, bytes, {});
}

bool append_file(const std::wstring& path, std::string_view lead, std::string_view bytes) {
    std::string before;
    if (cor::is_device_path(path)) return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
        if (!read_file(path, before)) return false;
    }
    if (before.empty()) before = lead;
    return write_through_temp(path, before, bytes);
}

}  // namespace vesk
