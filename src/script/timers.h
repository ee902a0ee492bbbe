// Script timers: named platform timers on the main window, identifiers
// 500 to 999, all running "On Timer" with the timer's name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

struct t_script_timer {
    std::string name;
    uint32_t id;
};

class timer_registry {
public:
    static timer_registry& instance();
    static constexpr uint32_t first_id = 500, last_id = 999;

    // Replaces a timer of the same name (ignoring case); 0 ms only removes it.
    // False when no identifier is free or the platform refuses the timer.
    bool set(std::string_view name, uint32_t milliseconds);
    // The name for a timer identifier; empty when unknown.
    std::string name_of(uint32_t id) const;
    // Stops and forgets every timer (shutdown).
    void stop_all();
    const std::vector<t_script_timer>& timers() const { return timers_; }

private:
    void remove(std::string_view name);
    uint32_t next_id_ = first_id;
    std::vector<t_script_timer> timers_;
};

// Runs "On Timer" for a tick of the main window's timer `id` (500..999).
void on_script_timer(uint32_t id);

}  // namespace vesk
