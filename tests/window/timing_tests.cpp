// Timers, loops and the base point, driven through scripts.
#include "window_test_util.h"

#include "script/timers.h"
#include "script/user_functions.h"

using namespace window_test;
using lines = std::vector<std::string>;

namespace {

class Timing : public WindowTest {
protected:
    void SetUp() override { ASSERT_NE(host.start_ui(), nullptr); }
    void TearDown() override {
        vesk::set_user_functions({});
        WindowTest::TearDown();
    }
};

TEST_F(Timing, TimersRunOnTimerWithTheirName) {
    vesk::general_script(vesk::slot_on_timer).set("$console(tick %_timerid%)");
    vesk::prepare_all();
    host.take_lines();
    EXPECT_EQ(host.eval("$if($settimer(Clock,20),y,n)"), "y");
    host.pump(150);
    const auto ticks = lines_with("tick ");
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ(ticks.front(), "Clock");
    const auto& registry = vesk::timer_registry::instance();
    ASSERT_EQ(registry.timers().size(), 1u);
    const uint32_t first_id = registry.timers()[0].id;
    EXPECT_GE(first_id, 500u);
    EXPECT_LE(first_id, 999u);
    // The same name in capitals replaces it under a new identifier.
    host.eval("$settimer(CLOCK,1000)");
    ASSERT_EQ(registry.timers().size(), 1u);
    EXPECT_EQ(registry.timers()[0].id, first_id == 999u ? 500u : first_id + 1);
    host.eval("$settimer(clock,0)");
    EXPECT_TRUE(registry.timers().empty());
    host.pump(60);
    host.take_lines();
    host.pump(60);
    EXPECT_TRUE(lines_with("tick ").empty());
}

TEST_F(Timing, TimerPeriodMustBeDigits) {
    vesk::set_error_level(vesk::err_low);
    host.take_lines();
    host.eval("$settimer(a,1e3)$settimer(b,-5)$settimer(c,)$settimer(d)");
    EXPECT_EQ(host.take_lines(), lines(4, "$settimer: invalid syntax"));
    EXPECT_TRUE(vesk::timer_registry::instance().timers().empty());
}

TEST_F(Timing, ShutdownStopsEveryTimer) {
    host.eval("$settimer(a,1000)$settimer(b,1000)");
    EXPECT_EQ(vesk::timer_registry::instance().timers().size(), 2u);
    host.stop_ui();
    EXPECT_TRUE(vesk::timer_registry::instance().timers().empty());
}

TEST_F(Timing, ForCountsUpDownAndInHalves) {
    // Quotes keep the body from being evaluated before the loop runs it.
    EXPECT_EQ(host.eval("$for(i,1,3,1,'<%i%>')"), "<1><2><3>");
    EXPECT_EQ(host.eval("$for(i,3,1,-1,'<%i%>')"), "<3><2><1>");
    EXPECT_EQ(host.eval("$for(x,0,1,0.5,'%X%;')"), "0;0.5;1;");
    EXPECT_EQ(host.eval("$for(x,0,1,0.25,'%x% ')"), "0 0.25 0.5 0.75 1 ");
    EXPECT_EQ(host.eval("$if($for(i,1,3,-1,'%i%'),y,n)"), "n");
    EXPECT_EQ(host.eval("$if($for(i,1,3,0,'%i%'),y,n)"), "n");
    EXPECT_EQ(host.eval("$for(i,1,1,1,one)"), "one");
    // Equal bounds with a falling step run once, in either mode.
    EXPECT_EQ(host.eval("$for(i,2,2,-1,'<%i%>')"), "<2>");
    EXPECT_EQ(host.eval("$for(i,2,2,-1,'<%i%>',macro:on)"), "<2>");
}

TEST_F(Timing, LoopsThatWouldNeverEndStopWithALine) {
    vesk::set_error_level(vesk::err_low);
    host.take_lines();
    // Adding 1 to 1e20 changes nothing: one pass, then the loop gives up.
    EXPECT_EQ(host.eval("$for(i,1e20,1e21,1,'x')"), "x");
    EXPECT_EQ(host.take_lines(),
              lines{"$for: the step is lost to rounding at 1e+20, loop stopped"});
    EXPECT_EQ(host.eval("$for(i,1e20,1e21,1,'x',macro:on)"), "");
    EXPECT_EQ(host.take_lines().size(), 1u);
    // Ten million passes is the most a loop runs.
    EXPECT_EQ(host.eval("$for(i,1,1e9,1,,macro:on)"), "");
    EXPECT_EQ(host.take_lines(), lines{"$for: more than 10000000 passes, loop stopped"});
}

TEST_F(Timing, ForBodyPassesThroughEscapes) {
    EXPECT_EQ(host.eval("$for(i,1,2,1,\\dupper\\{x\\pi\\p\\},escape:on)"), "X1X2");
    // Without it the body is plain text to the language.
    EXPECT_EQ(host.eval("$for(i,1,2,1,\\dupper\\{x\\pi\\p\\},escape:off)"),
              "\\dupper\\{x\\pi\\p\\}\\dupper\\{x\\pi\\p\\}");
    vesk::set_error_level(vesk::err_low);
    host.take_lines();
    EXPECT_EQ(host.eval("$for(i,1,3,1,x,fast:yes)"), "");
    EXPECT_EQ(host.take_lines(), lines{"$for: unknown option 'fast:yes'"});
}

TEST_F(Timing, BreakEndsTheLoopAfterItsPass) {
    EXPECT_EQ(host.eval("$for(i,1,5,1,'<%i%$ifgreater(%i%,2,$break()$console(after),)>')"),
              "<1><2><3>");
    EXPECT_TRUE(lines_with("after").empty());
    vesk::set_user_functions({{"stop", "$break()"}});
    EXPECT_EQ(host.eval("$for(i,1,5,1,'%i%$ifequal(%i%,2,$stop(),)')"), "12");
    // The test bench runs with a break flag of its own, so a bare break
    // there stops the rest of the script's component calls.
    host.take_lines();
    EXPECT_EQ(host.eval("$break()$console(swallowed)$upper(host)"), "HOST");
    EXPECT_TRUE(lines_with("").empty());
}

TEST_F(Timing, MacroModeRunsOneSubstitutedScript) {
    EXPECT_EQ(host.eval("$for(n,1,3,1,'<%N%>',macro:true)"), "<1><2><3>");
    // The Host's own text goes on after a break; only component calls stop.
    EXPECT_EQ(host.eval("$for(n,1,4,1,'%n%$ifequal(%n%,2,$break(),)',macro:on)"), "1234");
    host.take_lines();
    EXPECT_EQ(host.eval("$for(n,1,4,1,'$console(%n%)$ifequal(%n%,2,$break(),)',macro:on)"), "");
    EXPECT_EQ(lines_with(""), (lines{"1", "2"}));
}

TEST_F(Timing, BaseSetsAndResetsThePoint) {
    EXPECT_EQ(host.eval("$base(10,-4)%_base_x%,%_base_y%|$base()%_base_x%,%_base_y%"), "10,-4|0,0");
    vesk::set_error_level(vesk::err_low);
    host.take_lines();
    host.eval("$base(1)");
    EXPECT_EQ(host.take_lines(), lines{"$base: invalid syntax"});
}

TEST_F(Timing, SleepBlocksForTheGivenTime) {
    const ULONGLONG before = GetTickCount64();
    EXPECT_EQ(host.eval("$if($sleep(120),y,n)"), "y");
    EXPECT_GE(GetTickCount64() - before, 100u);
}

}  // namespace
