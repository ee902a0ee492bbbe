// Where a track's sound goes. Real playback decodes each track and sends it
// to a sink (stream_output.h); timing tests use the silent output, which
// only keeps time on a clock they drive by hand. Both are polled from the
// engine's tick on the main thread; neither calls back.
#pragma once

#include <memory>
#include <string>

#include "corvina500/core/track_info.h"
#include "corvina500/player/clock.h"

namespace cor {

class audio_output {
public:
    virtual ~audio_output() = default;
    // Starts `track` at `position`, paused or not. False with a one-line
    // reason when this output cannot play the track; nothing is open then.
    [[nodiscard]] virtual bool open(const t_track_info& track, double position, bool paused,
                                    std::string& error) = 0;
    virtual void close() = 0;
    // Lets go of the device and finishes an output file (at shutdown).
    virtual void release() { close(); }
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
    // Adds what the decoder knows and `info` lacks (codec, bitrate, ...).
    virtual void stream_info(t_track_info& info) { (void)info; }
    // Gapless playback: true when the track being decoded is about to run
    // out and no next one is queued.
    [[nodiscard]] virtual bool wants_next() { return false; }
    // Queues the track that follows; false when it cannot follow without a
    // gap (other format, undecodable), and it is then opened as usual.
    [[nodiscard]] virtual bool queue_next(const t_track_info& track) {
        (void)track;
        return false;
    }
    // True once, when the queued track has begun to be heard; position()
    // and length() then refer to it.
    [[nodiscard]] virtual bool took_next() { return false; }
};

// Plays nothing; takes the length from the track information and the
// position from the clock. A track of unknown length finishes at once.
class silent_output : public audio_output {
public:
    explicit silent_output(clock_source& clock) : clock_(clock) {}
    bool open(const t_track_info& track, double position, bool paused, std::string& error) override;
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

}  // namespace cor
