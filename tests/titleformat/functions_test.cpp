// Player fields, and what the functions' data rows cannot say: bounds, code
// pages and how numbers read.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/track_info.h"
#include "support/case_table.h"
#include "tf_test_util.h"

namespace cor::tf::test {
namespace {

TEST(PlayerFields, PlaybackTimeAndPlaylistPosition) {
    t_track_info track;
    track.length_seconds = 200;
    t_format_context ctx;
    ctx.track = &track;
    ctx.playback_time = 65.7;
    const char* script =
        "[%playback_time%]|[%playback_time_seconds%]|[%playback_time_remaining%]|"
        "[%playback_time_remaining_seconds%]|[%isplaying%]|[%ispaused%]";
    EXPECT_EQ(text_of(script, &ctx), "|||||");
    ctx.is_playing = true;
    EXPECT_EQ(text_of(script, &ctx), "1:05|65|2:15|135|1|");
    ctx.is_paused = true;
    EXPECT_EQ(text_of("%ispaused%|%list_index%|%list_total%|%playlist_name%", &ctx), "1|?|?|?");
    // Without a track.
    ctx.track = nullptr;
    ctx.playback_time = 3601;
    EXPECT_EQ(text_of("%playback_time%|%playback_time_remaining%", &ctx), "1:00:01|?");
}

TEST(Functions, GeneratedTextIsBounded) {
    EXPECT_LE(text_of("$pad(x,999999999999)").size(), 1u << 17);
    EXPECT_LE(text_of("$repeat(abcdefgh,99999999999)").size(), 1u << 21);
    EXPECT_LE(text_of("$tab(-1)$tab(999999999999)").size(), 1u << 17);
}

// Rows of data/code-pages.tsv: code page, script, text; then invalid UTF-8.
TEST(CodePage, AnsiAndLen2FollowTheCodePage) {
    for (const cor_test::t_case_row& row :
         cor_test::read_case_table("titleformat/data/code-pages.tsv", 3)) {
        set_system_code_page(static_cast<uint32_t>(std::stoul(row.fields[0])));
        EXPECT_EQ(text_of(row.fields[1]), row.fields[2]) << row.where << ": " << row.fields[1];
    }
    set_system_code_page(932);
    EXPECT_EQ(text_of("$len2(\xff)"), "1");
    set_system_code_page(1252);  // the default, for the tests after this one
}

// A number written in the script and the same text computed at run time
// read alike, saturating at the 64-bit limits.
TEST(Arithmetic, WrittenAndComputedNumbersReadAlike) {
    for (const cor_test::t_case_row& row :
         cor_test::read_case_table("titleformat/data/numbers.tsv", 2)) {
        const std::string& text = row.fields[0];
        for (const std::string& script :
             {"$add(" + text + ",0)", "$add($if2($get(none)," + text + "),0)",
              "$puts(n," + text + ")$add($get(n),0)"})
            EXPECT_EQ(text_of(script), row.fields[1]) << row.where << ": " << script;
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

TEST(Arithmetic, RandIsANonNegativeNumberThatVaries) {
    std::set<std::string> seen;
    for (int i = 0; i < 20; ++i) seen.insert(text_of("$rand()"));
    for (const std::string& r : seen)
        EXPECT_TRUE(!r.empty() && r.find_first_not_of("0123456789") == std::string::npos) << r;
    EXPECT_GT(seen.size(), 1u);
}

}  // namespace
}  // namespace cor::tf::test
