#include "panels/console_history.h"

namespace cor {

void console_history::print(const char* text, size_t length) {
    lines_.emplace_back(text, length);
    if (lines_.size() > capacity) lines_.pop_front();
    const std::string line = lines_.back();
    const auto snapshot = listeners_;
    for (const auto& [token, l] : snapshot) l(&line);
}

void console_history::clear() {
    lines_.clear();
    const auto snapshot = listeners_;
    for (const auto& [token, l] : snapshot) l(nullptr);
}

size_t console_history::listen(listener l) {
    listeners_.emplace_back(next_token_, std::move(l));
    return next_token_++;
}

void console_history::unlisten(size_t token) {
    std::erase_if(listeners_, [token](const auto& e) { return e.first == token; });
}

service_ptr_t<console_history> make_console_history() {
    return service_ptr_t<console_history>(new service_impl_t<console_history>());
}

}  // namespace cor
