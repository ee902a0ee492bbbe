#include "script/error_report.h"

#include "host/host_services.h"

namespace vesk {
namespace {
// Off until the user interface starts; start-up raises it to middle.
int g_error_level = err_off;
}  // namespace

int error_level() { return g_error_level; }
void set_error_level(int level) { g_error_level = level; }

std::string format_message(std::string_view fmt, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(fmt.size() + 32);
    auto next = args.begin();
    for (size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] == '%' && i + 1 < fmt.size() && (fmt[i + 1] == 's' || fmt[i + 1] == 'd')) {
            if (next != args.end()) out += *next++;
            ++i;
        } else {
            out += fmt[i];
        }
    }
    return out;
}

void report(int threshold, std::string_view fmt, std::initializer_list<std::string_view> args) {
    if (g_error_level >= threshold) host::console_print(format_message(fmt, args));
}

}  // namespace vesk
