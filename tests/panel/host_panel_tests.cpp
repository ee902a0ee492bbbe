// The Host's panel types through the panel service, as a component sees
// them: listing, creation, settings bytes, windows, and the peak meter's
// drawing that follows playback.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "cfg_var.h"
#include "panels/host_panel.h"
#include "panels/panel_types.h"
#include "support/component_host.h"

namespace {

using cor::service_ptr_t;
using cor::ui_extension::window;

service_ptr_t<window> make(cor_test::component_host& host, const cor::guid& type) {
    window* w = nullptr;
    if (!host.panels().create_by_guid(type, &w)) return nullptr;
    return service_ptr_t<window>::adopt(w);
}

std::string config_of(window& w) {
    cor::string_out out;
    w.get_config(out);
    return out.text;
}

std::string pack(std::initializer_list<uint32_t> values) {
    std::string out;
    for (uint32_t v : values) cor::raw_put_u32(out, v);
    return out;
}

// A plain parent window for panels outside the component.
struct parent_window {
    HWND wnd = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600, 400,
                               nullptr, nullptr, nullptr, nullptr);
    ~parent_window() { DestroyWindow(wnd); }
};

TEST(HostPanels, TheServiceListsFourTypesAndMakesOnlyThose) {
    cor_test::component_host host;
    auto& service = host.panels();
    ASSERT_EQ(service.get_panel_count(), 4u);
    const char* names[] = {"Playlist View", "Album Art", "Console", "Peak Meter"};
    for (size_t i = 0; i < 4; ++i) {
        cor::guid id{};
        cor::string_out name, category;
        ASSERT_TRUE(service.get_panel_info(i, id, name, category));
        EXPECT_EQ(name.text, names[i]);
        EXPECT_FALSE(category.text.empty());
        auto panel = make(host, id);
        ASSERT_TRUE(panel);
        EXPECT_EQ(panel->get_extension_guid(), id);
        cor::string_out again;
        panel->get_name(again);
        EXPECT_EQ(again.text, names[i]);
    }
    cor::guid id{};
    cor::string_out name, category;
    EXPECT_FALSE(service.get_panel_info(4, id, name, category));
    window* none = nullptr;
    EXPECT_FALSE(service.create_by_guid(cor::guid{1, 2, 3, {4}}, &none));
    EXPECT_EQ(none, nullptr);
}

// For each type: good settings come back byte for byte, with and without a
// window, and through a destroyed and re-made window; damaged ones change
// nothing.
TEST(HostPanels, SettingsRoundTripAndDamagedBytesChangeNothing) {
    struct t_case {
        cor::guid type;
        std::string good;
        std::string damaged;
    };
    const t_case cases[] = {
        {cor::panels::playlist_view_guid, pack({1, 30, 111, 122, 133, 44, 4, 3, 2, 1, 0}),
         pack({1, 30, 111, 122, 133, 44, 0, 0, 2, 1, 0})},  // order not a permutation
        {cor::panels::album_art_guid, pack({1, 0x336699, 12}), pack({1, 0x336699})},
        {cor::panels::console_guid, pack({1, 50}), pack({1, 0})},
        {cor::panels::peak_meter_guid, pack({1, 0x00FF00, 0x101010}), pack({2, 1, 1})},
    };
    cor_test::component_host host;
    parent_window parent;
    for (const auto& c : cases) {
        auto panel = make(host, c.type);
        ASSERT_TRUE(panel);
        const std::string defaults = config_of(*panel);
        panel->set_config(c.damaged.data(), c.damaged.size());
        EXPECT_EQ(config_of(*panel), defaults);
        panel->set_config(c.good.data(), c.good.size());
        EXPECT_EQ(config_of(*panel), c.good);
        HWND wnd = static_cast<HWND>(
            panel->create_or_transfer_window(parent.wnd, nullptr, 0, 0, 300, 200));
        ASSERT_NE(wnd, nullptr);
        EXPECT_EQ(GetParent(wnd), parent.wnd);
        EXPECT_EQ(config_of(*panel), c.good);
        panel->destroy_window();
        EXPECT_FALSE(IsWindow(wnd));
        EXPECT_EQ(panel->get_wnd(), nullptr);
        EXPECT_EQ(config_of(*panel), c.good);
        panel->set_config(nullptr, 0);
        EXPECT_EQ(config_of(*panel), c.good);
    }
    EXPECT_EQ(cor::panels::host_panel::live_windows(), 0);
}

// The list view shows the settings, and what the user drags is what the
// settings say afterwards.
TEST(HostPanels, PlaylistViewColumnsFollowSettingsAndTheUser) {
    cor_test::component_host host;
    parent_window parent;
    auto panel = make(host, cor::panels::playlist_view_guid);
    const std::string bytes = pack({1, 30, 111, 122, 133, 44, 4, 3, 2, 1, 0});
    panel->set_config(bytes.data(), bytes.size());
    HWND wnd =
        static_cast<HWND>(panel->create_or_transfer_window(parent.wnd, nullptr, 0, 0, 500, 300));
    HWND list = FindWindowExW(wnd, nullptr, WC_LISTVIEWW, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ListView_GetColumnWidth(list, 2), 122);
    int order[5] = {};
    ASSERT_TRUE(ListView_GetColumnOrderArray(list, 5, order));
    EXPECT_EQ(order[0], 4);
    EXPECT_EQ(order[4], 0);
    ListView_SetColumnWidth(list, 1, 250);
    EXPECT_EQ(config_of(*panel), pack({1, 30, 250, 122, 133, 44, 4, 3, 2, 1, 0}));
}

TEST(HostPanels, PlaylistViewShowsTheActivePlaylistAndMarksThePlayingRow) {
    cor_test::component_host host;
    parent_window parent;
    auto& pm = host.player().playlists();
    const size_t pl = pm.create_playlist("L", 1, cor::no_index);
    (void)pm.set_active_playlist(pl);
    std::vector<cor::track_ptr> keep;
    std::vector<cor::metadb_handle*> raw;
    for (const char* title : {"One", "Two", "Three"}) {
        cor::t_track_info info;
        info.path = std::string("C:\\m\\") + title + ".wav";
        info.add_meta("title", title);
        info.add_meta("artist", "Band");
        info.length_seconds = 65;
        keep.push_back(host.player().tracks().put(std::move(info)));
        raw.push_back(keep.back().get());
    }
    pm.playlist_insert_items(pl, cor::no_index, raw.data(), raw.size(), nullptr);
    auto panel = make(host, cor::panels::playlist_view_guid);
    HWND wnd =
        static_cast<HWND>(panel->create_or_transfer_window(parent.wnd, nullptr, 0, 0, 500, 300));
    HWND list = FindWindowExW(wnd, nullptr, WC_LISTVIEWW, nullptr);
    ASSERT_EQ(ListView_GetItemCount(list), 3);
    auto cell = [&](int row, int col) {
        wchar_t buf[128] = {};
        ListView_GetItemText(list, row, col, buf, 128);
        return std::wstring(buf);
    };
    EXPECT_EQ(cell(1, 0), L"2");
    EXPECT_EQ(cell(1, 1), L"Two");
    EXPECT_EQ(cell(1, 2), L"Band");
    EXPECT_EQ(cell(1, 4), L"1:05");

    // A double click plays the row; the row is marked while it plays.
    NMITEMACTIVATE click{};
    click.hdr = {list, 0, static_cast<UINT>(NM_DBLCLK)};
    click.iItem = 1;
    SendMessageW(wnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    size_t playing_pl = cor::no_index, playing = cor::no_index;
    ASSERT_TRUE(host.player().playback().get_playing_item(&playing_pl, &playing));
    EXPECT_EQ(playing, 1u);
    EXPECT_EQ(cell(1, 0), L"\u25B6 2");
    EXPECT_EQ(cell(0, 0), L"1");

    // Delete removes the selected rows from the playlist.
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
    NMLVKEYDOWN key{};
    key.hdr = {list, 0, static_cast<UINT>(LVN_KEYDOWN)};
    key.wVKey = VK_DELETE;
    SendMessageW(wnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&key));
    ASSERT_EQ(pm.playlist_get_item_count(pl), 1u);
    EXPECT_EQ(ListView_GetItemCount(list), 1);
    EXPECT_EQ(cell(0, 1), L"Two");
    host.player().playback().stop();
}

TEST(HostPanels, ConsoleShowsTheNewestLinesLastAndClears) {
    cor_test::component_host host;
    parent_window parent;
    auto panel = make(host, cor::panels::console_guid);
    const std::string three = pack({1, 3});
    panel->set_config(three.data(), three.size());
    auto console = host.api().get<cor::console_service>();
    for (const char* line : {"a", "b", "c", "d"}) console->print(line, 1);
    HWND wnd =
        static_cast<HWND>(panel->create_or_transfer_window(parent.wnd, nullptr, 0, 0, 300, 200));
    HWND list = FindWindowExW(wnd, nullptr, L"LISTBOX", nullptr);
    ASSERT_NE(list, nullptr);
    auto lines = [&] {
        std::wstring all;
        const auto n = SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            wchar_t buf[64] = {};
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
            all += buf;
        }
        return all;
    };
    EXPECT_EQ(lines(), L"bcd");
    console->print("e", 1);
    EXPECT_EQ(lines(), L"cde");
    HWND clear = FindWindowExW(wnd, nullptr, L"BUTTON", L"Clear");
    ASSERT_NE(clear, nullptr);
    SendMessageW(wnd, WM_COMMAND, MAKEWPARAM(101, BN_CLICKED), reinterpret_cast<LPARAM>(clear));
    EXPECT_EQ(lines(), L"");
}

// Stopped, the meter draws nothing even when sound reaches the tap; playing,
// it draws frames at most 30 times a second; stopping ends them.
TEST(HostPanels, PeakMeterDrawsOnlyWhilePlaying) {
    cor_test::component_host host;
    parent_window parent;
    auto panel = make(host, cor::panels::peak_meter_guid);
    ASSERT_NE(panel->create_or_transfer_window(parent.wnd, nullptr, 0, 0, 200, 40), nullptr);
    const int16_t loud[4] = {20000, -30000, 20000, -30000};
    host.player().tap().feed(loud, 2, 2);
    host.pump(300);
    EXPECT_EQ(cor::panels::peak_meter_frames(panel.get()), 0u);

    auto& pm = host.player().playlists();
    const size_t pl = pm.create_playlist("P", 1, cor::no_index);
    cor::t_track_info info;
    info.path = "C:\\m\\x.wav";
    info.length_seconds = 100;
    auto track = host.player().tracks().put(std::move(info));
    cor::metadb_handle* item = track.get();
    pm.playlist_insert_items(pl, 0, &item, 1, nullptr);
    host.player().playback().play_item(pl, 0);
    const ULONGLONG start = GetTickCount64();
    host.pump(500);
    const double seconds = (GetTickCount64() - start) / 1000.0;
    const uint64_t frames = cor::panels::peak_meter_frames(panel.get());
    EXPECT_GT(frames, 3u);
    EXPECT_LE(frames, static_cast<uint64_t>(seconds * 30) + 1);

    host.player().playback().stop();
    const uint64_t at_stop = cor::panels::peak_meter_frames(panel.get());
    host.pump(300);
    EXPECT_EQ(cor::panels::peak_meter_frames(panel.get()), at_stop);
}

}  // namespace
