// Where a track's sound goes. The engine opens each track on the device
// output when there is one and it accepts the track, else on the silent
// output, which only keeps time. Both are polled from the engine's tick on
// the main thread; neither calls back.
#pragma once

#include <memory>

#include "corvina500/core/track_info.h"
#include "corvina500/player/clock.h"

namespace cor {

class audio_output {
public:
    virtual ~audio_output() = default;
    // Starts `track` at `position`, paused or not. False when this output
    // cannot play the track; nothing is open then.
    [[nodiscard]] virtual bool open(const t_track_info& track, double position, bool paused) = 0;
    virtual void close() = 0;
    virtual void pause(bool paused) = 0;
    // Position within the track, limited to 0 .. length().
    virtual void seek(double position) = 0;
    // Linear gain, 0 (silent) .. 1 (unchanged).
    virtual void set_gain(double gain) = 0;
    // Feeds the device; call often (every tick).
    virtual void poll() = 0;
    [[nodiscard]] virtual double position() = 0;
    // 0 when unknown.
    [[nodiscard]] virtual double length() = 0;
    // Everything up to the end of the track has been played.
    [[nodiscard]] virtual bool finished() = 0;
};

// Plays nothing; takes the length from the track information and the
// position from the clock. A track of unknown length finishes at once.
class silent_output : public audio_output {
public:
    explicit silent_output(clock_source& clock) : clock_(clock) {}
    bool open(const t_track_info& track, double position, bool paused) override;
    void close() override;
    void pause(bool paused) override;
    void seek(double position) override;
    void set_gain(double) override {}
    void poll() override {}
    double position() override;
    double length() override { return length_; }
    bool finished() override;

private:
    clock_source& clock_;
    bool open_ = false;
    bool paused_ = false;
    double length_ = 0;
    double base_ = 0;     // position at started_
    double started_ = 0;  // clock time when base_ was reached
};

// The platform's wave output for PCM WAV files; null where there is none.
std::unique_ptr<audio_output> make_device_output();

}  // namespace cor
