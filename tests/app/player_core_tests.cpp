// The Host's player as the Host assembles it: the library scanned from its
// folders, and the volume step read back from the store. (The player's state
// across runs: tests/player, the Preferences window's tests and the profile
// tool's test, which restarts the player.)
#include <windows.h>

#include <gtest/gtest.h>

#include "corvina500/config/config_store.h"
#include "corvina500/player/player_core.h"
#include "e2e/wav_file.h"
#include "guid_text.h"
#include "support/test_folder.h"

namespace {

TEST(PlayerCore, LibraryIsEnabledWithFoldersAndCountsTheirFiles) {
    const cor_test::test_folder folder;
    const std::string music = cor_test::utf8_path(folder.dir());
    for (const char* name : {"a.wav", "b.wav"})
        ASSERT_TRUE(
            cor_test::write_bytes(folder.file(name), cor_test::make_wav({8000, 1, 8, 0.1, {}})));
    ASSERT_TRUE(cor_test::write_bytes(folder.file("broken.wav"), "RIFFxxxx"));
    std::vector<std::string> lines;
    cor::manual_clock clock;
    cor::player_core core([&](std::string_view l) { lines.emplace_back(l); }, &clock);
    core.scan_library();
    EXPECT_FALSE(core.library().is_enabled());
    core.set_library_folders({music});
    core.scan_library();
    EXPECT_TRUE(core.library().is_enabled());
    EXPECT_EQ(core.library().get_count(), 2u);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("broken.wav"), std::string::npos);
}

// The volume step is kept as text; a value edited out of range or into
// nonsense is reported and the default kept, so Volume up still moves.
TEST(PlayerCore, StoredVolumeStepIsCheckedOnLoad) {
    constexpr cor::guid key = cor::guid_of("6C3F8A12-4E97-4B0D-8D21-5A9E7C3B1F64");
    const struct {
        const char* stored;
        float step;
        bool reported;
    } cases[] = {{"2.5", 2.5f, false}, {"0.1", 0.1f, false}, {"abc", 1.0f, true},
                 {"", 1.0f, true},     {"0", 1.0f, true},    {"-3", 1.0f, true},
                 {"1e9", 1.0f, true},  {"2dB", 1.0f, true},  {"nan", 1.0f, true}};
    const cor_test::test_folder folder;
    for (const auto& c : cases) {
        cor::host_config_store store(folder.path("s.cfgstore"), [](std::string_view) {});
        store.set_raw(key, c.stored);
        std::vector<std::string> lines;
        cor::manual_clock clock;
        cor::player_core core([&](std::string_view l) { lines.emplace_back(l); }, &clock);
        core.load(store);
        EXPECT_FLOAT_EQ(core.playback().volume_step(), c.step) << c.stored;
        EXPECT_EQ(lines.size(), c.reported ? 1u : 0u) << c.stored;
        core.playback().set_volume(-30.0f);
        core.playback().volume_up();
        EXPECT_FLOAT_EQ(core.playback().get_volume(), -30.0f + c.step) << c.stored;
    }
}

}  // namespace
