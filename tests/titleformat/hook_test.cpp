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

// What each call writes, how often it evaluates %probe% and, for logic,
// its truth: arguments are evaluated lazily, at most once per call.
TEST(LazyArguments, EachArgumentIsEvaluatedOnlyWhenAskedAndAtMostOnce) {
    constexpr check yes = check::yes, no = check::no, any = check::any;
    const struct {
        const char* script;
        const char* text;
        int probes;
        check truth = check::any;
    } cases[] = {
        // What a declining hook wrote is discarded, and declining costs no
        // argument evaluation.
        {"%scribble%|$scribble()", "?|[UNKNOWN FUNCTION]", 0},
        {"$unknown(%probe%,%probe%)", "[UNKNOWN FUNCTION]", 0},
        {"$thrice(%probe%)", "ppp", 1},
        {"$first(a,%probe%)", "a", 0},  // nobody asks for the second
        {"$truth(%probe%)$truth(x)", "TF", 1},
        // Control flow evaluates only the branch it takes.
        {"$if(%hooked%,a,%probe%)", "a", 0},
        {"$if2(%hooked%,%probe%)", "H", 0},
        {"$ifequal(1,2,%probe%,b)", "b", 0},
        {"$if3(x,%hooked%,%probe%)", "H", 0},
        {"$select(1,a,%probe%)", "a", 0},
        {"$if(x,a,%probe%)", "p", 1},
        // Logic stops at the first deciding argument.
        {"$and(x,%probe%)", "", 0, no},
        {"$or(%hooked%,%probe%)", "", 0, yes},
        // Parameter counts and requests out of range.
        {"$count()|$count(a)|$count(,)|$first()", "0|1|2|", 0, any},
        // Names and arguments may be read as C strings: written text and
        // computed text alike, next to other text in the script.
        {"x$terminated(abc,$upper(d)e,,'q'r%hooked%)y$terminated()", "xyesyyes", 0},
        // A hook may run another script in the middle of a call: the inner
        // run has its own variables and leaves the outer call's arguments and
        // variables alone.
        {"$puts(v,outer)$inner(%probe%)|$get(v)", "innerp|outer", 1},
    };
    for (const auto& c : cases) {
        recording_hook hook;
        const outcome r = evaluate(c.script, nullptr, &hook);
        EXPECT_EQ(r.text, c.text) << c.script;
        EXPECT_EQ(hook.probes, c.probes) << c.script;
        if (c.truth != check::any) {
            EXPECT_EQ(r.truth, c.truth == yes) << c.script;
        }
    }
}

}  // namespace
}  // namespace cor::tf::test
