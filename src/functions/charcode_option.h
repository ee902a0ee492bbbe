// The "charcode:" option of the functions that read or write text in files
// and pipes: "utf8" or "sjis" (the system's ANSI code page).
#pragma once

#include <string_view>

namespace vesk {

class func_call;

// Sets `ansi` from the option's value; another word prints
// "%s: unknown charcode '%s'" and answers false.
[[nodiscard]] bool read_charcode(func_call& c, std::string_view value, bool& ansi);

}  // namespace vesk
