// Built-in functions beyond what the conformance file covers.
#include <gtest/gtest.h>

#include <string>

#include "tf_test_util.h"

namespace cor::tf::test {
namespace {

TEST(TextFunctions, Padding) {
    EXPECT_EQ(text_of("<$pad(ab,5)>|<$pad(ab,5,-)>|<$pad_right(ab,5,é)>|<$pad(abcdef,3)>"),
              "<ab   >|<ab--->|<éééab>|<abcdef>");
    EXPECT_EQ(text_of("<$padcut(abcdef,3)>|<$padcut(ab,4)>|<$padcut_right(ab,4)>|<$pad(ab,-3)>"),
              "<abc>|<ab  >|<  ab>|<ab>");
}

TEST(TextFunctions, PaddingCountsCharactersNotBytes) {
    EXPECT_EQ(text_of("$pad(äö,4,.)|$padcut(äöüß,2)"), "äö..|äö");
}

TEST(TextFunctions, GeneratedTextIsBounded) {
    EXPECT_LE(text_of("$pad(x,999999999999)").size(), 1u << 17);
    EXPECT_LE(text_of("$repeat(abcdefgh,99999999999)").size(), 1u << 21);
    EXPECT_LE(text_of("$tab(-1)$tab(999999999999)").size(), 1u << 17);
    EXPECT_EQ(text_of("$repeat(ab,3)|$repeat(ab,-2)"), "ababab|");
}

TEST(TextFunctions, ReplaceScansLeftToRightWithoutRescanning) {
    EXPECT_EQ(text_of("$replace(abcabc,a,b,b,c)"), "bccbcc");
    EXPECT_EQ(text_of("$replace(aaa,aa,x)"), "xa");
    EXPECT_EQ(text_of("$replace(a-b,-,)"), "ab");
    EXPECT_EQ(text_of("[$replace(abc,a)]"), "");  // a pattern without replacement
}

TEST(TextFunctions, Slicing) {
    EXPECT_EQ(
        text_of("$substr(abcdef,2,4)|$substr(abcdef,0,2)|[$substr(abc,3,2)]|$substr(añb,2,9)"),
        "bcd|ab||ñb");
    EXPECT_EQ(text_of("$right(abcdef,2)|$right(ab,5)|$cut(abc,2)|$left(日本語,2)"),
              "ef|ab|ab|日本");
    EXPECT_EQ(text_of("$trim(  a b  )|$trim(\t)"), "a b|");
}

TEST(TextFunctions, Searching) {
    EXPECT_EQ(text_of("$strchr(aébé,é)|$strrchr(aébé,é)|$strchr(abc,x)|$strchr(abc,)"), "2|4|0|0");
    EXPECT_EQ(text_of("$strstr(añbc,bc)|$strstr(abc,x)|$strstr(abc,)"), "3|0|0");
}

TEST(TextFunctions, LongestAndShortest) {
    const outcome r = evaluate("$longest(ab,ñññ,xyz)|$shortest(ab,c,d)");
    EXPECT_EQ(r.text, "ñññ|c");
    EXPECT_FALSE(r.truth);
}

TEST(TextFunctions, CaseMapping) {
    EXPECT_EQ(text_of("$upper(straße ǆ ǉ ёж)|$lower(ΑΘΗΝΑ İ Ǆ)"), "STRAßE Ǆ Ǉ ЁЖ|αθηνα i ǆ");
    EXPECT_TRUE(evaluate("$stricmp(Ärger,äRGER)").truth);
    EXPECT_FALSE(evaluate("$strcmp(Ärger,äRGER)").truth);
    EXPECT_FALSE(evaluate("$stricmp(abc,abcd)").truth);
    EXPECT_EQ(text_of("$caps(hello\tworld)|$caps2(mcDONALD)"), "Hello\tWorld|McDONALD");
}

TEST(TextFunctions, Prefixes) {
    EXPECT_EQ(text_of("$stripprefix(The Beatles)|$stripprefix(a Band)|$stripprefix(Theory)"),
              "Beatles|Band|Theory");
    EXPECT_EQ(text_of("$swapprefix(The Beatles)|$swapprefix(Die Ärzte,Die,Der)"),
              "Beatles, The|Ärzte, Die");
    EXPECT_EQ(text_of("$stripprefix(The Band,Los)"), "The Band");
}

TEST(TextFunctions, Roman) {
    EXPECT_EQ(text_of("$roman(1994)|$roman(4)|$roman(4000)|[$roman(0)]|[$roman(100001)]"),
              "MCMXCIV|IV|MMMM||");
    EXPECT_EQ(text_of("$len($roman(100000))"), "100");
}

TEST(TextFunctions, Misc) {
    EXPECT_EQ(text_of("$rot13('Hello, World!')"), "Uryyb, Jbeyq!");
    EXPECT_EQ(text_of("$tab()|$tab(3)|$crlf()"), "\t|\t\t\t|\r\n");
    EXPECT_EQ(text_of("$iflonger(abc,2,y,n)$iflonger(ab,2,y,n)"), "yn");
}

TEST(TextFunctions, InvalidUtf8NeverBreaksAnything) {
    const std::string bad = "a\xff\xc3-b\xe2\x82";
    EXPECT_EQ(text_of("$len(" + bad + ")"), "7");
    EXPECT_EQ(text_of("$upper(" + bad + ")"), "A\xff\xc3-B\xe2\x82");
    EXPECT_EQ(text_of("$ascii('\xff')"), "?");
    EXPECT_EQ(text_of("$caps('x\xffy')"), "X\xffy");
}

TEST(CharacterSets, AsciiSpellsAccentedLettersAndMarksTheRest) {
    EXPECT_EQ(text_of("$ascii(Café Ærø Łódź ß)"), "Cafe AEro Lodz ss");
    EXPECT_EQ(text_of("$ascii(“quoted” – ｆｕｌｌ …)"), "\"quoted\" - full ...");
    EXPECT_EQ(text_of("$ascii(Ω)"), "?");
}

class CodePage : public ::testing::Test {
protected:
    ~CodePage() override { set_system_code_page(1252); }
};

TEST_F(CodePage, AnsiKeepsWhatTheCodePageHolds) {
    set_system_code_page(1252);
    EXPECT_EQ(text_of("$ansi(Café “x” € Ω Ł)"), "Café “x” € ? L");
    set_system_code_page(932);
    EXPECT_EQ(system_code_page(), 932u);
    EXPECT_EQ(text_of("$ansi(明後日 ｶﾅ é)"), "明後日 ｶﾅ e");
}

// Wide and fullwidth characters take two cells in a double-byte code page;
// a Western one has no such characters and counts each once.
TEST_F(CodePage, Len2CountsWideCharactersTwiceInDoubleByteCodePages) {
    struct row {
        uint32_t code_page;
        const char* text;
        const char* width;
    };
    const row rows[] = {
        {1252, "明後日 a", "5"}, {1252, "日本a", "3"},      {932, "明後日 a", "8"},
        {932, "日本a", "5"},     {936, "ｆｕｌｌ！", "10"},  // fullwidth forms
        {949, "한국어", "6"},                                // Hangul syllables
        {950, "𠀋a", "3"},                                   // beyond the basic plane
        {932, "ｶﾅé", "3"},                                   // halfwidth and Western letters
        {932, "\xff", "1"},                                  // invalid UTF-8
    };
    for (const auto& r : rows) {
        set_system_code_page(r.code_page);
        EXPECT_EQ(text_of(std::string("$len2(") + r.text + ")"), r.width)
            << r.code_page << " " << r.text;
    }
    EXPECT_EQ(text_of("$len(明後日 a)"), "5");
}

TEST(Arithmetic, DivisionAndModulo) {
    EXPECT_EQ(text_of("$div(7,2)|$div(-7,2)|$div(7,0)|$div(100,5,2)|$div(7,0,2)"), "3|-3|7|10|3");
    EXPECT_EQ(text_of("$mod(7,3)|$mod(-7,3)|$mod(7,0)|[$mod(7)]"), "1|-1|7|");
}

TEST(Arithmetic, SixtyFourBitsWrapAround) {
    EXPECT_EQ(text_of("$add(9223372036854775807,1)"), "-9223372036854775808");
    EXPECT_EQ(text_of("$mul(9223372036854775807,2)"), "-2");
    EXPECT_EQ(text_of("$sub(-9223372036854775808,1)"), "9223372036854775807");
    EXPECT_EQ(text_of("$div(-9223372036854775808,-1)|$mod(-9223372036854775808,-1)"),
              "-9223372036854775808|0");
    EXPECT_EQ(text_of("$muldiv(9223372036854775807,4,8)"), "4611686018427387903");
}

// A number written in the script and the same text computed at run time
// read alike, saturating at the 64-bit limits.
TEST(Arithmetic, WrittenAndComputedNumbersReadAlike) {
    const struct {
        const char* text;
        const char* value;
    } cases[] = {
        {"12", "12"},
        {" 12", "12"},
        {"\t-5", "-5"},
        {"-0", "0"},
        {"7x3", "7"},
        {"x7", "0"},
        {"", "0"},
        {"1e3", "1"},
        {"--4", "0"},
        {"- 4", "0"},
        {"00042", "42"},
        {"4 2", "4"},
        {"9223372036854775807", "9223372036854775807"},
        {"9223372036854775808", "9223372036854775807"},
        {"99999999999999999999", "9223372036854775807"},
        {"-9223372036854775808", "-9223372036854775808"},
        {"-9223372036854775809", "-9223372036854775808"},
    };
    for (const auto& c : cases) {
        const std::string written = std::string("$add(") + c.text + ",0)";
        const std::string computed = std::string("$add($if2($get(none),") + c.text + "),0)";
        const std::string in_put = std::string("$puts(n,") + c.text + ")$add($get(n),0)";
        EXPECT_EQ(text_of(written), c.value) << written;
        EXPECT_EQ(text_of(computed), c.value) << computed;
        EXPECT_EQ(text_of(in_put), c.value) << in_put;
    }
}

// $len and $num results read as numbers straight from the call give what
// their text reads as, and the call runs once.
TEST(Arithmetic, LenAndNumResultsReadAsTheirText) {
    for (const char* e :
         {"$len(abcdef)", "$len()", "$len(\xC3\x84\xC3\x96)", "$len($num(7,3))", "$num(7,3)",
          "$num(-5,3)", "$num(x,2)", "$num($len(abc),4)", "$num(-9223372036854775807,25)",
          "$num(-9223372036854775808,1)", "$num(1,2,3)", "$len(a,b)", "$add($len(abc),5)",
          "$substr($num(12345,1),2,3)"}) {
        // A second node in the argument makes it read through its text.
        const std::string direct = std::string("$add(") + e + ",0)";
        const std::string through_text = std::string("$add(") + e + "[],0)";
        EXPECT_EQ(text_of(direct), text_of(through_text)) << e;
    }
    EXPECT_EQ(text_of("$ifgreater($num(-5,3),-6,a,b)$greater($len($num(7,3)),5)"), "a");
    EXPECT_EQ(text_of("$puts(n,0)$ifgreater($len($puts(n,$add($get(n),1))),0,a,b)$get(n)"), "b1");
}

TEST(Arithmetic, MinMaxAndTruth) {
    EXPECT_EQ(text_of("$min(3,-2,5)|$max(3,-2,5)|$max(7)"), "-2|5|7");
    EXPECT_FALSE(evaluate("$add(1,2)").truth);
}

TEST(Arithmetic, RandIsANonNegativeNumber) {
    std::string first;
    bool varied = false;
    for (int i = 0; i < 20; ++i) {
        const std::string r = text_of("$rand()");
        ASSERT_FALSE(r.empty());
        EXPECT_EQ(r.find_first_not_of("0123456789"), std::string::npos) << r;
        if (i == 0)
            first = r;
        else
            varied |= r != first;
    }
    EXPECT_TRUE(varied);
}

TEST(Logic, TruthOnlyAndNoText) {
    const outcome r = evaluate("$and(%a%,b)$or(a,b)$not(x)$xor(x,y)$greater(2,1)");
    EXPECT_EQ(r.text, "");
    EXPECT_TRUE(r.truth);  // from $not and $greater
    EXPECT_FALSE(evaluate("$xor(a,b)").truth);
    EXPECT_TRUE(evaluate("$not($greater(1,2))").truth);
    EXPECT_EQ(text_of("$if($and($not(a),$longer(abc,ab)),y,n)"), "y");
}

TEST(Logic, Select) {
    EXPECT_EQ(text_of("$select(2,a,b,c)|[$select(4,a,b,c)]|[$select(0,a)]"), "b||");
}

TEST(Variables, PutWritesAndPutsDoesNot) {
    EXPECT_EQ(text_of("$put(x,1)|$puts(y,2)|$get(x)$get(y)|$get(X)"), "1||12|1");
}

TEST(Variables, GetIsTrueOnlyForStoredText) {
    EXPECT_FALSE(evaluate("$get(nothing)").truth);
    EXPECT_FALSE(evaluate("$puts(e,)$get(e)").truth);
    EXPECT_TRUE(evaluate("$puts(e,v)$get(e)").truth);
    EXPECT_EQ(text_of("$puts(v,a)$puts(v,b)$get(v)"), "b");
}

TEST(Colours, RgbMarkers) {
    EXPECT_EQ(text_of("$rgb(255,128,0)"),
              "\x03"
              "0080FF"
              "\x03");
    EXPECT_EQ(text_of("$rgb(300,-5,16)"),
              "\x03"
              "1000FF"
              "\x03");
    EXPECT_EQ(text_of("$rgb()"), "\x03\x03");
    EXPECT_EQ(text_of("[$rgb(1,2)]"), "");
}

TEST(Colours, Blend) {
    EXPECT_EQ(text_of("$blend($rgb(0,0,0),$rgb(255,255,255),1,2)"),
              "\x03"
              "808080"
              "\x03");
    EXPECT_EQ(text_of("$blend($rgb(10,20,30),$rgb(110,120,130),5,4)"),
              "\x03"
              "82786E"
              "\x03");
    EXPECT_EQ(text_of("$blend($rgb(10,20,30),$rgb(110,120,130),-1,4)"),
              "\x03"
              "1E140A"
              "\x03");
    EXPECT_EQ(text_of("[$blend(red,$rgb(0,0,0),1,2)]"), "");
}

TEST(Colours, Transition) {
    EXPECT_EQ(text_of("$transition(abc,$rgb(0,0,0),$rgb(255,0,0))"),
              "\x03"
              "000000"
              "\x03"
              "a"
              "\x03"
              "000080"
              "\x03"
              "b"
              "\x03"
              "0000FF"
              "\x03"
              "c");
    EXPECT_EQ(text_of("$transition(ab,x,y)"), "ab");
}

}  // namespace
}  // namespace cor::tf::test
