// What reaches the hook and what does not, and the lazy evaluation of
// arguments, seen through a hook that records what it is asked; and the
// engine behind the plug-in interfaces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/track_info.h"
#include "support/case_table.h"
#include "tf_test_util.h"
#include "titleformat/tf_service.h"

namespace cor::tf::test {
namespace {

class recording_hook : public titleformat_hook {
public:
    std::vector<std::string> fields;
    std::vector<std::string> functions;
    int probes = 0;  // evaluations of %probe%

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

// Host functions never reach the hook; unknown ones do, by their written
// name; fields only when the Host cannot resolve them.
TEST(HookResolution, OnlyWhatTheHostCannotResolveReachesTheHook) {
    t_track_info track;
    track.add_meta("artist", "Band");
    t_format_context ctx;
    ctx.track = &track;
    recording_hook hook;
    const outcome r = evaluate(
        "$if(1,a,b)$upper(x)$add(1,2)$meta(artist)$if(a)|%artist%|%missing%|%hooked%|"
        "[$first(%hooked%)]|[$first(x)]|$Nope(1)",
        &ctx, &hook);
    EXPECT_EQ(r.text, "bX3Band[INVALID $IF SYNTAX]|Band|?|H|H||[UNKNOWN FUNCTION]");
    EXPECT_TRUE(r.truth);
    EXPECT_EQ(hook.functions, (std::vector<std::string>{"first", "first", "Nope"}));
    EXPECT_EQ(hook.fields, (std::vector<std::string>{"missing", "hooked", "hooked"}));

    recording_hook no_track_hook;
    EXPECT_EQ(text_of("%artist%", nullptr, &no_track_hook), "?");
    EXPECT_EQ(no_track_hook.fields, std::vector<std::string>{"artist"});
}

// What each call writes, how often it evaluates %probe% and, for logic,
// its truth: arguments are evaluated lazily, at most once per call.
TEST(LazyArguments, EachArgumentIsEvaluatedOnlyWhenAskedAndAtMostOnce) {
    for (const cor_test::t_case_row& row :
         cor_test::read_case_table("titleformat/data/hook-calls.tsv", 4)) {
        const std::vector<std::string>& c = row.fields;
        const std::string at = row.where + ": " + c[0];
        recording_hook hook;
        const outcome r = evaluate(c[0], nullptr, &hook);
        EXPECT_EQ(r.text, c[1]) << at;
        EXPECT_EQ(std::to_string(hook.probes), c[2]) << at;
        EXPECT_EQ(c[3], flag_as(c[3], r.truth)) << at;
    }
}

class string_collector : public string_sink {
public:
    std::string text;
    void write(const char* t, size_t n) override { text.append(t, n); }
};

struct report_log : titleformat_compile_report {
    void on_error(size_t offset, size_t line, size_t column, const char* message,
                  size_t length) override {
        text += std::to_string(offset) + "@" + std::to_string(line) + ":" + std::to_string(column) +
                " " + std::string(message, length) + ";";
    }
    std::string text;
};

// Rows of data/compile-errors.tsv: script, byte offset, line:column and
// message of its first error, which the compiler reports; it gives no object.
TEST(CompilerService, TheFirstErrorIsPlacedAndExplainedAndGivesNoObject) {
    const auto compiler = make_titleformat_compiler();
    for (const cor_test::t_case_row& row :
         cor_test::read_case_table("titleformat/data/compile-errors.tsv", 4)) {
        const std::vector<std::string>& c = row.fields;
        report_log log;
        int junk = 0;  // what the compiler must overwrite
        titleformat_object* raw = reinterpret_cast<titleformat_object*>(&junk);
        EXPECT_FALSE(compiler->compile_reporting(&raw, c[0].data(), c[0].size(), log)) << row.where;
        EXPECT_EQ(raw, nullptr) << row.where;
        EXPECT_EQ(log.text, c[1] + "@" + c[2] + " " + c[3] + ";") << row.where << ": " << c[0];
    }
}

// An object from somewhere else, e.g. another module.
class foreign_object : public titleformat_object {
public:
    int service_add_ref() noexcept override { return 1; }
    int service_release() noexcept override { return 1; }
    bool run(titleformat_hook*, string_sink&) override { return false; }
};

// Objects of this module's compiler run with a component's hook, or for
// the Host against a track; other objects are recognised and not run.
TEST(CompilerService, ObjectsRunWithAHookOrAgainstATrack) {
    const std::string script = "[%hooked% ]$upper(x)|%artist% - %title%";
    titleformat_object* raw = nullptr;
    report_log log;
    ASSERT_TRUE(
        make_titleformat_compiler()->compile_reporting(&raw, script.data(), script.size(), log));
    EXPECT_EQ(log.text, "");
    const auto object = service_ptr_t<titleformat_object>::adopt(raw);
    ASSERT_TRUE(object);
    EXPECT_EQ(object->service_add_ref(), 2);
    EXPECT_EQ(object->service_release(), 1);
    recording_hook hook;
    string_collector out;
    EXPECT_TRUE(object->run(&hook, out));
    EXPECT_EQ(out.text, "H X|? - ?");

    t_track_info track;
    track.add_meta("artist", "Band");
    track.path = "C:\\m\\Song.mp3";
    t_format_context ctx;
    ctx.track = &track;
    string_collector on_track;
    EXPECT_TRUE(run_object(object.get(), &ctx, nullptr, on_track));
    EXPECT_EQ(on_track.text, "X|Band - Song");
    EXPECT_NE(program_of(object.get()), nullptr);
    foreign_object foreign;
    EXPECT_FALSE(run_object(&foreign, nullptr, nullptr, on_track));
    EXPECT_FALSE(run_object(nullptr, nullptr, nullptr, on_track));
    EXPECT_EQ(on_track.text, "X|Band - Song");
    EXPECT_EQ(program_of(&foreign), nullptr);
}

}  // namespace
}  // namespace cor::tf::test
