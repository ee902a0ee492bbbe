// Options shared by the functions that read or write text in files and
// pipes: "charcode:" ("utf8" or "sjis", the system's ANSI code page) and
// "mode:" ("write" replaces the file, "add" appends).
#pragma once

#include <string_view>

namespace vesk {

class func_call;

// Sets `ansi` from the option's value; another word prints
// "%s: unknown charcode '%s'" and answers false.
[[nodiscard]] bool read_charcode(func_call& c, std::string_view value, bool& ansi);
// Sets `append`; another word prints "%s: unknown write mode '%s'".
[[nodiscard]] bool read_write_mode(func_call& c, std::string_view value, bool& append);

}  // namespace vesk
