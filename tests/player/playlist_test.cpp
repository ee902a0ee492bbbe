#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <sstream>

#include "corvina500/player/library_manager_impl.h"
#include "player_rig.h"
#include "support/case_table.h"

namespace cor::test {
namespace {

// Logs each question it is asked, and what it is told, under its name, and
// answers `answer`.
class test_lock : public playlist_lock {
public:
    test_lock(std::string name, uint32_t mask, bool answer, event_log& log)
        : name_(std::move(name) + " "), mask_(mask), answer_(answer), log_(log) {}

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
        log_.log(name_ + "index " + std::to_string(i));
    }
    void on_playlist_remove() override { log_.log(name_ + "removing"); }
    void get_lock_name(string_sink& out) override { out.write("Test Lock", 9); }
    void show_ui() override {}
    uint32_t get_filter_mask() override { return mask_; }

    std::function<void()> during_query;

private:
    bool ask(const std::string& what) {
        log_.log(name_ + "asked " + what);
        if (during_query) during_query();
        return answer_;
    }
    std::string name_;
    uint32_t mask_;
    bool answer_;
    event_log& log_;
};

// References held on `lock` besides the test's own one.
int references_besides_ours(playlist_lock& lock) {
    const int count = lock.service_add_ref() - 2;
    lock.service_release();
    return count;
}

// Edits of the playlists in steps (data/playlists.tsv), each a verb with its
// arguments after ":"; what the callbacks hear, each edit refused and what
// an edit that adds gives back are logged as one list. Items are playlist 0's.
class playlist_steps {
public:
    playlist_steps() {
        auto& pm = *rig.playlists;
        verbs_ = {
            {"create", [&] { got(pm.create_playlist(text(1), arg(1).size(), at(2))); }},
            {"rename", [&] { ok(pm.playlist_rename(at(1), text(2), arg(2).size())); }},
            {"reorderlists", [&] { ok(pm.reorder_playlists(list().data(), list().size())); }},
            {"activate", [&] { ok(pm.set_active_playlist(at(1))); }},
            {"droplist", [&] { ok(pm.remove_playlist(at(1))); }},
            {"insert", [&] { insert(); }},
            {"focus", [&] { ok(pm.playlist_set_focus_item(0, at(1))); }},
            {"select", [&] { ok(pm.playlist_set_selection_single(0, at(1), true)); }},
            {"clearsel", [&] { ok(pm.playlist_clear_selection(0)); }},
            {"reorder", [&] { ok(pm.playlist_reorder_items(0, list().data(), list().size())); }},
            {"remove", [&] { ok(pm.playlist_remove_items(0, mask().get(), arg(1).size())); }},
            {"replace", [&] { ok(pm.playlist_replace_item(0, at(1), rig.track(arg(2)).get())); }},
            {"crop", [&] { ok(pm.playlist_remove_selection(0, true)); }},
            {"clearlist", [&] { ok(pm.playlist_clear(0)); }},
            {"?find", [&] { log("find " + index_text(pm.find_playlist(text(1), arg(1).size()))); }},
            {"?active", [&] { log("active " + index_text(pm.get_active_playlist())); }},
            {"?names", [&] { log("names" + listing(pm.get_playlist_count(), true)); }},
            {"?items", [&] { log("items" + listing(pm.playlist_get_item_count(0), false)); }},
            {"lock",
             [&] { ok(pm.playlist_lock_install(at(4) == no_index ? 0 : at(4), lock().get())); }},
            {"unlock", [&] { ok(pm.playlist_lock_uninstall(0, locks_[arg(1)].get())); }},
            {"meddle", [&] { locks_[arg(1)]->during_query = [&] { meddle(); }; }},
            {"default", [&] { ok(pm.playlist_execute_default_action(0, at(1))); }},
            {"release", [&] { pm.release_locks(); }},
            {"?mask", [&] { log("mask " + std::to_string(pm.playlist_lock_get_filter_mask(0))); }},
            {"?locked", [&] { log("locked " + std::to_string(pm.playlist_lock_is_present(0))); }},
            {"?refs",
             [&] { log("refs " + std::to_string(references_besides_ours(*locks_[arg(1)]))); }},
        };
        pm.set_item_player([this](size_t playlist, size_t item) {
            log("played " + std::to_string(playlist) + ":" + std::to_string(item));
        });
    }
    std::string run(const std::string& steps) {
        std::istringstream in(steps);
        for (std::string step; in >> step;) {
            args_ = split(step, ':');
            const auto verb = verbs_.find(args_[0]);
            if (verb == verbs_.end())
                ADD_FAILURE() << "no step " << step;
            else
                verb->second();
        }
        return joined(rig.playlist_events.take());
    }
    player_rig rig;

private:
    std::string arg(size_t i) const { return i < args_.size() ? args_[i] : std::string(); }
    const char* text(size_t i) const { return i < args_.size() ? args_[i].c_str() : ""; }
    size_t at(size_t i) const {
        return arg(i).empty() || arg(i) == "end" ? no_index : std::stoul(arg(i));
    }
    std::vector<size_t> list() const {
        std::vector<size_t> out;
        for (const auto& n : split(arg(1), ',')) out.push_back(std::stoul(n));
        return out;
    }
    std::unique_ptr<bool[]> mask() const {
        std::unique_ptr<bool[]> out(new bool[arg(1).size()]);
        for (size_t i = 0; i < arg(1).size(); ++i) out[i] = arg(1)[i] == '1';
        return out;
    }
    void log(std::string line) { rig.playlist_events.log(std::move(line)); }
    void ok(bool done) {
        if (!done) log(args_[0] + " refused");
    }
    void got(size_t index) { log("= " + index_text(index)); }
    std::string listing(size_t count, bool names) {
        std::string out;
        for (size_t i = 0; i < count; ++i)
            out += " " + (names ? rig.name_of(i) : rig.item_name(0, i));
        return out;
    }
    // lock:NAME:MASK:ANSWER[:PLAYLIST], a new lock by that name.
    service_ptr_t<test_lock>& lock() {
        return locks_[arg(1)] = make_service<test_lock>(arg(1), uint32_t(at(2)), at(3) != 0,
                                                        rig.playlist_events);
    }
    // An edit made while a lock is asked about another.
    void meddle() {
        (void)rig.playlists->playlist_clear_selection(0);
        rig.add(0, {"c.mp3"});
    }
    // Names ending in "*" go in selected.
    void insert() {
        const auto names = split(arg(2), ',');
        std::vector<track_ptr> keep;
        std::vector<metadb_handle*> raw;
        std::unique_ptr<bool[]> selected(new bool[names.size()]());
        for (auto name : names) {
            if (name.ends_with('*')) selected[raw.size()] = true, name.pop_back();
            keep.push_back(rig.tracks.find(name) ? rig.tracks.find(name) : rig.track(name));
            raw.push_back(keep.back().get());
        }
        got(rig.playlists->playlist_insert_items(0, at(1), raw.data(), raw.size(), selected.get()));
    }

    std::vector<std::string> args_;
    std::map<std::string, std::function<void()>> verbs_;
    std::map<std::string, service_ptr_t<test_lock>> locks_;
};

// Each row of data/playlists.tsv is a list of edits and what they report.
TEST(PlaylistManager, EditsReportInOrderAndKeepTheActivePlaylistAndTheFocus) {
    std::unique_ptr<playlist_steps> player;
    for (const auto& row : cor_test::read_case_table("player/data/playlists.tsv", 2)) {
        std::string steps = row.fields[0];
        if (steps.starts_with("reset "))
            player = std::make_unique<playlist_steps>(), steps.erase(0, 6);
        EXPECT_EQ(player->run(steps), row.fields[1]) << row.where << ": " << row.fields[0];
    }
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
