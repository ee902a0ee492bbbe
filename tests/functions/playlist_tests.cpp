// The playlist functions that name, count, create, select and lock, against
// playlists the test sets up in the Host's player.
#include "function_test_util.h"

using namespace function_test;

namespace {

class Playlists : public FunctionTest {
protected:
    cor::playlist_manager_impl& pm() { return host.player().playlists(); }

    // Music (A, B, C, D; active, B focused), Other (empty), and a second
    // playlist named Music holding one item.
    void SetUp() override {
        FunctionTest::SetUp();
        music = playlist("Music", {"A", "B", "C", "D"}, {10, 20.5, 30, 0});
        other = playlist("Other", {});
        second_music = playlist("Music", {"Z"});
        ASSERT_TRUE(pm().set_active_playlist(music));
        ASSERT_TRUE(pm().playlist_set_focus_item(music, 1));
    }

    std::string selection(size_t pl) {
        std::string s;
        for (size_t i = 0; i < pm().playlist_get_item_count(pl); ++i)
            s += pm().playlist_is_item_selected(pl, i) ? '1' : '0';
        return s;
    }

    size_t music = 0, other = 0, second_music = 0;
};

// Names, counts, durations, finding items in the library (which holds B),
// creating, renaming and activating: the rows of data/playlists.tsv, in
// order. Then a disabled library finds nothing, and with no playlist at all
// the functions that take the active one say so.
TEST_F(Playlists, ScriptTable) {
    auto& lib = host.player().library();
    lib.set_enabled(true);
    ASSERT_TRUE(lib.add(pm().item_track(music, 1)));
    expect_table("playlists.tsv");
    lib.set_enabled(false);
    EXPECT_EQ(run("$pl_finditeminlib(Music,1)"), "0");
    while (pm().get_playlist_count() > 0) ASSERT_TRUE(pm().remove_playlist(0));
    EXPECT_EQ(run_lines("$pl_itemcount()$pl_duration()$pl_finditeminlib()"),
              (lines{"", "$pl_itemcount: playlist not found", "$pl_duration: playlist not found",
                     "$pl_finditeminlib: playlist not found"}));
}

TEST_F(Playlists, AddSelectedItemsOfTheActivePlaylist) {
    ASSERT_TRUE(pm().playlist_set_selection_single(music, 0, true));
    ASSERT_TRUE(pm().playlist_set_selection_single(music, 2, true));
    EXPECT_EQ(run("$if($pl_addselecteditems(Other),y,n)"), "y");
    EXPECT_EQ(run("$pl_itemcount(Other)"), "2");
    EXPECT_EQ(pm().item_track(other, 0).get(), pm().item_track(music, 0).get());
    EXPECT_EQ(pm().item_track(other, 1).get(), pm().item_track(music, 2).get());
    EXPECT_EQ(selection(other), "11");
    // Items already there are dropped when asked.
    EXPECT_EQ(run("$pl_addselecteditems(Other,checkduplicate:true)$pl_itemcount(Other)|"
                  "$pl_addselecteditems(Other,CHECKDUPLICATE:0)$pl_itemcount(Other)"),
              "2|4");
    // Into the active playlist itself: appended again, unless duplicates are checked.
    EXPECT_EQ(run("$pl_addselecteditems(Music,checkduplicate:on)$pl_itemcount(Music)|"
                  "$pl_addselecteditems(Music)$pl_itemcount(Music)"),
              "4|6");
    EXPECT_EQ(run_lines("$pl_addselecteditems(Other,dup:1)$pl_addselecteditems(x)"),
              (lines{"", "$pl_addselecteditems: unknown option 'dup:1'",
                     "$pl_addselecteditems: playlist not found"}));
}

// The rows of data/selection.tsv, in order.
TEST_F(Playlists, SelectAndFocusOneItem) {
    ASSERT_TRUE(pm().playlist_set_selection_single(music, 0, true));
    for (const auto& row : cor_test::read_case_table("functions/data/selection.tsv", 2)) {
        run(row.fields[0]);
        EXPECT_EQ(selection(music) + " " + std::to_string(pm().playlist_get_focus_item(music)),
                  row.fields[1])
            << row.where;
    }
}

TEST_F(Playlists, LockRefusesEditsUntilUnlocked) {
    EXPECT_EQ(run("$if($pl_lock(Other),y,n)"), "y");
    ASSERT_TRUE(pm().playlist_lock_is_present(other));

    // Adding, renaming and removing are refused, by scripts and by the Host.
    ASSERT_TRUE(pm().playlist_set_selection_single(music, 0, true));
    run("$pl_addselecteditems(Other)$pl_rename(Other,Changed)");
    EXPECT_EQ(run("$pl_itemcount(Other)|$pl_getname(1)"), "0|Other");
    cor::metadb_handle* item = pm().item_track(music, 0).get();
    EXPECT_EQ(pm().playlist_insert_items(other, 0, &item, 1, nullptr), cor::no_index);
    EXPECT_FALSE(pm().remove_playlist(other));

    // A second lock is refused by the Host: reported from the middle level on.
    vesk::set_error_level(vesk::err_low);
    EXPECT_EQ(run_lines("$if($pl_lock(Other),y,n)"), lines{"n"});
    vesk::set_error_level(vesk::err_middle);
    EXPECT_EQ(run_lines("$pl_lock(Other)"), (lines{"", "$pl_lock: playlist lock error"}));

    EXPECT_EQ(run("$if($pl_unlock(Other),y,n)"), "y");
    EXPECT_FALSE(pm().playlist_lock_is_present(other));
    run("$pl_addselecteditems(Other)");
    EXPECT_EQ(run("$pl_itemcount(Other)"), "1");
    // Unlocking an unlocked playlist is silent.
    EXPECT_EQ(run_lines("$pl_unlock(Other)"), lines{""});

    // A locked playlist's item still plays by its default action; locking
    // works after start-up too.
    run("$pl_lock(Music)");
    EXPECT_TRUE(pm().playlist_execute_default_action(music, 0));
    EXPECT_EQ(run("%playback_state%"), "play");
    run("$pl_unlock(Music)");
    ASSERT_NE(host.start_ui(), nullptr);
    run("$pl_lock(Other)");
    EXPECT_TRUE(pm().playlist_lock_is_present(other));
}

}  // namespace
