// The last console lines, kept for the Console panel. It is one of the
// console's receivers, so it sees every line any module prints.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "sdk/console.h"

namespace cor {

class console_history : public console_receiver {
public:
    static constexpr size_t capacity = 1000;

    void print(const char* text, size_t length) override;
    [[nodiscard]] const std::deque<std::string>& lines() const { return lines_; }
    void clear();

    // Told of each new line and of a clear; the token removes the listener.
    using listener = std::function<void(const std::string* line)>;
    size_t listen(listener l);
    void unlisten(size_t token);

protected:
    ~console_history() = default;

private:
    std::deque<std::string> lines_;
    std::vector<std::pair<size_t, listener>> listeners_;
    size_t next_token_ = 1;
};

service_ptr_t<console_history> make_console_history();

}  // namespace cor
