#include "functions/code_page.h"

#include <windows.h>

#include "utf8.h"

namespace vesk {

std::string utf8_to_code_page(std::string_view utf8, unsigned code_page) {
    const std::wstring wide = cor::to_wide(utf8);
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

std::string code_page_to_utf8(std::string_view bytes, unsigned code_page) {
    return cor::to_utf8(code_page_to_wide(bytes, code_page));
}

std::wstring code_page_to_wide(std::string_view bytes, unsigned code_page) {
    if (bytes.empty()) return {};
    const int n =
        MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return wide;
}

}  // namespace vesk
