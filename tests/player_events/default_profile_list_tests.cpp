// The default profile in process, on a copy of the committed store: what
// its event scripts and its seek bar's clock paint into the main window's
// back buffer.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "corvina500/config/config_store.h"
#include "e2e/process.h"
#include "e2e/wav_file.h"
#include "registry/window_services.h"
#include "support/component_host.h"
#include "support/pixel_names.h"
#include "support/test_folder.h"
#include "support/thread_windows.h"
#include "support/window_probe.h"
#include "utf8.h"

namespace {

// The skin's playlist geometry and the colour of its focus outline (the
// custom scripts' m, row_h and c_line).
constexpr int margin = 16, row_h = 24;
constexpr double track_seconds = 0.5;
constexpr COLORREF outline = RGB(48, 53, 66);

class DefaultProfileList : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring committed =
            cor_test::checkout_path(L"profiles\\default\\corvina500.cfgstore");
        ASSERT_TRUE(
            CopyFileW(committed.c_str(), folder_.file("corvina500.cfgstore").c_str(), FALSE))
            << "no committed store at " << cor::to_utf8(committed);
        store_ = std::make_unique<cor::host_config_store>(folder_.path("corvina500.cfgstore"),
                                                          [](std::string_view) {});
        ASSERT_TRUE(store_->load());
        store_->attach(cor_test::make_service<cor::config_io>());
        std::vector<std::string> tracks;
        for (int i = 0; i < 24; ++i) {
            cor_test::t_wav_format f{8000, 1, 8, track_seconds, {}};
            f.tags = {{"INAM", "Title number " + std::to_string(i + 1)}, {"IART", "Artist"}};
            const std::string name = std::to_string(i + 10) + ".wav";
            ASSERT_TRUE(cor_test::write_bytes(folder_.file(name), cor_test::make_wav(f)));
            tracks.push_back(folder_.path(name));
        }
        host_.player().add_to_active(tracks);
        // A library, so the library pane shows.
        host_.player().set_library_folders({cor::to_utf8(folder_.dir().wstring())});
        host_.player().scan_library();
        host_.player().wait_library_scan();
        main_ = host_.start_ui();
        ASSERT_NE(main_, nullptr);
        // Tall enough for 20 rows.
        RECT window{}, client{};
        GetWindowRect(main_, &window);
        GetClientRect(main_, &client);
        SetWindowPos(main_, nullptr, 200, 100, 640 + (window.right - window.left) - client.right,
                     740 + (window.bottom - window.top) - client.bottom,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        host_.pump();
        rows_y_ = std::stoi(host_.eval("%ui_rows_y%"));
        rows_x_ = std::stoi(host_.eval("%ui_pl_x%"));
        rows_ = std::stoi(host_.eval("%ui_rows_shown%"));
        host_.take_lines();
    }
    void TearDown() override {
        host_.stop_ui();
        if (store_) store_->detach_all();
    }

    // The back buffer's pixels over the shown rows, row by row, once every
    // waiting message is handled. Without the hover overlay: other programs
    // on the shared display may move the pointer over a row.
    std::vector<COLORREF> list_pixels() {
        host_.pump();
        host_.eval("$ui_hover(-1)");
        return pixels({0, rows_y_, 640, rows_y_ + rows_ * row_h});
    }
    std::vector<COLORREF> pixels(RECT area) {
        vesk::window_paint_target* target = vesk::paint_target_of(main_);
        const HDC dc = target ? target->back_buffer_dc() : nullptr;
        return dc ? cor_test::pixels_of(dc, area) : std::vector<COLORREF>{};
    }
    bool outlined(const std::vector<COLORREF>& pixels, int row) const {
        for (int x : {rows_x_ + 60, 400, 640 - margin - 80})
            if (pixels[size_t(row * row_h) * 640 + x] != outline) return false;
        return true;
    }

    cor_test::test_folder folder_;
    cor_test::component_host host_;
    std::unique_ptr<cor::host_config_store> store_;
    HWND main_ = nullptr;
    int rows_y_ = 0, rows_x_ = 0, rows_ = 0;
};

// Moving the focus moves the outline alone, and leaves the list as a
// rebuild of the whole list draws it, playing row included (which has a
// look of its own and no outline).
TEST_F(DefaultProfileList, FocusMovesTheOutlineAsARebuildDrawsIt) {
    ASSERT_EQ(rows_, 20);
    auto& playlists = host_.player().playlists();
    const size_t active = playlists.get_active_playlist();
    size_t from = playlists.playlist_get_focus_item(active);
    // Row 2 starts playing when the focus first reaches it; 23 is below the shown rows.
    for (const size_t to : {3, 7, 0, 19, 2, 2, 5, 23, 6}) {
        SCOPED_TRACE("focus from " + std::to_string(from) + " to " + std::to_string(to));
        if (to == 2 && from != 2) {
            playlists.playlist_set_focus_item(active, to);
            host_.player().playback().start(cor::playback_control::track_command_play, false);
        }
        playlists.playlist_set_focus_item(active, to);
        const std::vector<COLORREF> moved = list_pixels();
        ASSERT_FALSE(moved.empty());
        if (to < 20) {
            EXPECT_EQ(outlined(moved, int(to)), to != 2);
        }
        if (from < 20 && from != to) {
            EXPECT_FALSE(outlined(moved, int(from)));
        }
        host_.eval("$ui_playlist()");
        EXPECT_TRUE(moved == list_pixels()) << "the rows differ from a rebuild's";
        from = to;
    }
    EXPECT_TRUE(host_.take_lines().empty());
}

// The library pane (the player's Album List) stands left of the rows; the
// Library button's script hides it and gives the rows the whole width, as
// a rebuild of the list draws them, and shows it again. The header's menu
// lists the playlists, the active one checked, and activates the one
// chosen.
TEST_F(DefaultProfileList, ThePaneMovesTheRowsAndTheHeaderMenuSwitchesPlaylists) {
    EXPECT_EQ(host_.eval("$ispanelvisible(library)"), "1");
    EXPECT_EQ(rows_x_, margin + 200 + 12);
    auto& playlists = host_.player().playlists();
    playlists.playlist_set_focus_item(playlists.get_active_playlist(), 0);
    EXPECT_TRUE(outlined(list_pixels(), 0));
    host_.eval("$ui_pane_toggle()");
    EXPECT_EQ(host_.eval("$ispanelvisible(library)|%ui_pl_x%|%ui_pl_w%"),
              "0|" + std::to_string(margin) + "|" + std::to_string(640 - 2 * margin));
    rows_x_ = margin;
    const std::vector<COLORREF> toggled = list_pixels();
    host_.eval("$ui_playlist()");
    EXPECT_EQ(toggled, list_pixels());
    EXPECT_TRUE(outlined(toggled, 0));
    host_.eval("$ui_pane_toggle()");
    EXPECT_EQ(host_.eval("$ispanelvisible(library)|%ui_pl_x%"), "1|228");

    (void)playlists.create_playlist("Second", 6, cor::no_index);
    for (const auto& [downs, active] : {std::pair{1, "Second"}, std::pair{0, "Default"}}) {
        std::vector<std::string> texts, checked;
        cor_test::when_thread_window(L"#32768", [&](HWND popup) {
            if (!popup) return (void)EndMenu();
            for (const auto& item : cor_test::menu_items(
                     reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0)))) {
                texts.push_back(item.separator ? "-" : item.text);
                if (item.checked) checked.push_back(item.text);
            }
            for (int i = 0; i < downs; ++i) PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
        });
        host_.eval("$ui_lists()");
        cor::string_out name;
        (void)playlists.playlist_get_name(playlists.get_active_playlist(), name);
        EXPECT_EQ(name.text, active);
        EXPECT_EQ(texts,
                  (std::vector<std::string>{"Default", "Second", "-", "Make a new playlist",
                                            "Rename this playlist...", "Remove this playlist"}));
        EXPECT_EQ(checked.size(), 1u);
    }
    EXPECT_TRUE(host_.take_lines().empty());
}

// The seek bar's clock repaints only what a step of the position changes:
// after each step the bar is as a repaint of the whole window draws it,
// in short steps (the knob's move repaints the played part's new end) and
// long ones (the played part is repainted too), from before the played
// part shows (under 6 pixels) to well past it.
TEST_F(DefaultProfileList, SeekBarStepsPaintWhatAWholeRepaintDraws) {
    auto& playlists = host_.player().playlists();
    ASSERT_TRUE(playlists.playlist_set_focus_item(playlists.get_active_playlist(), 0));
    auto& playback = host_.player().playback();
    playback.start(cor::playback_control::track_command_play, false);
    host_.pump();
    // The steps are the test's own: the clock's timer is stopped.
    host_.eval("$settimer(ui_tick,0)");
    const int seek_x = std::stoi(host_.eval("%ui_seek_x%"));
    const int seek_w = std::stoi(host_.eval("%ui_seek_w%"));
    const int seek_y = std::stoi(host_.eval("#seek_y#"));
    const RECT bar{seek_x - 8, seek_y, seek_x + seek_w + 8, seek_y + 16};
    const double pixel = track_seconds / seek_w;
    int at = 0;
    for (const int step : {3, 4, 1, 8, 12, 13, 14, 30, 2}) {
        SCOPED_TRACE("a step of " + std::to_string(step) + " pixels from " + std::to_string(at));
        // To the middle of the pixel aimed at.
        const double position = std::stod(host_.eval("%playback_position%"));
        host_.clock().advance((at + step + 0.5) * pixel - position);
        host_.player().tick();
        const int was = at;
        at = std::stoi(host_.eval("$ui_seek_tick()%ui_seek_px%"));
        ASSERT_EQ(at, was + step);
        const std::vector<COLORREF> stepped = pixels(bar);
        ASSERT_FALSE(stepped.empty());
        host_.eval("$updatewindow(main,level:1)");
        EXPECT_TRUE(stepped == pixels(bar)) << "the bar differs from a whole repaint's";
    }
    EXPECT_TRUE(host_.take_lines().empty());
}

}  // namespace
