// Timers, loops and the base point, driven through scripts.
#include "window_test_util.h"

#include "script/timers.h"
#include "script/user_functions.h"

using namespace window_test;

namespace {

class Timing : public WindowTest {
protected:
    void SetUp() override { ASSERT_NE(host.start_ui(), nullptr); }
};

TEST_F(Timing, TimersRunOnTimerWithTheirNameUntilStoppedOrShutDown) {
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
    // The same name in capitals replaces it under a new identifier.
    host.eval("$settimer(CLOCK,1000)");
    ASSERT_EQ(registry.timers().size(), 1u);
    EXPECT_NE(registry.timers()[0].id, first_id);
    host.eval("$settimer(clock,0)");
    EXPECT_TRUE(registry.timers().empty());
    host.pump(60);
    host.take_lines();
    host.pump(60);
    EXPECT_TRUE(lines_with("tick ").empty());

    vesk::set_error_level(vesk::err_low);
    host.eval("$settimer(a,1e3)$settimer(b,-5)$settimer(c,)$settimer(d)");
    EXPECT_EQ(host.take_lines(), lines(4, "$settimer: invalid syntax"));
    EXPECT_TRUE(registry.timers().empty());

    const ULONGLONG before = GetTickCount64();
    EXPECT_EQ(host.eval("$if($sleep(120),y,n)"), "y");
    EXPECT_GE(GetTickCount64() - before, 100u);

    host.eval("$settimer(a,1000)$settimer(b,1000)");
    EXPECT_EQ(registry.timers().size(), 2u);
    host.stop_ui();
    EXPECT_TRUE(registry.timers().empty());
}

// Loops, breaks and the base point: window/data/loops.tsv.
TEST_F(Timing, LoopsBreaksAndTheBasePoint) {
    vesk::set_user_functions({{"stop", "$break()"}});
    vesk::set_error_level(vesk::err_low);
    host.expect_table("window/data/loops.tsv");
}

}  // namespace
