// $cmd runs a console program and waits for it, with the user interface
// blocked meanwhile; these bounds keep a stuck or chatty program from
// holding the player for ever or filling its memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vesk {

// How long $cmd waits for its program before ending it (milliseconds).
inline constexpr uint32_t default_command_time_limit_ms = 30'000;
// Output kept per stream; what comes after is read and dropped.
inline constexpr size_t command_output_limit = 16u << 20;

// Tests shorten the wait; 0 restores the default.
void set_command_time_limit(uint32_t ms);

}  // namespace vesk
