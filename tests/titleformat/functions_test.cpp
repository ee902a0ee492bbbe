// Built-in functions beyond what the conformance file covers.
#include <gtest/gtest.h>

#include <string>

#include "tf_test_util.h"

namespace cor::tf::test {
namespace {

// Colour markers are written "\003" (octal) so that the hex digits after
// them stay text.
TEST(Functions, TextAndTruthOfEachCall) {
    constexpr check yes = check::yes, no = check::no;
    expect_cases({
        // Padding counts characters, not bytes.
        {"<$pad(ab,5)>|<$pad(ab,5,-)>|<$pad_right(ab,5,é)>|<$pad(abcdef,3)>",
         "<ab   >|<ab--->|<éééab>|<abcdef>"},
        {"<$padcut(abcdef,3)>|<$padcut(ab,4)>|<$padcut_right(ab,4)>|<$pad(ab,-3)>",
         "<abc>|<ab  >|<  ab>|<ab>"},
        {"$pad(äö,4,.)|$padcut(äöüß,2)", "äö..|äö"},
        {"$repeat(ab,3)|$repeat(ab,-2)", "ababab|"},
        // Replacing scans left to right without rescanning.
        {"$replace(abcabc,a,b,b,c)", "bccbcc"},
        {"$replace(aaa,aa,x)", "xa"},
        {"$replace(a-b,-,)", "ab"},
        {"[$replace(abc,a)]", ""},  // a pattern without replacement
        // Slicing and searching.
        {"$substr(abcdef,2,4)|$substr(abcdef,0,2)|[$substr(abc,3,2)]|$substr(añb,2,9)",
         "bcd|ab||ñb"},
        {"$right(abcdef,2)|$right(ab,5)|$cut(abc,2)|$left(日本語,2)", "ef|ab|ab|日本"},
        {"$trim(  a b  )|$trim(\t)", "a b|"},
        {"$strchr(aébé,é)|$strrchr(aébé,é)|$strchr(abc,x)|$strchr(abc,)", "2|4|0|0"},
        {"$strstr(añbc,bc)|$strstr(abc,x)|$strstr(abc,)", "3|0|0"},
        {"$longest(ab,ñññ,xyz)|$shortest(ab,c,d)", "ñññ|c", no},
        // Case.
        {"$upper(straße ǆ ǉ ёж)|$lower(ΑΘΗΝΑ İ Ǆ)", "STRAßE Ǆ Ǉ ЁЖ|αθηνα i ǆ"},
        {"$stricmp(Ärger,äRGER)", "", yes},
        {"$strcmp(Ärger,äRGER)", "", no},
        {"$stricmp(abc,abcd)", "", no},
        {"$caps(hello\tworld)|$caps2(mcDONALD)", "Hello\tWorld|McDONALD"},
        // Prefixes.
        {"$stripprefix(The Beatles)|$stripprefix(a Band)|$stripprefix(Theory)",
         "Beatles|Band|Theory"},
        {"$swapprefix(The Beatles)|$swapprefix(Die Ärzte,Die,Der)", "Beatles, The|Ärzte, Die"},
        {"$stripprefix(The Band,Los)", "The Band"},
        // Roman numerals.
        {"$roman(1994)|$roman(4)|$roman(4000)|[$roman(0)]|[$roman(100001)]", "MCMXCIV|IV|MMMM||"},
        {"$len($roman(100000))", "100"},
        // The rest of the text functions.
        {"$rot13('Hello, World!')", "Uryyb, Jbeyq!"},
        {"$tab()|$tab(3)|$crlf()", "\t|\t\t\t|\r\n"},
        {"$iflonger(abc,2,y,n)$iflonger(ab,2,y,n)", "yn"},
        // Invalid UTF-8 never breaks anything.
        {"$len(a\xff\xc3-b\xe2\x82)", "7"},
        {"$upper(a\xff\xc3-b\xe2\x82)", "A\xff\xc3-B\xe2\x82"},
        {"$ascii('\xff')", "?"},
        {"$caps('x\xffy')", "X\xffy"},
        // $ascii spells accented letters and marks the rest.
        {"$ascii(Café Ærø Łódź ß)", "Cafe AEro Lodz ss"},
        {"$ascii(“quoted” – ｆｕｌｌ …)", "\"quoted\" - full ..."},
        {"$ascii(Ω)", "?"},
        // Arithmetic, in 64 bits that wrap around.
        {"$div(7,2)|$div(-7,2)|$div(7,0)|$div(100,5,2)|$div(7,0,2)", "3|-3|7|10|3"},
        {"$mod(7,3)|$mod(-7,3)|$mod(7,0)|[$mod(7)]", "1|-1|7|"},
        {"$add(9223372036854775807,1)", "-9223372036854775808"},
        {"$mul(9223372036854775807,2)", "-2"},
        {"$sub(-9223372036854775808,1)", "9223372036854775807"},
        {"$div(-9223372036854775808,-1)|$mod(-9223372036854775808,-1)", "-9223372036854775808|0"},
        {"$muldiv(9223372036854775807,4,8)", "4611686018427387903"},
        {"$min(3,-2,5)|$max(3,-2,5)|$max(7)", "-2|5|7"},
        {"$add(1,2)", "3", no},
        // Logic gives truth only, no text.
        {"$and(%a%,b)$or(a,b)$not(x)$xor(x,y)$greater(2,1)", "", yes},  // $not and $greater
        {"$xor(a,b)", "", no},
        {"$not($greater(1,2))", "", yes},
        {"$if($and($not(a),$longer(abc,ab)),y,n)", "y"},
        {"$select(2,a,b,c)|[$select(4,a,b,c)]|[$select(0,a)]", "b||"},
        // $put writes, $puts does not; $get is true only for stored text.
        {"$put(x,1)|$puts(y,2)|$get(x)$get(y)|$get(X)", "1||12|1"},
        {"$get(nothing)", "", no},
        {"$puts(e,)$get(e)", "", no},
        {"$puts(e,v)$get(e)", "v", yes},
        {"$puts(v,a)$puts(v,b)$get(v)", "b"},
        // Colours.
        {"$rgb(255,128,0)", "\0030080FF\003"},
        {"$rgb(300,-5,16)", "\0031000FF\003"},
        {"$rgb()", "\003\003"},
        {"[$rgb(1,2)]", ""},
        {"$blend($rgb(0,0,0),$rgb(255,255,255),1,2)", "\003808080\003"},
        {"$blend($rgb(10,20,30),$rgb(110,120,130),5,4)", "\00382786E\003"},
        {"$blend($rgb(10,20,30),$rgb(110,120,130),-1,4)", "\0031E140A\003"},
        {"[$blend(red,$rgb(0,0,0),1,2)]", ""},
        {"$transition(abc,$rgb(0,0,0),$rgb(255,0,0))",
         "\003000000\003a\003000080\003b\0030000FF\003c"},
        {"$transition(ab,x,y)", "ab"},
    });
}

TEST(Functions, GeneratedTextIsBounded) {
    EXPECT_LE(text_of("$pad(x,999999999999)").size(), 1u << 17);
    EXPECT_LE(text_of("$repeat(abcdefgh,99999999999)").size(), 1u << 21);
    EXPECT_LE(text_of("$tab(-1)$tab(999999999999)").size(), 1u << 17);
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

}  // namespace
}  // namespace cor::tf::test
