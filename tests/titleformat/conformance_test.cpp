// Every row of the conformance file: text, truth, and for the rows of
// group parser:invalid a failed compilation.
#include <gtest/gtest.h>

#include "case_file.h"
#include "tf_test_util.h"

namespace cor::tf::test {
namespace {

struct loaded_cases {
    std::vector<conformance_case> cases;
    std::string error;
};

const loaded_cases& loaded() {
    static const loaded_cases all = [] {
        loaded_cases l;
        l.cases = load_cases(cases_file(), l.error);
        return l;
    }();
    return all;
}

TEST(ConformanceFile, HoldsEveryRow) { EXPECT_EQ(loaded().cases.size(), 815u) << loaded().error; }

class Conformance : public ::testing::TestWithParam<conformance_case> {};

// This row sits among the invalid scripts but is balanced: its three quoted
// ')' are text, and its expected output needs the whole script, final ')'
// included, to have been parsed.
constexpr std::string_view balanced_invalid_row = "$if2(a,b$if2(c,$invalid(')'')'')')))";

TEST_P(Conformance, MatchesExpectedTextAndTruth) {
    const conformance_case& c = GetParam();
    t_format_context ctx;
    ctx.track = &c.track;
    const outcome r = evaluate(c.expression, c.has_track ? &ctx : nullptr);
    EXPECT_EQ(r.text, c.expected) << "line " << c.line << ": " << c.expression;
    EXPECT_EQ(r.truth, c.truth) << "line " << c.line << ": " << c.expression;
    if (c.group == "parser:invalid") {
        if (c.expression == balanced_invalid_row)
            EXPECT_TRUE(r.compiled) << "line " << c.line;
        else
            EXPECT_FALSE(r.compiled) << "line " << c.line << ": " << c.expression;
    }
}

std::string case_name(const ::testing::TestParamInfo<conformance_case>& info) {
    std::string name = "line" + std::to_string(info.param.line) + "_";
    for (const char ch : info.param.group)
        name += (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ? ch : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Rows, Conformance, ::testing::ValuesIn(loaded().cases), case_name);

}  // namespace
}  // namespace cor::tf::test
