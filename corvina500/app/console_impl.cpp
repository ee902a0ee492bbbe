#include "app/console_impl.h"

#include <windows.h>

#include "utf8.h"

namespace cor {

bool host_console::open_file(const std::string& path) {
    HANDLE h = CreateFileW(to_wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    file_ = h;
    return true;
}

host_console::~host_console() {
    if (file_) CloseHandle(static_cast<HANDLE>(file_));
}

void host_console::print(std::string_view line) {
    std::string text(line);
    text += '\n';
    HANDLE target = file_ ? static_cast<HANDLE>(file_) : GetStdHandle(STD_ERROR_HANDLE);
    if (target && target != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(target, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    // A receiver that prints from inside print would recurse forever.
    if (printing_) return;
    printing_ = true;
    for (auto& r : receivers_) r->print(line.data(), line.size());
    printing_ = false;
}

namespace {
class console_service_impl : public console_service {
public:
    explicit console_service_impl(host_console& c) : console_(c) {}
    void print(const char* text, size_t length) override { console_.print({text, length}); }

private:
    host_console& console_;
};
}  // namespace

service_ptr_t<console_service> make_console_service(host_console& console) {
    return make_service<console_service_impl>(console);
}

}  // namespace cor
