// The custom scripts: #define macros and #function user functions, and the
// preparation every stored script goes through before it runs (comments
// out, macros in, white space out in trim mode).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "script/ordered_map.h"

namespace vesk {

// The macros of the last successful compile.
const ordered_map& define_table();

// For each byte of a prepared text, the byte offset in the text it was
// prepared from; a macro's value maps to its reference.
using origin_map = std::vector<uint32_t>;

struct prepared_script {
    std::string text;
    origin_map origin;
    std::vector<std::string> undefined_macros;  // "#name#" left unexpanded, names in order
};

// Where and why the custom scripts do not parse: a byte offset into the
// text as given, and what was expected there.
struct custom_scripts_error {
    size_t offset = 0;
    std::string message;
};

// A user function's prepared body traced back into the custom scripts.
struct traced_function {
    std::string name;
    prepared_script body;
};

// Checks the text, then refills the define and user function tables and
// prepares the function bodies. On failure both tables keep their content
// and `error`, when given, says where the text went wrong; on success
// `functions`, when given, receives every prepared body with its origin.
[[nodiscard]] bool compile_custom_scripts(std::string_view text, bool trim,
                                          custom_scripts_error* error = nullptr,
                                          std::vector<traced_function>* functions = nullptr);

// Comments removed, macros expanded in table order, and in trim mode every
// blank and line break outside single quotes removed.
std::string prepare_script(std::string_view text, bool trim);
std::string prepare_script(std::string_view text, bool trim, const ordered_map& defines);
// The same with the global macros, keeping where each byte came from and
// which macro references stayed unexpanded.
prepared_script prepare_traced(std::string_view text, bool trim);

// Parses `text` into the two tables without touching the global ones;
// false on a syntax error.
[[nodiscard]] bool parse_custom_scripts(
    std::string_view text, ordered_map* defines, ordered_map* functions,
    custom_scripts_error* error = nullptr,
    std::vector<std::pair<std::string, origin_map>>* function_origins = nullptr);

}  // namespace vesk
