// The player's plain window: it lists the active playlist and its buttons
// drive playback.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/basic_window.h"
#include "app/host_commands.h"
#include "corvina500/player/player_core.h"

#include <memory>

namespace {

std::wstring list_text(HWND list, int index) {
    wchar_t buf[256]{};
    SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(buf));
    return buf;
}

std::wstring status_of(HWND wnd) {
    wchar_t status[128] = L"";
    GetDlgItemTextW(wnd, 103, status, 128);
    return status;
}

// The plain window over a player with an active playlist, and with the
// Host's commands when `with_commands`.
class BasicWindow : public ::testing::Test {
protected:
    cor::manual_clock clock;
    cor::player_core core{[](std::string_view) {}, &clock};
    cor::host_commands commands{core};
    std::unique_ptr<cor::basic_window> window;
    HWND wnd = nullptr;
    size_t pl = 0;
    std::vector<cor::track_ptr> keep;

    void open(bool with_commands) {
        window = std::make_unique<cor::basic_window>(core, with_commands ? &commands : nullptr);
        ASSERT_TRUE(window->create());
        wnd = static_cast<HWND>(window->handle());
        pl = core.playlists().create_playlist("Default", 7, cor::no_index);
        ASSERT_TRUE(core.playlists().set_active_playlist(pl));
    }
    // A ten second track at the end of the playlist.
    void add(const std::string& path, const char* title) {
        cor::t_track_info t;
        t.path = path;
        if (title) t.add_meta("title", title);
        t.sample_rate = 1000;
        t.length_samples = 10000;
        keep.push_back(core.tracks().put(t));
        cor::metadb_handle* item = keep.back().get();
        core.playlists().playlist_insert_items(pl, cor::no_index, &item, 1, nullptr);
    }
};

TEST_F(BasicWindow, ListsTheActivePlaylistAndFollowsItsChanges) {
    open(false);
    HWND list = GetDlgItem(wnd, 100);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);

    cor::t_track_info a;
    a.path = "C:\\music\\a.flac";
    a.add_meta("artist", "Alpha");
    a.add_meta("title", "First");
    cor::metadb_handle* item = core.tracks().put(a).get();
    core.playlists().playlist_insert_items(pl, 0, &item, 1, nullptr);
    add("C:\\music\\b.flac", "Second");
    ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(list_text(list, 0), L"Alpha - First");
    EXPECT_EQ(list_text(list, 1), L"Second");

    const bool first_only[] = {true, false};
    ASSERT_TRUE(core.playlists().playlist_remove_items(pl, first_only, 2));
    ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(list_text(list, 0), L"Second");
}

TEST_F(BasicWindow, ButtonsPlayPauseAndStop) {
    open(false);
    add("C:\\music\\song.flac", "Song");
    EXPECT_EQ(status_of(wnd), L"Stopped");
    SendMessageW(GetDlgItem(wnd, 101), BM_CLICK, 0, 0);
    EXPECT_TRUE(core.playback().is_playing());
    EXPECT_EQ(status_of(wnd), L"Playing: Song");
    SendMessageW(GetDlgItem(wnd, 101), BM_CLICK, 0, 0);
    EXPECT_TRUE(core.playback().is_paused());
    EXPECT_EQ(status_of(wnd), L"Paused: Song");
    SendMessageW(GetDlgItem(wnd, 102), BM_CLICK, 0, 0);
    EXPECT_FALSE(core.playback().is_playing());
    EXPECT_EQ(status_of(wnd), L"Stopped");
}

// The plain window's menu bar is the Host's main menu: its groups, and
// their commands chosen as the user would.
TEST_F(BasicWindow, MenuBarHoldsTheHostsMenuAndRunsItsCommands) {
    open(true);
    HMENU bar = GetMenu(wnd);
    ASSERT_TRUE(bar);
    std::vector<std::wstring> groups;
    HMENU playback = nullptr;
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
        wchar_t text[64] = L"";
        GetMenuStringW(bar, i, text, 64, MF_BYPOSITION);
        groups.emplace_back(text);
        if (groups.back() == L"Playback") playback = GetSubMenu(bar, i);
    }
    EXPECT_EQ(groups,
              (std::vector<std::wstring>{L"File", L"Edit", L"Playback", L"Library", L"Help"}));
    ASSERT_TRUE(playback);
    auto id_of = [](HMENU menu, const wchar_t* wanted) -> UINT {
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[64] = L"";
            GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
            if (std::wstring(text) == wanted) return GetMenuItemID(menu, i);
        }
        return 0;
    };
    add("C:\\music\\song.flac", nullptr);

    SendMessageW(wnd, WM_COMMAND, id_of(playback, L"Play or Pause"), 0);
    EXPECT_TRUE(core.playback().is_playing());
    SendMessageW(wnd, WM_COMMAND, id_of(playback, L"Pause"), 0);
    // The menu shows the state when it opens.
    SendMessageW(wnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(playback), 2);
    EXPECT_EQ(GetMenuState(playback, id_of(playback, L"Pause"), MF_BYCOMMAND) & MF_CHECKED,
              UINT(MF_CHECKED));
    SendMessageW(wnd, WM_COMMAND, id_of(playback, L"Stop"), 0);
    EXPECT_FALSE(core.playback().is_playing());
}

// The Host's shortcuts work wherever the focus is in the plain window,
// the playlist and the buttons included.
TEST_F(BasicWindow, ShortcutsReachTheirCommandsFromEveryChild) {
    open(true);
    for (const char* name : {"a", "b", "c"}) add(std::string("C:\\music\\") + name + ".flac", name);
    HWND list = GetDlgItem(wnd, 100);
    // The user picks the second line.
    SendMessageW(list, LB_SETCURSEL, 1, 0);
    SendMessageW(wnd, WM_COMMAND, MAKEWPARAM(100, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));

    const auto playing = [&] {
        size_t item = cor::no_index;
        if (!core.playback().get_playing_item(nullptr, &item)) return std::string("-");
        return std::string(core.playback().is_paused() ? "paused " : "") + std::to_string(item);
    };
    struct t_press {
        int focus;  // child control id
        UINT key;
        bool ctrl;
        const char* playing;
        size_t items;
    };
    const t_press presses[] = {
        {100, VK_SPACE, false, "1", 3},         // plays from the picked line
        {101, VK_SPACE, false, "paused 1", 3},  // once, not also as a button click
        {102, VK_RIGHT, true, "2", 3},
        {100, VK_LEFT, true, "1", 3},
        {100, VK_DELETE, false, "-", 2},  // the picked (and playing) line goes
        {100, 'Z', true, "-", 2},         // no shortcut: nothing happens
    };
    BYTE state[256] = {};
    for (const auto& p : presses) {
        HWND target = GetDlgItem(wnd, p.focus);
        SetFocus(target);
        ASSERT_EQ(GetFocus(), target);
        state[VK_CONTROL] = p.ctrl ? 0x80 : 0;
        SetKeyboardState(state);
        PostMessageW(target, WM_KEYDOWN, p.key, 1);
        PostMessageW(target, WM_KEYUP, p.key, 0xC0000001);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        EXPECT_EQ(playing(), p.playing) << p.focus << " " << p.key;
        EXPECT_EQ(core.playlists().playlist_get_item_count(pl), p.items) << p.focus << " " << p.key;
    }
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
}

}  // namespace
