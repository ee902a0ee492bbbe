// The global error level and the console messages of script functions.
// A message is printed only when the level in force reaches its threshold.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace vesk {

enum error_threshold : int {
    err_off = 0,
    err_low = 1,
    err_middle = 2,
    err_high = 3,
    err_debug = 4
};

int error_level();
void set_error_level(int level);

// Fills "%s" and "%d" of `fmt` in order with the given texts.
std::string format_message(std::string_view fmt, std::span<const std::string_view> args);
inline std::string format_message(std::string_view fmt,
                                  std::initializer_list<std::string_view> args) {
    return format_message(fmt, std::span<const std::string_view>(args.begin(), args.size()));
}

// Prints the message when the level in force is at least `threshold`.
void report(int threshold, std::string_view fmt, std::initializer_list<std::string_view> args);

}  // namespace vesk
