// Profiles written straight in the store format, as a user's skin would
// have them: windows that open one another at start-up, windows that come
// back at the next start, and scripts that recurse without end.
#include <gtest/gtest.h>

#include "e2e/process.h"
#include "e2e/store_writer.h"
#include "support/test_folder.h"

namespace {

constexpr const char* main_guid = "6B999F1C-01BD-426E-8B09-7A0D58F4A788";
constexpr const char* second_guid = "0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0";
constexpr const char* third_guid = "11223344-5566-7788-99AA-BBCCDDEEFF00";
constexpr const char* on_init = "0D7C1407-260E-4AAD-8C18-886498173576";
constexpr const char* custom_scripts = "91B9F234-CAD8-4D68-98E3-D7A7A4DA9DB5";
constexpr const char* window_guids = "BA9BB3A4-DD31-4F09-A4F6-8C799D4A0176";
constexpr const char* window_ids = "FC354353-8A11-480B-A5D6-DA229C5EA542";
constexpr const char* window_names = "C5904F23-D970-4DA9-ABCA-53708639CA5E";
constexpr const char* load_scripts = "B3E31867-FD17-49D1-98C6-261667B39AB3";

class WrittenProfile : public ::testing::Test {
protected:
    void write(const cor_test::store_writer& store) {
        ASSERT_TRUE(cor_test::write_bytes(profile + L"\\corvina500.cfgstore", store.bytes()));
    }
    // Runs the player on the profile; its output, then its console lines.
    std::pair<std::string, std::string> run(const std::wstring& script) {
        const auto r =
            cor_test::run_player({L"--profile", profile, L"--console", console, L"--eval", script});
        EXPECT_EQ(r.exit_code, 0);
        return {r.out, cor_test::read_bytes(console)};
    }
    const cor_test::test_folder folder;
    std::wstring profile = folder.dir().wstring();
    std::wstring console = profile + L"\\console.txt";
};

// The main window opens two more at start-up; each script runs in its
// turn, and shutdown closes them in order.
TEST_F(WrittenProfile, StartsOpensItsWindowsAndShutsDownInOrder) {
    cor_test::store_writer store;
    store.text(on_init, "$console(init ran)");
    store.text("1BE4168D-F21A-4CD5-89EB-B6D17680569B", "$console(quit ran)");
    store.text(custom_scripts,
               "#define greet Hello #end\r\n#function tell\r\n$console(#greet# %_param1% of "
               "%_param_count%)#end");
    store.guid_list(window_guids, {main_guid, second_guid, third_guid});
    store.text_list(window_ids, {"main", "second", "third"});
    store.text_list(window_names, {"Main", "Second", "Third"});
    store.text_list(
        load_scripts,
        {"$console(load %_id%)$window(second,20,30,240,160)$window(third,300,30,200,100)",
         "$console(load %_id%)", "$console(load %_id%)"});
    store.text_list("DB955C5B-E23E-4C93-81E2-1FBD4D5E68FC", {"$console(open %_id%)", "", ""});
    store.text_list("C90CB4D2-C3CA-4514-9806-52AD86054CF3",
                    {"", "$console(close %_id%)", "$console(close %_id%)"});
    write(store);
    const auto [out, lines] = run(L"$iswindowvisible(second)$iswindowvisible(third)$tell(x)");
    EXPECT_EQ(out, "11");
    // The lists the profile leaves out are repaired to the length of the GUID list.
    std::string repairs;
    for (const char* list : {"winp", "tf_resize", "tf_move", "tf_activate"})
        for (int i = 0; i < 3; ++i)
            repairs += std::string("cfg_window_") + list + "_list.add_item\n";
    EXPECT_EQ(lines, "Vesk User Interface: Initialize UI\n" + repairs +
                         "Vesk User Interface: Initialize Main Window\n"
                         "init ran\n"
                         "load main\n"
                         "load second\n"
                         "load third\n"
                         "open main\n"
                         "Hello x of 1\n"
                         "Vesk User Interface: Shutdown\n"
                         "quit ran\n"
                         "close second\n"
                         "close third\n");
}

// Main window and two more whose scripts never open one another, so a
// window that is open at the second start can only have come back.
TEST_F(WrittenProfile, OnlyTheVisibleTopLevelWindowComesBack) {
    cor_test::store_writer store;
    store.guid_list(window_guids, {main_guid, second_guid, third_guid});
    store.text_list(window_ids, {"main", "w1", "w2"});
    store.text_list(load_scripts, {"", "$console(load %_id%)", "$console(load %_id%)"});
    write(store);
    const auto first =
        run(L"$window(w1)$window(w2,,,,,hide)$iswindowvisible(w1)$iswindowvisible(w2)");
    EXPECT_EQ(first.first, "10");
    const auto second = run(L"$iswindowvisible(w1)$iswindowvisible(w2)");
    EXPECT_EQ(second.first, "10");
    EXPECT_NE(second.second.find("load w1\n"), std::string::npos) << second.second;
    EXPECT_EQ(second.second.find("load w2"), std::string::npos) << second.second;
    // A window a script has hidden by the exit stays closed at the next start.
    run(L"$showwindow(w1,0)");
    EXPECT_EQ(run(L"$iswindowvisible(w1)$iswindowvisible(w2)").first, "00");
}

// Endless recursion, from On Init and from a script, self and mutual: each
// run prints one line naming the function, goes on, and shuts down
// normally, so what the run changed is saved.
TEST_F(WrittenProfile, EndlessRecursionEndsWithALineAndTheRunIsSaved) {
    cor_test::store_writer store;
    store.text(custom_scripts,
               "#function self\r\nx$self()#end\r\n"
               "#function ping\r\n$pong()#end\r\n#function pong\r\n$ping()#end");
    store.text(on_init, "$self()$console(init goes on)");
    store.guid_list(window_guids, {main_guid});
    store.text_list(window_ids, {"main"});
    write(store);

    const auto [out, lines] = run(L"$ping()$volume(-9)$self()");
    // The refused calls wrote nothing; the outermost run and 63 nested runs
    // of $self's body did.
    EXPECT_EQ(out, "-9.0000000" + std::string(63, 'x'));
    const std::string too_deep = ": scripts nested too deep (at most 64 levels), not run\n";
    EXPECT_NE(lines.find("\n$self" + too_deep + "init goes on\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find("\n$pong" + too_deep), std::string::npos) << lines;
    EXPECT_NE(lines.find("\n$self" + too_deep + "Vesk User Interface: Shutdown\n"),
              std::string::npos)
        << lines;
    EXPECT_EQ(run(L"$volume()").first, "-9.0000000");
}

}  // namespace
