// The player's panels seen from outside: their listing, and a profile
// written in the store format that places them and holds a panel of a type
// the player does not offer.
#include <gtest/gtest.h>

#include "e2e/process.h"
#include "e2e/store_writer.h"
#include "e2e/wav_file.h"

namespace {

constexpr const char* main_guid = "6B999F1C-01BD-426E-8B09-7A0D58F4A788";

// 16 bytes of a GUID in the stored layout.
std::string guid_bytes(uint32_t a, uint16_t b, uint16_t c, const char (&d)[9]) {
    std::string out;
    for (int i = 0; i < 4; ++i) out += static_cast<char>(a >> (8 * i));
    for (int i = 0; i < 2; ++i) out += static_cast<char>(b >> (8 * i));
    for (int i = 0; i < 2; ++i) out += static_cast<char>(c >> (8 * i));
    out.append(d, 8);
    return out;
}

std::string u32(uint32_t v) {
    std::string out;
    for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
    return out;
}

TEST(PlayerPanels, ListPanelsPrintsOneLinePerTypeAndExits) {
    const auto r = cor_test::run_player({L"--list-panels"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out,
              "0F6A3C1E-5B27-4D8E-9C41-2A7E8B3D6F10\tPlaylist View\tPlaylist views\n"
              "B3D81F47-6E2A-4C95-8F03-7D1C5A9E2B64\tAlbum Art\tPanels\n"
              "6C2E9A05-D4B1-4F78-A3E6-0B8F2D7C1E93\tConsole\tPanels\n"
              "E91B4D72-38C6-4A0F-B5D9-6F2A1C8E3B57\tPeak Meter\tVisualisations\n");
}

TEST(PlayerPanels, AProfileShowsItsPanelsAndKeepsAnUnknownTypeAcrossASave) {
    const std::wstring profile = cor_test::make_temp_folder(L"panels");
    // Four panels of the player, then one of a type nobody offers.
    std::string records = u32(5);
    const std::string playlist_settings = u32(1) + u32(40) + u32(100) + u32(90) + u32(80) +
                                          u32(60) + u32(0) + u32(1) + u32(2) + u32(3) + u32(4);
    const std::string playlist_record =
        guid_bytes(0x0F6A3C1E, 0x5B27, 0x4D8E, "\x9C\x41\x2A\x7E\x8B\x3D\x6F\x10") +
        u32(static_cast<uint32_t>(playlist_settings.size())) + playlist_settings;
    const std::string unknown_record =
        guid_bytes(0x12345678, 0x9ABC, 0xDEF0, "\x01\x02\x03\x04\x05\x06\x07\x08") + u32(6) +
        "opaque";
    records += playlist_record;
    records += guid_bytes(0xB3D81F47, 0x6E2A, 0x4C95, "\x8F\x03\x7D\x1C\x5A\x9E\x2B\x64") + u32(0);
    records += guid_bytes(0x6C2E9A05, 0xD4B1, 0x4F78, "\xA3\xE6\x0B\x8F\x2D\x7C\x1E\x93") + u32(0);
    records += guid_bytes(0xE91B4D72, 0x38C6, 0x4A0F, "\xB5\xD9\x6F\x2A\x1C\x8E\x3B\x57") + u32(0);
    records += unknown_record;
    cor_test::store_writer store;
    store.guid_list("BA9BB3A4-DD31-4F09-A4F6-8C799D4A0176", {main_guid});
    store.text_list("FC354353-8A11-480B-A5D6-DA229C5EA542", {"main"});
    store.text_list("B3E31867-FD17-49D1-98C6-261667B39AB3",
                    {"$panel(main,list,0,0,300,200)$panel(main,art,300,0,100,100)"
                     "$panel(main,con,0,200,400,100)$panel(main,meter,300,100,100,40)"
                     "$panel(main,old,0,0,10,10)"});
    store.guid_list("CC7C233E-8F21-4D93-8C31-BCC71B50BBC9",
                    {"00000000-0000-0000-0000-000000000001", "00000000-0000-0000-0000-000000000002",
                     "00000000-0000-0000-0000-000000000003", "00000000-0000-0000-0000-000000000004",
                     "00000000-0000-0000-0000-000000000005"});
    store.text_list("C7CE100B-5AED-4D50-B246-0970A5E420B8", {"list", "art", "con", "meter", "old"});
    store.text("80B30BCA-317B-49A2-BDFC-7F7BD4A6B786", records);
    const std::wstring path = profile + L"\\corvina500.cfgstore";
    ASSERT_TRUE(cor_test::write_file(path, store.bytes()));

    const std::wstring console = profile + L"\\console.txt";
    const std::wstring shot = profile + L"\\shot.png";
    const auto r = cor_test::run_player(
        {L"--profile", profile, L"--console", console, L"--eval",
         L"$ispanelvisible(list)$ispanelvisible(art)$ispanelvisible(con)$ispanelvisible(meter)"
         L"$ispanelvisible(old)|$movepanel(list,5)$showpanel(art,0)$ispanelvisible(art)"
         L"$closepanel(con)$ispanelvisible(con)",
         L"--screenshot", shot});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "11110|00");
    const std::string lines = cor_test::read_file(console);
    EXPECT_NE(lines.find("ui_extension::window::create_by_guid error!\n"), std::string::npos);
    EXPECT_NE(lines.find("cfg_panel_display_list.add_item\n"), std::string::npos);
    // The save keeps the unknown type's bytes as they came, and the list
    // view's columns; the other panels write their own defaults.
    const std::string saved = cor_test::read_file(path);
    EXPECT_NE(saved.find(playlist_record), std::string::npos);
    EXPECT_NE(saved.find(unknown_record), std::string::npos);
    EXPECT_EQ(cor_test::read_file(shot).substr(0, 8), "\x89PNG\r\n\x1a\n");
    cor_test::remove_tree(profile);
}

}  // namespace
