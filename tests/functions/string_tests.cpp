// $calc, $urlencode, $lenb, $hash, $regexp, $hms, $wdhms, $random,
// $unpack, $wstrsplit and $display_volume's scale as scripts call them.
#include "function_test_util.h"

#include <cstdlib>
#include <set>

using namespace function_test;

namespace {

using Strings = FunctionTest;

// The string, number and split functions and the volume scale of
// data/scripts.tsv; a row for one ANSI code page runs only there.
TEST_F(Strings, ScriptTable) {
    const std::string acp = std::to_string(GetACP());
    for (const auto& row : cor_test::read_case_table("functions/data/scripts.tsv", 4))
        if (row.fields[0] == "*" || row.fields[0] == acp) expect_row(row, 1);
    // Too long for a row: 255 digits are still read, 256 are not.
    EXPECT_EQ(run_lines("$calc(" + std::string(256, '1') + ")"), (lines{"", "$calc: size over"}));
    EXPECT_EQ(run_lines("$calc(" + std::string(255, '1') + ")"), lines{"1.11111e+254"});
    // $random stays below its bound and reaches every value under it.
    std::set<std::string> seen;
    for (int i = 0; i < 300; ++i) seen.insert(run("$random(6)"));
    EXPECT_EQ(seen, (std::set<std::string>{"0", "1", "2", "3", "4", "5"}));
    for (int i = 0; i < 20; ++i) EXPECT_EQ(run("$random(1)|$random(0)|$random(x)"), "0|0|0");
}

// The code-page cases depend on the system's ANSI code page; a run made
// for one names it, so that they cannot pass without running.
TEST(CodePage, TheRunHasTheExpectedAnsiCodePage) {
    const char* expected = std::getenv("COR_EXPECT_ACP");
    if (!expected) GTEST_SKIP() << "no code page expected; this one is " << GetACP();
    EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
}

TEST_F(Strings, HashStoresTextUnderExactKeys) {
    EXPECT_EQ(run("$if($hash(k,v),y,n)|$hash(k)|$if($hash(k),y,n)"), "y|v|n");
    EXPECT_EQ(run("$hash(K)|$hash(K,upper)$hash(K)|$hash(k)"), "|upper|v");
    // An empty value removes the key; an empty key does nothing.
    EXPECT_EQ(run("$hash(k,$get(none))$hash(k)|$if($hash(,x),y,n)"), "|n");
    EXPECT_EQ(hash_items(), "K=upper;");
    // New keys go last; a known key keeps its place, also after a removal.
    run("$hash(b,1)$hash(a,2)$hash(K,again)$hash(c,3)$hash(a,)$hash(a,4)");
    EXPECT_EQ(hash_items(), "K=again;b=1;c=3;a=4;");
    // Fields read the store in any case; of two keys that fold alike the
    // older one answers, and the younger once the older is gone.
    EXPECT_EQ(run("$hash(TextObj,id)%textobj%|%TEXTOBJ%"), "id|id");
    EXPECT_EQ(run("$hash(TEXTOBJ,two)%textobj%|$hash(TextObj,)%textobj%"), "id|two");
    EXPECT_EQ(run("$if($hash(),y,n)%textobj%"), "y?");
    EXPECT_EQ(hash_items(), "");
    EXPECT_EQ(run_lines("$hash(a,b,c)"), (lines{"", "$hash: invalid syntax"}));
}

}  // namespace
