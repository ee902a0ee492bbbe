// The default profile run from its readable folder, as --watch runs it:
// edits of the folder's files reach the running interface; broken ones
// change nothing and say where they broke; a burst of saves is read once.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/profile_watch.h"
#include "config/config_dialog.h"
#include "config/config_pages.h"
#include "corvina500/config/config_store.h"
#include "e2e/process.h"
#include "guid_text.h"
#include "registry/window_registry.h"
#include "registry/window_services.h"
#include "support/component_host.h"
#include "support/test_folder.h"
#include "support/window_probe.h"
#include "utf8.h"

namespace {

constexpr const char* extra_guid = "5D3C1B2A-7E6F-4A8B-9C0D-1E2F3A4B5C6D";

class ProfileWatch : public ::testing::Test {
protected:
    void SetUp() override {
        const std::filesystem::path from = cor_test::checkout_path(L"profiles\\default");
        for (const char* part : {"profile.json", "scripts", "images"})
            std::filesystem::copy(from / part, folder_.dir() / part,
                                  std::filesystem::copy_options::recursive);
        store_ = std::make_unique<cor::host_config_store>(folder_.path("corvina500.cfgstore"),
                                                          [](std::string_view) {});
        (void)store_->load();
        watch_ = std::make_unique<cor::profile_watch>(
            folder_.dir().string(), [this](std::string_view line) { said_.emplace_back(line); });
        watch_->make_store(*store_);
        store_->attach(cor_test::make_service<cor::config_io>());
        main_ = host_.start_ui();
        ASSERT_NE(main_, nullptr);
        host_.pump();
        said_.clear();
    }
    void TearDown() override {
        watch_.reset();
        host_.stop_ui();
        if (store_) store_->detach_all();
    }

    void start(bool notices) {
        watch_->start({cor_test::make_service<cor::config_io>()},
                      cor_test::make_service<cor::settings_reload>(), notices);
    }
    void write(const std::string& name, const std::string& text) {
        cor_test::write_bytes(folder_.file(name), text);
    }
    std::string read(const std::string& name) { return cor_test::read_bytes(folder_.file(name)); }
    // A file with `from` replaced by `to`, in `text` when given.
    void edit(const std::string& name, const std::string& from, const std::string& to,
              std::string text = {}) {
        if (text.empty()) text = read(name);
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from << " is not in " << name;
        write(name, text.replace(at, from.size(), to));
    }
    COLORREF pixel(int x, int y) {
        host_.pump();
        vesk::window_paint_target* target = vesk::paint_target_of(main_);
        return target ? GetPixel(target->back_buffer_dc(), x, y) & 0xFFFFFF : CLR_INVALID;
    }
    std::string reread_line(size_t changed) {
        return "corvina500: read " + folder_.dir().string() + " again: " + std::to_string(changed) +
               (changed == 1 ? " setting changed" : " settings changed");
    }

    cor_test::test_folder folder_;
    cor_test::component_host host_;
    std::unique_ptr<cor::host_config_store> store_;
    std::unique_ptr<cor::profile_watch> watch_;
    std::vector<std::string> said_;
    HWND main_ = nullptr;
};

TEST_F(ProfileWatch, EditsReachTheRunningInterfaceAndBrokenOnesChangeNothing) {
    start(false);
    const std::vector<cor::track_ptr> songs = {host_.track("C:\\m\\a.wav", "Song A", 60)};
    const size_t list = host_.playlist("Music", songs);
    host_.player().playlists().set_active_playlist(list);
    host_.player().playback().start(cor::playback_control::track_command_play, false);
    host_.player().playback().set_volume(-6);
    const size_t playlists = host_.player().playlists().get_playlist_count();
    const COLORREF background = RGB(17, 19, 24);
    ASSERT_EQ(pixel(4, 300), background);

    const std::string extra =
        std::string(R"(, {"guid": ")") + extra_guid +
        R"(", "id": "extra", "placement": [40, 40, 240, 140], "scripts": {"load": "scripts/extra.tf"}})";
    const struct {
        const char* what;
        std::function<void()> edit;
        bool reads;           // the folder reads: what changed is applied
        std::string said;     // the console line after the reload
        COLORREF background;  // the main window's, afterwards
        bool extra_open;
    } rows[] = {
        {"a colour macro changed",
         [&] { edit("scripts/custom.tf", "c_bg       17-19-24", "c_bg       200-10-10"); }, true,
         reread_line(1), RGB(200, 10, 10), false},
        {"a window added",
         [&] {
             write("scripts/extra.tf", "$console('extra loaded')\n");
             edit("profile.json", "    }\n  ]", "    }" + extra + "\n  ]");  // after main
         },
         true, "extra loaded", RGB(200, 10, 10), true},
        {"a general script changed",
         [&] { write("scripts/on_volume_change.tf", "$console('volume script read again')\n"); },
         true, reread_line(1), RGB(200, 10, 10), true},
        {"a script that does not compile",
         [&] {
             edit("scripts/custom.tf", "c_bg       200-10-10", "c_bg       10-200-10");
             write("scripts/main.open.tf", "// open\n$puts(a,1)\n  $if(a,\n");
         },
         false, "corvina500: scripts/main.open.tf:3:3: expected ) to close $if( (nothing changed)",
         RGB(200, 10, 10), true},
        {"a broken profile.json",
         [&] {
             write("scripts/main.open.tf", "");
             edit("profile.json", R"("trim_mode": true,)", R"("trim_mode": true,,)");
         },
         false,
         "corvina500: profile.json:3:21: expected a member name in double quotes (nothing changed)",
         RGB(200, 10, 10), true},
        {"mended, and the window removed",
         [&] {
             edit("profile.json", R"("trim_mode": true,,)", R"("trim_mode": true,)");
             edit("profile.json", extra, "");
         },
         true, reread_line(11), RGB(10, 200, 10), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        said_.clear();
        host_.take_lines();
        row.edit();
        EXPECT_EQ(watch_->reload_now(), row.reads);
        ASSERT_FALSE(said_.empty());
        const std::vector<std::string> lines = host_.take_lines();
        if (row.said.rfind("corvina500: ", 0) == 0)
            EXPECT_EQ(said_.back(), row.said);
        else
            EXPECT_NE(std::find(lines.begin(), lines.end(), row.said), lines.end())
                << testing::PrintToString(lines) << testing::PrintToString(said_);
        EXPECT_EQ(said_.size(), 1u);
        EXPECT_EQ(pixel(4, 300), row.background);
        EXPECT_EQ(vesk::open_window_by_guid(*cor::parse_guid(extra_guid)) != vesk::no_window,
                  row.extra_open);
        // What the listener does goes on.
        EXPECT_TRUE(host_.player().playback().is_playing());
        EXPECT_FLOAT_EQ(host_.player().playback().get_volume(), -6);
        EXPECT_EQ(host_.player().playlists().get_playlist_count(), playlists);
    }
    // The general script read again runs at its event.
    host_.take_lines();
    host_.player().playback().set_volume(-3);
    host_.pump();
    const auto lines = host_.take_lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "volume script read again"), lines.end());
}

// Ten saves in 100 ms are read once, after the last.
TEST_F(ProfileWatch, ABurstOfSavesIsReadOnce) {
    start(true);
    const std::string custom = read("scripts/custom.tf");
    for (int i = 0; i < 10; ++i, Sleep(10))
        edit("scripts/custom.tf", "c_bg       17-19-24",
             "c_bg       " + std::to_string(100 + i) + "-10-10", custom);
    for (int waited = 0; waited < 2000 && said_.empty(); waited += 50) host_.pump(50);
    host_.pump(cor::profile_watch::settle_ms * 4);
    EXPECT_EQ(said_, std::vector<std::string>{reread_line(1)});
    EXPECT_EQ(pixel(4, 300), RGB(109, 10, 10));
}

// A script stored in the configuration dialog is written to its file in
// the folder too, with the file's line ends, and reading the folder again
// then changes nothing.
TEST_F(ProfileWatch, TheDialogWritesTheScriptsItStoresToTheirFiles) {
    start(false);
    host_.api().add_service(cor::profile_sources::class_guid, watch_->sources().get());
    ASSERT_TRUE(vesk::open_config_dialog());
    const HWND page = vesk::config_page_window(vesk::config_dialog_handle(), vesk::page_script);
    const auto choose = [&](int combo, int index) {
        SendDlgItemMessageW(page, combo, CB_SETCURSEL, index, 0);
        cor_test::command(page, combo, CBN_SELCHANGE);
    };
    write("scripts/main.open.tf", "// crlf\r\n");
    ASSERT_TRUE(watch_->reload_now());
    const struct {
        int target, event;
        std::string file, written;
    } rows[] = {
        {2, 2, "scripts/main.open.tf", "$puts(a,1)\r\n$puts(b,2)"},  // main, Open
        {0, 1, "scripts/on_init.tf", "$puts(c,3)\n$puts(d,4)"},      // (General), On Init
        {1, 0, "scripts/custom.tf", read("scripts/custom.tf") + "\n// more"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        choose(vesk::config_id::script_target, row.target);
        choose(vesk::config_id::script_event, row.event);
        std::string typed = row.written;  // as the edit control holds it
        for (size_t at = 0; (at = typed.find('\n', at)) != std::string::npos; at += 2)
            if (at == 0 || typed[at - 1] != '\r') typed.insert(at, "\r");
        SetDlgItemTextW(page, vesk::config_id::editor, cor::to_wide(typed).c_str());
        cor_test::command(page, vesk::config_id::editor, EN_CHANGE);
        EXPECT_EQ(read(row.file), row.written);
        said_.clear();
        ASSERT_TRUE(watch_->reload_now());
        EXPECT_EQ(said_, std::vector<std::string>{reread_line(0)});
    }
    DestroyWindow(vesk::config_dialog_handle());
}

}  // namespace
