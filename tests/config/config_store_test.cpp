#include "corvina500/config/config_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "sdk/cfg_var.h"
#include "test_folder.h"

namespace cor {
namespace {

using namespace std::string_literals;
using test::console_lines;
using test::test_folder;

constexpr guid g_tray{0xB5086E6A, 0xEBE3, 0x47EF, {0xA8, 0xFE, 0x67, 0x86, 0x83, 0x72, 0x0C, 0xF0}};
constexpr guid g_interval{
    0x4BEECFA1, 0xD398, 0x4B7B, {0x81, 0x02, 0x6B, 0x25, 0x67, 0x9B, 0x14, 0x1B}};
constexpr guid g_flag{0x797D3869, 0x9382, 0x4DB9, {0xBD, 0x0E, 0x9F, 0xFF, 0xA7, 0xA0, 0x0A, 0x0E}};
constexpr guid g_name{0x7EBC81FA, 0x5A53, 0x48A4, {0x8A, 0x65, 0xF3, 0x76, 0xC9, 0xDB, 0xEB, 0xAF}};
constexpr guid g_place{
    0x4BB83DFB, 0x5B1F, 0x40AE, {0xB5, 0x34, 0x86, 0x60, 0x60, 0x35, 0x86, 0x5C}};
constexpr guid g_windows{
    0xBA9BB3A4, 0xDD31, 0x4F09, {0xA4, 0xF6, 0x8C, 0x79, 0x9D, 0x4A, 0x01, 0x76}};
constexpr guid g_ids{0xFC354353, 0x8A11, 0x480B, {0xA5, 0xD6, 0xDA, 0x22, 0x9C, 0x5E, 0xA5, 0x42}};
constexpr guid g_ranks{
    0x01EA35FF, 0x72CD, 0x435D, {0xAC, 0x48, 0x8C, 0xCD, 0x2E, 0x74, 0x17, 0xC7}};
constexpr guid g_other{
    0x91B9F234, 0xCAD8, 0x4D68, {0x98, 0xE3, 0xD7, 0xA7, 0xA4, 0xDA, 0x9D, 0xB5}};
constexpr guid g_volume{
    0x0D7C1407, 0x260E, 0x4AAD, {0x8C, 0x18, 0x88, 0x64, 0x98, 0x17, 0x35, 0x76}};

struct placement {
    uint32_t length, flags, show;
    int32_t points[8];
};

// One component's worth of settings, declared with their defaults.
struct component_vars {
    cfg_int tray{g_tray, 0};
    cfg_uint interval{g_interval, 60};
    cfg_bool flag{g_flag, false};
    cfg_string name{g_name, "/cor_ui_vesk.config"};
    cfg_struct_t<placement> place{g_place, placement{44, 0xffff, 5, {}}};
    cfg_guidlist_t windows{g_windows};
    cfg_stringlist_t ids{g_ids};
    cfg_intlist_t ranks{g_ranks};
};

class ConfigStore : public ::testing::Test {
protected:
    test_folder folder;
    std::string path = folder.path("corvina500.cfgstore");
    console_lines console;
};

TEST_F(ConfigStore, EveryVariableTypeSurvivesSaveAndLoad) {
    {
        component_vars v;
        host_config_store store(path, console.sink());
        ASSERT_TRUE(store.load());
        store.attach(make_config_io());
        v.tray = 2;
        v.interval = 0xfffffff0u;
        v.flag = true;
        v.name = "/backup/%_timing%.config";
        v.place = placement{44, 2, 3, {-1, -2, 3, 4, 10, 20, 300, 400}};
        v.windows.set({g_tray, g_other});
        v.ids.set({"main", "", "\xe3\x83\xaa\xe3\x82\xb9\xe3\x83\x88"});
        v.ranks.set({-5, 0, 7});
        ASSERT_TRUE(store.save());
    }
    component_vars v;
    host_config_store store(path, console.sink());
    ASSERT_TRUE(store.load());
    EXPECT_EQ(v.tray.get(), 0);  // nothing is handed over before attach
    store.attach(make_config_io());
    EXPECT_EQ(v.tray.get(), 2);
    EXPECT_EQ(v.interval.get(), 0xfffffff0u);
    EXPECT_TRUE(v.flag.get());
    EXPECT_EQ(v.name.get(), "/backup/%_timing%.config");
    EXPECT_EQ(v.place.get().flags, 2u);
    EXPECT_EQ(v.place.get().points[7], 400);
    EXPECT_EQ(v.windows.get(), (std::vector<guid>{g_tray, g_other}));
    EXPECT_EQ(v.ids.get(),
              (std::vector<std::string>{"main", "", "\xe3\x83\xaa\xe3\x82\xb9\xe3\x83\x88"}));
    EXPECT_EQ(v.ranks.get(), (std::vector<int32_t>{-5, 0, 7}));
    EXPECT_TRUE(console.lines.empty());
}

TEST_F(ConfigStore, EntriesNoComponentDeclaresAreKept) {
    {
        host_config_store store(path, console.sink());
        ASSERT_TRUE(store.load());
        store.set_string(g_other, "from a component that is absent later");
        store.set_int(g_volume, -12);
        cfg_int tray(g_tray, 1);
        store.attach(make_config_io());
        ASSERT_TRUE(store.save());
    }
    {
        // A run with a different set of variables.
        host_config_store store(path, console.sink());
        ASSERT_TRUE(store.load());
        cfg_string name(g_name, "n");
        store.attach(make_config_io());
        ASSERT_TRUE(store.save());
    }
    host_config_store store(path, console.sink());
    ASSERT_TRUE(store.load());
    EXPECT_EQ(store.get_string(g_other, ""), "from a component that is absent later");
    EXPECT_EQ(store.get_int(g_volume, 0), -12);
    EXPECT_EQ(store.get_int(g_tray, 0), 1);
    EXPECT_EQ(store.get_string(g_name, ""), "n");
    EXPECT_EQ(store.size(), 4u);
    EXPECT_TRUE(console.lines.empty());
}

TEST_F(ConfigStore, HostTypedAccess) {
    host_config_store store(path, console.sink());
    ASSERT_TRUE(store.load());  // no file yet: a fresh profile
    EXPECT_EQ(store.size(), 0u);
    EXPECT_EQ(store.get_int(g_volume, 33), 33);
    EXPECT_EQ(store.get_string(g_name, "def"), "def");
    store.set_int(g_volume, -6);
    store.set_raw(g_tray, "\x01\x02"s);
    store.set_string(g_name, "text");
    EXPECT_EQ(store.get_int(g_tray, 9), 9);  // two bytes are no integer
    std::string raw;
    ASSERT_TRUE(store.get_raw(g_tray, raw));
    EXPECT_EQ(raw, "\x01\x02"s);
    ASSERT_TRUE(store.save());

    host_config_store again(path, console.sink());
    ASSERT_TRUE(again.load());
    EXPECT_EQ(again.get_int(g_volume, 0), -6);
    EXPECT_EQ(again.get_string(g_name, ""), "text");
    EXPECT_TRUE(again.remove(g_name));
    EXPECT_FALSE(again.remove(g_name));
    EXPECT_FALSE(again.contains(g_name));
    EXPECT_FALSE(again.get_raw(g_name, raw));
    EXPECT_TRUE(console.lines.empty());
}

TEST_F(ConfigStore, DamagedFilesKeepTheGoodEntriesAndSayWhatHappened) {
    {
        host_config_store store(path, console.sink());
        store.set_int(g_tray, 1);
        store.set_string(g_name, "middle entry");
        store.set_int(g_volume, 3);
        ASSERT_TRUE(store.save());
    }
    const std::string good = test::read_bytes(path);
    struct damage_case {
        std::string bytes;
        std::string says;
        size_t kept;
    };
    std::string flipped = good;
    flipped[good.find("middle")] ^= 0x20;
    std::vector<damage_case> cases{
        {flipped, "kept 2 of 3 entries", 2},
        {good.substr(0, good.size() - 3), "kept 2 of 3 entries", 2},
        {"", "the file is empty; kept 0 entries", 0},
        {"PK\x03\x04 not ours at all"s, "wrong signature", 0},
        {good.substr(0, 10), "cut short; kept 0 entries", 0},
    };
    for (const damage_case& c : cases) {
        test::write_bytes(path, c.bytes);
        console.lines.clear();
        host_config_store store(path, console.sink());
        EXPECT_FALSE(store.load());
        EXPECT_EQ(store.size(), c.kept);
        ASSERT_EQ(console.lines.size(), 1u) << c.says;
        EXPECT_NE(console.lines[0].find(c.says), std::string::npos) << console.lines[0];
        if (c.kept == 2) {
            EXPECT_EQ(store.get_int(g_tray, 0), 1);
            EXPECT_EQ(store.get_int(g_volume, 0), 3);
        }
        // The damaged file is kept beside the store before a save replaces it.
        if (!c.bytes.empty()) {
            EXPECT_EQ(test::read_bytes(folder.file("corvina500.cfgstore.damaged")), c.bytes);
            EXPECT_NE(console.lines[0].find(".damaged"), std::string::npos);
        }
    }
    // Saving after a damaged load writes a sound file again.
    test::write_bytes(path, flipped);
    {
        host_config_store store(path, console.sink());
        EXPECT_FALSE(store.load());
        ASSERT_TRUE(store.save());
    }
    console.lines.clear();
    host_config_store store(path, console.sink());
    EXPECT_TRUE(store.load());
    EXPECT_EQ(store.size(), 2u);
    EXPECT_TRUE(console.lines.empty());
}

TEST_F(ConfigStore, ACrashDuringSaveLeavesThePreviousFile) {
    for (const save_fault fault : {save_fault::mid_write, save_fault::before_rename}) {
        std::filesystem::remove(path);
        cfg_string name(g_name, "");
        {
            host_config_store store(path, console.sink());
            ASSERT_TRUE(store.load());
            store.attach(make_config_io());
            name = "first";
            ASSERT_TRUE(store.save());
            const std::string before = test::read_bytes(path);

            name = std::string(500, 'x');
            store.set_save_fault(fault);
            console.lines.clear();
            EXPECT_FALSE(store.save());
            ASSERT_EQ(console.lines.size(), 1u);
            EXPECT_NE(console.lines[0].find("previous file is kept"), std::string::npos);
            EXPECT_EQ(test::read_bytes(path), before);
            EXPECT_TRUE(std::filesystem::exists(folder.file("corvina500.cfgstore.tmp")));
        }
        // The next run reads the previous file and ignores the leftover.
        console.lines.clear();
        {
            host_config_store store(path, console.sink());
            EXPECT_TRUE(store.load());
            EXPECT_EQ(store.get_string(g_name, ""), "first");
            store.set_string(g_other, "second");
            ASSERT_TRUE(store.save());
        }
        EXPECT_TRUE(console.lines.empty());
        EXPECT_FALSE(std::filesystem::exists(folder.file("corvina500.cfgstore.tmp")));
        host_config_store store(path, console.sink());
        EXPECT_TRUE(store.load());
        EXPECT_EQ(store.get_string(g_other, ""), "second");
    }
}

TEST_F(ConfigStore, AnUnreadableFileIsSetAsideNotOverwritten) {
    // A folder in the file's place cannot be read on any platform.
    std::filesystem::create_directory(path);
    test::write_bytes(folder.file("corvina500.cfgstore/inside"), "precious");
    host_config_store store(path, console.sink());
    EXPECT_FALSE(store.load());
    ASSERT_EQ(console.lines.size(), 1u);
    EXPECT_NE(console.lines[0].find("cannot read"), std::string::npos) << console.lines[0];
    store.set_int(g_volume, 5);
    ASSERT_TRUE(store.save());
    EXPECT_EQ(test::read_bytes(folder.file("corvina500.cfgstore.unreadable/inside")), "precious");
    host_config_store again(path, console.sink());
    EXPECT_TRUE(again.load());
    EXPECT_EQ(again.get_int(g_volume, 0), 5);
}

TEST_F(ConfigStore, AnUnwritableFolderFailsTheSaveWithOneLine) {
    host_config_store store(folder.path("no such folder/corvina500.cfgstore"), console.sink());
    EXPECT_TRUE(store.load());
    store.set_int(g_tray, 1);
    EXPECT_FALSE(store.save());
    ASSERT_EQ(console.lines.size(), 1u);
    EXPECT_NE(console.lines[0].find("cannot save"), std::string::npos);
}

TEST_F(ConfigStore, ProfileFoldersWithNonAsciiNamesWork) {
    const std::string name = "Profil \xc3\xa9t\xc3\xa9 \xe2\x99\xaa";
    std::filesystem::create_directory(folder.file(name));
    const std::string where = folder.path(name + "/corvina500.cfgstore");
    {
        host_config_store store(where, console.sink());
        ASSERT_TRUE(store.load());
        store.set_int(g_volume, 17);
        ASSERT_TRUE(store.save());
    }
    EXPECT_TRUE(std::filesystem::exists(folder.file(name + "/corvina500.cfgstore")));
    host_config_store store(where, console.sink());
    ASSERT_TRUE(store.load());
    EXPECT_EQ(store.get_int(g_volume, 0), 17);
    EXPECT_TRUE(console.lines.empty());
}

// Records the order in which the store calls a component.
class recording_io : public config_io {
public:
    recording_io(std::vector<std::string>& log, std::string name, guid id)
        : log_(log), name_(std::move(name)), id_(id) {}
    size_t get_var_count() override { return 1; }
    bool get_var_guid(size_t index, guid& out) override {
        out = id_;
        return index == 0;
    }
    bool get_var_raw(size_t index, string_sink& out) override {
        log_.push_back(name_ + " collect");
        out.write(value_.data(), value_.size());
        return index == 0;
    }
    bool set_var_raw(size_t, const void* data, size_t length) override {
        value_.assign(static_cast<const char*>(data), length);
        log_.push_back(name_ + " set " + value_);
        return true;
    }
    void on_before_save() override {
        log_.push_back(name_ + " before save");
        value_ += "+";
    }

private:
    std::vector<std::string>& log_;
    std::string name_;
    guid id_;
    std::string value_ = "v";
};

service_ptr_t<config_io> recorder(std::vector<std::string>& log, std::string name, guid id) {
    return service_ptr_t<config_io>(new service_impl_t<recording_io>(log, std::move(name), id));
}

TEST_F(ConfigStore, ComponentsUpdateBeforeAnyVariableIsCollected) {
    std::vector<std::string> log;
    {
        host_config_store store(path, console.sink());
        ASSERT_TRUE(store.load());
        store.set_string(g_name, "stored");
        store.attach(recorder(log, "a", g_name));
        store.attach(recorder(log, "b", g_other));
        ASSERT_TRUE(store.save());
    }
    EXPECT_EQ(log, (std::vector<std::string>{"a set stored", "a before save", "b before save",
                                             "a collect", "b collect"}));
    host_config_store store(path, console.sink());
    ASSERT_TRUE(store.load());
    EXPECT_EQ(store.get_string(g_name, ""), "stored+");
    EXPECT_EQ(store.get_string(g_other, ""), "v+");

    // At exit the components are asked before the user interface goes, and
    // the write that follows collects without asking again.
    log.clear();
    store.attach(recorder(log, "a", g_name));
    store.update_components();
    ASSERT_TRUE(store.write());
    EXPECT_EQ(log, (std::vector<std::string>{"a set stored+", "a before save", "a collect"}));
    host_config_store after_exit(path, console.sink());
    ASSERT_TRUE(after_exit.load());
    EXPECT_EQ(after_exit.get_string(g_name, ""), "stored++");
}

TEST_F(ConfigStore, TheRecoveryListsFilledBeforeSaveAreWhatIsWritten) {
    cfg_guidlist_t open_windows(g_windows);
    host_config_store store(path, console.sink());
    ASSERT_TRUE(store.load());
    store.attach(make_config_io([&] { open_windows.set({g_tray, g_flag}); }));
    ASSERT_TRUE(store.save());
    open_windows.clear();

    host_config_store again(path, console.sink());
    ASSERT_TRUE(again.load());
    again.attach(make_config_io());
    EXPECT_EQ(open_windows.get(), (std::vector<guid>{g_tray, g_flag}));
}

TEST_F(ConfigStore, ServiceSavesOnRequestAndRefusesNestedSaves) {
    auto store = std::make_unique<host_config_store>(path, console.sink());
    ASSERT_TRUE(store->load());
    service_ptr_t<config_store> service = store->service();
    bool nested_result = true;
    cfg_int tray(g_tray, 4);
    store->attach(make_config_io([&] { nested_result = service->save_now(); }));
    EXPECT_TRUE(service->save_now());
    EXPECT_FALSE(nested_result);

    host_config_store check(path, {});
    ASSERT_TRUE(check.load());
    EXPECT_EQ(check.get_int(g_tray, 0), 4);

    // A component holding on to the service after the Host's store is gone.
    store.reset();
    EXPECT_FALSE(service->save_now());
}

TEST_F(ConfigStore, AVariableRejectingItsStoredBytesIsReported) {
    {
        host_config_store store(path, console.sink());
        store.set_raw(g_tray, "\x01\x02\x03"s);
        store.set_raw(g_ids, "\x02\0\0\0\x01\0\0\0a\x09\0\0\0b"s);
        ASSERT_TRUE(store.save());
    }
    cfg_int tray(g_tray, 7);
    cfg_stringlist_t ids(g_ids, {"default"});
    host_config_store store(path, console.sink());
    ASSERT_TRUE(store.load());
    store.attach(make_config_io());
    EXPECT_EQ(tray.get(), 7);
    EXPECT_EQ(ids.get(), std::vector<std::string>{"a"});
    ASSERT_EQ(console.lines.size(), 2u);
    EXPECT_NE(console.lines[0].find("{B5086E6A-EBE3-47EF-A8FE-678683720CF0}"), std::string::npos)
        << console.lines[0];
}

TEST_F(ConfigStore, DetachingKeepsTheComponentsLastValues) {
    host_config_store store(path, console.sink());
    ASSERT_TRUE(store.load());
    {
        cfg_string name(g_name, "before unload");
        store.attach(make_config_io());
        store.detach_all();
    }
    ASSERT_TRUE(store.save());
    host_config_store again(path, console.sink());
    ASSERT_TRUE(again.load());
    EXPECT_EQ(again.get_string(g_name, ""), "before unload");
}

}  // namespace
}  // namespace cor
