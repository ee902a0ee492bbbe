// Fields as scripts read them: window, player and engine fields, local
// variables and the $hash store, in that order of precedence.
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>

#include "functions/hash_store.h"
#include "host/identity.h"
#include "host/settings.h"
#include "registry/window_registry.h"
#include "script/error_report.h"
#include "script/fixed_point.h"
#include "script/script_run.h"
#include "script/tf_hook.h"
#include "script/user_functions.h"
#include "support/component_host.h"

using lines = std::vector<std::string>;

namespace {

cor::metadb_handle* track(cor::player_core& p, const char* path, const char* title,
                          double seconds) {
    cor::t_track_info t;
    t.path = path;
    t.add_meta("title", title);
    t.sample_rate = 1000;
    t.length_samples = static_cast<uint64_t>(seconds * 1000);
    return p.tracks().put(t).get();
}

class Fields : public ::testing::Test {
protected:
    cor_test::component_host host;

    void TearDown() override {
        vesk::hash_store::instance().clear();
        vesk::open_windows().clear();
        vesk::cfg_window_guid_list.clear();
        vesk::cfg_window_id_list.clear();
        vesk::set_user_functions({});
        for (HWND w : made) DestroyWindow(w);
    }

    std::string run(const std::string& script, vesk::t_script_context ctx = {},
                    vesk::field_list* vars = nullptr) {
        vesk::vesk_tf_hook hook(ctx, vars);
        return vesk::run_script(script, hook);
    }

    // A playlist "Music" with two tracks, active.
    void fill_playlist() {
        auto& pm = host.player().playlists();
        const size_t pl = pm.create_playlist("Music", 5, cor::no_index);
        ASSERT_TRUE(pm.set_active_playlist(pl));
        cor::metadb_handle* items[] = {track(host.player(), "C:\\m\\a.flac", "A", 10),
                                       track(host.player(), "C:\\m\\b.flac", "B", 20)};
        pm.playlist_insert_items(pl, 0, items, 2, nullptr);
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

TEST(FixedPoint, SevenDecimalsRoundedWithTheSignOnlyWhenNonZero) {
    EXPECT_EQ(vesk::fixed7(12.5), "12.5000000");
    EXPECT_EQ(vesk::fixed7(-6), "-6.0000000");
    EXPECT_EQ(vesk::fixed7(0), "0.0000000");
    EXPECT_EQ(vesk::fixed7(1.23456789), "1.2345679");
    EXPECT_EQ(vesk::fixed7(-0.25), "-0.2500000");
    EXPECT_EQ(vesk::fixed7(-0.00000004), "0.0000000");
    EXPECT_EQ(vesk::fixed7(59.99999996), "60.0000000");
}

TEST_F(Fields, NamesFoldToLowerCase) {
    EXPECT_EQ(run("%PLAYBACK_STATE%|%Playback_State%"), "stop|stop");
}

TEST_F(Fields, NothingPlayingAndNoPlaylists) {
    EXPECT_EQ(run("%pl_count%|%pl_activeindex%|%pl_activename%|%pl_playingindex%|%pl_playingname%|"
                  "%pi_activeindex%|%pi_playingindex%"),
              "0|?|?|?|?|?|?");
    EXPECT_EQ(run("%playback_state%|%playback_isplaying%|$if(%playback_isplaying%,y,n)|%playback_"
                  "ispaused%"),
              "stop|0|n|0");
    EXPECT_EQ(run("%playback_position%|%playback_length%|%volume%"),
              "0.0000000|0.0000000|0.0000000");
    EXPECT_EQ(
        run("%playback_stopaftercurrent%$if(%playback_stopaftercurrent%,y,n)|%playback_can_seek%"
            "$if(%playback_can_seek%,y,n)"),
        "0n|0n");
    EXPECT_EQ(run("%playback_ordername%|%playback_orderindex%"), "Default|0");
    EXPECT_EQ(run("%lib_enabled%$if(%lib_enabled%,y,n)|%lib_count%"), "0n|?");
}

TEST_F(Fields, PlayingPausedAndStopped) {
    fill_playlist();
    auto& pm = host.player().playlists();
    auto& pb = host.player().playback();
    ASSERT_TRUE(pm.playlist_set_focus_item(0, 1));
    EXPECT_EQ(run("%pl_count%|%pl_activeindex%|%pl_activename%|%pi_activeindex%"), "1|0|Music|1");
    pb.play_item(0, 1);
    host.clock().advance(2.5);
    host.player().tick();
    EXPECT_EQ(run("%playback_state%|%pl_playingindex%|%pl_playingname%|%pi_playingindex%"),
              "play|0|Music|1");
    EXPECT_EQ(run("%playback_isplaying%$if(%playback_isplaying%,y,n)|%playback_can_seek%"), "1y|1");
    EXPECT_EQ(run("%playback_position%|%playback_length%"), "2.5000000|20.0000000");
    pb.pause(true);
    EXPECT_EQ(run("%playback_state%|%playback_ispaused%$if(%playback_ispaused%,y,n)"), "pause|1y");
    pb.set_stop_after_current(true);
    pb.set_volume(-6);
    EXPECT_EQ(run("%playback_stopaftercurrent%$if(%playback_stopaftercurrent%,y,n)|%volume%"),
              "1y|-6.0000000");
    ASSERT_TRUE(pm.playback_order_set_active(3));
    EXPECT_EQ(run("%playback_ordername%|%playback_orderindex%"), "Random|3");
    pb.stop();
    EXPECT_EQ(run("%playback_state%|%pl_playingindex%"), "stop|?");
}

TEST_F(Fields, EngineFields) {
    EXPECT_TRUE(std::regex_match(run("%now%"), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));
    EXPECT_EQ(run("%screen_width%x%screen_height%"),
              std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" +
                  std::to_string(GetSystemMetrics(SM_CYSCREEN)));
    vesk::t_script_context ctx;
    ctx.base_x = -5;
    ctx.base_y = 7;
    ctx.map_left = 10;
    ctx.map_top = 20;
    ctx.map_right = 110;
    ctx.map_bottom = 70;
    EXPECT_EQ(
        run("%_base_x%,%_base_y%|%_mp_x%,%_mp_left%,%_mp_y%,%_mp_top%,%_mp_right%,%_mp_bottom%|"
            "%_mp_width%x%_mp_height%",
            ctx),
        "-5,7|10,10,20,20,110,70|100x50");
    EXPECT_EQ(run("%tasktray%$if(%tasktray%,y,n)|%tasktray_store%"), "0n|?");
}

TEST_F(Fields, ResultAndFlagOfTheLastComponentCall) {
    vesk::set_user_functions({{"say", "abc"}});
    EXPECT_EQ(run("%_result%|%_flag%"), "|0");
    EXPECT_EQ(run("$say()|%_result%|%_flag%$if(%_flag%,y,n)"), "abc|abc|1y");
    EXPECT_EQ(run("$errorlevel(middle)%_result%|%_flag%"), "|1");
    EXPECT_EQ(run("$errorlevel(bogus)%_flag%$if(%_flag%,y,n)"), "0n");
    // A call's own arguments still see the call before it, so the result
    // of one call can be stored by the next.
    EXPECT_EQ(run("$say()$hash(Kept,%_result%)|%KEPT%"), "abc|abc");
    EXPECT_EQ(run("$hash(inner,$say())|%inner%|%_result%"), "|abc|");
}

TEST_F(Fields, MainIdNeedsTheMainDefinition) {
    EXPECT_EQ(run("%mainid%"), "?");
    vesk::cfg_window_guid_list.add(vesk::main_window_guid);
    vesk::cfg_window_id_list.add("Main");
    EXPECT_EQ(run("%MAINID%"), "Main");
}

TEST_F(Fields, LocalVariablesAndTheHashStoreComeLast) {
    vesk::field_list vars{{"volume", "mine", true, false},
                          {"_width", "local", true, false},
                          {"shared", "local", true, false}};
    vesk::hash_store::instance().set("shared", "hash");
    vesk::hash_store::instance().set("only_hash", "stored");
    EXPECT_EQ(run("%volume%|%_WIDTH%|%shared%|%ONLY_Hash%|%nowhere%", {}, &vars),
              "0.0000000|local|local|stored|?");
}

TEST_F(Fields, WindowFieldsOfTheScriptsOwnWindowComeFirst) {
    open_window("Parent", 50, 50);
    const auto ctx = open_window("Win", 200, 120, "Parent");
    RECT wr, cr;
    GetWindowRect(reinterpret_cast<HWND>(ctx.wnd), &wr);
    GetClientRect(reinterpret_cast<HWND>(ctx.wnd), &cr);
    vesk::field_list vars{{"_width", "local", true, false}};
    EXPECT_EQ(run("%_WIDTH%x%_height%|%_cwidth%x%_cheight%|%_x%,%_y%", ctx, &vars),
              std::to_string(wr.right - wr.left) + "x" + std::to_string(wr.bottom - wr.top) + "|" +
                  std::to_string(cr.right) + "x" + std::to_string(cr.bottom) + "|" +
                  std::to_string(wr.left) + "," + std::to_string(wr.top));
    EXPECT_EQ(run("%_windowid%|%_id%|%_parentid%|%_menubar%$if(%_menubar%,y,n)", ctx),
              "Win|Win|Parent|0y");
    const auto parent_ctx = vesk::t_script_context{ctx};
    EXPECT_EQ(run("%_parentid%",
                  [&] {
                      auto c = parent_ctx;
                      c.window_id = vesk::cfg_window_guid_list[0];
                      c.wnd = vesk::open_windows()[0].hwnd;
                      return c;
                  }()),
              "?");
    // Outside a window the same names fall through to locals.
    EXPECT_EQ(run("%_width%|%_windowid%", {}, &vars), "local|?");
}

TEST_F(Fields, WOfAnotherWindow) {
    open_window("Win", 200, 120);
    vesk::cfg_window_guid_list.add(cor::guid_of("11111111-2222-3333-4444-555555555555"));
    vesk::cfg_window_id_list.add("Closed");
    RECT wr;
    GetWindowRect(reinterpret_cast<HWND>(vesk::open_windows()[0].hwnd), &wr);
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

}  // namespace
