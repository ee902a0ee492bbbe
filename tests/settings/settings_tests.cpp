// Settings files: export and import through the Host's store, damaged
// files, automatic backups on the main window's timer, leftovers of killed
// saves and the import deferred to the next start.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <tuple>

#include "cfg_var.h"
#include "config/config_file_format.h"
#include "config/config_transfer.h"
#include "corvina500/config/config_store.h"
#include "guid_text.h"
#include "host/script_path.h"
#include "host/settings.h"
#include "menu/user_commands.h"
#include "panels/panel_types.h"
#include "script/stored_scripts.h"
#include "support/case_table.h"
#include "support/test_folder.h"
#include "utf8.h"
#include "window/window_test_util.h"

namespace {

using cor_test::read_bytes;
using cor_test::test_folder;
using cor_test::write_bytes;
using settings = std::map<cor::guid, std::string>;
using cor_test::boxes;
using cor_test::shown_boxes;
using strings = std::vector<std::string>;
using vesk::config_value_kind;

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

// Little-endian, as the file and the platform hold it.
std::string u32(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string guid_bytes(const cor::guid& id) {
    std::string out;
    cor::raw_put_guid(out, id);
    return out;
}
std::string guid_bytes(const char* text) { return guid_bytes(*cor::parse_guid(text)); }
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
                   (live_panel ? guid_bytes(cor::panels::playlist_view_guid) + text_bytes("") : "");
    }
    return {};
}

void fill_every_setting(bool live_panel = true) {
    int n = 1;
    for (const auto& tag : vesk::config_file_tags())
        ASSERT_TRUE(var_of(tag.id)->set_raw(sample_value(tag.kind, n++, live_panel)));
}

class SettingsTest : public window_test::WindowTest {
protected:
    test_folder folder;
    settings fresh;

    void SetUp() override {
        fresh = snapshot();
        vesk::set_message_box_handler(cor_test::record_box);
        boxes.clear();
    }
    void TearDown() override {
        host.stop_ui();
        vesk::set_message_box_handler(nullptr);
    }

    // The component's settings as the Host's store writes them.
    settings stored() {
        cor::host_config_store store(folder.path("corvina500.cfgstore"), [](std::string_view) {});
        store.attach(cor_test::make_service<cor::config_io>());
        EXPECT_TRUE(store.write());
        store.detach_all();
        const auto decoded =
            cor::decode_config_store(read_bytes(folder.file("corvina500.cfgstore")));
        EXPECT_FALSE(decoded.damaged()) << decoded.problem;
        settings out;
        for (const auto& tag : vesk::config_file_tags()) out[tag.id] = decoded.entries.at(tag.id);
        return out;
    }
    // The file an export of the settings as they are writes.
    std::string exported() {
        EXPECT_TRUE(vesk::export_config(nullptr, folder.path("now.config"), false));
        return read_bytes(folder.file("now.config"));
    }
};

// Export, then import into a fresh profile, restores every stored byte; an
// import the option page asks for (with a restart: see the dialog's tests)
// runs at the next start, once, even when it fails.
TEST_F(SettingsTest, ExportThenImportRestoresEveryStoredByteAndAnAskedImportRunsAtTheNextStart) {
    fill_every_setting();
    vesk::cfg_backup_at_start = 0;  // for the starts below
    vesk::cfg_backup_at_exit = 0;
    vesk::cfg_backup_periodic = 0;
    const settings source = stored();
    const std::string file = folder.path("all.config");
    ASSERT_TRUE(vesk::export_config(nullptr, file, true));
    restore(fresh);
    ASSERT_TRUE(vesk::import_config(nullptr, file, true));
    const settings imported = stored();
    for (const auto& tag : vesk::config_file_tags())  // one never written keeps its value
        EXPECT_EQ(imported.at(tag.id), (tag.written ? source : fresh).at(tag.id))
            << cor::guid_to_text(tag.id);
    EXPECT_TRUE(boxes.empty());

    const std::string custom = vesk::cfg_custom_scripts.get_raw();
    restore(fresh);
    vesk::cfg_pending_import.set(file);
    host.take_lines();
    ASSERT_TRUE(host.start_ui());
    EXPECT_EQ(lines_with("Import config data : "), strings{file});
    EXPECT_EQ(vesk::cfg_pending_import.get(), "");
    EXPECT_EQ(vesk::cfg_custom_scripts.get_raw(), custom);
    host.stop_ui();
    vesk::cfg_pending_import.set(folder.path("absent.config"));
    host.start_ui();
    EXPECT_EQ(vesk::cfg_pending_import.get(), "");
    EXPECT_EQ(shown_boxes(), strings{"Import config data: Read Error!"});
}

TEST_F(SettingsTest, AHandWrittenFileImportsInAnyOrderWithTheReadOnlyEntries) {
    const std::string file =
        guid_bytes("492063D1-B604-4DC1-BB62-D1A23C9D864F") + u32(7) +
        guid_bytes("B5086E6A-EBE3-47EF-A8FE-678683720CF0") + u32(2) +
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
    ASSERT_TRUE(vesk::import_config(nullptr, folder.path("hand.config"), true));
    EXPECT_EQ(vesk::cfg_tray_mode.get(), 1);  // the later entry wins
    EXPECT_EQ(vesk::cfg_backup_name.get(), "C:\\b\\%_timing%.config");
    auto& context = vesk::user_contextmenu_commands();
    ASSERT_EQ(context.size(), 1u);
    EXPECT_EQ(context.name(0), "Tag it");
    EXPECT_EQ(context.script(0), "$puts(x)");
    // What the file does not name keeps its value.
    EXPECT_EQ(vesk::cfg_custom_scripts.get_raw(), fresh.at(vesk::cfg_custom_scripts.get_guid()));
}

// A damaged file fails whole, changing nothing, and names its fault; so
// does every cut of a good file, and thousands of changed bytes either do
// that or read.
TEST_F(SettingsTest, DamagedFilesFailWholeAndNameTheirFault) {
    fill_every_setting(false);  // a live panel may rewrite settings it is given
    const settings before = snapshot();
    const std::string good = exported();
    // "read", or the fault the console line names.
    const auto outcome = [&](const std::string& bytes, bool boxes_shown = false) -> std::string {
        restore(before);
        write_bytes(folder.file("try.config"), bytes);
        host.take_lines();
        boxes.clear();
        const bool read = vesk::import_config(nullptr, folder.path("try.config"), boxes_shown);
        const auto printed = host.take_lines();
        if (read) return "read";
        EXPECT_EQ(snapshot(), before);
        const std::string prefix = "Import config data : ",
                          suffix = " (" + folder.path("try.config") + ")";
        for (const auto& l : printed)
            if (l.starts_with(prefix) && l.ends_with(suffix) &&
                l.size() > prefix.size() + suffix.size())
                return l.substr(prefix.size(), l.size() - prefix.size() - suffix.size());
        ADD_FAILURE() << "no line names the fault";
        return "no line";
    };
    std::string unknown_tag = good;  // after the 24 scripts, where the window GUID list begins
    unknown_tag.replace(good.find(guid_bytes("BA9BB3A4-DD31-4F09-A4F6-8C799D4A0176")), 16,
                        guid_bytes("01234567-89AB-4CDE-8F01-23456789ABCD"));
    std::string bad_list = good;  // a text list whose count promises more
    const size_t count_at = good.find(guid_bytes("FC354353-8A11-480B-A5D6-DA229C5EA542")) + 20;
    bad_list.replace(count_at, 4, u32(9));
    std::string short_list = good;  // one whose count promises fewer: bytes are left over
    ASSERT_GT(static_cast<unsigned char>(good[count_at]), 0);
    short_list[count_at] = static_cast<char>(good[count_at] - 1);
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"empty", "", "Not config file"},
        {"text", "hello, this is not a settings file", "Not config file"},
        {"unknown tag", unknown_tag, "Read Error! (Unmatch GUID)"},
        {"list count", bad_list, "Read Error!"},
        {"list count short", short_list, "Read Error!"},
    };
    for (const auto& [name, bytes, message] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(outcome(bytes, true), message);
        EXPECT_EQ(shown_boxes(), strings{"Import config data: " + message});
    }

    for (size_t cut = 1; cut < good.size(); ++cut)
        ASSERT_EQ(outcome(good.substr(0, cut)), "Read Error!") << "cut at " << cut;
    std::mt19937 random(17);
    for (int i = 0; i < 3000; ++i) {
        std::string bytes = good;
        const size_t at = random() % bytes.size();
        bytes[at] = static_cast<char>(bytes[at] ^ (1 + random() % 255));
        SCOPED_TRACE("byte " + std::to_string(at));
        outcome(bytes);
    }
}

TEST_F(SettingsTest, AFailedExportSaysSoAndKeepsThePreviousFile) {
    write_bytes(folder.file("kept.config"), "previous");
    const std::string unwritable = folder.path("no such folder") + "\\x.config";
    ASSERT_FALSE(vesk::export_config(nullptr, unwritable, true));
    EXPECT_EQ(shown_boxes(), strings{"Export config data: Write Error!"});
    EXPECT_EQ(lines_with("Export config data : "), strings{"Write Error! (" + unwritable + ")"});
    // Locked against writers: the rename cannot replace it.
    HANDLE lock = CreateFileW(folder.file("kept.config").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(vesk::export_config(nullptr, folder.path("kept.config"), false));
    CloseHandle(lock);
    EXPECT_EQ(read_bytes(folder.file("kept.config")), "previous");
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
    // The timer stands from the start (the option page tries the other values).
    EXPECT_TRUE(KillTimer(main, vesk::backup_timer_id));
    SendMessageW(main, WM_TIMER, vesk::backup_timer_id, 0);
    EXPECT_TRUE(std::filesystem::exists(folder.file("b-every.config")));
    EXPECT_EQ(read_bytes(folder.file("b-every.config")), exported());
    host.take_lines();
    host.stop_ui();
    EXPECT_TRUE(std::filesystem::exists(folder.file("b-exit.config")));
    EXPECT_EQ(lines_with("Autobackup config data : "), strings{folder.path("b-exit.config")});
    EXPECT_TRUE(boxes.empty());

    // A backup that cannot be written says so.
    ASSERT_TRUE(host.start_ui());
    vesk::cfg_backup_name.set(folder.path("missing") + "\\x.config");
    host.stop_ui();
    EXPECT_EQ(shown_boxes(), strings{"Export config data: Write Error!"});
}

// A save killed between writing its temporary file and renaming it leaves
// "NAME.tmp<pid>-<tick>". At start those of processes that no longer run
// go, from the profile folder and from beside the backup files; nothing
// else is touched.
TEST_F(SettingsTest, LeftoversOfKilledSavesGoAtStart) {
    const std::wstring profile = vesk::script_path("/");
    CreateDirectoryW(profile.c_str(), nullptr);
    const auto rows = cor_test::read_case_table("settings/data/save-leftovers.tsv", 3);
    const auto path_of = [&](const cor_test::t_case_row& row) {
        const auto dir = row.fields[0] == "profile" ? std::filesystem::path(profile) : folder.dir();
        const auto pid = std::to_string(GetCurrentProcessId());
        return (dir / cor::to_wide(cor_test::case_field(row, 1, {{"pid", pid}}))).wstring();
    };
    for (const auto& row : rows) write_bytes(path_of(row), "partial");
    vesk::cfg_backup_name.set(folder.path("b") + "-%_timing%.config");
    ASSERT_TRUE(host.start_ui());
    for (const auto& row : rows) {
        const std::wstring p = path_of(row);
        EXPECT_EQ(GetFileAttributesW(p.c_str()) == INVALID_FILE_ATTRIBUTES, row.fields[2] == "yes")
            << row.where << ": " << row.fields[1];
        DeleteFileW(p.c_str());
    }
}

}  // namespace
