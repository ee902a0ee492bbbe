// The Host's player as the Host assembles it: the library scanned from its
// folders, and playlists, order, volume and folders kept in the store.
#include <windows.h>

#include <gtest/gtest.h>

#include "corvina500/config/config_store.h"
#include "corvina500/player/player_core.h"
#include "guid_text.h"

namespace {

std::string temp_folder() {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    static int n = 0;
    std::wstring path = std::wstring(tmp) + L"cor_core_" + std::to_wstring(GetCurrentProcessId()) +
                        L"_" + std::to_wstring(++n);
    CreateDirectoryW(path.c_str(), nullptr);
    std::string out;
    for (wchar_t c : path) out += static_cast<char>(c);
    return out;
}

void write(const std::string& path, const std::string& bytes) {
    std::wstring wide(path.begin(), path.end());
    HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

// A minimal mono 8-bit PCM WAV of `frames` samples.
std::string wav(uint32_t frames) {
    auto le = [](std::string& s, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) s += char((v >> (8 * i)) & 0xFF);
    };
    std::string s = "RIFF";
    le(s, 36 + frames, 4);
    s += "WAVEfmt ";
    le(s, 16, 4);
    le(s, 1, 2);
    le(s, 1, 2);
    le(s, 8000, 4);
    le(s, 8000, 4);
    le(s, 1, 2);
    le(s, 8, 2);
    s += "data";
    le(s, frames, 4);
    s.append(frames, char(128));
    return s;
}

TEST(PlayerCore, LibraryIsEnabledWithFoldersAndCountsTheirFiles) {
    const std::string music = temp_folder();
    write(music + "\\a.wav", wav(800));
    write(music + "\\b.wav", wav(800));
    write(music + "\\broken.wav", "RIFFxxxx");
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

TEST(PlayerCore, StateRoundTripsThroughTheStore) {
    const std::string folder = temp_folder();
    write(folder + "\\a.wav", wav(8000));
    write(folder + "\\b.wav", wav(8000));
    const std::string store_path = folder + "\\corvina500.cfgstore";
    cor::manual_clock clock;
    {
        cor::host_config_store store(store_path, [](std::string_view) {});
        cor::player_core core([](std::string_view) {}, &clock);
        EXPECT_EQ(core.add_to_active({folder}), 2u);
        const size_t second = core.playlists().create_playlist("Other", 5, cor::no_index);
        ASSERT_TRUE(core.playlists().playlist_rename(second, "Renamed", 7));
        ASSERT_TRUE(core.playlists().playback_order_set_active(
            cor::playlist_manager::order_shuffle_albums));
        core.playback().set_volume(-12.5f);
        core.set_library_folders({folder});
        core.save(store);
        ASSERT_TRUE(store.save());
    }
    cor::host_config_store store(store_path, [](std::string_view) {});
    ASSERT_TRUE(store.load());
    cor::player_core core([](std::string_view) {}, &clock);
    core.load(store);
    auto& pm = core.playlists();
    ASSERT_EQ(pm.get_playlist_count(), 2u);
    EXPECT_EQ(pm.playlist_get_item_count(0), 2u);
    EXPECT_EQ(pm.get_active_playlist(), 0u);
    EXPECT_EQ(pm.playback_order_get_active(), cor::playlist_manager::order_shuffle_albums);
    EXPECT_FLOAT_EQ(core.playback().get_volume(), -12.5f);
    EXPECT_EQ(core.library_folders(), std::vector<std::string>{folder});
    EXPECT_EQ(core.library().get_count(), 2u);
    EXPECT_EQ(core.format_active("%list_index%/%list_total% %filename%"), "1/2 a\n2/2 b\n");
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
    const std::string folder = temp_folder();
    for (const auto& c : cases) {
        cor::host_config_store store(folder + "\\s.cfgstore", [](std::string_view) {});
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
