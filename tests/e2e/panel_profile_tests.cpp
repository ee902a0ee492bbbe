// The player's panels seen from outside: a profile written in the store
// format that places them and holds a panel of a type the player does not
// offer.
#include <gtest/gtest.h>

#include "e2e/process.h"
#include "e2e/store_writer.h"
#include "support/test_folder.h"

namespace {

using cor_test::guid_bytes;
using cor_test::le32;

TEST(PlayerPanels, AProfileShowsItsPanelsAndKeepsAnUnknownTypeAcrossASave) {
    const cor_test::test_folder folder;
    const std::wstring profile = folder.dir().wstring();
    // The records of the panels of "panels" in data/profiles.tsv: four of the
    // player's types, then one of a type nobody offers.
    std::string settings;
    for (uint32_t v : {1, 40, 100, 90, 80, 60, 0, 1, 2, 3, 4}) settings += le32(v);
    const std::string playlist_record = guid_bytes("0F6A3C1E-5B27-4D8E-9C41-2A7E8B3D6F10") +
                                        le32(static_cast<uint32_t>(settings.size())) + settings;
    const std::string unknown_record =
        guid_bytes("12345678-9ABC-DEF0-0102-030405060708") + le32(6) + "opaque";
    const std::string records =
        le32(5) + playlist_record + guid_bytes("B3D81F47-6E2A-4C95-8F03-7D1C5A9E2B64") + le32(0) +
        guid_bytes("6C2E9A05-D4B1-4F78-A3E6-0B8F2D7C1E93") + le32(0) +
        guid_bytes("E91B4D72-38C6-4A0F-B5D9-6F2A1C8E3B57") + le32(0) + unknown_record;
    cor_test::store_writer store = cor_test::profile_store("panels");
    store.text("80B30BCA-317B-49A2-BDFC-7F7BD4A6B786", records);
    const std::wstring path = profile + L"\\corvina500.cfgstore";
    ASSERT_TRUE(cor_test::write_bytes(path, store.bytes()));

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
    const std::string lines = cor_test::read_bytes(console);
    EXPECT_NE(lines.find("ui_extension::window::create_by_guid error!\n"), std::string::npos);
    EXPECT_NE(lines.find("cfg_panel_display_list.add_item\n"), std::string::npos);
    // The save keeps the unknown type's bytes as they came, and the list
    // view's columns; the other panels write their own defaults.
    const std::string saved = cor_test::read_bytes(path);
    EXPECT_NE(saved.find(playlist_record), std::string::npos);
    EXPECT_NE(saved.find(unknown_record), std::string::npos);
    EXPECT_EQ(cor_test::read_bytes(shot).substr(0, 8), "\x89PNG\r\n\x1a\n");
}

}  // namespace
