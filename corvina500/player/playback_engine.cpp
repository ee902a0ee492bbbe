#include "corvina500/player/playback_engine.h"

#include <algorithm>
#include <cmath>

namespace cor {

playback_engine::playback_engine(service_ptr_t<playlist_manager_impl> playlists,
                                 service_ptr_t<play_callback_manager_impl> callbacks,
                                 std::unique_ptr<audio_output> output, console_fn console)
    : playlists_(std::move(playlists)),
      callbacks_(std::move(callbacks)),
      output_(std::move(output)),
      console_(std::move(console)) {
    playlists_->set_item_player(
        [this](size_t playlist, size_t item) { play_item(playlist, item); });
}

playback_engine::playback_engine(service_ptr_t<playlist_manager_impl> playlists,
                                 service_ptr_t<play_callback_manager_impl> callbacks,
                                 clock_source& clock)
    : playback_engine(std::move(playlists), std::move(callbacks),
                      std::make_unique<silent_output>(clock)) {}

playback_engine::~playback_engine() {
    playlists_->set_item_player({});
    close_output();
}

double playback_engine::gain() const {
    return volume_ <= volume_min ? 0.0 : std::pow(10.0, volume_ / 20.0);
}

bool playback_engine::get_now_playing(metadb_handle** out) {
    if (!out) return false;
    *out = nullptr;
    if (!playing_ || !track_) return false;
    track_->service_add_ref();
    *out = track_.get();
    return true;
}

void playback_engine::start(uint32_t command, bool paused) {
    std::optional<t_item_location> target;
    double position = 0;
    switch (command) {
        case track_command_default:
        case track_command_resume:
            if (playing_) {
                pause(false);
                return;
            }
            if (command == track_command_resume) {
                target = playlists_->last_played();
                if (target) position = resume_position_;
            }
            if (!target) target = playlists_->start_location();
            break;
        case track_command_play:
            target = playlists_->start_location();
            break;
        case track_command_next:
            target = playlists_->navigate(playlist_manager_impl::step::next);
            break;
        case track_command_prev:
            target = playlists_->navigate(playlist_manager_impl::step::previous);
            break;
        case track_command_settrack: {
            const size_t playlist = playlists_->playlist_index(cursor_.playlist_id);
            if (playlists_->item_track(playlist, cursor_.item))
                target = t_item_location{playlist, cursor_.item};
            else
                target = playlists_->start_location();
            cursor_ = {};
            break;
        }
        case track_command_rand:
            target = playlists_->random_location();
            break;
        default:
            return;
    }
    if (target) begin(*target, command, paused, position);
}

void playback_engine::begin(const t_item_location& where, uint32_t command, bool paused,
                            double position) {
    if (!playlists_->item_track(where.playlist, where.item)) return;
    if (playing_) {
        close_output();
        playing_ = false;
        track_.reset();
        playlists_->clear_playing_item();
        notify(play_callback::flag_stop,
               [](play_callback& cb) { cb.on_playback_stop(stop_reason_starting_another); });
    }
    notify(play_callback::flag_starting,
           [&](play_callback& cb) { cb.on_playback_starting(command, paused); });
    if (!open(where, position, paused)) return;
    const track_ptr track = track_;
    notify(play_callback::flag_new_track,
           [&](play_callback& cb) { cb.on_playback_new_track(track.get()); });
}

bool playback_engine::open(t_item_location where, double position, bool paused) {
    // Each item is tried once, so a list of undecodable files ends.
    const size_t tries = playlists_->playlist_get_item_count(where.playlist);
    for (size_t i = 0; i < std::max<size_t>(tries, 1); ++i) {
        if (open_one(where, position, paused)) return true;
        if (!playlists_->item_track(where.playlist, where.item)) return false;
        playlists_->set_playing_item(where.playlist, where.item);
        const auto next = playlists_->navigate(playlist_manager_impl::step::next_automatic);
        playlists_->clear_playing_item();
        if (!next) return false;
        where = *next;
        position = 0;
    }
    return false;
}

bool playback_engine::open_one(const t_item_location& where, double position, bool paused) {
    const track_ptr track = playlists_->item_track(where.playlist, where.item);
    if (!track) return false;
    close_output();
    output_->set_gain(gain());
    std::string error;
    if (!output_->open(track->info(), position, paused, error)) {
        if (console_) console_("Unable to open item for playback: " + track->path() + ": " + error);
        return false;
    }
    paused_ = paused;
    adopt(where, track);
    return true;
}

void playback_engine::adopt(const t_item_location& where, const track_ptr& track) {
    t_track_info info = track->info();
    const size_t known = info.info.size();
    const double length = info.length();
    output_->stream_info(info);
    if (info.info.size() != known || info.length() != length)
        track->set_info(std::make_shared<const t_track_info>(std::move(info)));
    track_ = track;
    playing_ = true;
    length_ = output_->length();
    last_second_ = static_cast<int64_t>(std::floor(output_->position()));
    next_.reset();
    next_track_.reset();
    next_asked_ = next_queued_ = false;
    playlists_->set_playing_item(where.playlist, where.item);
}

void playback_engine::close_output() {
    output_->close();
    next_.reset();
    next_track_.reset();
    next_asked_ = next_queued_ = false;
}

void playback_engine::prepare_next() {
    next_asked_ = true;
    next_queue_generation_ = playlists_->queue_generation();
    if (stop_after_current_) return;
    next_ = playlists_->navigate(playlist_manager_impl::step::next_automatic);
    if (!next_) return;
    next_track_ = playlists_->item_track(next_->playlist, next_->item);
    next_queued_ = next_track_ && output_->queue_next(next_track_->info());
}

void playback_engine::stop_with(uint32_t reason) {
    if (!playing_) return;
    resume_position_ = output_->position();
    close_output();
    playing_ = false;
    paused_ = false;
    length_ = 0;
    track_.reset();
    playlists_->clear_playing_item();
    notify(play_callback::flag_stop, [&](play_callback& cb) { cb.on_playback_stop(reason); });
}

void playback_engine::shutdown() {
    stop_with(stop_reason_shutting_down);
    output_->release();
}

void playback_engine::play_item(size_t playlist, size_t item) {
    if (!playlists_->item_track(playlist, item)) return;
    cursor_ = {playlists_->playlist_id(playlist), item};
    start(track_command_settrack, false);
}

void playback_engine::tick() {
    if (!playing_) return;
    output_->poll();
    if (paused_) return;
    if (next_queued_ && output_->took_next()) {
        const t_item_location where = *next_;
        const track_ptr track = next_track_;
        adopt(where, track);
        notify(play_callback::flag_new_track,
               [&](play_callback& cb) { cb.on_playback_new_track(track.get()); });
        return;
    }
    // The queue changed since the next item was picked: pick again, unless
    // the output is already decoding it (that item then plays first).
    if (next_asked_ && !next_queued_ && next_queue_generation_ != playlists_->queue_generation()) {
        next_.reset();
        next_track_.reset();
        next_asked_ = false;
    }
    if (!next_asked_ && output_->wants_next()) prepare_next();
    if (output_->finished()) {
        end_of_track();
        return;
    }
    const auto second = static_cast<int64_t>(std::floor(output_->position()));
    if (second == last_second_) return;
    last_second_ = second;
    notify(play_callback::flag_time,
           [&](play_callback& cb) { cb.on_playback_time(double(second)); });
}

void playback_engine::end_of_track() {
    if (stop_after_current_) {
        stop_after_current_ = false;
        stop_with(stop_reason_eof);
        return;
    }
    const auto next =
        next_asked_ ? next_ : playlists_->navigate(playlist_manager_impl::step::next_automatic);
    if (!next || !open(*next, 0, false)) {
        stop_with(stop_reason_eof);
        return;
    }
    const track_ptr track = track_;
    notify(play_callback::flag_new_track,
           [&](play_callback& cb) { cb.on_playback_new_track(track.get()); });
}

void playback_engine::pause(bool paused) {
    if (!playing_ || paused == paused_) return;
    output_->pause(paused);
    paused_ = paused;
    notify(play_callback::flag_pause, [&](play_callback& cb) { cb.on_playback_pause(paused); });
}

void playback_engine::play_or_pause() {
    if (playing_)
        toggle_pause();
    else
        start(track_command_play, false);
}

void playback_engine::seek(double seconds) {
    if (!can_seek() || std::isnan(seconds)) return;
    const double at = std::clamp(seconds, 0.0, length_);
    output_->seek(at);
    last_second_ = static_cast<int64_t>(std::floor(at));
    notify(play_callback::flag_seek, [&](play_callback& cb) { cb.on_playback_seek(at); });
}

void playback_engine::seek_delta(double seconds) {
    if (can_seek()) seek(output_->position() + seconds);
}

void playback_engine::set_volume(float decibels) {
    if (std::isnan(decibels)) return;
    const float value = std::clamp(decibels, volume_min, volume_max);
    if (value == volume_) return;
    volume_ = value;
    if (playing_) output_->set_gain(gain());
    notify(play_callback::flag_volume_change,
           [&](play_callback& cb) { cb.on_volume_change(value); });
}

void playback_engine::volume_mute_toggle() {
    if (volume_ > volume_min) {
        volume_before_mute_ = volume_;
        set_volume(volume_min);
    } else {
        set_volume(volume_before_mute_ > volume_min ? volume_before_mute_ : volume_max);
    }
}

void playback_engine::notify_track_changed(const metadb_handle_impl* track) {
    if (!playing_ || !track_ || track_.get() != track) return;
    const track_ptr playing = track_;
    notify(play_callback::flag_edited,
           [&](play_callback& cb) { cb.on_playback_edited(playing.get()); });
}

size_t playback_engine::get_playback_order_count() {
    return playlists_->playback_order_get_count();
}

bool playback_engine::get_playback_order_name(size_t index, string_sink& out) {
    return playlists_->playback_order_get_name(index, out);
}

size_t playback_engine::get_playback_order() { return playlists_->playback_order_get_active(); }

bool playback_engine::set_playback_order(size_t index) {
    return playlists_->playback_order_set_active(index);
}

bool playback_engine::get_playing_item(size_t* playlist, size_t* item) {
    return playlists_->get_playing_item(playlist, item);
}

}  // namespace cor
