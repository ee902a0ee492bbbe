// The player's command line; the Host's menus as the player and components
// reach them, the keyboard shortcuts, and the player's plain window, which
// lists the active playlist and whose buttons, menu bar and keys drive
// playback.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <tuple>

#include "app/basic_window.h"
#include "app/command_line.h"
#include "app/host_commands.h"
#include "app/properties_window.h"
#include "corvina500/config/config_store.h"
#include "corvina500/player/player_core.h"
#include "e2e/process.h"
#include "e2e/wav_file.h"
#include "guid_text.h"
#include "support/case_table.h"
#include "support/test_folder.h"
#include "support/thread_windows.h"
#include "support/window_probe.h"

namespace {

// What the parse kept, in the table's words.
std::string kept(const cor::t_command_line& c) {
    std::string out;
    const auto add = [&](const std::string& name, const std::string& value) {
        const bool blanks = value.find(' ') != std::string::npos;
        out += " " + name + (value.empty() ? "" : "=") + (blanks ? '"' + value + '"' : value);
    };
    const std::pair<const char*, const std::optional<std::string>*> texts[] = {
        {"profile", &c.profile},
        {"eval", &c.eval},
        {"console_file", &c.console_file},
        {"screenshot", &c.screenshot},
        {"format", &c.format},
        {"output_file", &c.output_file},
        {"export_config", &c.export_config},
        {"import_config", &c.import_config},
        {"screenshot_window_title", &c.screenshot_window_title},
        {"screenshot_window_file", &c.screenshot_window_file},
    };
    for (const auto& [name, value] : texts)
        if (*value) add(name, **value);
    if (c.exit_after_ms) add("exit_after_ms", std::to_string(*c.exit_after_ms));
    for (const auto& path : c.add) add("add", path);
    for (const auto& folder : c.library_add) add("library_add", folder);
    const std::pair<const char*, bool> flags[] = {
        {"no_component", c.no_component},         {"play", c.play},
        {"list_panels", c.list_panels},           {"list_commands", c.list_commands},
        {"open_config", c.open_config},           {"open_palette", c.open_palette},
        {"open_preferences", c.open_preferences},
    };
    for (const auto& [name, on] : flags)
        if (on) add(name, "");
    return out.empty() ? "nothing" : out.substr(1);
}

TEST(CommandLine, KeepsEveryFlagAndRefusesBadLines) {
    for (const auto& row : cor_test::read_case_table("app/data/command_lines.tsv", 2)) {
        const std::string& line = row.fields[0];
        cor::t_command_line cl;
        const auto error = cor::parse_command_line(cor_test::split_arguments(line), cl);
        const std::string got = !error ? kept(cl) : error->empty() ? "an empty error" : "error";
        EXPECT_EQ(got, row.fields[1]) << row.where << ": " << line << ": " << error.value_or("");
    }
}

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
    std::string ask_text(const char*, const char*, const std::string&) override { return "Mixes"; }
};

bool quit_posted() {
    MSG msg;
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

class HostMenus : public ::testing::Test {
protected:
    cor::manual_clock clock;
    cor::player_core core{[](std::string_view) {}, &clock};
    scripted_dialogs* dialogs = new scripted_dialogs;
    cor::host_commands commands{core, "C:\\profile", std::unique_ptr<cor::host_dialogs>(dialogs)};

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
    // A ten second track titled `title`, by "A" unless `artist` is false, at
    // the end of playlist `pl`.
    void add(size_t pl, const std::string& title, bool artist = true) {
        cor::t_track_info info;
        info.path = "C:\\m\\" + title + ".flac";
        info.sample_rate = 1000;
        info.length_samples = 10000;
        info.add_meta("title", title);
        if (artist) info.add_meta("artist", "A");
        info.set_info("codec", "FLAC");
        const cor::track_ptr track = core.tracks().put(info);
        cor::metadb_handle* item = track.get();
        core.playlists().playlist_insert_items(pl, cor::no_index, &item, 1, nullptr);
    }
    // The active playlist "x".
    size_t playlist(const std::vector<std::string>& titles) {
        const size_t pl = core.playlists().create_playlist("x", 1, cor::no_index);
        EXPECT_TRUE(core.playlists().set_active_playlist(pl));
        for (const auto& t : titles) add(pl, t);
        return pl;
    }
    HWND plain_window() {
        window = std::make_unique<cor::basic_window>(core, &commands);
        EXPECT_TRUE(window->create());
        return static_cast<HWND>(window->handle());
    }
    std::string titles(size_t pl, bool selected_only = false) {
        std::string out;
        for (size_t i = 0; i < core.playlists().playlist_get_item_count(pl); ++i)
            if (!selected_only || core.playlists().playlist_is_item_selected(pl, i))
                out += core.playlists().item_track(pl, i)->info().find_meta("title")->values[0];
        return out;
    }
    std::unique_ptr<cor::basic_window> window;
};

// The commands run by path, each followed by what it changed (the table
// says how it is read).
TEST_F(HostMenus, CommandsActOnThePlayer) {
    // A GUID copied from one command to another would leave one unreachable.
    std::set<cor::guid> ids;
    for (const auto& e : commands.menus().mainmenu()) ids.insert(e.id);
    EXPECT_EQ(ids.size(), commands.menus().mainmenu().size());

    auto& pm = core.playlists();
    playlist({"c", "x", "a", "y", "b"});
    // The context menu's command `name` on items of the active playlist ("1,3", "-" for none).
    const auto context = [&](const std::string& name, const std::string& items) {
        std::vector<cor::track_ptr> keep;
        std::vector<cor::metadb_handle*> tracks;
        std::istringstream in(items);
        for (std::string i; std::getline(in, i, ',') && i != "-";)
            tracks.push_back(
                keep.emplace_back(pm.item_track(pm.get_active_playlist(), std::stoul(i))).get());
        auto menu = commands.contextmenu_service();
        cor::guid id{};
        EXPECT_TRUE(menu->find_command_by_name(name.data(), name.size(), id)) << name;
        return menu->execute_command(id, tracks.data(), tracks.size());
    };
    ASSERT_TRUE(context("Properties", "2"));
    HWND props = FindWindowW(cor::properties_class_name, L"Properties: a.flac");
    ASSERT_TRUE(props);
    EXPECT_EQ(cor_test::entries(GetWindow(props, GW_CHILD)),
              (std::vector<std::string>{"title\ta", "artist\tA", "path\tC:\\m\\a.flac",
                                        "length\t0:10", "codec\tFLAC"}));
    SendMessageW(props, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(props));

    const cor_test::test_folder folder;
    for (const char* name : {"one.wav", "two.wav"})
        ASSERT_TRUE(
            cor_test::write_bytes(folder.file(name), cor_test::make_wav({8000, 1, 16, 1.0, {}})));
    // Skipped by the folder commands and the library scan alike.
    ASSERT_TRUE(cor_test::write_bytes(folder.file("broken.wav"), "RIFFxxxx"));
    dialogs->save_path = folder.path("saved.m3u8");
    dialogs->folder = cor_test::utf8_path(folder.dir());
    dialogs->files = {folder.path("two.wav")};

    float volume = 0;
    const auto read = [&](const std::string& what) -> std::string {
        const size_t active = pm.get_active_playlist();
        cor::string_out name;
        if (what == "titles" || what == "selected") return titles(active, what == "selected");
        if (what == "playing") return core.playback().is_playing() ? "yes" : "no";
        size_t item = cor::no_index;
        if (what == "playing item")
            return core.playback().get_playing_item(nullptr, &item) ? std::to_string(item) : "none";
        if (what == "saved") return cor_test::read_bytes(folder.file("saved.m3u8"));
        if (what == "message") return dialogs->messages.empty() ? "none" : dialogs->messages.back();
        if (what == "quit")
            return std::string(quit_posted() ? "posted" : "none") +
                   (commands.restart_requested() ? ", restart" : "");
        if (what == "revealed")
            return dialogs->revealed.empty() ? "none" : dialogs->revealed.back();
        if (what == "queue") {
            std::string out;
            for (const auto& at : pm.queue_items()) out += std::to_string(at.item);
            return out.empty() ? "none" : out;
        }
        if (what == "volume") {
            const float now = core.playback().get_volume();
            return now < volume ? "down" : now > volume ? "up" : "same";
        }
        if (what == "order") return std::to_string(pm.playback_order_get_active());
        if (what == "playlist") return pm.playlist_get_name(active, name) ? name.text : "?";
        if (what == "items") return std::to_string(pm.playlist_get_item_count(active));
        if (what == "library") {
            core.wait_library_scan();
            return std::to_string(core.library().get_count());
        }
        if (what.rfind("flags ", 0) != 0) return "-";
        const auto* e = entry(what.substr(6));
        if (!e) return "no such command";
        using cor::mainmenu_commands;
        return e->flags == 0                                  ? "none"
               : e->flags == mainmenu_commands::flag_checked  ? "checked"
               : e->flags == mainmenu_commands::flag_disabled ? "disabled"
                                                              : std::to_string(e->flags);
    };
    for (const auto& row : cor_test::read_case_table("app/data/menu_commands.tsv", 4)) {
        const std::string& command = row.fields[0];
        volume = core.playback().get_volume();
        if (command.rfind("unselect ", 0) == 0) {
            EXPECT_TRUE(pm.playlist_set_selection_single(pm.get_active_playlist(),
                                                         std::stoul(command.substr(9)), false))
                << row.where << ": " << command;
        } else if (command != "-") {
            const size_t blank = command.find(' ');
            const bool ran = command[0] == '@'
                                 ? context(command.substr(blank + 1), command.substr(1, blank - 1))
                                 : run(command);
            EXPECT_EQ(ran ? "yes" : "no", row.fields[1]) << row.where << ": " << command;
        }
        EXPECT_EQ(read(row.fields[2]), row.fields[3])
            << row.where << ": " << command << ", then " << row.fields[2];
    }
    EXPECT_FALSE(commands.execute(cor::guid{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}}));
}

// A component's group and its one command, as a component offers them.
struct test_group : cor::mainmenu_group {
    cor::guid id, parent;
    test_group(cor::guid i, cor::guid p) : id(i), parent(p) {}
    cor::guid get_guid() override { return id; }
    cor::guid get_parent() override { return parent; }
    uint32_t get_sort_priority() override { return 10; }
    void get_display_name(cor::string_sink& out) override { out.write("Mine", 4); }
};
struct test_command : cor::mainmenu_commands {
    cor::guid parent;
    std::string name;
    std::vector<std::string>* ran;
    test_command(cor::guid p, std::string n, std::vector<std::string>* r)
        : parent(p), name(std::move(n)), ran(r) {}
    cor::guid get_parent() override { return parent; }
    uint32_t get_sort_priority() override { return 5; }
    uint32_t get_command_count() override { return 1; }
    cor::guid get_command(uint32_t) override {
        return {0xabc, 0, 0, {0, 0, 0, 0, 0, 0, 1, uint8_t(name[0])}};
    }
    void get_name(uint32_t, cor::string_sink& out) override { out.write(name.data(), name.size()); }
    uint32_t get_flags(uint32_t) override { return 0; }
    void execute(uint32_t) override { ran->push_back(name); }
};

TEST_F(HostMenus, ComponentsJoinTheTreeAndRunByPathOrName) {
    const cor::guid mine{0xabc, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    const cor::guid loop{0xabc, 0, 0, {0, 0, 0, 0, 0, 0, 0, 2}};
    std::vector<std::string> ran;
    auto& tree = commands.menus();
    const auto before = tree.mark();
    tree.add(cor::make_service<test_group>(mine, cor::mainmenu_groups::view));
    // A group that is its own parent stands at the top level, not in a loop.
    tree.add(cor::make_service<test_group>(loop, loop));
    tree.add(cor::make_service<test_command>(mine, "Late", &ran));
    tree.add(cor::make_service<test_command>(loop, "X", &ran));
    std::vector<std::string> all;
    for (const auto& e : commands.menus().mainmenu()) all.push_back(e.path);
    // View sits between Edit and Playback; the self-parented group after Library.
    const auto view = std::find(all.begin(), all.end(), "View/Mine/Late");
    ASSERT_NE(view, all.end());
    EXPECT_EQ((*(view - 1)).rfind("Edit/", 0), 0u);
    EXPECT_EQ(*(view + 1), "Playback/Play");
    EXPECT_NE(std::find(all.begin(), all.end(), "Mine/X"), all.end());
    EXPECT_EQ(all.back(), "Help/About");

    auto service = commands.mainmenu_service();
    cor::guid id{};
    ASSERT_TRUE(service->find_command_by_name("LATE", 4, id));
    EXPECT_TRUE(service->execute_command(id));
    EXPECT_EQ(ran, std::vector<std::string>{"Late"});

    tree.truncate(before);
    EXPECT_EQ(entry("View/Mine/Late"), nullptr);
}

// The plain window lists the active playlist; its buttons and the Host's
// commands in its menu bar drive playback, and the menu shows the state when
// it opens.
TEST_F(HostMenus, PlainWindowListsTheActivePlaylistAndItsButtonsAndMenusDrivePlayback) {
    HWND wnd = plain_window();
    using strings = std::vector<std::string>;
    const size_t pl = playlist({});
    EXPECT_EQ(cor_test::entries(wnd, 100), strings{});
    add(pl, "First");
    add(pl, "Second", false);
    EXPECT_EQ(cor_test::entries(wnd, 100), (strings{"A - First", "Second"}));
    const bool first_only[] = {true, false};
    ASSERT_TRUE(core.playlists().playlist_remove_items(pl, first_only, 2));
    EXPECT_EQ(cor_test::entries(wnd, 100), strings{"Second"});

    strings groups;
    for (const auto& group : cor_test::menu_items(GetMenu(wnd))) groups.push_back(group.text);
    ASSERT_EQ(groups, (strings{"File", "Edit", "Playback", "Library", "Help"}));
    HMENU playback = GetSubMenu(GetMenu(wnd), 2);
    const auto item = [&](std::string_view text) {
        for (const auto& i : cor_test::menu_items(playback))
            if (i.text == text) return i;
        return cor_test::t_menu_item{};
    };
    const auto click = [&](int button) {
        SendMessageW(GetDlgItem(wnd, button), BM_CLICK, 0, 0);
        return cor_test::text_of(wnd, 103);
    };
    const auto choose = [&](std::string_view text) {
        SendMessageW(wnd, WM_COMMAND, item(text).id, 0);
        return cor_test::text_of(wnd, 103);
    };
    EXPECT_EQ(cor_test::text_of(wnd, 103), "Stopped");
    EXPECT_EQ(click(101), "Playing: Second");
    EXPECT_EQ(click(101), "Paused: Second");
    EXPECT_EQ(click(102), "Stopped");
    EXPECT_EQ(choose("Play or Pause"), "Playing: Second");
    EXPECT_EQ(choose("Pause"), "Paused: Second");
    SendMessageW(wnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(playback), 2);
    EXPECT_TRUE(item("Pause").checked);
    EXPECT_EQ(choose("Stop"), "Stopped");

    // The context menu on a line runs the chosen Host command on that line's track.
    add(pl, "Third");
    HWND list = GetDlgItem(wnd, 100);
    SendMessageW(list, LB_SETCURSEL, 1, 0);
    // The first command of this thread's menu, picked with the keyboard.
    cor_test::when_thread_window(
        L"#32768",
        [](HWND popup) {
            if (!popup) return (void)EndMenu();
            PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
        },
        5000);
    SendMessageW(wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(10, 10));
    size_t playing = cor::no_index;
    ASSERT_TRUE(core.playback().get_playing_item(nullptr, &playing));  // "Play", the first
    EXPECT_EQ(playing, 1u);
}

// The Host's shortcuts work wherever the focus is in the plain window, the
// playlist and the buttons included, and the media keys through the shortcut
// service. The modifiers must match, and typed characters are not key presses.
TEST_F(HostMenus, ShortcutsReachTheirCommandsFromEveryChildAndTheReadmeListsThem) {
    HWND wnd = plain_window();
    const size_t pl = playlist({"a", "b", "c"});
    HWND list = GetDlgItem(wnd, 100);
    // The user picks the second line.
    SendMessageW(list, LB_SETCURSEL, 1, 0);
    SendMessageW(wnd, WM_COMMAND, MAKEWPARAM(100, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    // A line the list still shows past the playlist's end picks nothing.
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"gone"));
    SendMessageW(list, LB_SETCURSEL, 3, 0);
    SendMessageW(wnd, WM_COMMAND, MAKEWPARAM(100, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    EXPECT_TRUE(core.playlists().playlist_is_item_selected(pl, 1));
    SendMessageW(list, LB_DELETESTRING, 3, 0);
    SendMessageW(list, LB_SETCURSEL, 1, 0);

    const auto playing = [&] {
        size_t item = cor::no_index;
        if (!core.playback().get_playing_item(nullptr, &item)) return std::string("-");
        return std::string(core.playback().is_paused() ? "paused " : "") + std::to_string(item);
    };
    // The child focused, the key, whether Ctrl is held; what plays then, and the items left.
    const std::tuple<int, UINT, bool, const char*, size_t> presses[] = {
        {100, VK_SPACE, false, "1", 3},         // plays from the picked line
        {101, VK_SPACE, false, "paused 1", 3},  // once, not also as a button click
        {102, VK_RIGHT, true, "2", 3},
        {100, VK_LEFT, true, "1", 3},
        {100, VK_DELETE, false, "-", 2},  // the picked (and playing) line goes
        {100, 'Z', true, "-", 2},         // no shortcut: nothing happens
    };
    BYTE state[256] = {};
    for (const auto& [focus, key, ctrl, plays, items] : presses) {
        HWND target = GetDlgItem(wnd, focus);
        SetFocus(target);
        ASSERT_EQ(GetFocus(), target);
        state[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(state);
        PostMessageW(target, WM_KEYDOWN, key, 1);
        PostMessageW(target, WM_KEYUP, key, 0xC0000001);
        cor_test::pump(0);
        EXPECT_EQ(playing(), plays) << focus << " " << key;
        EXPECT_EQ(core.playlists().playlist_get_item_count(pl), items) << focus << " " << key;
    }
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
    auto keys = commands.shortcut_service();
    EXPECT_TRUE(keys->process_keydown(WM_KEYDOWN, VK_MEDIA_PLAY_PAUSE, 0));
    EXPECT_TRUE(core.playback().is_playing());
    EXPECT_TRUE(keys->process_keydown(WM_KEYDOWN, VK_MEDIA_STOP, 0));
    EXPECT_FALSE(core.playback().is_playing());
    EXPECT_FALSE(keys->process_keydown(WM_KEYDOWN, 'A', 0));  // not Ctrl+A
    EXPECT_FALSE(keys->process_keydown(WM_CHAR, VK_SPACE, 0));
    const std::string readme = cor_test::read_bytes(cor_test::checkout_path(L"README.md"));
    for (const auto& s : cor::shortcut_table::defaults()) {
        EXPECT_TRUE(entry(s.path)) << s.path;
        EXPECT_NE(readme.find(std::string("| ") + s.path + " |"), std::string::npos) << s.path;
    }
}

// The volume step is kept as text; a value edited out of range or into
// nonsense is reported and the default (1) kept, so Volume up still moves.
TEST(PlayerCore, StoredVolumeStepIsCheckedOnLoad) {
    constexpr cor::guid key = cor::guid_of("6C3F8A12-4E97-4B0D-8D21-5A9E7C3B1F64");
    const cor_test::test_folder folder;
    for (const auto& row : cor_test::read_case_table("app/data/volume_steps.tsv", 2)) {
        const std::string& stored = row.fields[0];
        const float step = std::stof(row.fields[1]);
        cor::host_config_store store(folder.path("s.cfgstore"), [](std::string_view) {});
        store.set_raw(key, stored);
        std::vector<std::string> lines;
        cor::manual_clock clock;
        cor::player_core core([&](std::string_view l) { lines.emplace_back(l); }, &clock);
        core.load(store);
        EXPECT_FLOAT_EQ(core.playback().volume_step(), step) << row.where;
        EXPECT_EQ(lines.size(), step == 1.0f ? 1u : 0u) << row.where;
        core.playback().set_volume(-30.0f);
        core.playback().volume_up();
        EXPECT_FLOAT_EQ(core.playback().get_volume(), -30.0f + step) << row.where;
    }
}

// The table the user edits: one command per key, modifier keys alone
// refused, and its stored text read back whole or not at all.
TEST(ShortcutTable, KeepsOneCommandPerKeyAndRejectsDamagedText) {
    using cor::key_mods::ctrl;
    cor::shortcut_table table;
    const size_t n = table.bindings().size();
    // Ctrl+O is taken: it now runs the new command, in the same row.
    EXPECT_EQ(table.assign('O', ctrl, "Playback/Stop"), 0);
    EXPECT_EQ(table.find('O', ctrl)->path, "Playback/Stop");
    EXPECT_EQ(table.assign(VK_SHIFT, ctrl, "File/Exit"), -1);
    EXPECT_EQ(table.assign(0, 0, "File/Exit"), -1);
    EXPECT_EQ(table.assign('K', 0, ""), -1);
    table.remove(1000);
    EXPECT_EQ(table.bindings().size(), n);

    cor::shortcut_table read;
    ASSERT_TRUE(read.decode(""));  // every key cleared is a choice, not damage
    EXPECT_TRUE(read.bindings().empty());
    for (const auto& row : cor_test::read_case_table("app/data/stored_shortcuts.tsv", 3)) {
        const std::string& text = row.fields[0];
        ASSERT_TRUE(read.decode("112 3 Help/About\n"));
        const bool refused = row.fields[1] == "refused";
        EXPECT_EQ(read.decode(text), !refused) << row.where << ": " << text;
        EXPECT_EQ(read.encode(), refused ? "112 3 Help/About\n" : row.fields[1]) << row.where;
    }

    for (const auto& row : cor_test::read_case_table("app/data/key_names.tsv", 3))
        EXPECT_EQ(cor::shortcut_table::key_name(uint8_t(std::stoi(row.fields[0])),
                                                uint8_t(std::stoi(row.fields[1]))),
                  row.fields[2])
            << row.where;
}

}  // namespace
