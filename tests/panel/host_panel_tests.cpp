// The Host's panel types through the panel service, as a component sees
// them: listing, creation, settings bytes, windows and settings dialogs.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "cfg_var.h"
#include "panels/host_panel.h"
#include "panels/panel_types.h"
#include "panels/settings_dialog.h"
#include "support/gdiplus_jpeg.h"
#include "support/pixel_names.h"
#include "support/test_folder.h"
#include "window/window_test_util.h"

namespace {

using cor::service_ptr_t;
using cor::ui_extension::window;
using window_test::pack;

std::string config_of(window& w) {
    cor::string_out out;
    w.get_config(out);
    return out.text;
}

// The Host's services, and a plain parent window for panels outside the
// component.
class HostPanels : public ::testing::Test {
protected:
    cor_test::component_host host;
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600,
                                  400, nullptr, nullptr, nullptr, nullptr);
    ~HostPanels() override { DestroyWindow(parent); }

    // A panel of `type`, with `settings` when given.
    service_ptr_t<window> make(const cor::guid& type, const std::string& settings = {}) {
        window* w = nullptr;
        if (!host.panels().create_by_guid(type, &w)) return nullptr;
        if (!settings.empty()) w->set_config(settings.data(), settings.size());
        return service_ptr_t<window>::adopt(w);
    }
    HWND show(window& panel, int width, int height) {
        return static_cast<HWND>(
            panel.create_or_transfer_window(parent, nullptr, 0, 0, width, height));
    }
};

// The service makes the five types it lists (their names, categories and
// order are checked end to end) and no other. For each: good settings come
// back byte for byte, with a window and after it is gone; damaged ones
// change nothing.
TEST_F(HostPanels, EachTypeKeepsItsSettingsAndDamagedBytesChangeNothing) {
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
        // The view, the views (name and pattern), then the expanded nodes' paths.
        {cor::panels::album_list_guid,
         pack({2, 1, 2, 1}) + "A" + pack({3}) + "%a%" + pack({1}) + "B" + pack({4}) + "%b%|" +
             pack({1, 3}) + "Pop",
         pack({2, 2, 2, 1}) + "A" + pack({3}) + "%a%" + pack({1}) + "B" + pack({4}) + "%b%|" +
             pack({0})},  // no such view
    };
    ASSERT_EQ(host.panels().get_panel_count(), 5u);
    for (const auto& c : cases) {
        auto panel = make(c.type);
        ASSERT_TRUE(panel);
        const std::string defaults = config_of(*panel);
        panel->set_config(c.damaged.data(), c.damaged.size());
        EXPECT_EQ(config_of(*panel), defaults);
        panel->set_config(c.good.data(), c.good.size());
        EXPECT_EQ(config_of(*panel), c.good);
        HWND wnd = show(*panel, 300, 200);
        ASSERT_NE(wnd, nullptr);
        EXPECT_EQ(config_of(*panel), c.good);
        panel->destroy_window();
        EXPECT_FALSE(IsWindow(wnd));
        EXPECT_EQ(config_of(*panel), c.good);
        panel->set_config(nullptr, 0);
        EXPECT_EQ(config_of(*panel), c.good);
    }
    EXPECT_EQ(cor::panels::host_panel::live_windows(), 0);
    cor::guid id{};
    cor::string_out name, category;
    EXPECT_FALSE(host.panels().get_panel_info(5, id, name, category));
    window* none = nullptr;
    EXPECT_FALSE(host.panels().create_by_guid(cor::guid{1, 2, 3, {4}}, &none));
    EXPECT_EQ(none, nullptr);
}

// The list view shows the active playlist with the columns its settings
// give, and what the user drags is what the settings say afterwards; a
// double click plays a row, marked while it plays.
TEST_F(HostPanels, PlaylistViewShowsTheActivePlaylistAndMarksThePlayingRow) {
    window_test::playlist_of(host, {"One", "Two", "Three"});
    auto panel =
        make(cor::panels::playlist_view_guid, pack({1, 30, 111, 122, 133, 44, 4, 3, 2, 1, 0}));
    HWND wnd = show(*panel, 500, 300);
    HWND list = FindWindowExW(wnd, nullptr, WC_LISTVIEWW, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ListView_GetColumnWidth(list, 2), 122);
    int order[5] = {};
    ASSERT_TRUE(ListView_GetColumnOrderArray(list, 5, order));
    EXPECT_EQ(order[0], 4);
    EXPECT_EQ(order[4], 0);
    ListView_SetColumnWidth(list, 1, 250);
    EXPECT_EQ(config_of(*panel), pack({1, 30, 250, 122, 133, 44, 4, 3, 2, 1, 0}));
    ASSERT_EQ(ListView_GetItemCount(list), 3);
    const auto cell = [&](int row, int col) {
        return cor::to_wide(cor_test::cell_text(list, row, col));
    };
    EXPECT_EQ(cell(1, 0), L"2");
    EXPECT_EQ(cell(1, 1), L"Two");

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
    host.player().playback().stop();
}

// The playing track's cover beside it fills the width inside the margin,
// keeping its 4:1 aspect; without a track the placeholder comes back.
TEST_F(HostPanels, AlbumArtShowsThePlayingTracksCoverScaledToFit) {
    const cor_test::test_folder folder;
    // A silent second of 16-bit stereo, and covers of one colour beside it.
    cor_test::write_bytes(folder.file("x.wav"),
                          "RIFF" + pack({36 + 176400}) + "WAVEfmt " + pack({16}) +
                              std::string("\x01\x00\x02\x00", 4) + pack({44100, 176400}) +
                              std::string("\x04\x00\x10\x00", 4) + "data" + pack({176400}) +
                              std::string(176400, '\0'));
    const cor_test::gdiplus_session gdiplus;
    Gdiplus::Bitmap cover(4, 1, PixelFormat24bppRGB);
    Gdiplus::Graphics(&cover).Clear(Gdiplus::Color(255, 200, 30, 40));
    const CLSID bmp = cor_test::encoder_for(L"image/bmp");
    ASSERT_EQ(cover.Save(folder.file("cover.bmp").c_str(), &bmp, nullptr), Gdiplus::Ok);
    const size_t pl = host.playlist("A", {host.track(folder.path("x.wav"), "x", 100)});

    auto panel = make(cor::panels::album_art_guid, pack({1, 0x000000, 10}));  // black, margin 10
    HWND wnd = show(*panel, 200, 200);
    ShowWindow(wnd, SW_SHOW);
    EXPECT_FALSE(cor::panels::album_art_has_cover(panel.get()));
    host.player().playback().play_item(pl, 0);
    EXPECT_TRUE(cor::panels::album_art_has_cover(panel.get()));
    // Painted into a bitmap: the 180 by 45 band across the middle is the
    // cover, black above it and in the margin.
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const auto shot =
        cor_test::pixels_of(200, 200, [&](HDC dc) { PrintWindow(wnd, dc, PW_CLIENTONLY); });
    EXPECT_EQ(cor_test::colours_at("100,100 100,60 7,100",
                                   [&](int x, int y) { return shot[size_t(y) * 200 + x]; }),
              "#C81E28 black black");
    host.player().playback().stop();
    EXPECT_FALSE(cor::panels::album_art_has_cover(panel.get()));
}

// The settings dialog shows each value (colours as RRGGBB), and OK hands
// the typed values to the panel: text that is no value, or values the
// panel refuses, keep the dialog open with the reason and change nothing.
TEST_F(HostPanels, SettingsDialogEditsTheValuesThePanelTakes) {
    using cor::panels::settings_error_text;
    using cor::panels::settings_first_edit;
    using window_test::lines;
    const std::string art = pack({1, 0x336699, 12}), meter = pack({1, 0x00FF00, 0x101010});
    const cor::guid art_type = cor::panels::album_art_guid,
                    meter_type = cor::panels::peak_meter_guid;
    const std::string refused = "The panel does not take these values.",
                      not_hex = "Bar colour: six hex digits, RRGGBB";
    const struct {
        cor::guid type;
        std::string start;
        lines shown, typed;
        std::string error, after;  // no error: taken
    } cases[] = {
        {art_type, art, {"996633", "12"}, {"0A0B0C", "7"}, "", pack({1, 0x0C0B0A, 7})},
        {art_type, art, {"996633", "12"}, {"0A0B0C", "5000"}, refused, art},
        {meter_type, meter, {"00FF00", "101010"}, {"00FF0", "101010"}, not_hex, meter},
    };
    for (const auto& c : cases) {
        auto panel = make(c.type, c.start);
        ASSERT_TRUE(panel->have_config_popup());
        lines shown;
        std::string error;
        bool still_open = false;
        cor_test::when_thread_window(L"#32770", [&](HWND dlg) {
            for (size_t i = 0; i < c.typed.size(); ++i) {
                const int id = settings_first_edit + static_cast<int>(i);
                shown.push_back(cor_test::text_of(dlg, id));
                SetDlgItemTextW(dlg, id, cor::to_wide(c.typed[i]).c_str());
            }
            SendMessageW(dlg, WM_COMMAND, IDOK, 0);
            still_open = IsWindow(dlg) && IsWindowEnabled(GetDlgItem(dlg, IDOK));
            error = cor_test::text_of(dlg, settings_error_text);
            if (!c.error.empty()) SendMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
        });
        const bool changed = panel->show_config_popup(parent);
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
