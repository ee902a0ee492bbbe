// Settings files: export and import through the Host's store, damaged
// files, automatic backups on the main window's timer, the import deferred
// to the next start, and the console history kept for the palette.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <set>

#include "cfg_var.h"
#include "config/config_file_format.h"
#include "config/config_transfer.h"
#include "config/test_folder.h"
#include "corvina500/config/config_store.h"
#include "guid_text.h"
#include "host/console_capture.h"
#include "host/script_path.h"
#include "host/service_factory.h"
#include "host/settings.h"
#include "menu/user_commands.h"
#include "panels/panel_types.h"
#include "script/stored_scripts.h"
#include "support/component_host.h"
#include "user_interface.h"
#include "utf8.h"

namespace {

using cor::test::read_bytes;
using cor::test::test_folder;
using cor::test::write_bytes;
using settings = std::map<cor::guid, std::string>;
using vesk::config_value_kind;

struct t_box {
    std::string text, caption;
    UINT flags;
};
std::vector<t_box> g_boxes;

int record_box(HWND, std::string_view text, std::string_view caption, UINT flags) {
    g_boxes.push_back({std::string(text), std::string(caption), flags});
    return IDOK;
}

cor::cfg_var* var_of(const cor::guid& id) {
    for (auto* v = cor::cfg_var::first_registered(); v; v = v->next_registered())
        if (v->get_guid() == id) return v;
    return nullptr;
}

// Every setting the file can carry, and the two it never does.
settings snapshot() {
    settings out;
    for (const auto& tag : vesk::config_file_tags())
        if (auto* v = var_of(tag.id)) out[tag.id] = v->get_raw();
    out[vesk::cfg_pending_import.get_guid()] = vesk::cfg_pending_import.get_raw();
    return out;
}

void restore(const settings& s) {
    for (const auto& [id, raw] : s) ASSERT_TRUE(var_of(id)->set_raw(raw));
}

std::string u32(uint32_t v) {
    std::string out;
    cor::raw_put_u32(out, v);
    return out;
}
std::string guid_bytes(const char* text) {
    std::string out;
    cor::raw_put_guid(out, *cor::parse_guid(text));
    return out;
}
std::string text_bytes(std::string_view s) { return u32(uint32_t(s.size())) + std::string(s); }
std::string placement_bytes(int seed) {
    std::string out;
    for (int i = 0; i < 11; ++i) out += u32(uint32_t(seed * 100 + i));
    return out;
}

// A distinct, non-default raw value of each kind.
std::string sample_value(config_value_kind kind, int n, bool live_panel) {
    const std::string tag = std::to_string(n);
    switch (kind) {
        case config_value_kind::integer:
            return u32(uint32_t(n * 7 + 1));
        case config_value_kind::text:
            return "$puts(" + tag + ") // \xE6\x97\xA5\xE6\x9C\xAC\r\n\t#end";
        case config_value_kind::placement:
            return placement_bytes(n);
        case config_value_kind::guid_list:
            return u32(2) + guid_bytes("0A1B2C3D-0000-4000-8000-00000000000A") +
                   guid_bytes("0A1B2C3D-0000-4000-8000-00000000000B").replace(15, 1, 1, char(n));
        case config_value_kind::text_list:
            return u32(3) + text_bytes("first " + tag) + text_bytes("") + text_bytes("\xC3\xA9");
        case config_value_kind::placement_list:
            return u32(2) + placement_bytes(n) + placement_bytes(n + 1);
        case config_value_kind::panel_list:
            // A type no Host offers keeps its bytes; a real one takes the panel's.
            return u32(live_panel ? 2 : 1) + guid_bytes("DEADBEEF-0000-4000-8000-000000000001") +
                   text_bytes("opaque \x01\x02 settings") +
                   (live_panel
                        ? std::string(
                              reinterpret_cast<const char*>(&cor::panels::playlist_view_guid), 16) +
                              text_bytes("")
                        : std::string());
    }
    return {};
}

void fill_every_setting(bool live_panel = true) {
    int n = 1;
    for (const auto& tag : vesk::config_file_tags())
        ASSERT_TRUE(var_of(tag.id)->set_raw(sample_value(tag.kind, n++, live_panel)));
}

std::string file_of(const settings& before) {
    std::string out;
    EXPECT_TRUE(vesk::encode_config_file(
        [&](const cor::guid& id, std::string& raw) {
            const auto it = before.find(id);
            if (it != before.end()) raw = it->second;
            return it != before.end();
        },
        out));
    return out;
}

class SettingsTest : public ::testing::Test {
protected:
    cor_test::component_host host;
    test_folder folder;
    settings fresh;

    void SetUp() override {
        fresh = snapshot();
        vesk::set_message_box_handler(record_box);
        g_boxes.clear();
    }
    void TearDown() override {
        host.stop_ui();
        restore(fresh);
        vesk::set_message_box_handler(nullptr);
    }
    // Windows paths: the component takes UTF-8 platform paths.
    std::string path(const char* name) { return folder.path(name); }

    // The component's settings as the Host's store writes them.
    settings stored() {
        cor::host_config_store store(path("corvina500.cfgstore"), [](std::string_view) {});
        for (auto* f : vesk::host::factory_list())
            if (f->get_class_guid() == cor::config_io::class_guid)
                store.attach(cor::service_ptr_t<cor::config_io>::adopt(
                    static_cast<cor::config_io*>(f->create_instance())));
        EXPECT_TRUE(store.write());
        store.detach_all();
        const auto decoded =
            cor::decode_config_store(read_bytes(folder.file("corvina500.cfgstore")));
        EXPECT_FALSE(decoded.damaged()) << decoded.problem;
        settings out;
        for (const auto& tag : vesk::config_file_tags()) out[tag.id] = decoded.entries.at(tag.id);
        return out;
    }
    std::vector<std::string> lines_with(std::string_view prefix) {
        std::vector<std::string> out;
        for (auto& l : host.take_lines())
            if (l.rfind(prefix, 0) == 0) out.push_back(l);
        return out;
    }
};

TEST_F(SettingsTest, ExportThenImportIntoAFreshProfileRestoresEveryStoredByte) {
    fill_every_setting();
    const settings source = stored();
    const std::string file = path("all.config");
    ASSERT_TRUE(vesk::export_config(nullptr, file, true));
    restore(fresh);
    ASSERT_TRUE(vesk::import_config(nullptr, file, true));
    const settings imported = stored();
    for (const auto& tag : vesk::config_file_tags()) {
        const std::string name = cor::guid_to_text(tag.id);
        if (tag.written)
            EXPECT_EQ(imported.at(tag.id), source.at(tag.id)) << name;
        else  // never written: an import leaves them as they were
            EXPECT_EQ(imported.at(tag.id), fresh.at(tag.id)) << name;
    }
    EXPECT_TRUE(g_boxes.empty());
    // The same settings write the same file again.
    ASSERT_TRUE(vesk::export_config(nullptr, path("again.config"), true));
    EXPECT_EQ(read_bytes(folder.file("again.config")), read_bytes(folder.file("all.config")));
}

TEST_F(SettingsTest, AHandWrittenFileImportsInAnyOrderWithTheReadOnlyEntries) {
    const std::string file =
        guid_bytes("492063D1-B604-4DC1-BB62-D1A23C9D864F") + u32(7) +
        guid_bytes("9541E11B-4C27-45DD-A714-38D97F79414A") + text_bytes("$volume()") +
        guid_bytes("B5086E6A-EBE3-47EF-A8FE-678683720CF0") + u32(2) +
        guid_bytes("FC354353-8A11-480B-A5D6-DA229C5EA542") +
        text_bytes(u32(2) + text_bytes("main") + text_bytes("side")) +
        guid_bytes("7EBC81FA-5A53-48A4-8A65-F376C9DBEBAF") + text_bytes("C:\\b\\%_timing%.config") +
        guid_bytes("A839453A-E82C-402A-8CE8-B58A640B5FC1") +
        text_bytes(u32(1) + guid_bytes("11111111-2222-4333-8444-555555555555")) +
        guid_bytes("E9DA6D9F-36C5-46EC-B4F6-06F894567266") +
        text_bytes(u32(1) + text_bytes("Tag it")) +
        guid_bytes("67BAFAE6-6B3A-4F24-AFC5-5D2BF53120BF") +
        text_bytes(u32(1) + text_bytes("$puts(x)")) +
        guid_bytes("B5086E6A-EBE3-47EF-A8FE-678683720CF0") + u32(1) +
        guid_bytes("F9B13265-B99F-4B1C-8B66-C30F65C7EEE6");
    write_bytes(folder.file("hand.config"), file);
    ASSERT_TRUE(vesk::import_config(nullptr, path("hand.config"), true));
    EXPECT_EQ(vesk::cfg_tray_mode.get(), 1);  // the later entry wins
    EXPECT_EQ(vesk::general_script(vesk::slot_volume_change).get(), "$volume()");
    EXPECT_EQ(vesk::cfg_window_id_list.get(), (std::vector<std::string>{"main", "side"}));
    EXPECT_EQ(vesk::cfg_backup_name.get(), "C:\\b\\%_timing%.config");
    auto& context = vesk::user_contextmenu_commands();
    ASSERT_EQ(context.size(), 1u);
    EXPECT_EQ(context.name(0), "Tag it");
    EXPECT_EQ(context.script(0), "$puts(x)");
    // What the file does not name keeps its value.
    EXPECT_EQ(vesk::cfg_custom_scripts.get_raw(), fresh.at(vesk::cfg_custom_scripts.get_guid()));
}

TEST_F(SettingsTest, DamagedFilesNameTheirFaultAndChangeNothing) {
    fill_every_setting();
    const settings before = snapshot();
    const std::string good = file_of(before);
    const std::string unknown = guid_bytes("01234567-89AB-4CDE-8F01-23456789ABCD");
    std::string scripts_then_unknown = good;
    // After the 24 scripts, where the window GUID list begins.
    const size_t lists_at = good.find(guid_bytes("BA9BB3A4-DD31-4F09-A4F6-8C799D4A0176"));
    scripts_then_unknown.replace(lists_at, 16, unknown);
    std::string bad_list = good;  // a text list whose count promises more
    const size_t ids_at = good.find(guid_bytes("FC354353-8A11-480B-A5D6-DA229C5EA542")) + 20;
    bad_list.replace(ids_at, 4, u32(9));
    struct {
        const char* name;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"empty", "", "Not config file"},
        {"text", "hello, this is not a settings file", "Not config file"},
        {"header only", good.substr(0, 20), "Read Error!"},
        {"unknown tag", scripts_then_unknown, "Read Error! (Unmatch GUID)"},
        {"list count", bad_list, "Read Error!"},
        {"no end tag", good.substr(0, good.size() - 16), "Read Error!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_boxes.clear();
        host.take_lines();
        write_bytes(folder.file("bad.config"), c.bytes);
        restore(fresh);
        EXPECT_FALSE(vesk::import_config(nullptr, path("bad.config"), true));
        EXPECT_EQ(snapshot(), fresh);
        ASSERT_EQ(g_boxes.size(), 1u);
        EXPECT_EQ(g_boxes[0].text, c.message);
        EXPECT_EQ(g_boxes[0].caption, "Import config data");
        EXPECT_EQ(g_boxes[0].flags & MB_ICONERROR, UINT(MB_ICONERROR));
        const auto lines = lines_with("Import config data : ");
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], "Import config data : " + std::string(c.message) + " (" +
                                path("bad.config") + ")");
    }
    restore(fresh);
    write_bytes(folder.file("bad.config"), scripts_then_unknown);
    host.take_lines();
    EXPECT_FALSE(vesk::import_config(nullptr, path("bad.config"), false));
    EXPECT_EQ(lines_with("error guid : "),
              std::vector<std::string>{"error guid : 01234567-89AB-4CDE-8F01-23456789ABCD"});
    EXPECT_FALSE(vesk::import_config(nullptr, path("missing.config"), false));
    EXPECT_EQ(snapshot(), fresh);
}

TEST_F(SettingsTest, EveryCutAndThousandsOfByteChangesEitherFailWholeOrReadBackExactly) {
    // A live panel may rewrite settings it is given; here only stored bytes.
    fill_every_setting(false);
    const settings before = snapshot();
    const std::string good = file_of(before);
    const auto normalised = [](std::string file) { return file.replace(16, 4, u32(1)); };
    // Where the good file keeps its value lengths: a changed length may
    // swallow whole entries and still read, taking them as text.
    std::set<size_t> length_bytes;
    for (size_t pos = 20; const auto& tag : vesk::config_file_tags()) {
        if (!tag.written) continue;
        pos += 16;
        if (tag.kind == config_value_kind::integer || tag.kind == config_value_kind::placement) {
            pos += tag.kind == config_value_kind::integer ? 4 : vesk::placement_size;
            continue;
        }
        uint32_t length = 0;
        std::memcpy(&length, good.data() + pos, 4);
        for (size_t i = 0; i < 4; ++i) length_bytes.insert(pos + i);
        pos += 4 + length;
    }
    std::map<std::string, int> outcomes;
    const auto attempt = [&](const std::string& bytes, const std::string& where,
                             bool exact = true) {
        SCOPED_TRACE(where);
        restore(before);
        write_bytes(folder.file("try.config"), bytes);
        host.take_lines();
        if (vesk::import_config(nullptr, path("try.config"), false)) {
            ++outcomes["read"];
            // Whatever a changed file says is taken exactly.
            if (exact) {
                EXPECT_EQ(file_of(snapshot()), normalised(bytes));
            }
            return;
        }
        EXPECT_EQ(snapshot(), before);
        const auto lines = lines_with("Import config data : ");
        ASSERT_EQ(lines.size(), 1u);
        const std::string prefix = "Import config data : ",
                          suffix = " (" + path("try.config") + ")";
        ASSERT_TRUE(lines[0].size() > prefix.size() + suffix.size() && lines[0].ends_with(suffix))
            << lines[0];
        const std::string message =
            lines[0].substr(prefix.size(), lines[0].size() - prefix.size() - suffix.size());
        ++outcomes[message];
        EXPECT_TRUE(message == "Read Error!" || message == "Not config file" ||
                    message == "Read Error! (Unmatch GUID)")
            << lines[0];
    };
    for (size_t cut = 1; cut < good.size(); ++cut) {
        attempt(good.substr(0, cut), "cut at " + std::to_string(cut));
        if (HasFatalFailure() || outcomes["read"]) FAIL() << "a cut file was read";
    }
    EXPECT_EQ(outcomes["Read Error!"], int(good.size()) - 1);
    std::mt19937 random(17);
    for (int i = 0; i < 3000; ++i) {
        std::string bytes = good;
        const size_t at = random() % bytes.size();
        bytes[at] = static_cast<char>(bytes[at] ^ (1 + random() % 255));
        attempt(bytes, "byte " + std::to_string(at), !length_bytes.count(at));
        if (HasFatalFailure()) return;
    }
    for (const char* outcome :
         {"read", "Not config file", "Read Error!", "Read Error! (Unmatch GUID)"})
        EXPECT_GT(outcomes[outcome], 0) << outcome;
}

TEST_F(SettingsTest, AFailedExportSaysSoAndKeepsThePreviousFile) {
    write_bytes(folder.file("kept.config"), "previous");
    const std::string unwritable = path("no such folder") + "\\x.config";
    ASSERT_FALSE(vesk::export_config(nullptr, unwritable, true));
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, "Write Error!");
    EXPECT_EQ(g_boxes[0].caption, "Export config data");
    EXPECT_EQ(lines_with("Export config data : "),
              std::vector<std::string>{"Export config data : Write Error! (" + unwritable + ")"});
    // Locked against writers: the rename cannot replace it.
    HANDLE lock = CreateFileW(cor::to_wide(path("kept.config")).c_str(), GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(vesk::export_config(nullptr, path("kept.config"), false));
    CloseHandle(lock);
    EXPECT_EQ(read_bytes(folder.file("kept.config")), "previous");
    EXPECT_TRUE(vesk::export_config_command(nullptr, path("kept.config"), true));
    EXPECT_EQ(g_boxes.back().text, "Success!");
    EXPECT_EQ(read_bytes(folder.file("kept.config")), file_of(snapshot()));
}

TEST_F(SettingsTest, BackupsRunTheNameScriptAtStartExitAndOnTimerTwo) {
    vesk::cfg_backup_name.set(folder.path("b") + "-%_timing%.config");
    vesk::cfg_backup_at_start = 1;
    vesk::cfg_backup_at_exit = 1;
    vesk::cfg_backup_periodic = 1;
    vesk::cfg_backup_interval = 5;
    HWND main = host.start_ui();
    ASSERT_TRUE(main);
    EXPECT_TRUE(std::filesystem::exists(folder.file("b-start.config")));
    EXPECT_FALSE(std::filesystem::exists(folder.file("b-every.config")));
    SendMessageW(main, WM_TIMER, vesk::backup_timer_id, 0);
    EXPECT_TRUE(std::filesystem::exists(folder.file("b-every.config")));
    EXPECT_EQ(read_bytes(folder.file("b-every.config")), file_of(snapshot()));
    host.take_lines();
    host.stop_ui();
    EXPECT_TRUE(std::filesystem::exists(folder.file("b-exit.config")));
    EXPECT_EQ(
        lines_with("Autobackup config data : "),
        std::vector<std::string>{"Autobackup config data : " + folder.path("b") + "-exit.config"});
    EXPECT_TRUE(g_boxes.empty());

    // The timer stands only when periodic backup is on with minutes above 0.
    struct {
        int periodic, minutes;
        bool timer;
    } timers[] = {{1, 1, true}, {1, 0, false}, {0, 5, false}, {1, -3, false}};
    for (const auto& t : timers) {
        vesk::cfg_backup_periodic = t.periodic;
        vesk::cfg_backup_interval = t.minutes;
        HWND w = host.start_ui();
        EXPECT_EQ(KillTimer(w, vesk::backup_timer_id) != 0, t.timer)
            << t.periodic << " " << t.minutes;
        host.stop_ui();
    }

    // A name script that answers nothing at start makes no backup then.
    std::filesystem::remove(folder.file("b-start.config"));
    vesk::cfg_backup_name.set("$if($strcmp(%_timing%,exit)," + folder.path("b") + "-exit.config)");
    host.take_lines();
    host.start_ui();
    EXPECT_FALSE(std::filesystem::exists(folder.file("b-start.config")));
    EXPECT_TRUE(lines_with("Autobackup").empty());
    // A backup that cannot be written shows "Write Error!".
    vesk::cfg_backup_name.set(folder.path("missing") + "\\x.config");
    host.stop_ui();
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, "Write Error!");
}

// A save killed between writing its temporary file and renaming it leaves
// "NAME.tmp<pid>-<tick>". At start those of processes that no longer run
// go, from the profile folder and from beside the backup files; nothing
// else is touched.
TEST_F(SettingsTest, LeftoversOfKilledSavesGoAtStart) {
    const std::wstring profile = vesk::script_path("/");
    CreateDirectoryW(profile.c_str(), nullptr);
    const std::string live = std::to_string(GetCurrentProcessId());
    struct {
        std::wstring folder;
        std::string name;
        bool removed;
    } files[] = {
        {folder.file("").wstring(), "b-start.config.tmp4000000000-5", true},
        {folder.file("").wstring(), "B-EVERY.config.tmp4000000001-77", true},
        {folder.file("").wstring(), "b-exit.config.tmp" + live + "-5", false},
        {folder.file("").wstring(), "notes.txt.tmp4000000000-5", false},
        {folder.file("").wstring(), "b-start.config.tmp", false},
        {folder.file("").wstring(), "b-start.config.tmp4000000000-x", false},
        {profile, "cor_ui_vesk.config.tmp4000000002-12", true},
        {profile, "playlist.m3u8.tmp4000000002-1", true},
        {profile, ".tmp4000000002-1", false},
        {profile, "corvina500.cfgstore.tmp", false},
        {profile, "keep.tmp" + live + "-9", false},
    };
    const auto path_of = [](const std::wstring& in, const std::string& name) {
        std::wstring p = in;
        if (p.back() != L'\\' && p.back() != L'/') p += L'\\';
        return p + cor::to_wide(name);
    };
    for (const auto& f : files) write_bytes(path_of(f.folder, f.name), "partial");
    vesk::cfg_backup_name.set(folder.path("b") + "-%_timing%.config");
    ASSERT_TRUE(host.start_ui());
    for (const auto& f : files) {
        const std::wstring p = path_of(f.folder, f.name);
        EXPECT_EQ(GetFileAttributesW(p.c_str()) == INVALID_FILE_ATTRIBUTES, f.removed) << f.name;
        DeleteFileW(p.c_str());
    }
}

TEST_F(SettingsTest, AnImportAskedForRunsAtTheNextStartAfterARestart) {
    fill_every_setting();
    vesk::cfg_pending_import.set("");
    vesk::cfg_backup_at_start = 0;
    vesk::cfg_backup_at_exit = 0;
    vesk::cfg_backup_periodic = 0;
    const settings wanted = snapshot();
    ASSERT_TRUE(vesk::export_config(nullptr, path("next.config"), false));
    restore(fresh);
    host.start_ui();
    vesk::import_config_command(path("next.config"));
    EXPECT_EQ(host.commands, std::vector<cor::guid>{cor::mainmenu_manager::command_restart});
    EXPECT_EQ(vesk::cfg_pending_import.get(), path("next.config"));
    host.stop_ui();
    // Until the next start the settings stay as they were.
    EXPECT_EQ(vesk::cfg_custom_scripts.get(), fresh.at(vesk::cfg_custom_scripts.get_guid()));
    host.take_lines();
    ASSERT_TRUE(host.start_ui());
    EXPECT_EQ(lines_with("Import config data : "),
              std::vector<std::string>{"Import config data : " + path("next.config")});
    EXPECT_EQ(vesk::cfg_pending_import.get(), "");
    // Start-up repairs the lists; the other values arrive as written.
    for (const auto& tag : vesk::config_file_tags()) {
        if (tag.written &&
            (tag.kind == config_value_kind::integer || tag.kind == config_value_kind::text ||
             tag.kind == config_value_kind::placement)) {
            EXPECT_EQ(var_of(tag.id)->get_raw(), wanted.at(tag.id)) << cor::guid_to_text(tag.id);
        }
    }
    host.stop_ui();
    // The next start does not import again, even a file that failed.
    vesk::cfg_pending_import.set(path("absent.config"));
    host.start_ui();
    EXPECT_EQ(vesk::cfg_pending_import.get(), "");
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, "Read Error!");
}

TEST(ConsoleCapture, LinesAreNormalisedAndTheLatestFiftyKeptInOrder) {
    struct {
        std::string given, kept;
    } cases[] = {
        {"plain", "plain\r\n"},
        {"a\nb", "a\r\nb\r\n"},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"one\n\ntwo", "one\r\n\r\ntwo\r\n"},
        {std::string("cut\0hidden", 10), "cut\r\n"},
        {"", "\r\n"},
    };
    vesk::clear_console_messages();
    for (const auto& c : cases) {
        vesk::capture_console_text(c.given.data(), c.given.size());
        EXPECT_EQ(vesk::console_messages().back().text, c.kept) << c.given;
    }
    vesk::clear_console_messages();
    SYSTEMTIME now;
    GetLocalTime(&now);
    for (int i = 0; i < 120; ++i) {
        const std::string line = "line " + std::to_string(i);
        vesk::capture_console_text(line.data(), line.size());
        ASSERT_LE(vesk::console_messages().size(), vesk::console_history_limit);
    }
    const auto& kept = vesk::console_messages();
    ASSERT_EQ(kept.size(), 50u);
    for (size_t i = 0; i < kept.size(); ++i)
        EXPECT_EQ(kept[i].text, "line " + std::to_string(70 + i) + "\r\n");
    EXPECT_EQ(kept.back().time.wYear, now.wYear);
}

TEST(ConsoleCapture, TheHostsLinesReachTheVisiblePaletteAsARefreshMessage) {
    cor_test::component_host host;
    cor::service_ptr_t<cor::console_receiver> receiver;
    for (auto* f : vesk::host::factory_list())
        if (f->get_class_guid() == cor::console_receiver::class_guid)
            receiver = cor::service_ptr_t<cor::console_receiver>::adopt(
                static_cast<cor::console_receiver*>(f->create_instance()));
    ASSERT_TRUE(receiver);
    HWND palette = CreateWindowExW(0, L"STATIC", L"palette stand-in", WS_POPUP, 0, 0, 10, 10,
                                   nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(palette);
    vesk::set_palette_window(palette);
    const auto refreshes = [&] {
        int n = 0;
        MSG msg;
        while (PeekMessageW(&msg, palette, vesk::console_refresh_message,
                            vesk::console_refresh_message, PM_REMOVE))
            ++n;
        return n;
    };
    vesk::clear_console_messages();
    struct {
        bool shown;
        int refreshes;
    } states[] = {{false, 0}, {true, 1}, {false, 0}};
    for (const auto& s : states) {
        ShowWindow(palette, s.shown ? SW_SHOWNOACTIVATE : SW_HIDE);
        receiver->print("from the Host", 13);
        EXPECT_EQ(refreshes(), s.refreshes) << s.shown;
    }
    // Hidden, the lines were still kept.
    EXPECT_EQ(vesk::console_messages().size(), 3u);
    vesk::set_palette_window(nullptr);
    DestroyWindow(palette);
    receiver->print("after", 5);
    EXPECT_EQ(vesk::console_messages().back().text, "after\r\n");
}

}  // namespace
