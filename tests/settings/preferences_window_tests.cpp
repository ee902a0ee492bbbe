// The player's Preferences window driven by messages, with the component
// loaded in-process so its page sits in the tree as it does in the player.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/host_commands.h"
#include "app/preferences_window.h"
#include "config/config_dialog.h"
#include "config/config_pages.h"
#include "config/test_folder.h"
#include "corvina500/config/config_store.h"
#include "corvina500/player/audio_sink.h"
#include "e2e/wav_file.h"
#include "guid_text.h"
#include "host/service_factory.h"
#include "support/component_host.h"
#include "utf8.h"

namespace {

namespace id = cor::preferences_id;

struct folder_picker final : cor::host_dialogs {
    std::string folder;
    std::vector<std::string> open_files(const char*, bool, bool) override { return {}; }
    std::string save_playlist_file(const char*) override { return {}; }
    std::string choose_folder(const char*) override { return folder; }
    void message(const char*, const std::string&) override {}
    void reveal(const std::string&) override {}
};

std::string text_of(HWND wnd, HTREEITEM item = nullptr) {
    wchar_t buf[512] = L"";
    if (!item) {
        GetWindowTextW(wnd, buf, 512);
    } else {
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = buf;
        tv.cchTextMax = 512;
        SendMessageW(wnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    }
    return cor::to_utf8(buf);
}

// A mono WAV of one second.
void write_wav(const std::filesystem::path& path) {
    ASSERT_TRUE(cor_test::write_file(path.wstring(), cor_test::make_wav({8000, 1, 16, 1.0, {}})));
}

void click(HWND page, int control) {
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, control)));
}

class PreferencesWindow : public ::testing::Test {
protected:
    cor_test::component_host host;
    folder_picker* dialogs = new folder_picker;
    cor::host_commands commands{host.player(), "C:\\profile",
                                std::unique_ptr<cor::host_dialogs>(dialogs)};
    cor::test::test_folder folder;

    void SetUp() override {
        for (auto* f : vesk::host::factory_list())
            if (f->get_class_guid() == cor::preferences_page::class_guid)
                commands.preferences().add_page(cor::service_ptr_t<cor::preferences_page>::adopt(
                    static_cast<cor::preferences_page*>(f->create_instance())));
        ASSERT_TRUE(host.start_ui());
    }
    void TearDown() override { commands.preferences().close(); }

    HWND open() {
        EXPECT_TRUE(commands.execute(cor::mainmenu_manager::command_preferences));
        return static_cast<HWND>(commands.preferences().handle());
    }
    HWND tree() { return GetDlgItem(open(), id::tree); }
    // Every page of the tree, depth first, as "name" indented by its depth.
    std::vector<std::pair<std::string, HTREEITEM>> pages() {
        std::vector<std::pair<std::string, HTREEITEM>> out;
        HWND t = tree();
        const auto walk = [&](auto&& self, HTREEITEM item, const std::string& indent) -> void {
            for (; item; item = TreeView_GetNextSibling(t, item)) {
                out.emplace_back(indent + text_of(t, item), item);
                self(self, TreeView_GetChild(t, item), indent + "  ");
            }
        };
        walk(walk, TreeView_GetRoot(t), "");
        return out;
    }
    HWND show(const std::string& name) {
        for (const auto& [text, item] : pages())
            if (text.substr(text.find_first_not_of(' ')) == name) {
                TreeView_SelectItem(tree(), item);
                return static_cast<HWND>(commands.preferences().page_handle());
            }
        ADD_FAILURE() << "no page " << name;
        return nullptr;
    }
};

// The Host's pages, the component's page under Display, and each page's
// own controls at the right once chosen; closing takes the page down.
TEST_F(PreferencesWindow, TreeListsEveryPageAndShowsTheChosenOne) {
    std::vector<std::string> names;
    for (const auto& p : pages()) names.push_back(p.first);
    EXPECT_EQ(names,
              (std::vector<std::string>{"Playback", "Playlists and library", "Keyboard shortcuts",
                                        "Display", "  Vesk User Interface"}));
    EXPECT_EQ(text_of(open()), "Preferences");

    const struct {
        const char* page;
        int control;
    } cases[] = {
        {"Playback", id::volume_step},         {"Playlists and library", id::folders},
        {"Keyboard shortcuts", id::shortcuts}, {"Vesk User Interface", vesk::config_id::tab},
        {"Display", id::display_text},
    };
    for (const auto& c : cases) {
        HWND page = show(c.page);
        ASSERT_TRUE(page) << c.page;
        EXPECT_EQ(GetParent(page), open()) << c.page;
        EXPECT_TRUE(IsWindowVisible(page)) << c.page;
        EXPECT_TRUE(GetDlgItem(page, c.control)) << c.page;
        // Only the component's page is its own dialog, and it goes when another is chosen.
        EXPECT_EQ(vesk::preferences_page_open(), c.control == vesk::config_id::tab) << c.page;
    }
    HWND list = GetDlgItem(show("Keyboard shortcuts"), id::shortcuts);
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0),
              static_cast<LRESULT>(commands.shortcuts().bindings().size()));
    wchar_t buf[128] = L"";
    ListView_GetItemText(list, 0, 0, buf, 128);
    EXPECT_EQ(cor::to_utf8(buf), "Ctrl+O");
    ListView_GetItemText(list, 0, 1, buf, 128);
    EXPECT_EQ(cor::to_utf8(buf), "File/Open...");

    EXPECT_TRUE(show("Vesk User Interface"));
    EXPECT_TRUE(vesk::preferences_page_open());
    SendMessageW(open(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(commands.preferences().handle());
    EXPECT_FALSE(vesk::preferences_page_open());
    // Reopened, it shows the page chosen last; detaching the component closes it.
    open();
    EXPECT_TRUE(vesk::preferences_page_open());
    commands.detach_components();
    EXPECT_FALSE(commands.preferences().handle());
    EXPECT_FALSE(vesk::preferences_page_open());
}

TEST_F(PreferencesWindow, ASecondOpenBringsTheFirstForward) {
    HWND first = open();
    ASSERT_TRUE(first);
    EXPECT_EQ(open(), first);
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM n) {
            wchar_t cls[64] = L"";
            GetClassNameW(w, cls, 64);
            if (std::wstring_view(cls) == cor::preferences_class_name) ++*reinterpret_cast<int*>(n);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    EXPECT_EQ(count, 1);
}

// The folders and the volume step reach the player at once and the store
// at its save; the next start reads them back.
TEST_F(PreferencesWindow, LibraryFoldersAndVolumeStepPersist) {
    HWND page = show("Playlists and library");
    const std::string a = folder.path("a"), b = folder.path("b");
    std::filesystem::create_directory(folder.file("a"));
    std::filesystem::create_directory(folder.file("b"));
    write_wav(folder.file("a") / "one.wav");
    auto& library = host.player().library();
    for (const auto& chosen : {a, b, a, std::string()}) {  // again, then cancelled
        dialogs->folder = chosen;
        click(page, id::folder_add);
    }
    const std::vector<std::string> both{a, b};
    EXPECT_EQ(host.player().library_folders(), both);
    EXPECT_EQ(SendDlgItemMessageW(page, id::folders, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(library.get_count(), 1u);
    click(page, id::folder_remove);  // nothing selected: nothing removed
    EXPECT_EQ(host.player().library_folders(), both);
    SendDlgItemMessageW(page, id::folders, LB_SETCURSEL, 0, 0);
    click(page, id::folder_remove);
    EXPECT_EQ(host.player().library_folders(), std::vector<std::string>{b});
    EXPECT_EQ(SendDlgItemMessageW(page, id::folders, LB_GETCOUNT, 0, 0), 1);
    // The removed folder's tracks leave the library; Rescan finds new ones.
    EXPECT_EQ(library.get_count(), 0u);
    write_wav(folder.file("b") / "two.wav");
    click(page, id::rescan);
    EXPECT_EQ(library.get_count(), 1u);

    // Each step the list offers is what Volume up and down then move by.
    HWND playback = show("Playback");
    HWND combo = GetDlgItem(playback, id::volume_step);
    EXPECT_EQ(text_of(GetDlgItem(playback, id::output_device)), host.player().output_name());
    auto& engine = host.player().playback();
    const struct {
        int index;
        float step;
    } steps[] = {{0, 0.5f}, {2, 2.0f}, {4, 5.0f}, {3, 3.0f}};
    for (const auto& s : steps) {
        SendMessageW(combo, CB_SETCURSEL, s.index, 0);
        SendMessageW(playback, WM_COMMAND, MAKEWPARAM(id::volume_step, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
        engine.set_volume(-20.0f);
        engine.volume_up();
        EXPECT_FLOAT_EQ(engine.get_volume(), -20.0f + s.step) << s.index;
        engine.volume_down();
        engine.volume_down();
        EXPECT_FLOAT_EQ(engine.get_volume(), -20.0f - s.step) << s.index;
    }

    // The device list: the default, the system's devices, and a chosen one
    // that is gone, kept until another is chosen.
    const auto device_rows = [&] {
        show("Display");  // so the page is made again
        HWND devices = GetDlgItem(show("Playback"), id::output_choice);
        std::vector<std::string> rows;
        for (int i = 0; i < SendMessageW(devices, CB_GETCOUNT, 0, 0); ++i) {
            wchar_t buf[256] = L"";
            SendMessageW(devices, CB_GETLBTEXT, i, LPARAM(buf));
            rows.push_back(cor::to_utf8(buf));
        }
        return std::make_pair(rows, SendMessageW(devices, CB_GETCURSEL, 0, 0));
    };
    const size_t system_devices = cor::list_output_devices().size();
    auto [rows, chosen] = device_rows();
    ASSERT_EQ(rows.size(), 1 + system_devices);
    EXPECT_EQ(rows.front(), "System default device");
    EXPECT_EQ(chosen, 0);
    host.player().set_output_device("{0.0.0.00000000}.{unplugged}");
    std::tie(rows, chosen) = device_rows();
    ASSERT_EQ(rows.size(), 2 + system_devices);
    EXPECT_EQ(rows.back(), "{0.0.0.00000000}.{unplugged} (not connected)");
    EXPECT_EQ(chosen, static_cast<LRESULT>(rows.size() - 1));
    HWND devices = GetDlgItem(show("Playback"), id::output_choice);
    SendMessageW(devices, CB_SETCURSEL, 0, 0);
    SendMessageW(GetParent(devices), WM_COMMAND, MAKEWPARAM(id::output_choice, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(devices));
    EXPECT_EQ(host.player().output_device(), "");
    host.player().set_output_device("{0.0.0.00000000}.{kept}");

    const std::string file = folder.path("corvina500.cfgstore");
    {
        cor::host_config_store store(file, [](std::string_view) {});
        host.player().save(store);
        ASSERT_TRUE(store.save());
    }
    cor::host_config_store store(file, [](std::string_view) {});
    ASSERT_TRUE(store.load());
    cor::manual_clock clock;
    cor::player_core next([](std::string_view) {}, &clock);
    next.load(store);
    EXPECT_EQ(next.library_folders(), std::vector<std::string>{b});
    EXPECT_FLOAT_EQ(next.playback().volume_step(), 3.0f);
    EXPECT_EQ(next.output_device(), "{0.0.0.00000000}.{kept}");
}

}  // namespace

namespace {

std::string row_text(HWND list, int row, int column) {
    wchar_t buf[256] = L"";
    ListView_GetItemText(list, row, column, buf, 256);
    return cor::to_utf8(buf);
}

// A key chosen in the key box and a command in the list make a shortcut
// that runs at once; Remove and Reset all; the table and the window's
// place survive a save and a fresh start, and damaged values are reported.
TEST_F(PreferencesWindow, ShortcutsAreEditedOnTheirPageAndKeptWithThePlace) {
    HWND page = show("Keyboard shortcuts");
    ASSERT_TRUE(page);
    HWND list = GetDlgItem(page, id::shortcuts), combo = GetDlgItem(page, id::shortcut_command),
         key = GetDlgItem(page, id::shortcut_key);
    const auto& table = commands.shortcuts();
    const auto choose_row = [&](int row) {
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
    };
    const auto choose_command = [&](const wchar_t* path) {
        SendMessageW(combo, CB_SETCURSEL,
                     SendMessageW(combo, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(path)), 0);
    };
    const auto combo_text = [&] {
        wchar_t buf[256] = L"";
        SendMessageW(combo, CB_GETLBTEXT, SendMessageW(combo, CB_GETCURSEL, 0, 0), LPARAM(buf));
        return cor::to_utf8(buf);
    };
    BYTE keys[256] = {};
    const auto press = [&](UINT vk, BYTE ctrl, BYTE shift) {
        keys[VK_CONTROL] = ctrl;
        keys[VK_SHIFT] = shift;
        SetKeyboardState(keys);
        const bool ran = commands.process_keydown(vk);
        keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
        return ran;
    };
    // The command list offers every command; choosing a row shows its binding.
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0),
              static_cast<LRESULT>(commands.menus().mainmenu().size()));
    choose_row(9);
    EXPECT_EQ(combo_text(), table.bindings()[9].path);
    EXPECT_EQ(SendMessageW(key, HKM_GETHOTKEY, 0, 0), table.bindings()[9].key);

    auto& pm = host.player().playlists();
    const size_t playlists = pm.get_playlist_count();
    const size_t n = table.bindings().size();
    choose_command(L"File/New playlist");
    SendMessageW(key, HKM_SETHOTKEY, MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_SHIFT), 0);
    click(page, id::shortcut_assign);
    ASSERT_EQ(ListView_GetItemCount(list), static_cast<int>(n + 1));
    EXPECT_EQ(row_text(list, static_cast<int>(n), 0), "Ctrl+Shift+K");
    EXPECT_EQ(row_text(list, static_cast<int>(n), 1), "File/New playlist");
    EXPECT_FALSE(press('K', 0x80, 0));
    EXPECT_TRUE(press('K', 0x80, 0x80));
    EXPECT_EQ(pm.get_playlist_count(), playlists + 1);
    // Ctrl+O given to another command keeps its row; a bare Shift is no key.
    choose_command(L"File/New playlist");
    SendMessageW(key, HKM_SETHOTKEY, MAKEWORD('O', HOTKEYF_CONTROL), 0);
    click(page, id::shortcut_assign);
    SendMessageW(key, HKM_SETHOTKEY, MAKEWORD(0, HOTKEYF_SHIFT), 0);
    click(page, id::shortcut_assign);
    EXPECT_EQ(ListView_GetItemCount(list), static_cast<int>(n + 1));
    EXPECT_EQ(row_text(list, 0, 1), "File/New playlist");
    EXPECT_TRUE(press('O', 0x80, 0));
    EXPECT_EQ(pm.get_playlist_count(), playlists + 2);
    // Remove takes the chosen row and its key away.
    choose_row(0);
    click(page, id::shortcut_remove);
    EXPECT_EQ(ListView_GetItemCount(list), static_cast<int>(n));
    EXPECT_FALSE(press('O', 0x80, 0));
    EXPECT_EQ(row_text(list, 0, 0), "Ctrl+U");

    // Saved, then read by a fresh player's commands.
    SetWindowPos(open(), nullptr, 40, 50, 700, 500, SWP_NOZORDER | SWP_NOACTIVATE);
    const std::string file = folder.path("corvina500.cfgstore");
    {
        cor::host_config_store store(file, [](std::string_view) {});
        commands.save(store);
        ASSERT_TRUE(store.save());
    }
    const auto read_back = [&](const std::string& path, std::vector<std::string>& lines) {
        cor::host_config_store store(path, [](std::string_view) {});
        EXPECT_TRUE(store.load());
        auto next = std::make_unique<cor::host_commands>(host.player(), "C:\\profile",
                                                         std::make_unique<folder_picker>());
        next->load(store, [&](std::string_view line) { lines.emplace_back(line); });
        return next;
    };
    std::vector<std::string> lines;
    {
        auto next = read_back(file, lines);
        EXPECT_TRUE(lines.empty());
        EXPECT_EQ(next->shortcuts().bindings(), table.bindings());
        HWND reopened = static_cast<HWND>(next->preferences().open());
        RECT r;
        GetWindowRect(reopened, &r);
        EXPECT_EQ((std::vector<long>{r.left, r.top, r.right - r.left, r.bottom - r.top}),
                  (std::vector<long>{40, 50, 700, 500}));
        next->preferences().close();
    }
    // Reset all brings back the table a new profile has.
    click(page, id::shortcut_reset);
    EXPECT_EQ(table.bindings(), cor::shortcut_table::defaults());
    EXPECT_EQ(ListView_GetItemCount(list), static_cast<int>(table.bindings().size()));

    {
        cor::host_config_store store(file, [](std::string_view) {});
        ASSERT_TRUE(store.load());
        store.set_raw(cor::guid_of("B3D6E2A8-1F47-4C9B-8E05-2A7C9D1F6E33"), "112 0 Help");
        store.set_raw(cor::guid_of("C81F5B3E-6A29-4D07-9F1C-4E8B2D7A0C56"), "40 50 7 5");
        ASSERT_TRUE(store.save());
    }
    auto damaged = read_back(file, lines);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "corvina500: the saved keyboard shortcuts are damaged; using the defaults",
                         "corvina500: ignored a bad Preferences window position \"40 50 7 5\""}));
    EXPECT_EQ(damaged->shortcuts().bindings(), cor::shortcut_table::defaults());
    EXPECT_EQ(damaged->preferences().placement(), "");
}

}  // namespace
