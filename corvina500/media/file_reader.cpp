#include "media/file_reader.h"

#include <algorithm>

#include "media/tag_reader.h"

#ifdef _WIN32
#include <windows.h>

#include "disk_file.h"
#include "utf8.h"
#else
#include <filesystem>
#include <fstream>
#include <system_error>
#endif

namespace cor {
namespace {

#ifdef _WIN32

std::string describe_open_error(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return "file not found";
        case ERROR_ACCESS_DENIED:
            return "access denied";
        case ERROR_SHARING_VIOLATION:
            return "file is in use by another program";
        default:
            return "cannot open file (error " + std::to_string(code) + ")";
    }
}

class win32_file_source final : public file_source {
public:
    win32_file_source(HANDLE file, uint64_t size) : file_(file), size_(size) {}
    ~win32_file_source() override { CloseHandle(file_); }
    win32_file_source(const win32_file_source&) = delete;
    win32_file_source& operator=(const win32_file_source&) = delete;

    [[nodiscard]] uint64_t size() const override { return size_; }
    [[nodiscard]] bool failed() const override { return failed_; }
    [[nodiscard]] std::vector<uint8_t> read(uint64_t offset, size_t count) override {
        if (offset >= size_) return {};
        count = size_t(std::min<uint64_t>(count, size_ - offset));
        std::vector<uint8_t> out(count);
        LARGE_INTEGER at;
        at.QuadPart = LONGLONG(offset);
        if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN)) return fail();
        size_t done = 0;
        while (done < count) {
            const DWORD chunk = DWORD(std::min<size_t>(count - done, size_t(1) << 24));
            DWORD got = 0;
            if (!ReadFile(file_, out.data() + done, chunk, &got, nullptr)) return fail();
            if (got == 0) break;  // the file shrank since it was opened
            done += got;
        }
        out.resize(done);
        return out;
    }

private:
    std::vector<uint8_t> fail() {
        failed_ = true;
        return {};
    }

    HANDLE file_;
    uint64_t size_;
    bool failed_ = false;
};

#else

class stream_file_source final : public file_source {
public:
    stream_file_source(std::ifstream file, uint64_t size) : file_(std::move(file)), size_(size) {}

    [[nodiscard]] uint64_t size() const override { return size_; }
    [[nodiscard]] bool failed() const override { return failed_; }
    [[nodiscard]] std::vector<uint8_t> read(uint64_t offset, size_t count) override {
        if (offset >= size_) return {};
        count = size_t(std::min<uint64_t>(count, size_ - offset));
        std::vector<uint8_t> out(count);
        file_.clear();
        file_.seekg(std::streamoff(offset));
        file_.read(reinterpret_cast<char*>(out.data()), std::streamsize(count));
        if (file_.bad()) failed_ = true;
        out.resize(size_t(file_.gcount()));
        return out;
    }

private:
    std::ifstream file_;
    uint64_t size_;
    bool failed_ = false;
};

#endif

}  // namespace

std::unique_ptr<file_source> open_file_source(std::string_view path, std::string& error) {
#ifdef _WIN32
    const HANDLE file =
        open_disk_file(to_wide(path), FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        error = code == ERROR_BAD_FILE_TYPE ? "not a regular file" : describe_open_error(code);
        return nullptr;
    }
    LARGE_INTEGER size;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        error = "not a regular file";
        return nullptr;
    }
    return std::make_unique<win32_file_source>(file, uint64_t(size.QuadPart));
#else
    namespace fs = std::filesystem;
    const fs::path p(std::string{path});
    std::error_code ec;
    const fs::file_status status = fs::status(p, ec);
    if (!fs::exists(status)) {
        error = "file not found";
        return nullptr;
    }
    if (!fs::is_regular_file(status)) {
        error = "not a regular file";
        return nullptr;
    }
    const uintmax_t size = fs::file_size(p, ec);
    std::ifstream file(p, std::ios::binary);
    if (ec || !file) {
        error = "cannot open file";
        return nullptr;
    }
    return std::make_unique<stream_file_source>(std::move(file), uint64_t(size));
#endif
}

bool read_whole_file(std::string_view path, std::vector<uint8_t>& out, std::string& error) {
    out.clear();
    const std::unique_ptr<file_source> file = open_file_source(path, error);
    if (!file) return false;
    if (file->size() > k_max_whole_file) {
        error = "file too large";
        return false;
    }
    out = file->read(0, size_t(file->size()));
    if (file->failed() || out.size() != file->size()) {
        out.clear();
        error = "read error";
        return false;
    }
    return true;
}

bool read_track_file(std::string_view path, t_track_info& out, std::string& error) {
    const std::unique_ptr<file_source> file = open_file_source(path, error);
    if (!file) {
        out = t_track_info{};
        out.path = std::string(path);
        return false;
    }
    if (read_track_info(path, *file, out, error) && !file->failed()) return true;
    if (file->failed()) {
        error = "read error";
        const uint64_t size = out.file_size;
        out = t_track_info{};
        out.path = std::string(path);
        out.file_size = size;
    }
    return false;
}

}  // namespace cor
