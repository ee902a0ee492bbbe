// Layout of scripts (comments, line breaks, blanks), error recovery, and
// scripts that try to break the parser.
#include <gtest/gtest.h>

#include <string>

#include "tf_test_util.h"

namespace cor::tf::test {
namespace {

TEST(Layout, CommentLinesAreDroppedWithTheirLineBreak) {
    const outcome r = evaluate("a\n// note, with ( and ' inside\n  // indented\nb");
    EXPECT_EQ(r.text, "ab");
    EXPECT_TRUE(r.compiled);
}

TEST(Layout, CommentOnTheFirstLine) { EXPECT_EQ(text_of("// heading\r\nx"), "x"); }

TEST(Layout, SlashesInsideALineAreText) { EXPECT_EQ(text_of("http://host/a"), "http://host/a"); }

TEST(Layout, CommentInsideAnArgumentIsDropped) {
    // The line break before the comment belongs to the argument's text.
    EXPECT_EQ(text_of("$upper(a\n// not (closed\nb)"), "A\nB");
}

TEST(Layout, LineBreaksAreDroppedOutsideQuotesAndArguments) {
    EXPECT_EQ(text_of("a\r\nb\nc\r[d\ne]"), "abc");
    EXPECT_EQ(text_of("'a\nb'"), "a\nb");
    EXPECT_EQ(text_of("$len(a\nb)"), "3");
}

TEST(Layout, BlanksAreKept) { EXPECT_EQ(text_of(" a\t b "), " a\t b "); }

TEST(Layout, FunctionNamesIgnoreCase) {
    EXPECT_EQ(text_of("$UPPER(x)$If($Add(1),yes,no)"), "Xno");
    EXPECT_EQ(text_of("$IF(a)"), "[INVALID $IF SYNTAX]");
}

TEST(Errors, ErrorInsideAnArgumentDropsOnlyTheRestOfThatArgument) {
    const outcome r = evaluate("x$upper(ab(c)d)y");
    EXPECT_EQ(r.text, "xABy");
    EXPECT_FALSE(r.compiled);
}

TEST(Errors, ErrorAtTopLevelKeepsWhatCameBefore) {
    const outcome r = evaluate("$upper(ab)[c]%d");
    EXPECT_EQ(r.text, "AB");
    EXPECT_FALSE(r.compiled);
}

TEST(Errors, ValidScriptsCompile) {
    for (const char* s : {"", "plain", "[%a%]", "$if(%a%,'(',')')", "'$%[]()'", "a,b", "$f()"})
        EXPECT_TRUE(evaluate(s).compiled) << s;
}

TEST(Robustness, DeepNestingIsRefusedWithoutCrashing) {
    const std::string sections(100000, '[');
    EXPECT_FALSE(evaluate(sections).compiled);

    std::string calls;
    for (int i = 0; i < 20000; ++i) calls += "$if(1,";
    calls += "x";
    for (int i = 0; i < 20000; ++i) calls += ")";
    const outcome r = evaluate(calls);
    EXPECT_FALSE(r.compiled);
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
