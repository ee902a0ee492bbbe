// The custom scripts: #define macros and #function user functions, and the
// preparation every stored script goes through before it runs (comments
// out, macros in, white space out in trim mode).
#pragma once

#include <string>
#include <string_view>

#include "script/ordered_map.h"

namespace vesk {

// The macros of the last successful compile.
const ordered_map& define_table();

// Checks the text, then refills the define and user function tables and
// prepares the function bodies. On failure both tables keep their content.
[[nodiscard]] bool compile_custom_scripts(std::string_view text, bool trim);

// Comments removed, macros expanded in table order, and in trim mode every
// blank and line break outside single quotes removed.
std::string prepare_script(std::string_view text, bool trim);
std::string prepare_script(std::string_view text, bool trim, const ordered_map& defines);

// Parses `text` into the two tables without touching the global ones;
// false on a syntax error.
[[nodiscard]] bool parse_custom_scripts(std::string_view text, ordered_map* defines,
                                        ordered_map* functions);

}  // namespace vesk
