// Layout of scripts (comments, line breaks, blanks), error recovery, and
// scripts that try to break the parser.
#include <gtest/gtest.h>

#include <string>

#include "tf_test_util.h"

namespace cor::tf::test {
namespace {

TEST(Layout, CommentsLineBreaksBlanksAndRecovery) {
    constexpr check yes = check::yes, no = check::no, any = check::any;
    expect_cases({
        // Comment lines are dropped with their line break.
        {"a\n// note, with ( and ' inside\n  // indented\nb", "ab", any, yes},
        {"// heading\r\nx", "x"},
        {"http://host/a", "http://host/a"},  // slashes inside a line are text
        // The line break before the comment belongs to the argument's text.
        {"$upper(a\n// not (closed\nb)", "A\nB"},
        // Line breaks are dropped outside quotes and arguments; blanks are kept.
        {"a\r\nb\nc\r[d\ne]", "abc"},
        {"'a\nb'", "a\nb"},
        {"$len(a\nb)", "3"},
        {" a\t b ", " a\t b "},
        // Function names ignore case.
        {"$UPPER(x)$If($Add(1),yes,no)", "Xno"},
        {"$IF(a)", "[INVALID $IF SYNTAX]"},
        // An error inside an argument drops only the rest of that argument;
        // one at the top level keeps what came before.
        {"x$upper(ab(c)d)y", "xABy", any, no},
        {"$upper(ab)[c]%d", "AB", any, no},
    });
}

TEST(Errors, ValidScriptsCompile) {
    for (const char* s : {"", "plain", "[%a%]", "$if(%a%,'(',')')", "'$%[]()'", "a,b", "$f()"})
        EXPECT_TRUE(evaluate(s).compiled) << s;
}

TEST(Errors, TheFirstErrorIsPlacedAndExplained) {
    struct row {
        const char* script;
        size_t offset;
        const char* message;
    };
    const row rows[] = {
        {"ab'cd", 2, "expected ' to close the quote"},
        {"a%title", 1, "expected % to close the field"},
        {"x$ y", 1, "expected a function name after $"},
        {"x$(", 1, "expected ) to close $("},
        {"$upper x", 6, "expected ( after $upper"},
        {"$if(1,$upper(a)", 0, "expected ) to close $if("},
        {"$if(1,$upper(a,b", 6, "expected ) to close $upper("},
        {"a)b", 1, "unexpected ) without a function call"},
        {"a(b", 1, "unexpected ( without a function name"},
        {"a]b", 1, "unexpected ] without ["},
        {"a[b[c]", 1, "expected ] to close the ["},
        {"$if([a,b])", 6, "expected ] before ,"},
        // Only the first of several errors.
        {"$upper(a(b))'x", 8, "unexpected ( without a function name"},
    };
    for (const row& r : rows) {
        bool ok = true;
        compile_error error;
        (void)compile(r.script, ok, &error);
        EXPECT_FALSE(ok) << r.script;
        EXPECT_EQ(error.offset, r.offset) << r.script;
        EXPECT_EQ(error.message, r.message) << r.script;
    }
}

TEST(Robustness, NestingPastTheLimitIsRefusedWithAMessage) {
    const auto nested = [](const char* open, const char* close, int levels) {
        std::string s;
        for (int i = 0; i < levels; ++i) s += open;
        s += "x";
        for (int i = 0; i < levels; ++i) s += close;
        return s;
    };
    const std::string too_deep = "nesting deeper than 100 levels";
    struct row {
        std::string script;
        bool compiles;
    };
    const row rows[] = {
        {nested("$if(1,", ")", max_nesting_depth), true},
        {nested("[", "]", max_nesting_depth), true},
        {nested("$if(1,", ")", max_nesting_depth + 1), false},
        {nested("[", "]", max_nesting_depth + 1), false},
        // Far past the limit, closed or not: refused, never a stack overflow.
        {nested("$if(1,", ")", 100000), false},
        {std::string(100000, '['), false},
        {nested("$if(1,", "", 100000), false},
        {nested("[$upper(", ")]", 50000), false},
    };
    for (const row& r : rows) {
        compile_error error;
        outcome out;
        const auto p = compile(r.script, out.compiled, &error);
        (void)run(*p, nullptr, nullptr, out.text);
        EXPECT_EQ(out.compiled, r.compiles) << r.script.substr(0, 12);
        if (!r.compiles) {
            EXPECT_EQ(error.message, too_deep) << r.script.substr(0, 12);
        }
    }
}

TEST(Robustness, ModerateNestingWorks) {
    std::string s;
    for (int i = 0; i < 40; ++i) s += "[$upper(";
    s += "%x%";
    for (int i = 0; i < 40; ++i) s += ")]";
    const outcome r = evaluate(s);
    EXPECT_TRUE(r.compiled);
    EXPECT_EQ(r.text, "");  // %x% is unknown, so every section is empty
}

TEST(Robustness, UnterminatedThingsAtTheVeryEnd) {
    for (const char* s : {"$", "$a", "$a(", "$a(b,", "%", "'", "[", "$a($b(", "a$$$"})
        EXPECT_FALSE(evaluate(s).compiled) << s;
}

TEST(Programs, RunManyTimesWithTheSameResult) {
    bool ok = false;
    const auto p = compile("$puts(n,$add($get(n),1))$get(n)|$upper(abc)", ok);
    ASSERT_TRUE(ok);
    for (int i = 0; i < 3; ++i) {
        std::string out;
        run(*p, nullptr, nullptr, out);
        EXPECT_EQ(out, "1|ABC");  // variables live for one run only
    }
}

TEST(Programs, RunAppendsToTheOutput) {
    bool ok = false;
    const auto p = compile("b", ok);
    std::string out = "a";
    run(*p, nullptr, nullptr, out);
    EXPECT_EQ(out, "ab");
}

}  // namespace
}  // namespace cor::tf::test
