// Helpers shared by the script engine's tests.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
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

enum class check { any, yes, no };

// One script, the text it writes and, where it matters, whether it is true
// and whether it compiles.
struct t_case {
    std::string_view script;
    std::string_view text;
    check truth = check::any;
    check compiled = check::any;
};

inline void expect_cases(std::initializer_list<t_case> cases,
                         const t_format_context* ctx = nullptr) {
    for (const t_case& c : cases) {
        const outcome r = evaluate(c.script, ctx);
        EXPECT_EQ(r.text, c.text) << c.script;
        if (c.truth != check::any) {
            EXPECT_EQ(r.truth, c.truth == check::yes) << c.script;
        }
        if (c.compiled != check::any) {
            EXPECT_EQ(r.compiled, c.compiled == check::yes) << c.script;
        }
    }
}

}  // namespace cor::tf::test
