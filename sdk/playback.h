// The Host's transport: what plays, where, how loud, and the commands that
// change it. Times are seconds from the start of the playing track; volume is
// in decibels from -100 (silent) to 0 (full). Every command is carried out
// before the call returns, with its player events already delivered.
#pragma once

#include <cstddef>
#include <cstdint>

#include "metadb_handle.h"
#include "play_callback.h"
#include "service.h"
#include "titleformat.h"

namespace cor {

class playback_control : public service_base {
public:
    // {FCF76D03-05F6-4A46-A519-07AEFA9C934B}
    static constexpr guid class_guid{
        0xfcf76d03, 0x05f6, 0x4a46, {0xa5, 0x19, 0x07, 0xae, 0xfa, 0x9c, 0x93, 0x4b}};

    // How start() picks the track.
    static constexpr uint32_t track_command_default = 0;   // resume if paused, else play
    static constexpr uint32_t track_command_play = 1;      // the active playlist's focused item
    static constexpr uint32_t track_command_next = 2;      // next by the playback order
    static constexpr uint32_t track_command_prev = 3;      // previous by the playback order
    static constexpr uint32_t track_command_settrack = 4;  // the item chosen as the cursor
    static constexpr uint32_t track_command_rand = 5;      // any item of the active playlist
    static constexpr uint32_t track_command_resume = 6;    // where the last stop left off

    static constexpr uint32_t stop_reason_user = 0;
    static constexpr uint32_t stop_reason_eof = 1;
    static constexpr uint32_t stop_reason_starting_another = 2;
    static constexpr uint32_t stop_reason_shutting_down = 3;

    static constexpr float volume_min = -100.0f;
    static constexpr float volume_max = 0.0f;

    // True while a track is open, paused or not.
    virtual bool is_playing() = 0;
    virtual bool is_paused() = 0;
    virtual bool get_stop_after_current() = 0;
    virtual void set_stop_after_current(bool enabled) = 0;
    virtual bool can_seek() = 0;
    // 0 while stopped.
    virtual double get_position() = 0;
    // Length of the playing track; 0 while stopped or when unknown.
    virtual double get_length() = 0;
    // On success *out receives an owned reference to the playing track.
    [[nodiscard]] virtual bool get_now_playing(metadb_handle** out) = 0;

    // Starting with nothing to play does nothing.
    virtual void start(uint32_t command, bool paused) = 0;
    virtual void stop() = 0;
    // Ignored while stopped.
    virtual void pause(bool paused) = 0;
    virtual void toggle_pause() = 0;
    virtual void next() = 0;
    virtual void previous() = 0;
    virtual void random() = 0;
    // Toggles pause while playing, else starts with track_command_play.
    virtual void play_or_pause() = 0;
    // Absolute position, limited to the track; ignored when it cannot seek.
    virtual void seek(double seconds) = 0;
    virtual void seek_delta(double seconds) = 0;

    virtual float get_volume() = 0;
    // Limited to volume_min .. volume_max.
    virtual void set_volume(float decibels) = 0;
    virtual void volume_up() = 0;
    virtual void volume_down() = 0;
    // Silences, or brings back the volume from before silencing.
    virtual void volume_mute_toggle() = 0;

    // Playback orders, shared with playlist_manager.
    virtual size_t get_playback_order_count() = 0;
    [[nodiscard]] virtual bool get_playback_order_name(size_t index, string_sink& out) = 0;
    virtual size_t get_playback_order() = 0;
    [[nodiscard]] virtual bool set_playback_order(size_t index) = 0;

    // Where the playing track came from; false while stopped or when its
    // playlist or item is gone. Either pointer may be null.
    [[nodiscard]] virtual bool get_playing_item(size_t* playlist, size_t* item) = 0;

protected:
    ~playback_control() = default;
};

}  // namespace cor
