#include "script/error_report.h"

#include "host/host_services.h"

namespace vesk {
namespace {
// Off until the user interface starts; start-up raises it to middle.
int g_error_level = err_off;
}  // namespace

int error_level() { return g_error_level; }
void set_error_level(int level) { g_error_level = level; }

std::string format_message(std::string_view fmt, std::span<const std::string_view> args) {
    std::string out;
    out.reserve(fmt.size() + 32);
    size_t next = 0;
    size_t done = 0;
    for (size_t i = 0; i + 1 < fmt.size(); ++i) {
        if (fmt[i] == '%' && (fmt[i + 1] == 's' || fmt[i + 1] == 'd')) {
            out.append(fmt.data() + done, i - done);
            if (next < args.size()) out.append(args[next].data(), args[next].size());
            ++next;
            done = i + 2;
            ++i;
        }
    }
    out.append(fmt.data() + done, fmt.size() - done);
    return out;
}

void report(int threshold, std::string_view fmt, std::initializer_list<std::string_view> args) {
    if (g_error_level >= threshold) host::console_print(format_message(fmt, args));
}

}  // namespace vesk
