// The Host's panel types through the panel service, as a component sees
// them: listing, creation, settings bytes, windows, and the peak meter's
// drawing that follows playback.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cfg_var.h"
#include "panels/host_panel.h"
#include "panels/panel_types.h"
#include "panels/settings_dialog.h"
#include "support/component_host.h"
#include "support/gdiplus_jpeg.h"
#include "utf8.h"

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

// A 24-bit BMP of `w` by 1 pixels of one colour.
std::string bmp(int w, uint8_t r, uint8_t g, uint8_t b) {
    const uint32_t row = static_cast<uint32_t>((w * 3 + 3) / 4 * 4);
    std::string out = "BM" + pack({54 + row, 0, 54, 40, static_cast<uint32_t>(w), 1});
    out += std::string("\x01\x00\x18\x00", 4) + pack({0, row, 2835, 2835, 0, 0});
    std::string pixels(row, '\0');
    for (int x = 0; x < w; ++x) {
        pixels[x * 3] = static_cast<char>(b);
        pixels[x * 3 + 1] = static_cast<char>(g);
        pixels[x * 3 + 2] = static_cast<char>(r);
    }
    return out + pixels;
}

// The playing track's cover beside it fills the width, keeping its 4:1
// aspect; without a track the placeholder comes back. A large JPEG is
// decoded only as large as it is shown.
TEST(HostPanels, AlbumArtShowsThePlayingTracksCoverScaledToFit) {
    cor_test::component_host host;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"cor_art_panel";
    CreateDirectoryW(folder.c_str(), nullptr);
    const auto write = [&](const wchar_t* name, const std::string& bytes) {
        HANDLE f = CreateFileW((folder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(f);
    };
    write(L"cover.bmp", bmp(4, 200, 30, 40));
    // A silent second of 16-bit stereo.
    write(L"x.wav", "RIFF" + pack({36 + 176400}) + "WAVEfmt " + pack({16}) +
                        std::string("\x01\x00\x02\x00", 4) + pack({44100, 176400}) +
                        std::string("\x04\x00\x10\x00", 4) + "data" + pack({176400}) +
                        std::string(176400, '\0'));
    auto& pm = host.player().playlists();
    const size_t pl = pm.create_playlist("A", 1, cor::no_index);
    cor::t_track_info info;
    char narrow[MAX_PATH * 3];
    WideCharToMultiByte(CP_UTF8, 0, (folder + L"\\x.wav").c_str(), -1, narrow, sizeof narrow,
                        nullptr, nullptr);
    info.path = narrow;
    info.length_seconds = 100;
    auto track = host.player().tracks().put(std::move(info));
    cor::metadb_handle* item = track.get();
    pm.playlist_insert_items(pl, 0, &item, 1, nullptr);

    parent_window parent;
    auto panel = make(host, cor::panels::album_art_guid);
    const std::string no_margin = pack({1, 0x000000, 0});
    panel->set_config(no_margin.data(), no_margin.size());
    HWND wnd =
        static_cast<HWND>(panel->create_or_transfer_window(parent.wnd, nullptr, 0, 0, 200, 200));
    ShowWindow(wnd, SW_SHOW);
    EXPECT_FALSE(cor::panels::album_art_has_cover(panel.get()));
    host.player().playback().play_item(pl, 0);
    EXPECT_TRUE(cor::panels::album_art_has_cover(panel.get()));
    // Painted into a bitmap: the 200 by 50 band across the middle is the cover.
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 200);
    HGDIOBJ old = SelectObject(mem, bitmap);
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PrintWindow(wnd, mem, PW_CLIENTONLY);
    const COLORREF middle = GetPixel(mem, 100, 100), above = GetPixel(mem, 100, 60);
    SelectObject(mem, old);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(middle, RGB(200, 30, 40));
    EXPECT_EQ(above, RGB(0, 0, 0));
    host.player().playback().stop();
    EXPECT_FALSE(cor::panels::album_art_has_cover(panel.get()));

    // A large JPEG cover is decoded at the quarter that covers 200 by 50,
    // and whole once the panel grows past it.
    DeleteFileW((folder + L"\\cover.bmp").c_str());
    {
        ULONG_PTR token = 0;
        Gdiplus::GdiplusStartupInput in;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &in, nullptr), Gdiplus::Ok);
        std::vector<uint8_t> jpeg;
        {
            Gdiplus::Bitmap picture(1024, 256, PixelFormat24bppRGB);
            Gdiplus::Graphics g(&picture);
            g.Clear(Gdiplus::Color(255, 200, 30, 40));
            jpeg = cor_test::encode_jpeg(picture);
        }
        Gdiplus::GdiplusShutdown(token);
        write(L"cover.jpg", std::string(jpeg.begin(), jpeg.end()));
    }
    host.player().playback().play_item(pl, 0);
    EXPECT_EQ(cor::panels::album_art_decoded_width(panel.get()), 256u);
    SetWindowPos(wnd, nullptr, 0, 0, 600, 600, SWP_NOZORDER | SWP_NOMOVE);
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(cor::panels::album_art_decoded_width(panel.get()), 1024u);
    host.player().playback().stop();
    DeleteFileW((folder + L"\\cover.jpg").c_str());
    DeleteFileW((folder + L"\\x.wav").c_str());
    RemoveDirectoryW(folder.c_str());
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

namespace {

// Runs `act` on the modal dialog the next call opens, from inside its loop.
std::function<void(HWND)>* g_on_dialog = nullptr;

void CALLBACK find_dialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND found = cor_test::visible_thread_window(L"#32770");
    if (!found || !g_on_dialog) return;
    KillTimer(nullptr, timer);
    (*g_on_dialog)(found);
}

std::string item_text(HWND dlg, int id) {
    wchar_t buf[128] = L"";
    GetDlgItemTextW(dlg, id, buf, 128);
    return cor::to_utf8(buf);
}

// The settings dialog shows each value (colours as RRGGBB), and OK hands
// the typed values to the panel: text that is no value, or values the
// panel refuses, keep the dialog open with the reason and change nothing.
TEST(HostPanels, SettingsDialogEditsTheValuesThePanelTakes) {
    using cor::panels::settings_error_text;
    using cor::panels::settings_first_edit;
    struct t_case {
        cor::guid type;
        std::string start;
        std::vector<std::string> shown, typed;
        std::string error;  // empty: taken
        std::string after;
    };
    const t_case cases[] = {
        {cor::panels::album_art_guid,
         pack({1, 0x336699, 12}),
         {"996633", "12"},
         {"0A0B0C", "7"},
         "",
         pack({1, 0x0C0B0A, 7})},
        {cor::panels::album_art_guid,
         pack({1, 0x336699, 12}),
         {"996633", "12"},
         {"0A0B0C", "5000"},
         "The panel does not take these values.",
         pack({1, 0x336699, 12})},
        {cor::panels::peak_meter_guid,
         pack({1, 0x00FF00, 0x101010}),
         {"00FF00", "101010"},
         {"00FF0", "101010"},
         "Bar colour: six hex digits, RRGGBB",
         pack({1, 0x00FF00, 0x101010})},
        {cor::panels::console_guid,
         pack({1, 50}),
         {"50"},
         {"-3"},
         "Lines shown: a whole number",
         pack({1, 50})},
        {cor::panels::console_guid, pack({1, 50}), {"50"}, {"20"}, "", pack({1, 20})},
    };
    cor_test::component_host host;
    parent_window parent;
    EXPECT_FALSE(make(host, cor::panels::playlist_view_guid)->have_config_popup());
    for (const auto& c : cases) {
        auto panel = make(host, c.type);
        ASSERT_TRUE(panel->have_config_popup());
        panel->set_config(c.start.data(), c.start.size());
        std::vector<std::string> shown;
        std::string error;
        bool still_open = false;
        std::function<void(HWND)> act = [&](HWND dlg) {
            for (size_t i = 0; i < c.typed.size(); ++i) {
                const int id = settings_first_edit + static_cast<int>(i);
                shown.push_back(item_text(dlg, id));
                SetDlgItemTextW(dlg, id, cor::to_wide(c.typed[i]).c_str());
            }
            SendMessageW(dlg, WM_COMMAND, IDOK, 0);
            still_open = IsWindow(dlg) && IsWindowEnabled(GetDlgItem(dlg, IDOK));
            error = item_text(dlg, settings_error_text);
            if (!c.error.empty()) SendMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
        };
        g_on_dialog = &act;
        SetTimer(nullptr, 0, 10, find_dialog);
        const bool changed = panel->show_config_popup(parent.wnd);
        g_on_dialog = nullptr;
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(changed, c.error.empty());
        if (!c.error.empty()) {
            EXPECT_TRUE(still_open);
            EXPECT_EQ(error, c.error);
        }
        EXPECT_EQ(config_of(*panel), c.after);
    }
}

}  // namespace
