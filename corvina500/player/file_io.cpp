#include "corvina500/player/file_io.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "sdk/utf8.h"

#ifdef _WIN32
#include <windows.h>

#include "sdk/disk_file.h"
#endif

namespace cor {

std::filesystem::path fs_path(std::string_view utf8) {
#ifdef _WIN32
    return std::filesystem::path(to_wide(utf8));
#else
    return std::filesystem::path(std::string(utf8));
#endif
}

std::string utf8_path(const std::filesystem::path& path) {
#ifdef _WIN32
    return to_utf8(path.wstring());
#else
    return path.string();
#endif
}

std::optional<std::string> read_file(std::string_view path) {
#ifdef _WIN32
    if (!is_disk_file(to_wide(path))) return std::nullopt;
#endif
    std::ifstream in(fs_path(path), std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

bool write_file_atomic(std::string_view path, std::string_view bytes) {
    const std::filesystem::path target = fs_path(path);
    std::filesystem::path temp = target;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
#ifdef _WIN32
    const bool moved = MoveFileExW(temp.c_str(), target.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    std::error_code rename_error;
    std::filesystem::rename(temp, target, rename_error);
    const bool moved = !rename_error;
#endif
    if (!moved) {
        std::error_code ec;
        std::filesystem::remove(temp, ec);
    }
    return moved;
}

bool is_valid_utf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t extra;
        char32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (text.size() - i <= extra) return false;
        for (size_t k = 1; k <= extra; ++k) {
            const auto b = static_cast<unsigned char>(text[i + k]);
            if ((b & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (b & 0x3F);
        }
        static constexpr char32_t min_for[] = {0, 0x80, 0x800, 0x10000};
        if (cp < min_for[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

std::string utf8_to_ansi(std::string_view text, bool* lossless) {
    if (lossless) *lossless = true;
#ifdef _WIN32
    // A system set to UTF-8 refuses the default-character query.
    if (GetACP() == CP_UTF8) return std::string(text);
    const std::wstring wide = to_wide(text);
    if (wide.empty()) return {};
    BOOL used_default = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr,
                                      &used_default);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), out.data(), n, nullptr,
                            &used_default);
    if (lossless && used_default) *lossless = false;
    return out;
#else
    return std::string(text);
#endif
}

std::string ansi_to_utf8(std::string_view text) {
#ifdef _WIN32
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), n);
    return to_utf8(wide);
#else
    return std::string(text);
#endif
}

}  // namespace cor
