// A fresh folder under the system's temporary folder for one test, removed
// afterwards, with paths in UTF-8 as the product takes them; and whole files
// read and written at once.
#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace cor_test {

inline std::string utf8_path(const std::filesystem::path& p) {
    const auto u8 = p.u8string();
    return std::string(u8.begin(), u8.end());
}

class test_folder {
public:
    test_folder() {
        static std::atomic<unsigned> counter{0};
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            dir_ = base / ("cor-test-" + std::to_string(std::random_device{}()) + "-" +
                           std::to_string(counter++));
            if (std::filesystem::create_directory(dir_)) break;
        }
    }
    ~test_folder() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    test_folder(const test_folder&) = delete;
    test_folder& operator=(const test_folder&) = delete;

    [[nodiscard]] const std::filesystem::path& dir() const { return dir_; }
    // `name` is UTF-8, with '/' or '\\' between names.
    [[nodiscard]] std::filesystem::path file(std::string_view name) const {
        return (dir_ / std::u8string(name.begin(), name.end())).make_preferred();
    }
    [[nodiscard]] std::string path(std::string_view name) const { return utf8_path(file(name)); }

private:
    std::filesystem::path dir_;
};

inline std::string read_bytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Whether every byte was written.
inline bool write_bytes(const std::filesystem::path& p, std::string_view bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    return out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush().good();
}

}  // namespace cor_test
