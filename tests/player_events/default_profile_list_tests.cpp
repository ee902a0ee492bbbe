// The default profile's playlist in process, on a copy of the committed
// store: what its event scripts paint into the main window's back buffer.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "corvina500/config/config_store.h"
#include "e2e/process.h"
#include "e2e/wav_file.h"
#include "functions/hash_store.h"
#include "host/service_factory.h"
#include "registry/window_services.h"
#include "script/user_functions.h"
#include "support/component_host.h"
#include "support/settings_snapshot.h"
#include "utf8.h"

namespace {

// The skin's playlist geometry and the colour of its focus outline (the
// custom scripts' m, row_h and c_line).
constexpr int margin = 16, row_h = 24;
constexpr COLORREF outline = RGB(48, 53, 66);

class DefaultProfileList : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = cor_test::make_temp_folder(L"list");
        const std::wstring store_path = folder_ + L"\\corvina500.cfgstore";
        const std::wstring committed =
            cor_test::checkout_path(L"profiles\\default\\corvina500.cfgstore");
        ASSERT_TRUE(CopyFileW(committed.c_str(), store_path.c_str(), FALSE))
            << "no committed store at " << cor::to_utf8(committed);
        store_ = std::make_unique<cor::host_config_store>(cor::to_utf8(store_path),
                                                          [](std::string_view) {});
        ASSERT_TRUE(store_->load());
        for (auto* f : vesk::host::factory_list())
            if (f->get_class_guid() == cor::config_io::class_guid)
                store_->attach(cor::service_ptr_t<cor::config_io>::adopt(
                    static_cast<cor::config_io*>(f->create_instance())));
        std::vector<std::string> tracks;
        for (int i = 0; i < 24; ++i) {
            cor_test::t_wav_format f{8000, 1, 8, 0.5, {}};
            f.tags = {{"INAM", "Title number " + std::to_string(i + 1)}, {"IART", "Artist"}};
            const std::wstring path = folder_ + L"\\" + std::to_wstring(i + 10) + L".wav";
            ASSERT_TRUE(cor_test::write_file(path, cor_test::make_wav(f)));
            tracks.push_back(cor::to_utf8(path));
        }
        host_.player().add_to_active(tracks);
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
        rows_ = std::stoi(host_.eval("%ui_rows_shown%"));
        host_.take_lines();
    }
    void TearDown() override {
        host_.stop_ui();
        if (store_) store_->detach_all();
        store_.reset();
        // What the profile set stays behind for no other test.
        settings_.restore();
        vesk::set_user_functions({});
        vesk::hash_store::instance().clear();
        cor_test::remove_tree(folder_);
    }

    // The back buffer's pixels over the shown rows, row by row, once every
    // waiting message is handled. Without the hover overlay: other programs
    // on the shared display may move the pointer over a row.
    std::vector<uint32_t> list_pixels() {
        host_.pump();
        host_.eval("$ui_hover(-1)");
        vesk::window_paint_target* target = vesk::paint_target_of(main_);
        const HDC dc = target ? target->back_buffer_dc() : nullptr;
        if (!dc) return {};
        const int h = rows_ * row_h;
        const HDC copy = CreateCompatibleDC(dc);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = 640;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        const HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        const HGDIOBJ old = SelectObject(copy, bmp);
        BitBlt(copy, 0, 0, 640, h, dc, 0, rows_y_, SRCCOPY);
        std::vector<uint32_t> out(static_cast<uint32_t*>(bits),
                                  static_cast<uint32_t*>(bits) + 640 * h);
        SelectObject(copy, old);
        DeleteObject(bmp);
        DeleteDC(copy);
        return out;
    }
    // Whether the row's top line is the outline's colour across the row.
    bool outlined(const std::vector<uint32_t>& pixels, int row) const {
        const uint32_t want =
            (GetRValue(outline) << 16) | (GetGValue(outline) << 8) | GetBValue(outline);
        for (int x : {margin + 60, 320, 640 - margin - 80})
            if ((pixels[size_t(row * row_h) * 640 + x] & 0xFFFFFF) != want) return false;
        return true;
    }

    std::wstring folder_;
    cor_test::settings_snapshot settings_;
    cor_test::component_host host_;
    std::unique_ptr<cor::host_config_store> store_;
    HWND main_ = nullptr;
    int rows_y_ = 0, rows_ = 0;
};

// Moving the focus moves the outline alone, and leaves the list as a
// rebuild of the whole list draws it, playing row included (which has a
// look of its own and no outline).
TEST_F(DefaultProfileList, FocusMovesTheOutlineAsARebuildDrawsIt) {
    ASSERT_EQ(rows_, 20);
    auto& playlists = host_.player().playlists();
    const size_t active = playlists.get_active_playlist();
    struct {
        size_t to;
        bool play;  // start playing the focused item first
    } const steps[] = {{3, false}, {7, false}, {0, false},  {19, false}, {2, true},
                       {2, false}, {5, false}, {23, false}, {6, false}};
    size_t from = playlists.playlist_get_focus_item(active);
    for (const auto& step : steps) {
        SCOPED_TRACE("focus from " + std::to_string(from) + " to " + std::to_string(step.to));
        if (step.play) {
            playlists.playlist_set_focus_item(active, step.to);
            host_.player().playback().start(cor::playback_control::track_command_play, false);
        }
        playlists.playlist_set_focus_item(active, step.to);
        const std::vector<uint32_t> moved = list_pixels();
        ASSERT_FALSE(moved.empty());
        const bool playing = step.to == 2;
        if (step.to < 20) {
            EXPECT_EQ(outlined(moved, int(step.to)), !playing);
        }
        if (from < 20 && from != step.to) {
            EXPECT_FALSE(outlined(moved, int(from)));
        }
        host_.eval("$ui_playlist()");
        const std::vector<uint32_t> rebuilt = list_pixels();
        size_t differ = 0, first = 0;
        for (size_t i = 0; i < moved.size(); ++i)
            if (moved[i] != rebuilt[i] && differ++ == 0) first = i;
        EXPECT_EQ(differ, 0u) << "first at x " << first % 640 << ", row " << first / 640 / row_h;
        from = step.to;
    }
    EXPECT_TRUE(host_.take_lines().empty());
}

}  // namespace
