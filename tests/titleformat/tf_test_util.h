// Helpers shared by the script engine's tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "titleformat/titleformat.h"

namespace cor::tf::test {

struct outcome {
    std::string text;
    bool truth = false;
    bool compiled = false;
};

inline outcome evaluate(std::string_view script, const t_format_context* ctx = nullptr,
                        titleformat_hook* hook = nullptr) {
    outcome r;
    const auto p = compile(script, r.compiled);
    r.truth = run(*p, ctx, hook, r.text);
    return r;
}

inline std::string text_of(std::string_view script, const t_format_context* ctx = nullptr,
                           titleformat_hook* hook = nullptr) {
    return evaluate(script, ctx, hook).text;
}

// What a data file's flag column should read: 1 or 0, or its - where the
// flag does not matter.
inline std::string flag_as(const std::string& expected, bool value) {
    return expected == "-" ? "-" : value ? "1" : "0";
}

}  // namespace cor::tf::test
