#include "corvina500/config/config_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "sdk/cfg_var.h"
#include "support/test_folder.h"

namespace cor {
namespace {

using namespace std::string_literals;
using strings = std::vector<std::string>;
using cor_test::read_bytes;
using cor_test::write_bytes;

constexpr guid g_tray{0xB5086E6A, 0xEBE3, 0x47EF, {0xA8, 0xFE, 0x67, 0x86, 0x83, 0x72, 0x0C, 0xF0}};

constexpr guid id(uint32_t n) {
    return guid{n, 0x5B1F, 0x40AE, {0xB5, 0x34, 0x86, 0x60, 0x60, 0x35, 0x86, 0x5C}};
}
constexpr guid g_name = id(3), g_ids = id(6), g_other = id(8), g_volume = id(9);

// One component's worth of settings, declared with their defaults. The
// store moves every type's bytes alike; the types' own bytes are checked in
// config_codec_test.cpp.
struct component_vars {
    cfg_int tray{g_tray, 0};
    cfg_string name{g_name, "/cor_ui_vesk.config"};
    cfg_stringlist_t ids{g_ids};
};

// The store lives under a non-ASCII name, as profiles of many users do.
class ConfigStore : public ::testing::Test {
protected:
    const std::string name = "corvina500 \xc3\xa9t\xc3\xa9 \xe2\x99\xaa.cfgstore";
    cor_test::test_folder folder;
    std::string path = folder.path(name);
    std::filesystem::path file = folder.file(name);
    struct {
        strings lines;  // what the store printed
        auto sink() {
            return [this](std::string_view line) { lines.emplace_back(line); };
        }
    } console;

    host_config_store store() { return host_config_store(path, console.sink()); }
    std::filesystem::path beside(const char* suffix) const { return folder.file(name + suffix); }
};

// Components' settings survive, and so do the entries a later run's
// components do not declare, beside the Host's own typed ones.
TEST_F(ConfigStore, SettingsSurviveRunsThatDoNotDeclareThem) {
    const strings ids{"main", "", "\xe3\x83\xaa\xe3\x82\xb9\xe3\x83\x88"};
    {
        component_vars v;
        auto s = store();
        ASSERT_TRUE(s.load());  // no file yet: a fresh profile
        EXPECT_EQ(s.get_int(g_volume, 33), 33);
        EXPECT_EQ(s.get_string(g_other, "def"), "def");
        s.attach(make_config_io());
        v.tray = 2;
        v.ids.set(ids);
        s.set_int(g_volume, -12);
        s.set_raw(g_other, "\x01\x02"s);
        EXPECT_EQ(s.get_int(g_other, 9), 9);  // two bytes are no integer
        ASSERT_TRUE(s.save());
    }
    {
        cfg_string label(g_name, "");
        auto s = store();
        ASSERT_TRUE(s.load());
        s.attach(make_config_io());
        label = "n";
        ASSERT_TRUE(s.save());
    }
    component_vars v;
    auto s = store();
    ASSERT_TRUE(s.load());
    EXPECT_EQ(v.tray.get(), 0);  // nothing is handed over before attach
    s.attach(make_config_io());
    EXPECT_EQ(v.tray.get(), 2);
    EXPECT_EQ(v.name.get(), "n");
    EXPECT_EQ(v.ids.get(), ids);
    EXPECT_EQ(s.get_int(g_volume, 0), -12);
    std::string raw;
    ASSERT_TRUE(s.get_raw(g_other, raw));
    EXPECT_EQ(raw, "\x01\x02"s);
    EXPECT_EQ(s.size(), 5u);
    EXPECT_TRUE(s.remove(g_other));
    EXPECT_FALSE(s.remove(g_other));
    EXPECT_FALSE(s.contains(g_other));
    EXPECT_FALSE(s.get_raw(g_other, raw));
    EXPECT_TRUE(console.lines.empty());
}

TEST_F(ConfigStore, DamagedFilesKeepTheGoodEntriesAndSayWhatHappened) {
    {
        auto s = store();
        s.set_int(g_tray, 1);
        s.set_string(g_name, "middle entry");
        s.set_int(g_volume, 3);
        ASSERT_TRUE(s.save());
    }
    const std::string good = read_bytes(file);
    std::string flipped = good;
    flipped[good.find("middle")] ^= 0x20;
    const std::tuple<std::string, std::string, size_t> cases[] = {
        // bytes, line, entries kept
        {flipped, "kept 2 of 3 entries", 2},
        {"", "the file is empty; kept 0 entries", 0},
        {"PK\x03\x04 not ours at all"s, "wrong signature", 0},
    };
    for (const auto& [bytes, says, kept] : cases) {
        write_bytes(file, bytes);
        console.lines.clear();
        {
            auto s = store();
            EXPECT_FALSE(s.load());
            EXPECT_EQ(s.size(), kept);
            ASSERT_EQ(console.lines.size(), 1u) << says;
            EXPECT_NE(console.lines[0].find(says), std::string::npos) << console.lines[0];
            if (kept == 2) {
                EXPECT_EQ(s.get_int(g_tray, 0), 1);
                EXPECT_EQ(s.get_int(g_volume, 0), 3);
            }
            // The damaged file is kept beside the store before a save replaces it.
            if (!bytes.empty()) {
                EXPECT_EQ(read_bytes(beside(".damaged")), bytes);
                EXPECT_NE(console.lines[0].find(".damaged"), std::string::npos);
            }
            ASSERT_TRUE(s.save());
        }
        // Saving after a damaged load writes a sound file again.
        console.lines.clear();
        auto s = store();
        EXPECT_TRUE(s.load());
        EXPECT_EQ(s.size(), kept);
        EXPECT_TRUE(console.lines.empty());
    }
}

TEST_F(ConfigStore, ACrashDuringSaveLeavesThePreviousFile) {
    for (const save_fault fault : {save_fault::mid_write, save_fault::before_rename}) {
        std::filesystem::remove(file);
        {
            auto s = store();
            s.set_string(g_name, "first");
            ASSERT_TRUE(s.save());
            const std::string before = read_bytes(file);
            s.set_string(g_name, std::string(500, 'x'));
            s.set_save_fault(fault);
            console.lines.clear();
            EXPECT_FALSE(s.save());
            ASSERT_EQ(console.lines.size(), 1u);
            EXPECT_NE(console.lines[0].find("previous file is kept"), std::string::npos);
            EXPECT_EQ(read_bytes(file), before);
            EXPECT_TRUE(std::filesystem::exists(beside(".tmp")));
        }
        // The next run reads the previous file and ignores the leftover.
        console.lines.clear();
        {
            auto s = store();
            EXPECT_TRUE(s.load());
            EXPECT_EQ(s.get_string(g_name, ""), "first");
            s.set_string(g_other, "second");
            ASSERT_TRUE(s.save());
        }
        EXPECT_TRUE(console.lines.empty());
        EXPECT_FALSE(std::filesystem::exists(beside(".tmp")));
        auto s = store();
        EXPECT_TRUE(s.load());
        EXPECT_EQ(s.get_string(g_other, ""), "second");
    }
}

// An unreadable file is set aside, not overwritten; a folder that cannot be
// written fails the save with one line.
TEST_F(ConfigStore, UnreadableFilesAndUnwritableFoldersAreSaidAndLoseNothing) {
    // A folder in the file's place cannot be read on any platform.
    std::filesystem::create_directory(file);
    write_bytes(beside("/inside"), "precious");
    auto s = store();
    EXPECT_FALSE(s.load());
    ASSERT_EQ(console.lines.size(), 1u);
    EXPECT_NE(console.lines[0].find("cannot read"), std::string::npos) << console.lines[0];
    s.set_int(g_volume, 5);
    ASSERT_TRUE(s.save());
    EXPECT_EQ(read_bytes(beside(".unreadable/inside")), "precious");
    auto again = store();
    EXPECT_TRUE(again.load());
    EXPECT_EQ(again.get_int(g_volume, 0), 5);

    console.lines.clear();
    host_config_store nowhere(folder.path("no such folder/corvina500.cfgstore"), console.sink());
    EXPECT_TRUE(nowhere.load());
    nowhere.set_int(g_tray, 1);
    EXPECT_FALSE(nowhere.save());
    ASSERT_EQ(console.lines.size(), 1u);
    EXPECT_NE(console.lines[0].find("cannot save"), std::string::npos);
}

// Records the order in which the store calls a component.
struct recording_io : config_io {
    recording_io(strings& log, std::string name, guid id)
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

    strings& log_;
    std::string name_;
    guid id_;
    std::string value_ = "v";
};

service_ptr_t<config_io> recorder(strings& log, std::string name, guid id) {
    return service_ptr_t<config_io>(new service_impl_t<recording_io>(log, std::move(name), id));
}

TEST_F(ConfigStore, ComponentsUpdateBeforeAnyVariableIsCollected) {
    strings log;
    {
        auto s = store();
        ASSERT_TRUE(s.load());
        s.set_string(g_name, "stored");
        s.attach(recorder(log, "a", g_name));
        s.attach(recorder(log, "b", g_other));
        ASSERT_TRUE(s.save());
    }
    EXPECT_EQ(
        log, (strings{"a set stored", "a before save", "b before save", "a collect", "b collect"}));
    auto s = store();
    ASSERT_TRUE(s.load());
    EXPECT_EQ(s.get_string(g_name, ""), "stored+");
    EXPECT_EQ(s.get_string(g_other, ""), "v+");

    // At exit the components are asked before the user interface goes, and
    // the write that follows collects without asking again.
    log.clear();
    s.attach(recorder(log, "a", g_name));
    s.update_components();
    ASSERT_TRUE(s.write());
    EXPECT_EQ(log, (strings{"a set stored+", "a before save", "a collect"}));
    auto after_exit = store();
    ASSERT_TRUE(after_exit.load());
    EXPECT_EQ(after_exit.get_string(g_name, ""), "stored++");
}

// The service saves on request and refuses a save asked for during one;
// detached components leave their last values in the store.
TEST_F(ConfigStore, ServiceSavesOnRequestRefusingNestedSavesAndDetachingKeepsValues) {
    auto s = std::make_unique<host_config_store>(path, console.sink());
    ASSERT_TRUE(s->load());
    service_ptr_t<config_store> service = s->service();
    bool nested_result = true;
    {
        cfg_int tray(g_tray, 4);
        s->attach(make_config_io([&] { nested_result = service->save_now(); }));
        EXPECT_TRUE(service->save_now());
        EXPECT_FALSE(nested_result);
        auto check = store();
        ASSERT_TRUE(check.load());
        EXPECT_EQ(check.get_int(g_tray, 0), 4);
        tray = 6;
        s->detach_all();
    }
    ASSERT_TRUE(s->save());
    auto again = store();
    ASSERT_TRUE(again.load());
    EXPECT_EQ(again.get_int(g_tray, 0), 6);

    // A component holding on to the service after the Host's store is gone.
    s.reset();
    EXPECT_FALSE(service->save_now());
}

TEST_F(ConfigStore, AVariableRejectingItsStoredBytesIsReported) {
    {
        auto s = store();
        s.set_raw(g_tray, "\x01\x02\x03"s);
        s.set_raw(g_ids, "\x02\0\0\0\x01\0\0\0a\x09\0\0\0b"s);
        ASSERT_TRUE(s.save());
    }
    cfg_int tray(g_tray, 7);
    cfg_stringlist_t ids(g_ids, {"default"});
    auto s = store();
    ASSERT_TRUE(s.load());
    s.attach(make_config_io());
    EXPECT_EQ(tray.get(), 7);
    EXPECT_EQ(ids.get(), strings{"a"});
    ASSERT_EQ(console.lines.size(), 2u);
    EXPECT_NE(console.lines[0].find("{B5086E6A-EBE3-47EF-A8FE-678683720CF0}"), std::string::npos)
        << console.lines[0];
}

}  // namespace
}  // namespace cor
