#include <gtest/gtest.h>

#include "corvina500/player/library_manager_impl.h"
#include "player_rig.h"

namespace cor::test {
namespace {

using names = std::vector<std::string>;

// Logs each question it is asked and answers `answer`.
class test_lock : public playlist_lock {
public:
    explicit test_lock(uint32_t mask, bool answer = false) : mask_(mask), answer_(answer) {}

    bool query_items_add(size_t first, metadb_handle* const*, size_t count, const bool*) override {
        return ask("add " + std::to_string(first) + "+" + std::to_string(count));
    }
    bool query_items_reorder(const size_t*, size_t) override { return ask("reorder"); }
    bool query_items_remove(const bool* mask, size_t count) override {
        return ask("remove " + flags_text(mask, count));
    }
    bool query_item_replace(size_t index, metadb_handle*, metadb_handle*) override {
        return ask("replace " + std::to_string(index));
    }
    bool query_playlist_rename(const char* name, size_t length) override {
        return ask("rename " + std::string(name, length));
    }
    bool query_playlist_remove() override { return ask("remove playlist"); }
    bool execute_default_action(size_t item) override {
        return ask("default " + std::to_string(item));
    }
    void on_playlist_index_change(size_t i) override {
        log.push_back("index " + std::to_string(i));
    }
    void on_playlist_remove() override { log.push_back("removing"); }
    void get_lock_name(string_sink& out) override { out.write("Test Lock", 9); }
    void show_ui() override {}
    uint32_t get_filter_mask() override { return mask_; }

    std::function<void()> during_query;
    std::vector<std::string> log;

private:
    bool ask(std::string what) {
        log.push_back(std::move(what));
        if (during_query) during_query();
        return answer_;
    }
    uint32_t mask_;
    bool answer_;
};

names playlist_names(player_rig& rig) {
    names out;
    for (size_t i = 0; i < rig.playlists->get_playlist_count(); ++i) out.push_back(rig.name_of(i));
    return out;
}

// References held on `lock` besides the test's own one.
int references_besides_ours(playlist_lock& lock) {
    const int count = lock.service_add_ref() - 2;
    lock.service_release();
    return count;
}

TEST(PlaylistManager, PlaylistEditsReportInOrderAndKeepTheActivePlaylist) {
    player_rig rig;
    auto& pm = *rig.playlists;
    EXPECT_EQ(rig.create("A"), 0u);
    EXPECT_EQ(rig.create("B"), 1u);
    EXPECT_EQ(pm.create_playlist("C", 1, 0), 0u);
    EXPECT_EQ(pm.create_playlist("", 0, 0), no_index);
    EXPECT_EQ(rig.playlist_events.take(),
              (events{"created 0 A", "activate none -> 0", "created 1 B", "created 0 C"}));
    EXPECT_EQ(playlist_names(rig), (names{"C", "A", "B"}));
    EXPECT_EQ(pm.get_active_playlist(), 1u) << "A stays active as it moves";

    EXPECT_TRUE(pm.playlist_rename(2, "Bee", 3));
    EXPECT_FALSE(pm.playlist_rename(2, "", 0));
    EXPECT_FALSE(pm.playlist_rename(7, "X", 1));
    EXPECT_EQ(pm.find_playlist("bee", 3), 2u);
    EXPECT_EQ(pm.find_playlist("Be", 2), no_index);

    const size_t order[] = {2, 0, 1}, not_permutation[] = {0, 0, 1};
    EXPECT_FALSE(pm.reorder_playlists(not_permutation, 3));
    EXPECT_FALSE(pm.reorder_playlists(order, 2));
    EXPECT_TRUE(pm.reorder_playlists(order, 3));
    EXPECT_EQ(playlist_names(rig), (names{"Bee", "C", "A"}));
    EXPECT_EQ(pm.get_active_playlist(), 2u);
    EXPECT_TRUE(pm.set_active_playlist(0));
    EXPECT_TRUE(pm.set_active_playlist(0));
    EXPECT_FALSE(pm.set_active_playlist(3));
    EXPECT_EQ(rig.playlist_events.take(),
              (events{"renamed 2 Bee", "playlists reordered: 2 0 1", "activate 2 -> 0"}));

    // Removing the active playlist activates the one that takes its place.
    EXPECT_TRUE(pm.remove_playlist(0));
    EXPECT_TRUE(pm.remove_playlist(1));
    EXPECT_TRUE(pm.remove_playlist(0));
    EXPECT_FALSE(pm.remove_playlist(0));
    EXPECT_EQ(rig.playlist_events.take(),
              (events{"playlists removed 100 -> 2", "activate 0 -> 0", "playlists removed 01 -> 1",
                      "playlists removed 1 -> 0", "activate 0 -> none"}));
}

TEST(PlaylistManager, ItemEditsReportInOrderAndMoveTheFocus) {
    player_rig rig;
    auto& pm = *rig.playlists;
    const size_t p = rig.create("L");
    rig.playlist_events.take();
    EXPECT_EQ(rig.add(p, {"a.mp3", "b.mp3"}), 0u);
    auto c = rig.track("c.mp3");
    metadb_handle* one[] = {c.get()};
    const bool selected[] = {true};
    EXPECT_EQ(pm.playlist_insert_items(p, 1, one, 1, selected), 1u);
    EXPECT_EQ(rig.add(p, {"d.mp3"}), 3u);
    EXPECT_EQ(rig.playlist_events.take(),
              (events{"added 0 at 0 sel 00: a.mp3 b.mp3", "added 0 at 1 sel 1: c.mp3",
                      "added 0 at 3 sel 0: d.mp3"}));
    EXPECT_EQ(rig.items(p), (names{"a.mp3", "c.mp3", "b.mp3", "d.mp3"}));

    // Only real changes are reported.
    EXPECT_TRUE(pm.playlist_set_focus_item(p, 2));
    EXPECT_TRUE(pm.playlist_set_focus_item(p, 2));
    EXPECT_FALSE(pm.playlist_set_focus_item(p, 4));
    EXPECT_TRUE(pm.playlist_set_selection_single(p, 3, true));
    EXPECT_TRUE(pm.playlist_set_selection_single(p, 3, true));
    EXPECT_TRUE(pm.playlist_clear_selection(p));
    EXPECT_EQ(rig.playlist_events.take(),
              (events{"focus 0 none -> 2", "selection 0 changed 0001 now 0101",
                      "selection 0 changed 0101 now 0000"}));

    // The focus follows its item when the list is reordered; removing the
    // focused item leaves it on the item after it.
    const size_t order[] = {3, 2, 1, 0};
    EXPECT_TRUE(pm.playlist_reorder_items(p, order, 4));
    const bool mask[] = {false, true, true, false};
    EXPECT_TRUE(pm.playlist_remove_items(p, mask, 4));
    EXPECT_FALSE(pm.playlist_remove_items(p, mask, 4)) << "mask of the wrong size";
    EXPECT_EQ(rig.playlist_events.take(), (events{"reordered 0: 3 2 1 0", "focus 0 2 -> 1",
                                                  "removed 0 0110 -> 2", "focus 0 1 -> 1"}));
    EXPECT_EQ(rig.items(p), (names{"d.mp3", "a.mp3"}));

    auto e = rig.track("e.mp3");
    EXPECT_TRUE(pm.playlist_replace_item(p, 0, e.get()));
    EXPECT_EQ(rig.item_name(p, 0), "e.mp3");
    EXPECT_TRUE(pm.playlist_set_selection_single(p, 1, true));
    EXPECT_TRUE(pm.playlist_remove_selection(p, true));
    EXPECT_EQ(rig.items(p), (names{"a.mp3"}));
    EXPECT_TRUE(pm.playlist_clear(p));
    EXPECT_EQ(rig.playlist_events.take(),
              (events{"modified 0 10", "selection 0 changed 01 now 01", "removed 0 10 -> 1",
                      "focus 0 1 -> 0", "removed 0 1 -> 0", "focus 0 0 -> none"}));
}

TEST(PlaylistManager, OneHandlePerFileWhoseTagChangesReportModifiedItems) {
    player_rig rig;
    auto& pm = *rig.playlists;
    const size_t p = rig.create("L");
    // One handle per file, whatever the case or separators.
    rig.add(p, {"C:\\Music\\A.mp3", "C:\\Music\\b.mp3", "c:/music/a.MP3"});
    EXPECT_EQ(pm.item_track(p, 0).get(), pm.item_track(p, 2).get());
    EXPECT_EQ(rig.tracks.size(), 2u);
    metadb_handle* h = nullptr;
    EXPECT_FALSE(pm.playlist_get_item_handle(p, 3, &h));
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(pm.playlist_get_item_length(p, 9), 0);

    struct collect : metadb_handle_sink {
        void add(metadb_handle* t) override { got += track_name(t) + " "; }
        std::string got;
    } all, selected;
    EXPECT_TRUE(pm.playlist_set_selection_single(p, 1, true));
    pm.playlist_enum_items(p, false, all);
    pm.playlist_enum_items(p, true, selected);
    EXPECT_EQ(all.got, "A.mp3 b.mp3 A.mp3 ");
    EXPECT_EQ(selected.got, "b.mp3 ");
    rig.playlist_events.take();

    const track_ptr after = rig.track("C:\\MUSIC\\A.MP3", 99, {{"album", "New Album"}});
    EXPECT_EQ(after.get(), pm.item_track(p, 0).get());
    EXPECT_EQ(after->path(), "C:\\Music\\A.mp3") << "the handle keeps its own path";
    EXPECT_DOUBLE_EQ(pm.playlist_get_item_length(p, 2), 99);
    pm.notify_track_changed(after.get());
    EXPECT_EQ(rig.playlist_events.take(), (events{"modified 0 101"}));
}

TEST(PlaylistLock, RefusesFilteredEditsAndAsksOnlyAboutThem) {
    player_rig rig;
    auto& pm = *rig.playlists;
    const size_t p = rig.create("Locked");
    rig.add(p, {"a.mp3", "b.mp3"});
    rig.playlist_events.take();

    auto lock = make_service<test_lock>(0x3F);
    ASSERT_TRUE(pm.playlist_lock_install(p, lock.get()));
    auto c = rig.track("c.mp3");
    metadb_handle* one[] = {c.get()};
    EXPECT_EQ(pm.playlist_insert_items(p, 0, one, 1, nullptr), no_index);
    const bool mask[] = {true, false};
    EXPECT_FALSE(pm.playlist_remove_items(p, mask, 2));
    EXPECT_FALSE(pm.playlist_clear(p));
    const size_t order[] = {1, 0};
    EXPECT_FALSE(pm.playlist_reorder_items(p, order, 2));
    EXPECT_FALSE(pm.playlist_replace_item(p, 1, c.get()));
    EXPECT_FALSE(pm.playlist_rename(p, "X", 1));
    EXPECT_FALSE(pm.remove_playlist(p));
    EXPECT_EQ(lock->log, (names{"add 0+1", "remove 10", "remove 11", "reorder", "replace 1",
                                "rename X", "remove playlist"}));
    EXPECT_TRUE(rig.playlist_events.take().empty());
    EXPECT_EQ(rig.items(p), (names{"a.mp3", "b.mp3"}));

    // The default action is not filtered by this lock.
    std::vector<std::string> played;
    pm.set_item_player([&](size_t pl, size_t it) {
        played.push_back(std::to_string(pl) + ":" + std::to_string(it));
    });
    EXPECT_TRUE(pm.playlist_execute_default_action(p, 1));
    EXPECT_EQ(played, (names{"0:1"}));
    EXPECT_EQ(lock->log.size(), 7u);

    // One lock per playlist; only the installed lock comes off.
    auto other = make_service<test_lock>(0);
    EXPECT_FALSE(pm.playlist_lock_install(p, other.get()));
    EXPECT_FALSE(pm.playlist_lock_uninstall(p, other.get()));
    EXPECT_TRUE(pm.playlist_lock_uninstall(p, lock.get()));
    EXPECT_FALSE(pm.playlist_lock_uninstall(p, lock.get()));
    EXPECT_EQ(pm.playlist_lock_get_filter_mask(p), 0u);
    EXPECT_FALSE(pm.playlist_lock_install(5, lock.get()));

    // A lock that allows what it filters; one that takes the default action
    // keeps the Host from playing.
    auto add_only = make_service<test_lock>(playlist_lock::filter_add, true);
    ASSERT_TRUE(pm.playlist_lock_install(p, add_only.get()));
    EXPECT_TRUE(pm.playlist_clear(p));
    EXPECT_EQ(rig.add(p, {"a.mp3", "b.mp3"}), 0u);
    EXPECT_TRUE(pm.playlist_reorder_items(p, order, 2));
    EXPECT_EQ(add_only->log, (names{"add 0+2"}));
    ASSERT_TRUE(pm.playlist_lock_uninstall(p, add_only.get()));
    auto actor = make_service<test_lock>(playlist_lock::filter_default_action, true);
    ASSERT_TRUE(pm.playlist_lock_install(p, actor.get()));
    EXPECT_TRUE(pm.playlist_execute_default_action(p, 0));
    EXPECT_EQ(played.size(), 1u);
    EXPECT_EQ(actor->log, (names{"default 0"}));

    // At shutdown the Host lets go of the locks it still holds.
    EXPECT_EQ(references_besides_ours(*actor), 1);
    pm.release_locks();
    EXPECT_FALSE(pm.playlist_lock_is_present(p));
    EXPECT_EQ(references_besides_ours(*actor), 0);
}

TEST(PlaylistLock, AnEditDuringTheQueryRefusesTheOperation) {
    player_rig rig;
    auto& pm = *rig.playlists;
    const size_t p = rig.create("L");
    rig.add(p, {"a.mp3", "b.mp3"});
    auto lock = make_service<test_lock>(playlist_lock::filter_remove, true);
    lock->during_query = [&] { (void)pm.playlist_clear_selection(p), rig.add(p, {"c.mp3"}); };
    ASSERT_TRUE(pm.playlist_lock_install(p, lock.get()));
    const bool mask[] = {true, false};
    EXPECT_FALSE(pm.playlist_remove_items(p, mask, 2));
    EXPECT_EQ(rig.items(p), (names{"a.mp3", "b.mp3", "c.mp3"}));
}

TEST(PlaylistLock, FollowsItsPlaylistAndIsReleasedWithIt) {
    player_rig rig;
    auto& pm = *rig.playlists;
    rig.create("A");
    auto lock = make_service<test_lock>(0);
    ASSERT_TRUE(pm.playlist_lock_install(rig.create("Locked"), lock.get()));
    EXPECT_EQ(pm.create_playlist("First", 5, 0), 0u);
    EXPECT_TRUE(pm.remove_playlist(1));
    const size_t order[] = {1, 0};
    EXPECT_TRUE(pm.reorder_playlists(order, 2));
    EXPECT_TRUE(pm.remove_playlist(0));
    EXPECT_EQ(lock->log, (names{"index 2", "index 1", "index 0", "removing"}));
    EXPECT_EQ(references_besides_ours(*lock), 0);
}

// Flags outside the callback's set are refused; a callback hears only what
// it asked for, and one taken away during a call is not called after it.
TEST(PlayCallbackManager, ChecksFlagsDeliversWhatWasAskedForAndSurvivesUnregistering) {
    player_rig rig;
    play_callback_manager_impl& m = *rig.callbacks;
    play_recorder play;
    EXPECT_FALSE(m.register_play_callback(nullptr, play_callback::flag_all));
    EXPECT_FALSE(m.register_play_callback(&play, 0));
    EXPECT_FALSE(m.register_play_callback(&play, play_callback::flag_all | 64));
    EXPECT_FALSE(m.unregister_play_callback(&play));
    EXPECT_TRUE(m.register_play_callback(&play, 831));
    EXPECT_TRUE(m.unregister_play_callback(&play));

    playlist_recorder renames_only, late;
    EXPECT_FALSE(m.register_playlist_callback(&renames_only, 4));
    ASSERT_TRUE(
        m.register_playlist_callback(&renames_only, playlist_callback::flag_playlist_renamed));
    struct quitter : playlist_recorder {
        play_callback_manager_impl* m = nullptr;
        playlist_recorder* victim = nullptr;
        void on_playlist_created(size_t p, const char* n, size_t l) override {
            playlist_recorder::on_playlist_created(p, n, l);
            EXPECT_TRUE(m->unregister_playlist_callback(this));
            EXPECT_TRUE(m->unregister_playlist_callback(victim));
        }
    } quits;
    quits.m = &m;
    quits.victim = &late;
    ASSERT_TRUE(m.register_playlist_callback(&quits, playlist_callback::flag_all));
    ASSERT_TRUE(m.register_playlist_callback(&late, 187515));

    rig.create("A");
    EXPECT_TRUE(rig.playlists->playlist_rename(0, "B", 1));
    EXPECT_EQ(renames_only.events, (events{"renamed 0 B"}));
    EXPECT_EQ(quits.events, (events{"created 0 A"}));
    EXPECT_TRUE(late.events.empty()) << "removed before its turn came";
    EXPECT_TRUE(m.unregister_playlist_callback(&renames_only));
    EXPECT_FALSE(m.unregister_playlist_callback(&renames_only));
}

TEST(LibraryManager, FindsMembersByPathWhileEnabled) {
    player_rig rig;
    const auto service = make_service<library_manager_impl>(rig.tracks);
    library_manager_impl& library = *service;
    const track_ptr a = rig.track("C:\\Music\\a.mp3");
    const track_ptr b = rig.track("C:\\Music\\b.mp3");
    EXPECT_TRUE(library.add(a));
    EXPECT_FALSE(library.add(a));
    EXPECT_EQ(library.get_count(), 1u);

    metadb_handle* found = nullptr;
    ASSERT_TRUE(library.find_item("c:/music/A.MP3", 14, &found));
    EXPECT_EQ(found, a.get());
    found->service_release();
    EXPECT_FALSE(library.find_item("C:\\Music\\b.mp3", 14, &found));
    EXPECT_FALSE(library.find_item("C:\\Music\\new.mp3", 16, &found));
    EXPECT_EQ(rig.tracks.size(), 2u) << "looking up does not make handles";

    library.set_enabled(false);
    EXPECT_EQ(library.get_count(), 0u);
    EXPECT_FALSE(library.find_item("C:\\Music\\a.mp3", 14, &found));
    library.set_enabled(true);
    EXPECT_TRUE(library.remove(a.get()));
    EXPECT_FALSE(library.is_item_in_library(a.get()));
}

}  // namespace
}  // namespace cor::test
