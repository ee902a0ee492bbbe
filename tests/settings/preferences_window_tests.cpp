// The player's Preferences window driven by messages, with the component
// loaded in-process so its page sits in the tree as it does in the player.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "app/host_commands.h"
#include "app/preferences_window.h"
#include "app/properties_window.h"
#include "app/window_dpi.h"
#include "config/config_dialog.h"
#include "config/config_pages.h"
#include "config/palette_window.h"
#include "corvina500/config/config_store.h"
#include "corvina500/player/audio_sink.h"
#include "e2e/wav_file.h"
#include "guid_text.h"
#include "host/display_scale.h"
#include "support/component_host.h"
#include "support/test_folder.h"
#include "support/window_probe.h"
#include "utf8.h"

namespace {

namespace id = cor::preferences_id;
using cor_test::click;
using cor_test::text_of;
using strings = std::vector<std::string>;

struct folder_picker final : cor::host_dialogs {
    std::string folder;
    std::vector<std::string> open_files(const char*, bool, bool) override { return {}; }
    std::string save_playlist_file(const char*) override { return {}; }
    std::string choose_folder(const char*) override { return folder; }
    void message(const char*, const std::string&) override {}
    void reveal(const std::string&) override {}
    std::string ask_text(const char*, const char*, const std::string&) override { return {}; }
};

class PreferencesWindow : public ::testing::Test {
protected:
    cor_test::component_host host;
    folder_picker* dialogs = new folder_picker;
    cor::host_commands commands{host.player(), "C:\\profile",
                                std::unique_ptr<cor::host_dialogs>(dialogs)};
    cor_test::test_folder folder;

    void SetUp() override {
        commands.preferences().add_page(cor_test::make_service<cor::preferences_page>());
        ASSERT_TRUE(host.start_ui());
    }
    void TearDown() override { commands.preferences().close(); }

    HWND open() {
        EXPECT_TRUE(commands.execute(cor::mainmenu_manager::command_preferences));
        return static_cast<HWND>(commands.preferences().handle());
    }
    HWND tree() { return GetDlgItem(open(), id::tree); }
    // The chosen page, which must stand in the window and show.
    HWND show(const std::string& name) {
        HTREEITEM item = cor_test::tree_item(tree(), name);
        EXPECT_TRUE(item) << "no page " << name;
        TreeView_SelectItem(tree(), item);
        HWND page = static_cast<HWND>(commands.preferences().page_handle());
        EXPECT_TRUE(page && GetParent(page) == open() && IsWindowVisible(page)) << name;
        return page;
    }
};

// The Host's pages and the component's page under Display, which stands
// only while the configuration dialog does not; closing takes the page down.
TEST_F(PreferencesWindow, TreeListsEveryPageAndShowsTheChosenOne) {
    namespace cid = vesk::config_id;
    EXPECT_EQ(cor_test::tree_labels(tree()),
              (strings{"Playback", "Playlists and library", "Keyboard shortcuts", "Display",
                       "  Vesk User Interface"}));
    ASSERT_TRUE(vesk::open_config_dialog());
    HWND blocked = show("Vesk User Interface");
    EXPECT_EQ(text_of(blocked, cid::blocked_text), "Configuration dialog is active.");
    EXPECT_FALSE(GetDlgItem(blocked, cid::tab));
    click(vesk::config_dialog_handle(), cid::close);
    EXPECT_FALSE(vesk::config_dialog_open());
    show("Display");
    EXPECT_FALSE(vesk::preferences_page_open());

    // Only the component's page is its own dialog, the dialog cannot open
    // while it stands, and it goes when another is chosen (the other tests
    // use the Host's pages).
    HWND full = show("Vesk User Interface");
    EXPECT_TRUE(GetDlgItem(full, cid::tab));
    EXPECT_TRUE(vesk::config_page_window(full, vesk::page_option));
    EXPECT_TRUE(vesk::preferences_page_open());
    EXPECT_TRUE(vesk::config_page_active());
    EXPECT_FALSE(vesk::open_config_dialog());
    EXPECT_TRUE(GetDlgItem(show("Display"), id::display_text));
    EXPECT_FALSE(vesk::preferences_page_open());
    EXPECT_FALSE(vesk::config_page_active());
    show("Vesk User Interface");
    SendMessageW(open(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(commands.preferences().handle());
    EXPECT_FALSE(vesk::preferences_page_open());
    // Reopened, it shows the page chosen last; without the component's
    // interface running it says so; detaching the component closes it.
    open();
    EXPECT_TRUE(vesk::preferences_page_open());
    show("Display");
    host.stop_ui();
    EXPECT_EQ(text_of(show("Vesk User Interface"), cid::blocked_text),
              "Another user interface is active.");
    commands.detach_components();
    EXPECT_FALSE(commands.preferences().handle());
    EXPECT_FALSE(vesk::preferences_page_open());
}

// The folders, the volume step and the output device reach the player at
// once and the store at its save; the next start reads them back.
TEST_F(PreferencesWindow, LibraryFoldersVolumeStepAndDevicePersist) {
    HWND page = show("Playlists and library");
    const std::string a = folder.path("a"), b = folder.path("b");
    const std::string wav = cor_test::make_wav({8000, 1, 16, 1.0, {}});  // mono, one second
    for (const char* name : {"a", "b"}) std::filesystem::create_directory(folder.file(name));
    ASSERT_TRUE(cor_test::write_bytes(folder.file("a/one.wav"), wav));
    auto& library = host.player().library();
    for (const auto& chosen : {a, b, a, std::string()}) {  // again, then cancelled
        dialogs->folder = chosen;
        click(page, id::folder_add);
    }
    EXPECT_EQ(cor_test::entries(page, id::folders), (strings{a, b}));
    host.player().wait_library_scan();
    EXPECT_EQ(library.get_count(), 1u);
    click(page, id::folder_remove);  // nothing selected: nothing removed
    SendDlgItemMessageW(page, id::folders, LB_SETCURSEL, 0, 0);
    click(page, id::folder_remove);
    EXPECT_EQ(cor_test::entries(page, id::folders), strings{b});
    // The removed folder's tracks leave the library; Rescan finds new ones.
    // The scan runs off the main thread, its progress under the folders.
    host.player().wait_library_scan();
    EXPECT_EQ(library.get_count(), 0u);
    ASSERT_TRUE(cor_test::write_bytes(folder.file("b/two.wav"), wav));
    click(page, id::rescan);
    EXPECT_EQ(cor_test::text_of(page, id::library_status).rfind("Scanning: ", 0), 0u);
    host.player().wait_library_scan();
    EXPECT_EQ(library.get_count(), 1u);
    SendMessageW(page, WM_TIMER, 1, 0);
    EXPECT_EQ(cor_test::text_of(page, id::library_status)
                  .rfind("1 track. The last scan read 1 file and kept 0 in ", 0),
              0u);

    HWND playback = show("Playback");
    EXPECT_EQ(text_of(playback, id::output_device), host.player().output_name());
    SendDlgItemMessageW(playback, id::volume_step, CB_SETCURSEL, 3, 0);
    cor_test::command(playback, id::volume_step, CBN_SELCHANGE);
    EXPECT_FLOAT_EQ(host.player().playback().volume_step(), 3.0f);

    // The device list: the default, the system's devices, and a chosen one
    // that is gone, kept and chosen until another is chosen.
    host.player().set_output_device("{0.0.0.00000000}.{unplugged}");
    show("Display");  // so the page is made again
    HWND devices = GetDlgItem(show("Playback"), id::output_choice);
    const strings rows = cor_test::entries(devices, true);
    ASSERT_EQ(rows.size(), 2 + cor::list_output_devices().size());
    EXPECT_EQ(rows.front(), "System default device");
    EXPECT_EQ(rows.back(), "{0.0.0.00000000}.{unplugged} (not connected)");
    EXPECT_EQ(SendMessageW(devices, CB_GETCURSEL, 0, 0), static_cast<LRESULT>(rows.size() - 1));
    SendMessageW(devices, CB_SETCURSEL, 0, 0);
    cor_test::command(GetParent(devices), id::output_choice, CBN_SELCHANGE);
    EXPECT_EQ(host.player().output_device(), "");
    host.player().set_output_device("{0.0.0.00000000}.{kept}");

    cor::host_config_store store(folder.path("corvina500.cfgstore"), [](std::string_view) {});
    // What the library knows of its files is kept beside the store: the
    // next start reads none of them again.
    const std::string cache = folder.path("corvina500.library");
    host.player().set_library_cache(cache);
    host.player().save(store);
    cor::manual_clock clock;
    cor::player_core next([](std::string_view) {}, &clock);
    next.set_library_cache(cache);
    next.load(store);
    EXPECT_EQ(next.library_folders(), strings{b});
    next.wait_library_scan();
    EXPECT_EQ(next.library().get_count(), 1u);
    EXPECT_EQ(next.library_status().counts.read, 0u);
    EXPECT_EQ(next.library_status().counts.kept, 1u);
    // Nothing changed: nothing is written (the file taken away stays away).
    std::filesystem::remove(std::filesystem::path(cor::to_wide(cache)));
    next.save(store);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(cor::to_wide(cache))));
    // A damaged cache is said so, and every file is read again.
    ASSERT_TRUE(cor_test::write_bytes(std::filesystem::path(cor::to_wide(cache)), "CORL\x01"));
    std::vector<std::string> lines;
    cor::player_core third([&](std::string_view line) { lines.emplace_back(line); }, &clock);
    third.set_library_cache(cache);
    third.load(store);
    third.wait_library_scan();
    EXPECT_EQ(third.library_status().counts.read, 1u);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "corvina500: the library cache is damaged; every file is read again");
    EXPECT_FLOAT_EQ(next.playback().volume_step(), 3.0f);
    EXPECT_EQ(next.output_device(), "{0.0.0.00000000}.{kept}");
}

// A key chosen in the key box and a command in the list make a shortcut;
// Remove and Reset all; the table survives a save and a fresh start, and a
// damaged table or window place is reported.
TEST_F(PreferencesWindow, ShortcutsAreEditedOnTheirPageAndKept) {
    HWND page = show("Keyboard shortcuts");
    ASSERT_TRUE(page);
    HWND list = GetDlgItem(page, id::shortcuts), combo = GetDlgItem(page, id::shortcut_command),
         key = GetDlgItem(page, id::shortcut_key);
    const auto& table = commands.shortcuts();
    constexpr UINT chosen = LVIS_SELECTED | LVIS_FOCUSED;
    const size_t n = table.bindings().size();
    SendMessageW(combo, CB_SETCURSEL,
                 SendMessageW(combo, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(L"File/New playlist")),
                 0);
    SendMessageW(key, HKM_SETHOTKEY, MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_SHIFT), 0);
    click(page, id::shortcut_assign);
    ASSERT_EQ(ListView_GetItemCount(list), static_cast<int>(n + 1));
    EXPECT_EQ(cor_test::cell_text(list, static_cast<int>(n), 0), "Ctrl+Shift+K");
    EXPECT_EQ(cor_test::cell_text(list, static_cast<int>(n), 1), "File/New playlist");
    // Remove takes the chosen row (Ctrl+O, File/Open...) and its key away.
    ListView_SetItemState(list, 0, chosen, chosen);
    click(page, id::shortcut_remove);
    EXPECT_EQ(ListView_GetItemCount(list), static_cast<int>(n));
    EXPECT_FALSE(table.find('O', cor::key_mods::ctrl));

    // Saved, then read by a fresh player's commands.
    cor::host_config_store store(folder.path("corvina500.cfgstore"), [](std::string_view) {});
    commands.save(store);
    std::vector<std::string> lines;
    const auto read_back = [&] {
        auto next = std::make_unique<cor::host_commands>(host.player(), "C:\\profile",
                                                         std::make_unique<folder_picker>());
        next->load(store, [&](std::string_view line) { lines.emplace_back(line); });
        return next;
    };
    EXPECT_EQ(read_back()->shortcuts().bindings(), table.bindings());
    EXPECT_TRUE(lines.empty());
    // Reset all brings back the table a new profile has.
    click(page, id::shortcut_reset);
    EXPECT_EQ(table.bindings(), cor::shortcut_table::defaults());
    EXPECT_EQ(ListView_GetItemCount(list), static_cast<int>(table.bindings().size()));

    store.set_raw(cor::guid_of("B3D6E2A8-1F47-4C9B-8E05-2A7C9D1F6E33"), "112 0 Help");
    store.set_raw(cor::guid_of("C81F5B3E-6A29-4D07-9F1C-4E8B2D7A0C56"), "40 50 7 5");
    auto damaged = read_back();
    EXPECT_EQ(lines,
              (strings{"corvina500: the saved keyboard shortcuts are damaged; using the defaults",
                       "corvina500: ignored a bad Preferences window position \"40 50 7 5\""}));
    EXPECT_EQ(damaged->shortcuts().bindings(), cor::shortcut_table::defaults());
    EXPECT_EQ(damaged->preferences().placement(), "");
}

// The player's own windows, and the palette, laid out in 96-DPI pixels at
// the DPI they open on, and again when a move changes it: letters sized for
// it, the Preferences window's size kept in 96-DPI pixels.
TEST_F(PreferencesWindow, OwnWindowsLayOutForTheirDpiAndFollowAChange) {
    LOGFONTW stock{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock);
    // A child's rectangle in its parent.
    const auto rect_in = [](HWND child) {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    const auto width = [&](HWND child) { return rect_in(child).right - rect_in(child).left; };
    const auto expect_laid_out = [&](HWND prefs, HWND props, HWND palette, int dpi,
                                     const char* when) {
        const auto px = [dpi](int v) { return cor::scale_px(v, dpi); };
        SCOPED_TRACE(std::string(when) + " at " + std::to_string(dpi) + " DPI");
        HWND tree = GetDlgItem(prefs, id::tree), close = GetDlgItem(prefs, id::close);
        EXPECT_EQ(rect_in(tree).left, px(8));
        EXPECT_EQ(width(tree), px(200));
        EXPECT_EQ(width(close), px(90));
        EXPECT_EQ(rect_in(close).bottom - rect_in(close).top, px(26));
        EXPECT_EQ(width(GetDlgItem(show("Playback"), id::volume_step)), px(140));
        EXPECT_EQ(rect_in(GetWindow(props, GW_CHILD)).left, px(8));
        EXPECT_EQ(width(GetDlgItem(palette, vesk::palette_id::run)), px(80));
        LOGFONTW lf{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(tree, WM_GETFONT, 0, 0)), sizeof lf, &lf);
        EXPECT_EQ(lf.lfHeight, MulDiv(stock.lfHeight, dpi, 96));
        // The size kept is the window's in 96-DPI pixels, whatever the DPI.
        RECT outer{};
        GetWindowRect(prefs, &outer);
        long x, y, w, h;
        ASSERT_EQ(std::sscanf(commands.preferences().placement().c_str(), "%ld %ld %ld %ld", &x, &y,
                              &w, &h),
                  4);
        EXPECT_NEAR(w, MulDiv(outer.right - outer.left, 96, dpi), 1);
    };
    cor::t_track_info track;
    track.path = "C:\\music\\one.flac";
    for (const int dpi : {96, 144, 192}) {
        cor::set_window_dpi_override(dpi);
        vesk::set_dpi_override(dpi);
        HWND prefs = open();
        HWND props = static_cast<HWND>(cor::show_properties_window(track));
        HWND palette = vesk::open_palette();
        ASSERT_TRUE(prefs && props && palette);
        RECT outer{};
        GetWindowRect(prefs, &outer);
        EXPECT_EQ(outer.right - outer.left, cor::scale_px(dpi == 96 ? 780 : 600, dpi));
        expect_laid_out(prefs, props, palette, dpi, "opened");

        // Moved to a monitor of the other scale: the suggested place taken.
        const int next = dpi == 192 ? 96 : 192;
        cor::set_window_dpi_override(next);
        vesk::set_dpi_override(next);
        for (HWND wnd : {prefs, props, palette}) {
            RECT suggested{40, 30, 40 + cor::scale_px(600, next), 30 + cor::scale_px(400, next)};
            SendMessageW(wnd, WM_DPICHANGED, MAKEWPARAM(next, next),
                         reinterpret_cast<LPARAM>(&suggested));
            RECT now{};
            GetWindowRect(wnd, &now);
            EXPECT_EQ(now.left, 40);
            EXPECT_EQ(now.right - now.left, cor::scale_px(600, next));
        }
        expect_laid_out(prefs, props, palette, next, "moved");
        DestroyWindow(props);
        vesk::destroy_palette();
        commands.preferences().close();
    }
    cor::set_window_dpi_override(0);
    vesk::set_dpi_override(0);
}

}  // namespace
