#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "player_rig.h"
#include "support/case_table.h"

namespace cor::test {
namespace {

// An output that wants the next track 2 s before the end, but does not take it.
struct early_output final : silent_output {
    using silent_output::silent_output;
    bool wants_next() override { return length() - position() < 2; }
    bool queue_next(const t_track_info&) override {
        ++asked;
        return false;
    }
    int asked = 0;
};

// Stands in for the decoding output: refuses paths not ending in ".wav",
// logs what it opens and the gain, and keeps time as the silent output does.
class fake_device : public silent_output {
public:
    fake_device(clock_source& clock, std::vector<std::string>& log)
        : silent_output(clock), log_(log) {}
    bool open(const t_track_info& track, double position, bool paused,
              std::string& error) override {
        if (!track.path.ends_with(".wav")) {
            error = "no decoder for this format";
            return false;
        }
        log_.push_back("open " + track.path + (paused ? " paused" : ""));
        return silent_output::open(track, position, paused, error);
    }
    void set_gain(double gain) override { log_.push_back("gain " + number_text(gain)); }
    void stream_info(t_track_info& info) override { info.set_info("codec", "PCM"); }

private:
    std::vector<std::string>& log_;
};

// The player driven by rows of steps (data/engine.tsv, data/queue.tsv), each
// a verb with maybe ":" and an argument; what the listener hears and what
// the "?" queries find are logged as one list.
class scripted_player {
public:
    scripted_player() {
        const auto e = [this] { return rig_->engine.get(); };
        const auto pm = [this] { return rig_->playlists.get(); };
        verbs_ = {
            {"reset", [this] { reset(item()); }},
            {"create", [this] { list_ = rig_->create("Empty"); }},
            {"add", [this] { rig_->add(list_, split(arg_, ',')); }},
            {"track", [this] { rig_->track(arg_.substr(0, arg_.rfind(':')), number()); }},
            {"focus", [=, this] { EXPECT_TRUE(pm()->playlist_set_focus_item(list_, item())); }},
            {"start", [=, this] { e()->start(uint32_t(item()), arg_.ends_with('p')); }},
            {"play", [=] { e()->start(playback_control::track_command_play, false); }},
            {"next", [=] { e()->next(); }},
            {"prev", [=] { e()->previous(); }},
            {"stop", [=] { e()->stop(); }},
            {"pause", [=, this] { e()->pause(item() != 0); }},
            {"toggle", [=] { e()->toggle_pause(); }},
            {"playpause", [=] { e()->play_or_pause(); }},
            {"seek", [=, this] { e()->seek(number()); }},
            {"seekby", [=, this] { e()->seek_delta(number()); }},
            {"run", [this] { rig_->run(number()); }},
            {"end", [this] { rig_->run(10); }},
            {"tick", [=, this] { rig_->clock.advance(number()), e()->tick(); }},
            {"early", [this] { use_early(); }},
            {"device",
             [this] { rig_->use_output(std::make_unique<fake_device>(rig_->clock, device_)); }},
            {"?asked", [this] { log("asked " + std::to_string(early_->asked)); }},
            {"volume", [=, this] { e()->set_volume(float(number())); }},
            {"up", [=] { e()->volume_up(); }},
            {"down", [=] { e()->volume_down(); }},
            {"mute", [=] { e()->volume_mute_toggle(); }},
            {"sac", [=, this] { e()->set_stop_after_current(item() != 0); }},
            {"order", [=, this] { set_order(); }},
            {"default",
             [=, this] { EXPECT_TRUE(pm()->playlist_execute_default_action(list_, item())); }},
            {"item", [=, this] { e()->play_item(list_, item()); }},
            {"changed", [=, this] { e()->notify_track_changed(rig_->tracks.find(arg_).get()); }},
            {"random", [this] { random(); }},
            {"shutdown", [=] { e()->shutdown(); }},
            {"queue", [=, this] { EXPECT_TRUE(pm()->queue_add(list_, item())); }},
            {"flush", [=] { pm()->queue_flush(); }},
            {"remove", [this] { remove(item()); }},
            {"insert", [=, this] { insert(item()); }},
            {"droplist", [=, this] { EXPECT_TRUE(pm()->remove_playlist(list_)); }},
            {"clear", [this] { rig_->play_events.take(); }},
            {"?now", [this] { log("now " + now()); }},
            {"?item", [this] { log("item " + index_text(rig_->playing_item())); }},
            {"?list", [=, this] { log("list " + index_text(pm()->get_playing_playlist())); }},
            {"?pos", [=, this] { log("pos " + exact(e()->get_position())); }},
            {"?len", [=, this] { log("length " + exact(e()->get_length())); }},
            {"?playing", [=, this] { log("playing " + std::to_string(e()->is_playing())); }},
            {"?paused", [=, this] { log("paused " + std::to_string(e()->is_paused())); }},
            {"?seekable", [=, this] { log("seekable " + std::to_string(e()->can_seek())); }},
            {"?sac", [=, this] { log("sac " + std::to_string(e()->get_stop_after_current())); }},
            {"?volume", [=, this] { log("volume " + exact(e()->get_volume())); }},
            {"?queue", [this] { log("queue " + queue()); }},
            {"?device", [this] { log("device: " + joined(std::exchange(device_, {}))); }},
            {"?console", [this] { log("console: " + joined(std::exchange(rig_->console, {}))); }},
            {"?codec", [this] { log("codec " + codec()); }},
        };
    }

    // A new player with tracks a.mp3, b.mp3, ... of 10 s in a playlist
    // "Music"; with no playlist for none.
    void reset(size_t tracks) {
        rig_ = std::make_unique<player_rig>();
        std::vector<std::string> names;
        for (size_t i = 0; i < tracks; ++i) names.push_back(std::string(1, char('a' + i)) + ".mp3");
        if (tracks) rig_->add(list_ = rig_->create("Music"), names);
        rig_->play_events.take();
        rig_->playlist_events.take();
    }
    // Runs the steps; what was heard since the last call, joined by ", ".
    std::string run(const cor_test::t_case_row& row) {
        std::istringstream steps(row.fields[0]);
        for (std::string step; steps >> step;) {
            const size_t colon = step.find(':');
            arg_ = colon == std::string::npos ? "" : step.substr(colon + 1);
            const auto verb = verbs_.find(step.substr(0, colon));
            if (verb == verbs_.end())
                ADD_FAILURE() << row.where << ": no step " << step;
            else
                verb->second();
        }
        return joined(rig_->play_events.take());
    }
    std::string now() { return rig_->now_playing(); }
    std::string queue() {
        std::string out;
        for (const auto& at : rig_->playlists->queue_items())
            out += (out.empty() ? "" : " ") + rig_->item_name(at.playlist, at.item);
        return out.empty() ? "-" : out;
    }

private:
    size_t item() const { return size_t(std::stoul(arg_)); }
    // The argument's number, after its last ":" ("nan" too).
    double number() const { return std::stod(arg_.substr(arg_.rfind(':') + 1)); }
    static std::string exact(double v) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.10g", v);
        return buf;
    }
    void log(std::string line) { rig_->play_events.log(std::move(line)); }
    std::string codec() const {
        const std::string* codec = rig_->tracks.find(arg_)->info().find_info("codec");
        return codec ? *codec : "-";
    }
    void use_early() {
        auto out = std::make_unique<early_output>(rig_->clock);
        early_ = out.get();
        rig_->use_output(std::move(out));
    }
    void set_order() {
        if (!rig_->engine->set_playback_order(item())) log("order refused");
        for (auto& e : rig_->playlist_events.take()) log(std::move(e));
    }
    // Any item of the playlist; which one the seed decides.
    void random() {
        auto& heard = rig_->play_events.events;
        const size_t before = heard.size();
        rig_->engine->random();
        const bool played = heard.size() > before && heard.back().starts_with("new_track ") &&
                            rig_->playing_item() < rig_->playlists->playlist_get_item_count(list_);
        heard.resize(before);
        log(played ? "random track" : "no random track");
    }
    void remove(size_t item) {
        const size_t count = rig_->playlists->playlist_get_item_count(list_);
        const std::unique_ptr<bool[]> mask(new bool[count]());
        mask[item] = true;
        EXPECT_TRUE(rig_->playlists->playlist_remove_items(list_, mask.get(), count));
    }
    void insert(size_t at) {
        const track_ptr t = rig_->track("new.mp3");
        metadb_handle* added[] = {t.get()};
        EXPECT_EQ(rig_->playlists->playlist_insert_items(list_, at, added, 1, nullptr), at);
    }

    events device_;  // outlives the rig's engine
    std::unique_ptr<player_rig> rig_;
    early_output* early_ = nullptr;
    size_t list_ = 0;
    std::string arg_;
    std::map<std::string, std::function<void()>> verbs_;
};

// Each row of data/engine.tsv is what the user does and what is heard.
TEST(PlaybackEngine, StepsAndWhatTheListenerHears) {
    scripted_player player;
    for (const auto& row : cor_test::read_case_table("player/data/engine.tsv", 2))
        EXPECT_EQ(player.run(row), row.fields[1]) << row.where << ": " << row.fields[0];
}

// The playback queue as a listener meets it: each row of data/queue.tsv is
// what the user does, then what plays and what is still queued.
TEST(PlaybackEngine, QueuedItemsPlayFirstInOrderThenTheOrderGoesOnFromTheLast) {
    scripted_player player;
    player.reset(6);
    for (const auto& row : cor_test::read_case_table("player/data/queue.tsv", 3)) {
        player.run(row);
        EXPECT_EQ(player.now(), row.fields[1]) << row.where << ": " << row.fields[0];
        EXPECT_EQ(player.queue(), row.fields[2]) << row.where << ": " << row.fields[0];
    }
}

}  // namespace
}  // namespace cor::test
