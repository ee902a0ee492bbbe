// A fresh folder under the system's temporary folder for one test, removed
// afterwards; paths come out as UTF-8, as the store takes them.
#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace cor::test {

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
            dir_ = base / ("cor-config-" + std::to_string(std::random_device{}()) + "-" +
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

    // `name` is UTF-8.
    [[nodiscard]] std::filesystem::path file(std::string_view name) const {
        return dir_ / std::u8string(name.begin(), name.end());
    }
    [[nodiscard]] std::string path(std::string_view name) const { return utf8_path(file(name)); }

private:
    std::filesystem::path dir_;
};

inline std::string read_bytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void write_bytes(const std::filesystem::path& p, std::string_view bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Collects the console lines a store prints.
struct console_lines {
    std::vector<std::string> lines;
    auto sink() {
        return [this](std::string_view line) { lines.emplace_back(line); };
    }
};

}  // namespace cor::test
