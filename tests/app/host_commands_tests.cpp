// The Host's menus as the player and components reach them: one tree of
// groups and commands with stable identities and paths, commands that act
// on the player, the context menu on tracks, and the keyboard shortcuts.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "app/host_commands.h"
#include "app/properties_window.h"
#include "corvina500/player/player_core.h"
#include "e2e/wav_file.h"
#include "utf8.h"

namespace {

// Answers the commands' questions as a user would have, and remembers
// what they showed.
struct scripted_dialogs final : cor::host_dialogs {
    std::vector<std::string> files;
    std::string folder, save_path;
    std::vector<std::string> messages, revealed;
    std::vector<std::string> open_files(const char*, bool, bool) override { return files; }
    std::string save_playlist_file(const char*) override { return save_path; }
    std::string choose_folder(const char*) override { return folder; }
    void message(const char* title, const std::string& text) override {
        messages.push_back(std::string(title) + ": " + text);
    }
    void reveal(const std::string& path) override { revealed.push_back(path); }
};

bool quit_posted() {
    MSG msg;
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

std::string temp_folder() {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    static int n = 0;
    std::wstring path = std::wstring(tmp) + L"cor_menus_" + std::to_wstring(GetCurrentProcessId()) +
                        L"_" + std::to_wstring(++n);
    CreateDirectoryW(path.c_str(), nullptr);
    return std::string(path.begin(), path.end());
}

// A mono WAV of one second.
void write_wav(const std::string& path) {
    ASSERT_TRUE(
        cor_test::write_file(cor::to_wide(path), cor_test::make_wav({8000, 1, 16, 1.0, {}})));
}

class HostMenus : public ::testing::Test {
protected:
    cor::manual_clock clock;
    cor::player_core core{[](std::string_view) {}, &clock};
    scripted_dialogs* dialogs = new scripted_dialogs;
    cor::host_commands commands{core, "C:\\profile", std::unique_ptr<cor::host_dialogs>(dialogs)};

    std::vector<std::string> paths() {
        std::vector<std::string> out;
        for (const auto& e : commands.menus().mainmenu()) out.push_back(e.path);
        return out;
    }
    const cor::t_mainmenu_entry* entry(std::string_view path) {
        static std::vector<cor::t_mainmenu_entry> all;
        all = commands.menus().mainmenu();
        for (const auto& e : all)
            if (e.path == path) return &e;
        return nullptr;
    }
    bool run(std::string_view path) {
        const auto* e = entry(path);
        return e && commands.execute(e->id);
    }
    // A playlist "x" of tracks titled t[0], t[1], ..., active.
    size_t playlist(std::vector<std::string> titles) {
        auto& pm = core.playlists();
        const size_t pl = pm.create_playlist("x", 1, cor::no_index);
        EXPECT_TRUE(pm.set_active_playlist(pl));
        std::vector<cor::metadb_handle*> items;
        std::vector<cor::track_ptr> keep;
        for (const auto& t : titles) {
            cor::t_track_info info;
            info.path = "C:\\m\\" + t + ".flac";
            info.sample_rate = 1000;
            info.length_samples = 10000;
            info.add_meta("title", t);
            info.add_meta("artist", "A");
            info.set_info("codec", "FLAC");
            keep.push_back(core.tracks().put(info));
            items.push_back(keep.back().get());
        }
        pm.playlist_insert_items(pl, 0, items.data(), items.size(), nullptr);
        return pl;
    }
    std::string titles(size_t pl) {
        std::string out;
        for (size_t i = 0; i < core.playlists().playlist_get_item_count(pl); ++i) {
            cor::metadb_handle* h = nullptr;
            if (!core.playlists().playlist_get_item_handle(pl, i, &h)) continue;
            out += core.tracks().adopt(h)->info().find_meta("title")->values[0];
            h->service_release();
        }
        return out;
    }
};

TEST_F(HostMenus, TreeHasGroupsInOrderWithStableDistinctIdentities) {
    const auto all = paths();
    // Top-level groups in menu order; View has no command of the Host's own.
    std::vector<std::string> tops;
    for (const auto& p : all) {
        const std::string top = p.substr(0, p.find('/'));
        if (tops.empty() || tops.back() != top) tops.push_back(top);
    }
    EXPECT_EQ(tops, (std::vector<std::string>{"File", "Edit", "Playback", "Library", "Help"}));
    for (const char* expected : {"File/Open...",
                                 "File/Add files...",
                                 "File/Add folder...",
                                 "File/New playlist",
                                 "File/Load playlist...",
                                 "File/Save playlist...",
                                 "File/Preferences",
                                 "File/Exit",
                                 "Edit/Select all",
                                 "Edit/Remove",
                                 "Edit/Crop",
                                 "Edit/Sort/By title",
                                 "Edit/Clear",
                                 "Playback/Play",
                                 "Playback/Pause",
                                 "Playback/Stop",
                                 "Playback/Previous",
                                 "Playback/Next",
                                 "Playback/Random",
                                 "Playback/Order/Shuffle (albums)",
                                 "Playback/Volume up",
                                 "Playback/Volume down",
                                 "Library/Add folder to library...",
                                 "Library/Rescan",
                                 "Help/About"})
        EXPECT_NE(std::find(all.begin(), all.end(), expected), all.end()) << expected;
    // Exit closes the File group; the orders follow the transport commands.
    EXPECT_EQ(all[8], "File/Exit");
    EXPECT_LT(std::find(all.begin(), all.end(), "Playback/Random"),
              std::find(all.begin(), all.end(), "Playback/Order/Default"));

    cor::manual_clock clock2;
    cor::player_core core2([](std::string_view) {}, &clock2);
    cor::host_commands again(core2);
    const auto first = commands.menus().mainmenu(), second = again.menus().mainmenu();
    ASSERT_EQ(first.size(), second.size());
    std::set<cor::guid> ids;
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_TRUE(first[i].id == second[i].id) << first[i].path;
        ids.insert(first[i].id);
    }
    EXPECT_EQ(ids.size(), first.size());
}

TEST_F(HostMenus, CommandsActOnThePlayer) {
    auto& pm = core.playlists();
    const size_t pl = playlist({"c", "a", "b"});
    struct t_case {
        const char* path;
        std::string after;  // titles of the active playlist
    };
    const t_case cases[] = {
        {"Edit/Sort/By title", "abc"},
        {"Edit/Sort/Reverse", "cba"},
        {"Edit/Select all", "cba"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(run(c.path)) << c.path;
        EXPECT_EQ(titles(pl), c.after) << c.path;
    }
    EXPECT_TRUE(pm.playlist_is_item_selected(pl, 2));
    ASSERT_TRUE(pm.playlist_set_selection_single(pl, 0, false));
    ASSERT_TRUE(run("Edit/Crop"));
    EXPECT_EQ(titles(pl), "ba");
    ASSERT_TRUE(pm.playlist_set_selection_single(pl, 0, false));
    ASSERT_TRUE(run("Edit/Remove"));
    EXPECT_EQ(titles(pl), "b");

    // Transport, with its checked state.
    ASSERT_TRUE(run("Playback/Play"));
    EXPECT_TRUE(core.playback().is_playing());
    EXPECT_EQ(entry("Playback/Pause")->flags, 0u);
    ASSERT_TRUE(run("Playback/Pause"));
    EXPECT_EQ(entry("Playback/Pause")->flags, cor::mainmenu_commands::flag_checked);
    ASSERT_TRUE(run("Playback/Stop"));
    EXPECT_FALSE(core.playback().is_playing());
    const float before = core.playback().get_volume();
    ASSERT_TRUE(run("Playback/Volume down"));
    EXPECT_LT(core.playback().get_volume(), before);
    ASSERT_TRUE(run("Playback/Mute"));
    EXPECT_EQ(entry("Playback/Mute")->flags, cor::mainmenu_commands::flag_checked);
    ASSERT_TRUE(run("Playback/Order/Shuffle (albums)"));
    EXPECT_EQ(pm.playback_order_get_active(), cor::playlist_manager::order_shuffle_albums);
    EXPECT_EQ(entry("Playback/Order/Shuffle (albums)")->flags,
              cor::mainmenu_commands::flag_checked);

    // Playlists and files through the dialogs.
    const std::string folder = temp_folder();
    write_wav(folder + "\\one.wav");
    write_wav(folder + "\\two.wav");
    dialogs->save_path = folder + "\\saved.m3u8";
    ASSERT_TRUE(run("File/Save playlist..."));
    std::stringstream saved;
    saved << std::ifstream(dialogs->save_path).rdbuf();
    EXPECT_NE(saved.str().find("C:\\m\\b.flac"), std::string::npos);
    ASSERT_TRUE(run("File/New playlist"));
    ASSERT_TRUE(run("File/New playlist"));
    cor::string_out name;
    ASSERT_TRUE(pm.playlist_get_name(pm.get_active_playlist(), name));
    EXPECT_EQ(name.text, "New playlist (2)");
    dialogs->folder = folder;
    ASSERT_TRUE(run("File/Add folder..."));
    EXPECT_EQ(pm.playlist_get_item_count(pm.get_active_playlist()), 2u);
    ASSERT_TRUE(run("Edit/Clear"));
    EXPECT_EQ(pm.playlist_get_item_count(pm.get_active_playlist()), 0u);
    dialogs->files = {folder + "\\two.wav"};
    ASSERT_TRUE(run("File/Open..."));
    EXPECT_EQ(pm.playlist_get_item_count(pm.get_active_playlist()), 1u);
    EXPECT_TRUE(core.playback().is_playing());

    // The library: Rescan waits for a folder.
    EXPECT_EQ(entry("Library/Rescan")->flags, cor::mainmenu_commands::flag_disabled);
    EXPECT_FALSE(run("Library/Rescan"));
    ASSERT_TRUE(run("Library/Add folder to library..."));
    EXPECT_EQ(core.library().get_count(), 2u);
    EXPECT_EQ(entry("Library/Rescan")->flags, 0u);

    ASSERT_TRUE(run("Help/About"));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_NE(dialogs->messages[0].find("Components: none"), std::string::npos);

    // Exit and Restart end the loop; only Restart asks for a new run.
    ASSERT_TRUE(commands.execute(cor::mainmenu_manager::command_exit));
    EXPECT_TRUE(quit_posted());
    EXPECT_FALSE(commands.restart_requested());
    ASSERT_TRUE(run("File/Restart"));
    EXPECT_TRUE(quit_posted());
    EXPECT_TRUE(commands.restart_requested());
    EXPECT_FALSE(commands.execute(cor::guid{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}}));
}

// A component's group and commands, as a component offers them.
struct test_group : cor::mainmenu_group {
    cor::guid id, parent;
    uint32_t priority;
    std::string name;
    test_group(cor::guid i, cor::guid p, uint32_t pr, std::string n)
        : id(i), parent(p), priority(pr), name(std::move(n)) {}
    cor::guid get_guid() override { return id; }
    cor::guid get_parent() override { return parent; }
    uint32_t get_sort_priority() override { return priority; }
    void get_display_name(cor::string_sink& out) override { out.write(name.data(), name.size()); }
};
struct test_commands : cor::mainmenu_commands {
    cor::guid parent;
    uint32_t priority;
    std::vector<std::string> names;
    std::vector<std::string>* ran;
    test_commands(cor::guid p, uint32_t pr, std::vector<std::string> n, std::vector<std::string>* r)
        : parent(p), priority(pr), names(std::move(n)), ran(r) {}
    cor::guid get_parent() override { return parent; }
    uint32_t get_sort_priority() override { return priority; }
    uint32_t get_command_count() override { return static_cast<uint32_t>(names.size()); }
    cor::guid get_command(uint32_t i) override {
        return {0xabc, 0, 0, {0, 0, 0, 0, 0, 0, 1, uint8_t(names[i][0])}};
    }
    void get_name(uint32_t i, cor::string_sink& out) override {
        out.write(names[i].data(), names[i].size());
    }
    uint32_t get_flags(uint32_t) override { return 0; }
    void execute(uint32_t i) override { ran->push_back(names[i]); }
};

TEST_F(HostMenus, ComponentsJoinTheTreeAndRunByPathOrName) {
    const cor::guid mine{0xabc, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    const cor::guid loop{0xabc, 0, 0, {0, 0, 0, 0, 0, 0, 0, 2}};
    std::vector<std::string> ran;
    auto& tree = commands.menus();
    const auto before = tree.mark();
    tree.add(cor::make_service<test_group>(mine, cor::mainmenu_groups::view, 10, "Mine"));
    // A group that is its own parent stands at the top level, not in a loop.
    tree.add(cor::make_service<test_group>(loop, loop, 10, "Loop"));
    tree.add(cor::make_service<test_commands>(mine, 20, std::vector<std::string>{"Late"}, &ran));
    tree.add(cor::make_service<test_commands>(mine, 5, std::vector<std::string>{"Early", "Second"},
                                              &ran));
    tree.add(cor::make_service<test_commands>(loop, 5, std::vector<std::string>{"X"}, &ran));
    const auto all = paths();
    const auto view = std::find(all.begin(), all.end(), "View/Mine/Early");
    ASSERT_NE(view, all.end());
    EXPECT_EQ(*(view + 1), "View/Mine/Second");
    EXPECT_EQ(*(view + 2), "View/Mine/Late");
    // View sits between Edit and Playback; the self-parented group after Library.
    EXPECT_EQ((*(view - 1)).rfind("Edit/", 0), 0u);
    EXPECT_EQ(*(view + 3), "Playback/Play");
    EXPECT_NE(std::find(all.begin(), all.end(), "Loop/X"), all.end());
    EXPECT_EQ(all.back(), "Help/About");

    auto service = commands.mainmenu_service();
    cor::guid id{};
    ASSERT_TRUE(service->find_command_by_name("LATE", 4, id));
    EXPECT_TRUE(service->execute_command(id));
    EXPECT_EQ(ran, std::vector<std::string>{"Late"});

    tree.truncate(before);
    const auto after = paths();
    EXPECT_EQ(std::find(after.begin(), after.end(), "View/Mine/Early"), after.end());
}

TEST_F(HostMenus, ContextMenuActsOnTheGivenTracks) {
    auto& pm = core.playlists();
    const size_t pl = playlist({"a", "b", "c"});
    auto menu = commands.contextmenu_service();
    std::vector<std::string> names;
    for (size_t i = 0; i < menu->get_command_count(); ++i) {
        cor::guid id{};
        cor::string_out path;
        ASSERT_TRUE(menu->get_command(i, id, path));
        names.push_back(path.text);
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"Play", "Add to playback queue", "Remove from playlist",
                                        "Open containing folder", "Properties"}));
    auto run = [&](const char* name, std::vector<size_t> items) {
        std::vector<cor::metadb_handle*> tracks;
        for (size_t i : items) {
            cor::metadb_handle* h = nullptr;
            EXPECT_TRUE(pm.playlist_get_item_handle(pl, i, &h));
            tracks.push_back(h);
        }
        cor::guid id{};
        EXPECT_TRUE(menu->find_command_by_name(name, strlen(name), id));
        const bool ok = menu->execute_command(id, tracks.data(), tracks.size());
        for (auto* h : tracks) h->service_release();
        return ok;
    };
    ASSERT_TRUE(run("play", {1}));
    size_t playing = 0;
    ASSERT_TRUE(core.playback().get_playing_item(nullptr, &playing));
    EXPECT_EQ(playing, 1u);

    // Queued in the order given, a track listed once queued where it
    // stands; the queue is flushed from the main menu.
    const auto queued = [&] {
        std::string out;
        for (const auto& at : pm.queue_items()) out += std::to_string(at.item);
        return out;
    };
    EXPECT_EQ(entry("Playback/Flush playback queue")->flags, cor::mainmenu_commands::flag_disabled);
    ASSERT_TRUE(run("Add to playback queue", {2, 0}));
    ASSERT_TRUE(run("Add to playback queue", {2}));
    EXPECT_EQ(queued(), "202");
    core.playback().next();
    EXPECT_EQ(queued(), "02");
    EXPECT_EQ(entry("Playback/Flush playback queue")->flags, 0u);
    ASSERT_TRUE(this->run("Playback/Flush playback queue"));
    EXPECT_EQ(queued(), "");
    EXPECT_FALSE(this->run("Playback/Flush playback queue"));

    ASSERT_TRUE(run("Open containing folder", {2}));
    EXPECT_EQ(dialogs->revealed, std::vector<std::string>{"C:\\m\\c.flac"});
    EXPECT_FALSE(run("Properties", {}));

    ASSERT_TRUE(run("Properties", {0}));
    HWND props = FindWindowW(cor::properties_class_name, L"Properties: a.flac");
    ASSERT_TRUE(props);
    HWND list = GetWindow(props, GW_CHILD);
    std::vector<std::wstring> rows;
    for (LRESULT i = 0, n = SendMessageW(list, LB_GETCOUNT, 0, 0); i < n; ++i) {
        wchar_t buf[512];
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
        rows.emplace_back(buf);
    }
    EXPECT_EQ(rows, (std::vector<std::wstring>{L"title\ta", L"artist\tA", L"path\tC:\\m\\a.flac",
                                               L"length\t0:10", L"codec\tFLAC"}));
    SendMessageW(props, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(props));

    ASSERT_TRUE(run("Remove from playlist", {0, 2}));
    EXPECT_EQ(titles(pl), "b");
}

TEST_F(HostMenus, ShortcutsRunTheirCommands) {
    const size_t pl = playlist({"a"});
    auto keys = commands.shortcut_service();
    BYTE state[256] = {};
    auto press = [&](UINT key, bool ctrl) {
        state[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(state);
        return keys->process_keydown(WM_KEYDOWN, key, 0);
    };
    EXPECT_TRUE(press(VK_SPACE, false));
    EXPECT_TRUE(core.playback().is_playing());
    EXPECT_TRUE(press(VK_MEDIA_STOP, false));
    EXPECT_FALSE(core.playback().is_playing());
    EXPECT_TRUE(press(VK_MEDIA_PLAY_PAUSE, false));
    EXPECT_TRUE(core.playback().is_playing());
    EXPECT_TRUE(press(VK_MEDIA_STOP, false));
    EXPECT_TRUE(press('N', true));
    EXPECT_EQ(core.playlists().get_playlist_count(), 2u);
    EXPECT_TRUE(press('A', true));
    EXPECT_FALSE(press('A', false));
    EXPECT_FALSE(press('Z', true));
    EXPECT_FALSE(keys->process_keydown(WM_CHAR, VK_SPACE, 0));
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
    (void)pl;
    // Every shortcut names a command that exists, and the README lists it.
    const char* data = std::getenv("COR_TEST_DATA");
    ASSERT_TRUE(data);
    std::stringstream readme;
    readme << std::ifstream(std::string(data) + "/../README.md").rdbuf();
    for (const auto& s : cor::shortcut_table::defaults()) {
        EXPECT_TRUE(entry(s.path)) << s.path;
        EXPECT_NE(readme.str().find(std::string("| ") + s.path + " |"), std::string::npos)
            << s.path;
    }
}

}  // namespace

namespace {

// The table the user edits: one command per key, modifier keys alone
// refused, and its stored text read back whole or not at all.
TEST(ShortcutTable, KeepsOneCommandPerKeyAndRejectsDamagedText) {
    using cor::key_mods::ctrl;
    using cor::key_mods::shift;
    cor::shortcut_table table;
    EXPECT_EQ(table.bindings(), cor::shortcut_table::defaults());
    const size_t n = table.bindings().size();
    // Ctrl+O is taken: it now runs the new command, in the same row.
    EXPECT_EQ(table.assign('O', ctrl, "Playback/Stop"), 0);
    EXPECT_EQ(table.find('O', ctrl)->path, "Playback/Stop");
    EXPECT_EQ(table.assign('O', ctrl | shift, "File/Open..."), static_cast<int>(n));
    EXPECT_EQ(table.assign(VK_SHIFT, ctrl, "File/Exit"), -1);
    EXPECT_EQ(table.assign(0, 0, "File/Exit"), -1);
    EXPECT_EQ(table.assign('K', 0, ""), -1);
    EXPECT_EQ(table.bindings().size(), n + 1);
    table.remove(0);
    EXPECT_EQ(table.find('O', ctrl), nullptr);
    table.remove(1000);
    EXPECT_EQ(table.bindings().size(), n);

    cor::shortcut_table read;
    ASSERT_TRUE(read.decode(table.encode()));
    EXPECT_EQ(read.bindings(), table.bindings());
    ASSERT_TRUE(read.decode(""));  // every key cleared is a choice, not damage
    EXPECT_TRUE(read.bindings().empty());
    ASSERT_TRUE(read.decode("112 3 Help/About\n"));
    const char* damaged[] = {
        "112 3 Help/About",                     // cut short
        "0 0 Help/About\n",                     // no key
        "300 0 Help/About\n",                   // not a key
        "16 1 Help/About\n",                    // Shift alone
        "112 8 Help/About\n",                   // unknown modifier
        "112 0 \n",                             // no command
        "112 0 Help/About\n112 0 File/Exit\n",  // one key, two commands
        "112 0 Help\tAbout\n",                  // control character
        "x 0 Help/About\n",                     // not a number
        "112  Help/About\n",                    // modifiers missing
    };
    for (const char* text : damaged) {
        EXPECT_FALSE(read.decode(text)) << text;
        ASSERT_EQ(read.bindings().size(), 1u) << text;
        EXPECT_EQ(read.bindings()[0].path, "Help/About") << text;
    }

    const struct {
        uint8_t key, mods;
        const char* name;
    } names[] = {
        {'O', ctrl, "Ctrl+O"},
        {VK_F5, ctrl | shift, "Ctrl+Shift+F5"},
        {VK_SPACE, 0, "Space"},
        {'7', cor::key_mods::alt, "Alt+7"},
        {VK_NUMPAD3, 0, "Num 3"},
        {VK_MEDIA_STOP, 0, "Media Stop"},
        {VK_OEM_1, shift, "Shift+Key BA"},
    };
    for (const auto& c : names) EXPECT_EQ(cor::shortcut_table::key_name(c.key, c.mods), c.name);
}

}  // namespace
