// The component's hook seen through the Host's evaluator: dispatch, user
// functions, fields and their order of precedence (window, player and
// engine fields, local variables, the $hash store), the break flag, option
// reading and error thresholds.
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "functions/hash_store.h"
#include "host/identity.h"
#include "host/settings.h"
#include "registry/window_registry.h"
#include "script/error_report.h"
#include "script/fixed_point.h"
#include "script/options.h"
#include "script/run_depth.h"
#include "script/script_run.h"
#include "script/tf_hook.h"
#include "script/user_functions.h"
#include "support/case_table.h"
#include "support/component_host.h"
#include "titleformat/titleformat.h"
#include "utf8.h"

using cor_test::lines;

namespace {

class HookTest : public ::testing::Test {
protected:
    cor_test::component_host host;

    void TearDown() override {
        vesk::open_windows().clear();
        for (HWND w : made) DestroyWindow(w);
    }

    std::string run(const std::string& script, vesk::t_script_context ctx = {},
                    vesk::field_list* vars = nullptr, bool* break_flag = nullptr) {
        vesk::vesk_tf_hook hook(ctx, vars, break_flag);
        return vesk::run_script(script, hook);
    }

    // A real window registered as an open script window named `id`.
    vesk::t_script_context open_window(const char* id, int w, int h, const char* parent = nullptr) {
        HWND wnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 30, 40, w, h, nullptr, nullptr,
                                   nullptr, nullptr);
        made.push_back(wnd);
        const cor::guid id_guid = vesk::make_identity();
        vesk::cfg_window_guid_list.add(id_guid);
        vesk::cfg_window_id_list.add(id);
        vesk::t_window_info info;
        info.hwnd = reinterpret_cast<HWND__*>(wnd);
        info.id = id_guid;
        if (parent) info.parent = vesk::cfg_window_guid_list[vesk::definition_by_id(parent)];
        vesk::open_windows().push_back(info);
        vesk::t_script_context ctx;
        ctx.wnd = info.hwnd;
        ctx.window_id = id_guid;
        return ctx;
    }
    std::vector<HWND> made;
};

// One session in order, from data/hook-session.tsv: what each script writes
// and the console lines it prints.
TEST_F(HookTest, DispatchAndErrorLevelsInOneSession) {
    vesk::set_user_functions({{"show", "%_param_count%|%_param1%|%_param3%|%_param4%"},
                              {"console", "USER"},
                              {"upper", "USER"},
                              {"broken", "$add(1"},
                              {"say", "abc"}});
    host.expect_table("script/data/hook-session.tsv");
    EXPECT_EQ(vesk::error_level(), vesk::err_off);
    // A body is compiled once, and again when the functions change.
    vesk::set_user_functions({{"show", "new %_param1%"}, {"broken", "$add(1,%_param1%)"}});
    EXPECT_EQ(host.eval("$show(a)$show(b)|$for(i,1,3,1,'$broken(%i%)')"), "new anew b|234");
    // A message box answers with the button pressed; its own message loop
    // runs the timer that presses it.
    cor_test::when_thread_window(L"#32770",
                                 [](HWND box) { PostMessageW(box, WM_COMMAND, IDNO, 0); });
    EXPECT_EQ(host.eval("$msgbox(Do it?,Question caption,4)"), std::to_string(IDNO));
}

TEST_F(HookTest, VariablesAndTheBreakFlag) {
    vesk::set_user_functions({{"outer", "<$inner(z)>%_param1%"},
                              {"inner", "%loop%|%_param1%|%_param_count%|%_param2%"}});
    // A nested user function sees the outer variables but not its caller's
    // parameters; variables are searched from last to first.
    vesk::field_list vars{{"loop", "7", true, false}};
    EXPECT_EQ(run("$outer(a,b)", {}, &vars), "<7|z|1|?>a");
    vesk::field_list twice{{"v", "first", true, false}, {"V", "second", false, false}};
    EXPECT_EQ(run("%v%|$if(%V%,found,not found)", {}, &twice), "second|not found");
    // The break flag swallows the component's functions only.
    bool stop = true;
    EXPECT_EQ(run("$console(x)$add(1,2)$if($console(y),yes,no)", {}, nullptr, &stop), "3yes");
    EXPECT_TRUE(host.take_lines().empty());
    stop = false;
    EXPECT_EQ(run("$console(x)", {}, nullptr, &stop), "");
    EXPECT_EQ(host.take_lines(), (lines{"x"}));
}

// Rows of data/recursion.tsv: user functions, script, error level, what it
// writes and prints.
TEST_F(HookTest, RecursionIsCutAtTheBoundWithOneLine) {
    std::string count_up;
    for (int i = 0; i <= 60; ++i) count_up += std::to_string(i);
    const cor_test::t_case_names vars{
        {"bodies", std::string(vesk::max_run_depth - 1, 'x')},
        {"count_up", count_up},
        {"too_deep", ": scripts nested too deep (at most 64 levels), not run"}};
    for (const cor_test::t_case_row& row :
         cor_test::read_case_table("script/data/recursion.tsv", 5)) {
        vesk::ordered_map functions;
        std::stringstream in(row.fields[0]);
        for (std::string f; std::getline(in, f, ';');)
            functions.set(f.substr(0, f.find('=')), f.substr(f.find('=') + 1));
        vesk::set_user_functions(functions);
        vesk::set_error_level(std::stoi(row.fields[2]));
        EXPECT_EQ(run(row.fields[1]), cor_test::case_field(row, 3, vars)) << row.where;
        EXPECT_EQ(host.take_lines(), cor_test::case_lines(cor_test::case_field(row, 4, vars)))
            << row.where;
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
    EXPECT_LT(vesk::peak_stack_use(), start.total / 3);
    EXPECT_EQ(host.take_lines().size(), 1u);
}

// What a function of data/options.tsv gives for a text (and a keyword).
std::string option_call(const std::string& function, const std::string& text,
                        const std::string& keyword) {
    if (function == "option_value")
        return std::string(vesk::option_value(text, keyword).value_or("(none)"));
    if (function == "is_keyword") return vesk::is_keyword(text, keyword) ? "1" : "0";
    if (function == "read_int") return std::to_string(vesk::read_int(text));
    if (function == "read_unsigned") return std::to_string(vesk::read_unsigned(text));
    if (function == "read_bool") return vesk::read_bool(text) ? "1" : "0";
    if (function == "unescape_script") return vesk::unescape_script(text);
    if (function == "fixed7") return vesk::fixed7(std::stod(text));
    return "(no function " + function + ")";
}

TEST(Options, KeywordsNumbersBooleansEscapesAndFixedPoint) {
    for (const cor_test::t_case_row& row : cor_test::read_case_table("script/data/options.tsv", 4))
        EXPECT_EQ(option_call(row.fields[0], row.fields[1], row.fields[2]), row.fields[3])
            << row.where << ": " << row.fields[0] << "(" << row.fields[1] << ")";
}

TEST_F(HookTest, PlayingPausedAndStopped) {
    auto& pm = host.player().playlists();
    auto& pb = host.player().playback();
    const size_t pl = host.playlist(
        "Music", {host.track("C:\\m\\10.flac", "10", 10), host.track("C:\\m\\20.flac", "20", 20)});
    ASSERT_TRUE(pm.set_active_playlist(pl));
    ASSERT_TRUE(pm.playlist_set_focus_item(0, 1));
    EXPECT_EQ(run("%pl_count%|%pl_activeindex%|%pl_activename%|%pi_activeindex%"), "1|0|Music|1");
    pb.play_item(0, 1);
    host.clock().advance(2.5);
    host.player().tick();
    EXPECT_EQ(run("%playback_state%|%pl_playingindex%|%pl_playingname%|%pi_playingindex%|"
                  "%playback_isplaying%$if(%playback_isplaying%,y,n)|%playback_can_seek%|"
                  "%playback_position%|%playback_length%"),
              "play|0|Music|1|1y|1|2.5000000|20.0000000");
    pb.pause(true);
    pb.set_stop_after_current(true);
    pb.set_volume(-6);
    ASSERT_TRUE(pm.playback_order_set_active(3));
    EXPECT_EQ(run("%playback_state%|%playback_ispaused%$if(%playback_ispaused%,y,n)|"
                  "%playback_stopaftercurrent%$if(%playback_stopaftercurrent%,y,n)|%volume%|"
                  "%playback_ordername%|%playback_orderindex%"),
              "pause|1y|1y|-6.0000000|Random|3");
    pb.stop();
    EXPECT_EQ(run("%playback_state%|%pl_playingindex%"), "stop|?");
}

TEST_F(HookTest, EngineFields) {
    EXPECT_TRUE(std::regex_match(run("%now%"), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));
    EXPECT_EQ(run("%screen_width%x%screen_height%"),
              std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" +
                  std::to_string(GetSystemMetrics(SM_CYSCREEN)));
    // Based at (-5, 7), mapped to the rectangle (10, 20)-(110, 70).
    const vesk::t_script_context ctx{nullptr, {}, {}, -5, 7, 10, 20, 110, 70};
    EXPECT_EQ(
        run("%_base_x%,%_base_y%|%_mp_x%,%_mp_left%,%_mp_y%,%_mp_top%,%_mp_right%,%_mp_bottom%|"
            "%_mp_width%x%_mp_height%",
            ctx),
        "-5,7|10,10,20,20,110,70|100x50");
}

TEST_F(HookTest, WindowFieldsComeFirstAndLocalsAndTheHashStoreLast) {
    const auto parent = open_window("Parent", 50, 50);
    const auto ctx = open_window("Win", 200, 120, "Parent");
    RECT wr, cr;
    GetWindowRect(reinterpret_cast<HWND>(ctx.wnd), &wr);
    GetClientRect(reinterpret_cast<HWND>(ctx.wnd), &cr);
    vesk::field_list vars{{"volume", "mine", true, false},
                          {"_width", "local", true, false},
                          {"shared", "local", true, false}};
    EXPECT_EQ(run("%_WIDTH%x%_height%|%_cwidth%x%_cheight%|%_x%,%_y%", ctx, &vars),
              std::to_string(wr.right - wr.left) + "x" + std::to_string(wr.bottom - wr.top) + "|" +
                  std::to_string(cr.right) + "x" + std::to_string(cr.bottom) + "|" +
                  std::to_string(wr.left) + "," + std::to_string(wr.top));
    EXPECT_EQ(run("%_windowid%|%_id%|%_parentid%|%_menubar%$if(%_menubar%,y,n)", ctx),
              "Win|Win|Parent|0y");
    EXPECT_EQ(run("%_parentid%", parent), "?");
    // Outside a window the same names fall through to locals, and locals
    // to the $hash store.
    vesk::hash_store::instance().set("shared", "hash");
    vesk::hash_store::instance().set("only_hash", "stored");
    EXPECT_EQ(run("%volume%|%_WIDTH%|%_windowid%|%shared%|%ONLY_Hash%|%nowhere%", {}, &vars),
              "0.0000000|local|?|local|stored|?");

    // $w reads the fields of another window, open or not.
    vesk::cfg_window_guid_list.add(cor::guid_of("11111111-2222-3333-4444-555555555555"));
    vesk::cfg_window_id_list.add("Closed");
    EXPECT_EQ(run("$w(win,_WIDTH)|$if($w(Win,_width),found,not found)"),
              std::to_string(wr.right - wr.left) + "|not found");
    host.take_lines();
    vesk::set_error_level(vesk::err_low);
    EXPECT_EQ(run("$w(Win,Bogus)$w(Nope,_width)$w(Closed,_width)$w(Win)"), "");
    EXPECT_EQ(host.take_lines(),
              (lines{"$w: window variable 'Bogus' not found", "$w: invalid syntax"}));
    vesk::set_error_level(vesk::err_middle);
    run("$w(Nope,_width)$w(Closed,_width)");
    EXPECT_EQ(host.take_lines(), (lines{"$w: window 'Nope' not found"}));
    vesk::set_error_level(vesk::err_high);
    run("$w(Closed,_width)");
    EXPECT_EQ(host.take_lines(), (lines{"$w: window 'Closed' not active"}));
}

// A broken UTF-8 sequence stands for one U+FFFD where text meets the
// platform, and never takes the character after it along.
TEST(Text, ABrokenSequenceKeepsWhatFollowsIt) {
    EXPECT_EQ(cor::to_wide("a\xC3(b\xE2\x82x\xFFz"), L"a\uFFFD(b\uFFFDx\uFFFDz");
}

}  // namespace
