#include "host/console_capture.h"

#include "console.h"
#include "host/service_factory.h"

namespace vesk {
namespace {

std::deque<t_message>& history() {
    static std::deque<t_message> messages;
    return messages;
}

HWND g_palette = nullptr;

// Lines cut at each line feed (a carriage return before it dropped), each
// given CR LF; the text ends at its length or at a zero byte.
std::string normalise(std::string_view text) {
    if (const size_t nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    std::string out;
    out.reserve(text.size() + 2);
    for (;;) {
        const size_t lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        if (lf != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        out.append(line);
        out.append("\r\n");
        if (lf == std::string_view::npos) break;
        text.remove_prefix(lf + 1);
        if (text.empty()) break;
    }
    return out;
}

class console_receiver_impl : public cor::console_receiver {
public:
    void print(const char* text, size_t length) override {
        capture_console_text(text, text ? length : 0);
    }
};

host::service_factory_t<cor::console_receiver, console_receiver_impl> g_receiver_factory;

}  // namespace

const std::deque<t_message>& console_messages() { return history(); }

void clear_console_messages() { history().clear(); }

void capture_console_text(const char* text, size_t length) {
    t_message message{};
    GetLocalTime(&message.time);
    message.text = normalise(std::string_view(text ? text : "", text ? length : 0));
    auto& messages = history();
    messages.push_back(std::move(message));
    if (messages.size() > console_history_limit) messages.pop_front();
    if (g_palette && IsWindow(g_palette) && IsWindowVisible(g_palette))
        PostMessageW(g_palette, console_refresh_message, 0, 0);
}

void set_palette_window(HWND palette) { g_palette = palette; }

HWND palette_window() { return g_palette; }

}  // namespace vesk
