// The component's hook seen through the Host's evaluator: dispatch, user
// functions, the break flag, option reading and error thresholds.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "script/error_report.h"
#include "script/options.h"
#include "script/run_depth.h"
#include "script/script_run.h"
#include "script/tf_hook.h"
#include "script/user_functions.h"
#include "support/component_host.h"
#include "titleformat/titleformat.h"

using cor_test::component_host;
using lines = std::vector<std::string>;

namespace {

class HookTest : public ::testing::Test {
protected:
    component_host host;
    void TearDown() override { vesk::set_user_functions({}); }

    std::string run(const std::string& script, vesk::field_list* vars = nullptr,
                    bool* break_flag = nullptr) {
        vesk::t_script_context ctx;
        vesk::vesk_tf_hook hook(ctx, vars, break_flag);
        return vesk::run_script(script, hook);
    }
};

TEST_F(HookTest, NamesAreMatchedAfterFoldingToLowerCase) {
    EXPECT_EQ(host.eval("$CONSOLE(a)$Console(b)$console(c)"), "");
    EXPECT_EQ(host.take_lines(), (lines{"a", "b", "c"}));
    EXPECT_EQ(host.eval("$consol(x)"), "[UNKNOWN FUNCTION]");
    EXPECT_EQ(host.eval("$consolex(x)"), "[UNKNOWN FUNCTION]");
    EXPECT_TRUE(host.take_lines().empty());
}

TEST_F(HookTest, HostFunctionsAndFieldsAreResolvedBeforeTheHook) {
    EXPECT_EQ(host.eval("[%artist% - ]$upper(abc)$add(1,2)"), "ABC3");
    EXPECT_EQ(host.eval("%nothing here%"), "?");
}

TEST_F(HookTest, ConsoleWithoutParametersPrintsNothingAndIsFound) {
    EXPECT_EQ(host.eval("$if($console(),yes,no)"), "yes");
    EXPECT_TRUE(host.take_lines().empty());
}

TEST_F(HookTest, UserFunctionsReceiveTheirParameters) {
    vesk::set_user_functions({{"show", "%_param_count%|%_param1%|%_param3%|%_param4%"}});
    EXPECT_EQ(host.eval("$SHOW(a,b,c)"), "3|a|c|?");
    EXPECT_EQ(host.eval("$if($show(),yes,no)"), "yes");
    EXPECT_EQ(host.eval("$show()"), "0|?|?|?");
    // A body is compiled once, and again when the functions change.
    vesk::set_user_functions({{"show", "new %_param1%"}});
    EXPECT_EQ(host.eval("$show(a)$show(b)"), "new anew b");
}

TEST_F(HookTest, UserFunctionNamedLikeABuiltInIsNeverCalled) {
    vesk::set_user_functions({{"console", "USER"}, {"upper", "USER"}});
    EXPECT_EQ(host.eval("$console(x)$upper(y)"), "Y");
    EXPECT_EQ(host.take_lines(), (lines{"x"}));
}

TEST_F(HookTest, NestedUserFunctionSeesOuterVariablesButNotItsParameters) {
    vesk::set_user_functions({{"outer", "<$inner(z)>%_param1%"},
                              {"inner", "%loop%|%_param1%|%_param_count%|%_param2%"}});
    vesk::field_list vars{{"loop", "7", true, false}};
    EXPECT_EQ(run("$outer(a,b)", &vars), "<7|z|1|?>a");
}

TEST_F(HookTest, UserFunctionBodyThatDoesNotCompileSaysSo) {
    vesk::set_user_functions({{"broken", "$add(1"}});
    EXPECT_EQ(host.eval("$broken()$broken()"), "[COMPILATION ERROR][COMPILATION ERROR]");
    // So does a loop's script, on every pass.
    EXPECT_EQ(host.eval("$for(i,1,2,1,'$add(1')"), "[COMPILATION ERROR][COMPILATION ERROR]");
    vesk::set_user_functions({{"broken", "$add(1,%_param1%)"}});
    EXPECT_EQ(host.eval("$for(i,1,3,1,'$broken(%i%)')"), "234");
}

// Endless recursion is cut at the bound with one line naming the function;
// the outer run goes on and its later calls run in full.
TEST_F(HookTest, RecursionIsCutAtTheBoundWithOneLine) {
    struct row {
        vesk::ordered_map functions;
        std::string script;
        int level;
        std::string out;
        lines printed;
    };
    const std::string too_deep = ": scripts nested too deep (at most 64 levels), not run";
    // The outermost run and 63 bodies below it.
    const std::string bodies(vesk::max_run_depth - 1, 'x');
    const row rows[] = {
        {{{"f", "x$f()"}}, "$f()|$upper(a)", 2, bodies + "|A", {"$f" + too_deep}},
        {{{"f", "x$f()"}}, "$f()$f()", 1, bodies + bodies, {"$f" + too_deep, "$f" + too_deep}},
        {{{"f", "x$f()"}}, "$f()", 0, bodies, {}},
        // Mutual: the body refused is the 64th, a call of pong.
        {{{"ping", "$pong()"}, {"pong", "$ping()"}}, "$ping()", 2, "", {"$pong" + too_deep}},
        // Branching recursion would take 2^64 calls without the cut.
        {{{"f", "$f()$f()"}, {"g", "$f()"}},
         "$g()$g()y",
         2,
         "y",
         {"$f" + too_deep, "$f" + too_deep}},
        // Through a loop body: the loop is what starts the refused run.
        {{{"f", "$for(i,1,1,1,\\df\\{\\},escape:on)"}}, "[$f()]z", 2, "z", {"$for" + too_deep}},
        // A finite recursion inside the bound is untouched.
        {{{"down", "$ifgreater(%_param1%,0,$down($sub(%_param1%,1)),)%_param1%"}},
         "$down(60)",
         2,
         "",
         {}},
    };
    for (const row& r : rows) {
        vesk::set_user_functions(r.functions);
        vesk::set_error_level(r.level);
        const std::string out = run(r.script);
        vesk::set_error_level(vesk::err_middle);
        if (r.script != "$down(60)") {
            EXPECT_EQ(out, r.out) << r.script;
        } else {
            std::string expected;
            for (int i = 0; i <= 60; ++i) expected += std::to_string(i);
            EXPECT_EQ(out, expected);
        }
        EXPECT_EQ(host.take_lines(), r.printed) << r.script;
        EXPECT_EQ(vesk::run_depth(), 0);
    }
}

// The deepest recursion the bound lets through, with every body nested as
// deep as the Host allows, stays far inside the thread's stack.
TEST_F(HookTest, TheBoundLeavesMostOfTheStackFree) {
    // Each pair is two levels; the call inside is the last level allowed.
    const int pairs = (cor::tf::max_nesting_depth - 1) / 2;
    std::string body;
    for (int i = 0; i < pairs; ++i) body += "[$upper(";
    body += "$f()";
    for (int i = 0; i < pairs; ++i) body += ")]";
    vesk::set_user_functions({{"f", body}});
    vesk::reset_peak_stack_use();
    const vesk::stack_use start = vesk::current_stack_use();
    (void)run("$f()");
    ASSERT_GT(start.total, 0u);
    const size_t per_level = (vesk::peak_stack_use() - start.used) / vesk::max_run_depth;
    std::printf("stack: %zu KB reserved, %zu KB in use at the bound, %zu bytes per level\n",
                start.total / 1024, vesk::peak_stack_use() / 1024, per_level);
    EXPECT_LT(vesk::peak_stack_use(), start.total / 3);
    EXPECT_EQ(host.take_lines().size(), 1u);
}

TEST_F(HookTest, UnknownFunctionsAndMacrosAreNamedFromLevelHigh) {
    struct row {
        const char* level;
        lines printed;
    };
    const row rows[] = {
        {"middle", {}},
        {"high",
         {"$nosuch: unknown function", "Vesk User Interface: undefined macro #nomacro#",
          "Vesk User Interface: undefined macro #other_1#"}},
    };
    for (const row& r : rows) {
        host.eval(std::string("$errorlevel(") + r.level + ")");
        EXPECT_EQ(host.eval("$nosuch(1)#nomacro#'#quoted#'#other_1##nomacro#"),
                  "[UNKNOWN FUNCTION]#nomacro##quoted##other_1##nomacro#");
        EXPECT_EQ(host.take_lines(), r.printed) << r.level;
    }
    host.eval("$errorlevel(middle)");
}

TEST_F(HookTest, LocalVariablesAreSearchedFromLastToFirst) {
    vesk::field_list vars{{"v", "first", true, false}, {"V", "second", false, false}};
    EXPECT_EQ(run("%v%|$if(%V%,found,not found)", &vars), "second|not found");
}

TEST_F(HookTest, BreakFlagSwallowsComponentFunctionsOnly) {
    bool stop = true;
    EXPECT_EQ(run("$console(x)$add(1,2)$if($console(y),yes,no)", nullptr, &stop), "3yes");
    EXPECT_TRUE(host.take_lines().empty());
    stop = false;
    EXPECT_EQ(run("$console(x)", nullptr, &stop), "");
    EXPECT_EQ(host.take_lines(), (lines{"x"}));
}

TEST_F(HookTest, ErrorLevelWordsInAnyCase) {
    EXPECT_EQ(host.eval("$errorlevel(DEBUG)"), "");
    EXPECT_EQ(vesk::error_level(), vesk::err_debug);
    host.take_lines();
    EXPECT_EQ(host.eval("$errorlevel(High)"), "");
    EXPECT_EQ(host.take_lines(), (lines{"$errorlevel"}));
    EXPECT_EQ(vesk::error_level(), vesk::err_high);
    host.eval("$errorlevel(off)");
    EXPECT_EQ(vesk::error_level(), vesk::err_off);
}

TEST_F(HookTest, UnknownLevelIsJudgedByTheLevelInForce) {
    host.eval("$errorlevel(off)");
    host.eval("$errorlevel(loud)");
    EXPECT_TRUE(host.take_lines().empty());
    EXPECT_EQ(vesk::error_level(), vesk::err_off);
    host.eval("$errorlevel(low)");
    EXPECT_EQ(host.eval("$if($errorlevel(loud),yes,no)"), "no");
    EXPECT_EQ(host.take_lines(), (lines{"$errorlevel: unknown level"}));
    EXPECT_EQ(vesk::error_level(), vesk::err_low);
    EXPECT_EQ(host.eval("$errorlevel(a,b)"), "");
    EXPECT_EQ(host.take_lines(), (lines{"$errorlevel: invalid syntax"}));
}

TEST_F(HookTest, DebugLevelNamesEveryCallBeforeItsOwnMessages) {
    host.eval("$errorlevel(debug)");
    host.take_lines();
    host.eval("$console(x)$msgbox(a,b)");
    EXPECT_EQ(host.take_lines(), (lines{"$console", "x", "$msgbox", "$msgbox: invalid syntax"}));
}

TEST_F(HookTest, InvalidSyntaxIsReportedFromLevelLow) {
    host.eval("$errorlevel(off)");
    EXPECT_EQ(host.eval("$msgbox(a,b)"), "");
    EXPECT_TRUE(host.take_lines().empty());
    host.eval("$errorlevel(low)");
    EXPECT_EQ(host.eval("$msgbox(a,b)"), "");
    EXPECT_EQ(host.take_lines(), (lines{"$msgbox: invalid syntax"}));
}

TEST_F(HookTest, MessageBoxAnswersWithTheButtonPressed) {
    std::atomic<bool> done{false};
    std::thread closer([&] {
        for (int i = 0; i < 1000 && !done; ++i) {
            if (HWND box = FindWindowW(L"#32770", L"Question caption")) {
                PostMessageW(box, WM_COMMAND, IDNO, 0);
                return;
            }
            Sleep(10);
        }
    });
    const std::string result = host.eval("$msgbox(Do it?,Question caption,4)");
    done = true;
    closer.join();
    EXPECT_EQ(result, std::to_string(IDNO));
}

TEST_F(HookTest, SystemInfoCountsOpenWindows) {
    EXPECT_EQ(host.eval("$if($systeminfo(ignored),yes,no)"), "yes");
    EXPECT_EQ(host.take_lines(), (lines{"Active window count: 0"}));
}

TEST(Options, KeywordIsComparedOverItsOwnLengthIgnoringCase) {
    EXPECT_EQ(vesk::option_value("ESCAPE:on", "escape").value_or("-"), "on");
    EXPECT_EQ(vesk::option_value("font:Arial:bold", "font").value_or("-"), "Arial:bold");
    EXPECT_EQ(vesk::option_value("font:", "font").value_or("-"), "");
    EXPECT_FALSE(vesk::option_value("fontx:1", "font").has_value());
    EXPECT_FALSE(vesk::option_value("fon", "font").has_value());
    EXPECT_FALSE(vesk::option_value("font", "font").has_value());
    EXPECT_TRUE(vesk::is_keyword("LOAD", "load"));
    EXPECT_FALSE(vesk::is_keyword("loads", "load"));
}

TEST(Options, BooleanValues) {
    struct {
        const char* text;
        bool value;
    } cases[] = {{"on", true},
                 {"TRUE", true},
                 {"Off", false},
                 {"false", false},
                 {"yes", false},
                 {"2", true},
                 {"0", false},
                 {"-3", true},
                 {"12abc", true},
                 {"", false},
                 {"0000000000001", false},
                 {"000000001", true},
                 {" 1", false}};
    for (const auto& c : cases) EXPECT_EQ(vesk::read_bool(c.text), c.value) << c.text;
}

TEST(Options, IntegerAndCountReaders) {
    EXPECT_EQ(vesk::read_int("  -12ab"), -12);
    EXPECT_EQ(vesk::read_int("+5"), 5);
    EXPECT_EQ(vesk::read_int("abc"), 0);
    EXPECT_EQ(vesk::read_int(""), 0);
    EXPECT_EQ(vesk::read_unsigned("12x"), 12u);
    EXPECT_EQ(vesk::read_unsigned(" 12"), 0u);
    EXPECT_EQ(vesk::read_unsigned("-1"), 0u);
    EXPECT_EQ(vesk::read_unsigned("4294967297"), 4294967297u);
}

TEST(Options, EscapeRewritingInOrder) {
    EXPECT_EQ(vesk::unescape_script("\\dadd\\{1,\\P_param1\\p\\}"), "$add(1,%_param1%)");
    EXPECT_EQ(vesk::unescape_script("a\\\\b"), "a\\b");
    EXPECT_EQ(vesk::unescape_script("\\\"quoted\\\""), "'quoted'");
    // Earlier replacements win: backslash-d is taken before the doubled backslash.
    EXPECT_EQ(vesk::unescape_script("\\\\d"), "\\$");
    EXPECT_EQ(vesk::unescape_script("plain"), "plain");
}

}  // namespace

namespace {

TEST(DisplayNames, BothRegularExpressionFunctionsReportAsOne) {
    cor_test::component_host host;
    host.eval("$errorlevel(debug)");
    host.take_lines();
    host.eval("$regexpi(a)$REGEXP(a)");
    EXPECT_EQ(host.take_lines(), (lines{"$regexp(i)", "$regexp(i): invalid syntax", "$regexp(i)",
                                        "$regexp(i): invalid syntax"}));
}

}  // namespace
