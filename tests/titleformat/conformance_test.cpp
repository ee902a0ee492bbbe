// The language, row by row from the files of data/: the conformance file
// (text, truth, and for the rows of group parser:invalid a failed
// compilation), the layout of scripts, the built-in functions, track fields
// and functions, invalid text and colours; then scripts that try to break
// the parser.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/track_info.h"
#include "support/case_table.h"
#include "tf_test_util.h"

namespace cor::tf::test {
namespace {

// "key=value;key=value": a tag, or with the key @ the file path; and in
// scripts.tsv .length, .samples, .rate, .size and info:name.
t_track_info parse_metadata(const std::string& column) {
    t_track_info info;
    std::stringstream in(column);
    for (std::string pair; std::getline(in, pair, ';');) {
        const size_t eq = pair.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = pair.substr(0, eq), value = pair.substr(eq + 1);
        if (key == "@") info.path = value;
        if (key == ".length") info.length_seconds = std::stod(value);
        if (key == ".samples") info.length_samples = std::stoull(value);
        if (key == ".rate") info.sample_rate = static_cast<uint32_t>(std::stoul(value));
        if (key == ".size") info.file_size = std::stoull(value);
        if (key.starts_with("info:")) info.set_info(key.substr(5), value);
        if (key != "@" && !key.starts_with(".") && !key.starts_with("info:"))
            info.add_meta(key, value);
    }
    return info;
}

// This row sits among the invalid scripts but is balanced: its three quoted
// ')' are text, and its expected output needs the whole script, final ')'
// included, to have been parsed.
constexpr std::string_view balanced_invalid_row = "$if2(a,b$if2(c,$invalid(')'')'')')))";

// Columns: expression, track metadata, expected text, expected truth, group.
TEST(Conformance, EveryRowMatchesItsTextAndTruth) {
    const auto rows = cor_test::read_case_table("titleformat/data/title-format-cases.tsv", 5);
    for (const cor_test::t_case_row& row : rows) {
        const std::vector<std::string>& c = row.fields;
        const std::string at = row.where + ": " + c[0];
        ASSERT_TRUE(c[3] == "0" || c[3] == "1") << at << ": malformed case";
        const t_track_info track = parse_metadata(c[1]);
        t_format_context ctx;
        ctx.track = &track;
        const outcome r = evaluate(c[0], c[1].empty() ? nullptr : &ctx);
        EXPECT_EQ(r.text, c[2]) << at;
        EXPECT_EQ(r.truth, c[3] == "1") << at;
        EXPECT_TRUE(c[4] != "parser:invalid" || r.compiled == (c[0] == balanced_invalid_row)) << at;
    }
    EXPECT_EQ(rows.size(), 815u);
}

// Columns: track ("(none)" for none), script, text, truth, whether it
// compiles; bytes written {xNN}.
TEST(Scripts, LayoutFunctionsAndTrackFields) {
    const cor_test::t_case_names bytes{
        {"x03", "\x03"}, {"xFF", "\xFF"}, {"xC3", "\xC3"}, {"xE2", "\xE2"}, {"x82", "\x82"}};
    for (const cor_test::t_case_row& row :
         cor_test::read_case_table("titleformat/data/scripts.tsv", 5)) {
        const std::vector<std::string>& c = row.fields;
        const std::string at = row.where + ": " + c[1];
        const t_track_info track = parse_metadata(c[0]);
        t_format_context ctx;
        ctx.track = &track;
        const outcome r =
            evaluate(cor_test::case_field(row, 1, bytes), c[0] == "(none)" ? nullptr : &ctx);
        EXPECT_EQ(r.text, cor_test::case_field(row, 2, bytes)) << at;
        EXPECT_EQ(c[3], flag_as(c[3], r.truth)) << at;
        EXPECT_EQ(c[4], flag_as(c[4], r.compiled)) << at;
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

// A compiled script runs again with fresh variables and appends to what
// the output holds.
TEST(Programs, RunManyTimesWithTheSameResult) {
    bool ok = false;
    const auto p = compile("$puts(n,$add($get(n),1))$get(n)|$upper(abc)", ok);
    ASSERT_TRUE(ok);
    for (const char* before : {"", "a", ""}) {
        std::string out = before;
        run(*p, nullptr, nullptr, out);
        EXPECT_EQ(out, before + std::string("1|ABC"));
    }
}

// Programs are shared by count and may be dropped on any thread; the
// memory of dropped ones serves later programs without their text showing.
TEST(Programs, SharedAcrossThreadsAndDroppedInAnyOrder) {
    // Programs of sizes from a few bytes to beyond the blocks kept per thread.
    std::vector<std::string> scripts, expected;
    for (size_t i = 0; i < 40; ++i) {
        const std::string text(i * 7, 'x'), n = std::to_string(i);
        scripts.push_back(text + "$len(" + n + ")");
        expected.push_back(text + std::to_string(n.size()));
    }
    std::vector<program_ptr> mine;
    for (const auto& s : scripts) {
        bool ok = false;
        mine.push_back(compile(s, ok));
        ASSERT_TRUE(ok);
    }
    std::vector<program_ptr> theirs = mine;
    std::string failures;
    std::thread other([&] {
        for (size_t i = 0; i < theirs.size(); ++i) {
            std::string out;
            run(*theirs[i], nullptr, nullptr, out);
            if (out != expected[i]) failures += scripts[i] + " ";
        }
        theirs.clear();
        bool ok = false;
        std::string out;
        run(*compile("$upper(yy)", ok), nullptr, nullptr, out);
        if (out != "YY") failures += "after ";
    });
    other.join();
    EXPECT_EQ(failures, "");
    for (size_t i = mine.size(); i-- > 0;) {
        std::string out;
        run(*mine[i], nullptr, nullptr, out);
        EXPECT_EQ(out, expected[i]);
        mine[i] = nullptr;
        bool ok = false;
        std::string fresh;
        run(*compile("$upper(z)" + std::to_string(i), ok), nullptr, nullptr, fresh);
        EXPECT_EQ(fresh, "Z" + std::to_string(i));
    }
}

}  // namespace
}  // namespace cor::tf::test
