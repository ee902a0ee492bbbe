// The expression language of $calc: + - * / % > < ! = over double values,
// braces for grouping (parentheses belong to the script language), and
// comparisons as tight as multiplication. Input is ANSI code-page text, so
// two-byte characters form tokens of their own.
#pragma once

#include <optional>
#include <string_view>

namespace vesk {

// Called for each error found, with "%s: kanji code error" or "%s: {} error".
using calc_report = void (*)(void* context, std::string_view message);

// The value of the expression; 0 after an error, and nothing when the very
// first token is a bad two-byte character. Tokens after the expression are
// ignored.
std::optional<double> evaluate_calc(std::string_view input, calc_report report, void* context);

}  // namespace vesk
