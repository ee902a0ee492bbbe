// The Host's commands and shortcuts as components reach them.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/host_commands.h"
#include "app/player_core.h"

#include <algorithm>

namespace {

bool quit_posted() {
    MSG msg;
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

TEST(HostCommands, ExitAndRestartEndTheLoop) {
    cor::manual_clock clock;
    cor::player_core core([](std::string_view) {}, &clock);
    cor::host_commands commands(core);
    auto menu = commands.mainmenu_service();
    EXPECT_TRUE(menu->execute_command(cor::mainmenu_manager::command_exit));
    EXPECT_TRUE(quit_posted());
    EXPECT_FALSE(commands.restart_requested());
    EXPECT_TRUE(menu->execute_command(cor::mainmenu_manager::command_restart));
    EXPECT_TRUE(quit_posted());
    EXPECT_TRUE(commands.restart_requested());
    EXPECT_FALSE(menu->execute_command(cor::guid{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}}));
}

TEST(HostCommands, MediaKeysDrivePlayback) {
    cor::manual_clock clock;
    cor::player_core core([](std::string_view) {}, &clock);
    cor::t_track_info t;
    t.path = "C:\\m\\a.flac";
    t.sample_rate = 1000;
    t.length_samples = 10000;
    auto& pm = core.playlists();
    ASSERT_TRUE(pm.set_active_playlist(pm.create_playlist("x", 1, cor::no_index)));
    cor::metadb_handle* items[] = {core.tracks().put(t).get()};
    pm.playlist_insert_items(0, 0, items, 1, nullptr);

    cor::host_commands commands(core);
    auto keys = commands.shortcut_service();
    EXPECT_TRUE(keys->process_keydown(WM_KEYDOWN, VK_MEDIA_PLAY_PAUSE, 0));
    EXPECT_TRUE(core.playback().is_playing());
    EXPECT_TRUE(keys->process_keydown(WM_KEYDOWN, VK_MEDIA_STOP, 0));
    EXPECT_FALSE(core.playback().is_playing());
    EXPECT_FALSE(keys->process_keydown(WM_KEYDOWN, 'Z', 0));
    EXPECT_FALSE(keys->process_keydown(WM_CHAR, VK_MEDIA_PLAY_PAUSE, 0));
    EXPECT_FALSE(core.playback().is_playing());
}

}  // namespace

namespace {

TEST(HostCommands, PlaybackOrdersAreMenuCommands) {
    cor::manual_clock clock;
    cor::player_core core([](std::string_view) {}, &clock);
    cor::host_commands commands(core);
    auto menu = commands.mainmenu_service();
    std::vector<std::string> paths;
    struct sink final : cor::string_sink {
        std::string text;
        void write(const char* p, size_t n) override { text.append(p, n); }
    };
    cor::guid shuffle{};
    for (size_t i = 0; i < menu->get_command_count(); ++i) {
        cor::guid id{};
        sink path;
        ASSERT_TRUE(menu->get_command(i, id, path));
        if (path.text == "Playback/Order/Shuffle (albums)") shuffle = id;
        paths.push_back(path.text);
    }
    EXPECT_EQ(paths.front(), "File/Exit");
    EXPECT_EQ(
        std::count_if(paths.begin(), paths.end(),
                      [](const std::string& p) { return p.rfind("Playback/Order/", 0) == 0; }),
        7);
    ASSERT_TRUE(menu->execute_command(shuffle));
    EXPECT_EQ(core.playlists().playback_order_get_active(),
              cor::playlist_manager::order_shuffle_albums);
    cor::guid by_name{};
    ASSERT_TRUE(menu->find_command_by_name("default", 7, by_name));
    ASSERT_TRUE(menu->execute_command(by_name));
    EXPECT_EQ(core.playlists().playback_order_get_active(), 0u);
}

}  // namespace
