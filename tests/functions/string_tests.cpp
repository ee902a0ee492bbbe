// $calc, $urlencode, $lenb, $hash, $regexp, $hms, $wdhms, $random, $clock
// and $unpack as scripts call them.
#include "function_test_util.h"

#include <cstdlib>
#include <set>

using namespace function_test;

namespace {

class Strings : public FunctionTest {
protected:
    // The expression passed through the Host untouched.
    std::string calc(const std::string& expression) { return run("$calc('" + expression + "')"); }
};

TEST_F(Strings, CalcExpressions) {
    struct row {
        const char* expression;
        const char* value;
    };
    const row rows[] = {
        // Arithmetic, left to right within a level.
        {"1+2*3", "7"},
        {"2*3+4*5", "26"},
        {"10-2-3", "5"},
        {"8/2/2", "2"},
        {"1/3", "0.333333"},
        {"-5+2", "-3"},
        {"+4", "4"},
        {" 1 +\t2 ", "3"},
        // Braces group.
        {"{1+2}*3", "9"},
        {"{2+3}*{1+1}", "10"},
        {"2*{3+{4-1}}", "12"},
        // Remainder of the truncated sides, with the left side's sign.
        {"7%3", "1"},
        {"-7%3", "-1"},
        {"7%-3", "1"},
        {"7.9%3.9", "1"},
        {"5%0.5", "0"},
        // Comparisons bind as tightly as multiplication; = keeps the right side.
        {"2>1", "1"},
        {"1>2", "0"},
        {"2<3", "1"},
        {"3<2", "0"},
        {"3!3", "0"},
        {"3!4", "1"},
        {"1=5", "5"},
        {"1+2>1", "2"},
        {"2*3>5", "1"},
        // Division by zero gives 0.
        {"5/0", "0"},
        {"0/0", "0"},
        // Numbers: digits, points and E; a sign is never part of one.
        {"1e3", "1000"},
        {"1e-3", "-2"},
        {"1.5.5", "1.5"},
        {"2E2", "200"},
        {"1e", "1"},
        {"123456789", "1.23457e+08"},
        {"0.00001", "1e-05"},
        // Names, quoted text and nothing read 0; what follows the expression is ignored.
        {"abc", "0"},
        {"x1+2", "2"},
        {"\"abc\"+1", "1"},
        {"\"q\\\"q\"*2+1", "1"},
        {"", "0"},
        {"2 3", "2"},
        {"1+}", "1"},
        {"4)", "4"},
    };
    for (const auto& r : rows) EXPECT_EQ(calc(r.expression), r.value) << r.expression;
    EXPECT_EQ(run("$calc($char(39)2$char(39)+1)|$calc($char(39)2+1)"), "1|0");
    EXPECT_TRUE(host.take_lines().empty());
    EXPECT_EQ(run("$if($calc(1),y,n)"), "y");
}

TEST_F(Strings, CalcErrors) {
    EXPECT_EQ(run_lines("$calc('{1+2')"), (lines{"0", "$calc: {} error"}));
    EXPECT_EQ(run_lines("$calc('{{1}')"), (lines{"0", "$calc: {} error"}));
    EXPECT_EQ(run_lines("$calc()$calc(1,2)"),
              (lines{"", "$calc: invalid syntax", "$calc: invalid syntax"}));
    EXPECT_EQ(run_lines("$calc(" + std::string(256, '1') + ")"), (lines{"", "$calc: size over"}));
    EXPECT_EQ(run_lines("$calc(" + std::string(255, '1') + ")"), lines{"1.11111e+254"});
    EXPECT_EQ(run("$calc(1e300*1e300)"), "inf");
    vesk::set_error_level(vesk::err_off);
    EXPECT_EQ(run_lines("$calc('{1')"), lines{"0"});
}

TEST_F(Strings, CalcTwoByteCharacters) {
    if (GetACP() == 1252) {
        // 0xE9 (é) opens a two-byte character: it needs a second byte.
        EXPECT_EQ(run_lines("$calc(1+\xC3\xA9)"), (lines{"0", "$calc: kanji code error"}));
        EXPECT_EQ(run_lines("$calc(\xC3\xA9)|$if($calc(\xC3\xA9),y,n)"),
                  (lines{"|n", "$calc: kanji code error", "$calc: kanji code error"}));
        EXPECT_EQ(run_lines("$calc(\xC3\xA9\x61+1)"), lines{"1"});
    } else if (GetACP() == 932) {
        EXPECT_EQ(run_lines("$calc(\xE3\x81\x82\xE3\x81\x84+1)"), lines{"1"});
    } else {
        GTEST_SKIP() << "ANSI code page " << GetACP();
    }
}

// The code-page cases below depend on the system's ANSI code page; a run
// made for one names it, so that it cannot pass by skipping them.
TEST(CodePage, TheRunHasTheExpectedAnsiCodePage) {
    const char* expected = std::getenv("COR_EXPECT_ACP");
    if (!expected) GTEST_SKIP() << "no code page expected; this one is " << GetACP();
    EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
}

TEST_F(Strings, UrlEncode) {
    EXPECT_EQ(run("$urlencode(a b-c,utf8)"), "a+b%2Dc");
    EXPECT_EQ(run("$urlencode(A_z.9~,UTF8)"), "A_z%2E9%7E");
    EXPECT_EQ(run("$urlencode(\xC3\xA9\xE3\x81\x82,utf8)"), "%C3%A9%E3%81%82");
    // ASCII reads the same in every code page; unknown charcodes are the ANSI one.
    EXPECT_EQ(run("$urlencode(a b/c)|$urlencode(a b/c,sjis)|$urlencode(a b/c,euc)|"
                  "$urlencode(a b/c,latin)"),
              "a+b%2Fc|a+b%2Fc|a+b%2Fc|a+b%2Fc");
    EXPECT_EQ(run("$if($urlencode(x),y,n)"), "y");
    EXPECT_EQ(run_lines("$urlencode()"), (lines{"", "$urlencode: invalid syntax"}));
}

TEST_F(Strings, UrlEncodeInTheAnsiCodePage) {
    if (GetACP() == 1252) {
        // é is 0xE9, which is taken for the first byte of a pair when a byte follows.
        EXPECT_EQ(run("$urlencode(\xC3\xA9)|$urlencode(\xC3\xA9z)|$urlencode(\xC3\xA9z,euc)"),
                  "%E9|%E9%7A|%F1%DB");
        EXPECT_EQ(run("$urlencode(\xC3\xBC!)"), "%FC%21");
    } else if (GetACP() == 932) {
        // あ is 82 A0 in Shift_JIS and A4 A2 in EUC-JP; ア is 83 41 and A5 A2.
        EXPECT_EQ(run("$urlencode(\xE3\x81\x82)|$urlencode(\xE3\x81\x82,euc)"), "%82%A0|%A4%A2");
        EXPECT_EQ(run("$urlencode(\xE3\x82\xA2,sjis)|$urlencode(\xE3\x82\xA2,euc)"),
                  "%83%41|%A5%A2");
    } else {
        GTEST_SKIP() << "ANSI code page " << GetACP();
    }
}

TEST_F(Strings, LenbCountsShiftJisBytes) {
    // Three full-width characters and two letters.
    EXPECT_EQ(run("$lenb(\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\x61\x62)"), "8");
    EXPECT_EQ(run("$lenb(abc)|$lenb($get(none))|$if($lenb(a),y,n)"), "3|0|y");
    // Half-width katakana are one byte each.
    EXPECT_EQ(run("$lenb(\xEF\xBD\xB1\xEF\xBD\xB2)"), "2");
    EXPECT_EQ(run_lines("$lenb(a,b)"), (lines{"", "$lenb: invalid syntax"}));
}

TEST_F(Strings, HashStoresTextUnderExactKeys) {
    EXPECT_EQ(run("$if($hash(k,v),y,n)|$hash(k)|$if($hash(k),y,n)"), "y|v|n");
    EXPECT_EQ(run("$hash(K)|$hash(K,upper)$hash(K)|$hash(k)"), "|upper|v");
    // An empty value removes the key; an empty key does nothing.
    EXPECT_EQ(run("$hash(k,$get(none))$hash(k)|$if($hash(,x),y,n)"), "|n");
    auto& store = vesk::hash_store::instance();
    const auto keys = [&] {
        std::string all;
        for (const auto& e : store.items()) all += e.key + "=" + e.value + ";";
        return all;
    };
    EXPECT_EQ(keys(), "K=upper;");
    // New keys go last; a known key keeps its place, also after a removal.
    run("$hash(b,1)$hash(a,2)$hash(K,again)$hash(c,3)$hash(a,)$hash(a,4)");
    EXPECT_EQ(keys(), "K=again;b=1;c=3;a=4;");
    // Fields read the store in any case; of two keys that fold alike the
    // older one answers, and the younger once the older is gone.
    EXPECT_EQ(run("$hash(TextObj,id)%textobj%|%TEXTOBJ%"), "id|id");
    EXPECT_EQ(run("$hash(TEXTOBJ,two)%textobj%|$hash(TextObj,)%textobj%"), "id|two");
    EXPECT_EQ(run("$if($hash(),y,n)%textobj%"), "y?");
    EXPECT_EQ(store.size(), 0u);
    EXPECT_EQ(run_lines("$hash(a,b,c)"), (lines{"", "$hash: invalid syntax"}));
}

TEST_F(Strings, RegularExpressions) {
    EXPECT_EQ(run("$if($regexp(abc,B),y,n)|$if($regexpi(abc,B),y,n)|$regexp(abc,b)"), "n|y|");
    EXPECT_EQ(run("$regexp(abcabc,b,X)|$regexpi(ABC abc,abc,x)|$regexp(ABC abc,abc,x)"),
              "aXcaXc|x x|ABC x");
    // Groups in the pattern and in the replacement.
    EXPECT_EQ(run("$regexp(John Smith,'(\\w+) (\\w+)','$2 $1')"), "Smith John");
    EXPECT_EQ(run("$regexp(2024-05-06,'(\\d+)-(\\d+)-(\\d+)','$3.$2.$1')"), "06.05.2024");
    EXPECT_EQ(run("$regexp(a1b22c333,'\\d+',#)|$if($regexp(a,'a',b),y,n)"), "a#b#c#|y");
    EXPECT_EQ(run("$if($regexp(line one,'^line \\w+$'),y,n)|$regexp(x.y,'\\.',\\)"), "y|x\\y");
    EXPECT_EQ(run("$regexp(abc,z,X)"), "abc");
    // Both names report as one function.
    EXPECT_EQ(run_lines("$regexp(a)$regexpi(a,b,c,d)"),
              (lines{"", "$regexp(i): invalid syntax", "$regexp(i): invalid syntax"}));
}

TEST_F(Strings, DurationFormats) {
    struct row {
        const char* call;
        const char* text;
    };
    const row rows[] = {
        {"$hms(59.9)", "00:59"},
        {"$hms(3600)", "1:00:00"},
        {"$hms(86399)", "23:59:59"},
        {"$hms(0)", "00:00"},
        {"$hms(3599.99)", "59:59"},
        {"$hms(360000)", "100:00:00"},
        {"$hms(61)", "01:01"},
        {"$hms(abc)", "00:00"},
        {"$hms( 7e2)", "11:40"},
        {"$wdhms(694861)", "1wk 1d 1:01:01"},
        {"$wdhms(0)", "0wk 0d 0:00:00"},
        {"$wdhms(86399.5)", "0wk 0d 23:59:59"},
        {"$wdhms(1209600)", "2wk 0d 0:00:00"},
    };
    for (const auto& r : rows) EXPECT_EQ(run(r.call), r.text) << r.call;
    EXPECT_EQ(run("$if($hms(5),y,n)|$if($wdhms(5),y,n)"), "n|n");
    EXPECT_EQ(run_lines("$hms()$wdhms(1,2)"),
              (lines{"", "$hms: invalid syntax", "$wdhms: invalid syntax"}));
}

TEST_F(Strings, RandomClockUnpack) {
    std::set<std::string> seen;
    for (int i = 0; i < 300; ++i) seen.insert(run("$random(6)"));
    EXPECT_EQ(seen, (std::set<std::string>{"0", "1", "2", "3", "4", "5"}));
    for (int i = 0; i < 20; ++i) EXPECT_EQ(run("$random(1)|$random(0)|$random(x)"), "0|0|0");
    EXPECT_EQ(run("$if($random(9),y,n)"), "y");

    char* end = nullptr;
    const std::string clock = run("$clock()");
    const double seconds = std::strtod(clock.c_str(), &end);
    EXPECT_EQ(*end, '\0') << clock;
    EXPECT_GE(seconds, 0);

    EXPECT_EQ(run("$unpack(a,b,c)|$if($unpack(),y,n)"), "|y");
    EXPECT_EQ(run_lines("$clock(1)$random()"),
              (lines{"", "$clock: invalid syntax", "$random: invalid syntax"}));
}

}  // namespace
