// The Host's transport. Everything happens on the main thread: commands come
// from there, and the Host's message loop calls tick() about every 50 ms,
// which reports each whole second heard and moves to the next track when
// one ends. An item that cannot be played is reported on the console once
// and skipped. Playback time is the output's: what was actually heard.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "corvina500/player/audio_output.h"
#include "corvina500/player/callbacks.h"
#include "corvina500/player/clock.h"
#include "corvina500/player/playlist_manager_impl.h"
#include "sdk/playback.h"

namespace cor {

class playback_engine : public playback_control {
public:
    // Decibels Volume up and down move by; the Preferences' Playback page sets it.
    static constexpr float default_volume_step = 1.0f;
    static constexpr float min_volume_step = 0.1f;
    static constexpr float max_volume_step = 20.0f;

    using console_fn = std::function<void(std::string_view)>;

    // Plays on `output`; reasons an item cannot be played go to `console`.
    playback_engine(service_ptr_t<playlist_manager_impl> playlists,
                    service_ptr_t<play_callback_manager_impl> callbacks,
                    std::unique_ptr<audio_output> output, console_fn console = {});
    // Keeps silent time on `clock`, which must outlive the engine (timing tests).
    playback_engine(service_ptr_t<playlist_manager_impl> playlists,
                    service_ptr_t<play_callback_manager_impl> callbacks, clock_source& clock);
    virtual ~playback_engine();
    playback_engine(const playback_engine&) = delete;
    playback_engine& operator=(const playback_engine&) = delete;

    void tick();
    // Stops with the shutting-down reason.
    void shutdown();
    // Plays a playlist item (the default action of an item).
    void play_item(size_t playlist, size_t item);
    // Reports new information of a track; delivers "edited" when it plays.
    void notify_track_changed(const metadb_handle_impl* track);

    bool is_playing() override { return playing_; }
    bool is_paused() override { return playing_ && paused_; }
    bool get_stop_after_current() override { return stop_after_current_; }
    void set_stop_after_current(bool enabled) override { stop_after_current_ = enabled; }
    bool can_seek() override { return playing_ && length_ > 0; }
    double get_position() override { return playing_ ? output_->position() : 0; }
    double get_length() override { return playing_ ? length_ : 0; }
    bool get_now_playing(metadb_handle** out) override;

    void start(uint32_t command, bool paused) override;
    void stop() override { stop_with(stop_reason_user); }
    void pause(bool paused) override;
    void toggle_pause() override { pause(!paused_); }
    void next() override { start(track_command_next, false); }
    void previous() override { start(track_command_prev, false); }
    void random() override { start(track_command_rand, false); }
    void play_or_pause() override;
    void seek(double seconds) override;
    void seek_delta(double seconds) override;

    float get_volume() override { return volume_; }
    void set_volume(float decibels) override;
    void volume_up() override { set_volume(volume_ + volume_step_); }
    void volume_down() override { set_volume(volume_ - volume_step_); }
    [[nodiscard]] float volume_step() const { return volume_step_; }
    // False, and no change, outside [min_volume_step, max_volume_step].
    bool set_volume_step(float decibels) {
        if (!(decibels >= min_volume_step && decibels <= max_volume_step)) return false;
        volume_step_ = decibels;
        return true;
    }
    void volume_mute_toggle() override;

    size_t get_playback_order_count() override;
    bool get_playback_order_name(size_t index, string_sink& out) override;
    size_t get_playback_order() override;
    bool set_playback_order(size_t index) override;
    bool get_playing_item(size_t* playlist, size_t* item) override;

private:
    struct t_cursor {
        uint64_t playlist_id = 0;  // 0: none
        size_t item = no_index;
    };

    void begin(const t_item_location& where, uint32_t command, bool paused, double position);
    // Opens the item's track, or the first playable one after it; false when
    // none can be played.
    bool open(t_item_location where, double position, bool paused);
    // Opens exactly this item; false with the reason printed.
    bool open_one(const t_item_location& where, double position, bool paused);
    // Takes `track` at `where` as the playing track (after open or a gapless switch).
    void adopt(const t_item_location& where, const track_ptr& track);
    void prepare_next();
    void close_output();
    void stop_with(uint32_t reason);
    void end_of_track();
    [[nodiscard]] double gain() const;
    template <class F>
    void notify(uint32_t flag, F&& deliver) {
        callbacks_->notify_play(flag, deliver);
    }

    service_ptr_t<playlist_manager_impl> playlists_;
    service_ptr_t<play_callback_manager_impl> callbacks_;
    std::unique_ptr<audio_output> output_;
    console_fn console_;
    // The item that follows, fixed ahead of the end so gapless playback and
    // the automatic step agree; `next_queued_` when the output has it.
    std::optional<t_item_location> next_;
    track_ptr next_track_;
    bool next_asked_ = false;
    bool next_queued_ = false;
    uint64_t next_queue_generation_ = 0;  // the playback queue's when next_ was picked
    track_ptr track_;
    bool playing_ = false;
    bool paused_ = false;
    bool stop_after_current_ = false;
    double length_ = 0;
    int64_t last_second_ = 0;
    float volume_ = 0;
    float volume_step_ = default_volume_step;
    float volume_before_mute_ = 0;
    t_cursor cursor_;             // what track_command_settrack plays
    double resume_position_ = 0;  // where the last stop left the last track
};

}  // namespace cor
