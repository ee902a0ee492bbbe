// What reaches the hook and what does not, and the lazy evaluation of
// arguments, seen through a hook that records what it is asked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/track_info.h"
#include "tf_test_util.h"

namespace cor::tf::test {
namespace {

class recording_hook : public titleformat_hook {
public:
    std::vector<std::string> fields;
    std::vector<std::string> functions;
    int probes = 0;          // evaluations of %probe%
    bool claim_all = false;  // handle every function, writing nothing

    bool process_field(string_sink& out, const char* name, size_t length, bool& found) override {
        const std::string n(name, length);
        fields.push_back(n);
        if (n == "probe") {
            ++probes;
            out.write("p", 1);
            found = true;
            return true;
        }
        if (n == "hooked") {
            out.write("H", 1);
            found = true;
            return true;
        }
        if (n == "scribble") out.write("junk", 4);  // then declines
        return false;
    }

    bool process_function(string_sink& out, const char* name, size_t length,
                          titleformat_params& params, bool& found) override {
        const std::string n(name, length);
        functions.push_back(n);
        if (claim_all) {
            found = false;
            return true;
        }
        if (n == "first") {  // writes its first argument with its truth
            write_param(out, params, 0);
            found = params.get_param_found(0);
            return true;
        }
        if (n == "thrice") {
            for (int i = 0; i < 3; ++i) write_param(out, params, 0);
            found = true;
            return true;
        }
        if (n == "count") {
            const std::string c = std::to_string(params.get_param_count());
            out.write(c.data(), c.size());
            return true;
        }
        if (n == "truth") {  // asks only for the truth of its argument
            out.write(params.get_param_found(0) ? "T" : "F", 1);
            return true;
        }
        if (n == "inner") {  // runs another script in the middle of the call
            bool ok = false;
            const auto p = compile("$puts(v,inner)$get(v)", ok);
            std::string s;
            run(*p, nullptr, this, s);
            out.write(s.data(), s.size());
            write_param(out, params, 0);
            return true;
        }
        if (n == "terminated") {  // whether its name and arguments end in a NUL
            bool all = name[length] == '\0';
            for (size_t i = 0; i < params.get_param_count(); ++i) {
                const char* text = nullptr;
                size_t len = 0;
                params.get_param(i, text, len);
                all = all && text[len] == '\0';
            }
            out.write(all ? "yes" : "no", all ? 3 : 2);
            return true;
        }
        if (n == "scribble") out.write("junk", 4);  // then declines
        return false;
    }

private:
    static void write_param(string_sink& out, titleformat_params& params, size_t i) {
        const char* text = nullptr;
        size_t len = 0;
        params.get_param(i, text, len);
        out.write(text, len);
    }
};

TEST(HookResolution, HostFunctionsNeverReachTheHook) {
    recording_hook hook;
    EXPECT_EQ(text_of("$if(1,a,b)$upper(x)$add(1,2)$meta(artist)$if(a)", nullptr, &hook),
              "bX3[INVALID $IF SYNTAX]");
    EXPECT_TRUE(hook.functions.empty());
}

TEST(HookResolution, HostFunctionsWinEvenOverAHookThatClaimsEverything) {
    recording_hook hook;
    hook.claim_all = true;
    EXPECT_EQ(text_of("$if(%hooked%,yes,no)$add(2,3)$mine(x)", nullptr, &hook), "yes5");
    EXPECT_EQ(hook.functions, std::vector<std::string>{"mine"});
}

TEST(HookResolution, UnknownFunctionsReachTheHookByTheirWrittenName) {
    recording_hook hook;
    const outcome r = evaluate("[$first(%hooked%)]|[$first(x)]|$Nope(1)", nullptr, &hook);
    EXPECT_EQ(r.text, "H||[UNKNOWN FUNCTION]");
    EXPECT_TRUE(r.truth);
    EXPECT_EQ(hook.functions, (std::vector<std::string>{"first", "first", "Nope"}));
}

// Names and arguments may be read as C strings: written text and computed
// text alike, next to other text in the script.
TEST(HookResolution, NamesAndArgumentsEndInANul) {
    recording_hook hook;
    EXPECT_EQ(text_of("x$terminated(abc,$upper(d)e,,'q'r%hooked%)y$terminated()", nullptr, &hook),
              "xyesyyes");
}

TEST(HookResolution, FieldsGoToTheHookOnlyWhenTheHostCannotResolveThem) {
    t_track_info track;
    track.add_meta("artist", "Band");
    t_format_context ctx;
    ctx.track = &track;
    recording_hook hook;
    EXPECT_EQ(text_of("%artist%|%missing%|%hooked%", &ctx, &hook), "Band|?|H");
    EXPECT_EQ(hook.fields, (std::vector<std::string>{"missing", "hooked"}));

    recording_hook no_track_hook;
    EXPECT_EQ(text_of("%artist%", nullptr, &no_track_hook), "?");
    EXPECT_EQ(no_track_hook.fields, std::vector<std::string>{"artist"});
}

TEST(HookResolution, WhatADecliningHookWroteIsDiscarded) {
    recording_hook hook;
    EXPECT_EQ(text_of("%scribble%|$scribble()", nullptr, &hook), "?|[UNKNOWN FUNCTION]");
}

TEST(LazyArguments, DecliningACallCostsNoArgumentEvaluation) {
    recording_hook hook;
    EXPECT_EQ(text_of("$unknown(%probe%,%probe%)", nullptr, &hook), "[UNKNOWN FUNCTION]");
    EXPECT_EQ(hook.probes, 0);
}

TEST(LazyArguments, AnArgumentIsEvaluatedAtMostOncePerCall) {
    recording_hook hook;
    EXPECT_EQ(text_of("$thrice(%probe%)", nullptr, &hook), "ppp");
    EXPECT_EQ(hook.probes, 1);
}

TEST(LazyArguments, ArgumentsNobodyAsksForAreNeverEvaluated) {
    recording_hook hook;
    EXPECT_EQ(text_of("$first(a,%probe%)", nullptr, &hook), "a");
    EXPECT_EQ(hook.probes, 0);
}

TEST(LazyArguments, AskingForTheTruthEvaluatesOnce) {
    recording_hook hook;
    EXPECT_EQ(text_of("$truth(%probe%)$truth(x)", nullptr, &hook), "TF");
    EXPECT_EQ(hook.probes, 1);
}

TEST(LazyArguments, ControlFlowEvaluatesOnlyTheBranchItTakes) {
    recording_hook hook;
    EXPECT_EQ(text_of("$if(%hooked%,a,%probe%)", nullptr, &hook), "a");
    EXPECT_EQ(text_of("$if2(%hooked%,%probe%)", nullptr, &hook), "H");
    EXPECT_EQ(text_of("$ifequal(1,2,%probe%,b)", nullptr, &hook), "b");
    EXPECT_EQ(text_of("$if3(x,%hooked%,%probe%)", nullptr, &hook), "H");
    EXPECT_EQ(text_of("$select(1,a,%probe%)", nullptr, &hook), "a");
    EXPECT_EQ(hook.probes, 0);
    EXPECT_EQ(text_of("$if(x,a,%probe%)", nullptr, &hook), "p");
    EXPECT_EQ(hook.probes, 1);
}

TEST(LazyArguments, LogicStopsAtTheFirstDecidingArgument) {
    recording_hook hook;
    EXPECT_FALSE(evaluate("$and(x,%probe%)", nullptr, &hook).truth);
    EXPECT_TRUE(evaluate("$or(%hooked%,%probe%)", nullptr, &hook).truth);
    EXPECT_EQ(hook.probes, 0);
}

TEST(HookParams, CountAndOutOfRangeRequests) {
    recording_hook hook;
    EXPECT_EQ(text_of("$count()|$count(a)|$count(,)|$first()", nullptr, &hook), "0|1|2|");
}

TEST(HookParams, AHookMayRunAnotherScriptInTheMiddleOfACall) {
    recording_hook hook;
    // The inner run has its own variables and leaves the outer call's
    // arguments and variables alone.
    EXPECT_EQ(text_of("$puts(v,outer)$inner(%probe%)|$get(v)", nullptr, &hook), "innerp|outer");
    EXPECT_EQ(hook.probes, 1);
}

}  // namespace
}  // namespace cor::tf::test
