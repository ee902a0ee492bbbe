// Where decoded sound goes: the sound device, a WAV file or nowhere. A sink
// takes 16-bit interleaved PCM in one format at a time, keeps a short queue
// and says how much of what it took has not been heard yet, which is what
// playback time is measured by.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "corvina500/player/clock.h"
#include "corvina500/player/decoder.h"

namespace cor {

class audio_sink {
public:
    virtual ~audio_sink() = default;
    // Ready for `format`, or false with a reason. Opening the format already
    // open keeps what is queued, so tracks can follow without a gap.
    [[nodiscard]] virtual bool open(const t_stream_format& format, std::string& error) = 0;
    virtual void close() = 0;
    [[nodiscard]] virtual t_stream_format format() const = 0;
    // Frames that write() takes now without waiting.
    [[nodiscard]] virtual size_t writable() = 0;
    virtual void write(const int16_t* samples, size_t frames) = 0;
    // Frames taken but not heard yet.
    [[nodiscard]] virtual size_t queued() = 0;
    virtual void pause(bool paused) = 0;
    // Drops what is queued.
    virtual void flush() = 0;
    // Signalled when more can be written; null for sinks paced by a clock.
    [[nodiscard]] virtual void* wake_event() { return nullptr; }
    // Short name for messages ("WASAPI", "waveOut", "file", "none").
    [[nodiscard]] virtual const char* name() const = 0;
};

// Plays in real time on `clock` without a device, keeping about 100 ms
// queued. With a path, what is heard is written to that PCM WAV file, which
// is finished (through a temporary file renamed into place) on close. The
// file keeps the first format opened; another format is refused.
std::unique_ptr<audio_sink> make_clock_sink(clock_source& clock, std::string wav_path = {});
// The same on a steady clock of its own.
std::unique_ptr<audio_sink> make_realtime_sink(std::string wav_path = {});

// A sound device the user can choose, by the platform's endpoint id.
struct t_output_device {
    std::string id;
    std::string name;
};
// The active playback devices; empty without any (or off Windows).
std::vector<t_output_device> list_output_devices();

// The device the device sink plays on: an endpoint id, or empty for the
// system's default. Shared between the player and the feeding thread; the
// sink looks at it whenever it opens for a track, so a change is heard from
// the next track on.
class output_device_choice {
public:
    void set(std::string id);
    [[nodiscard]] std::string get() const;
    // Grows with each change, so the sink can tell it must reopen.
    [[nodiscard]] uint32_t serial() const;

private:
    mutable std::mutex lock_;
    std::string id_;
    uint32_t serial_ = 0;
};

// The sound device: WASAPI shared mode (on the chosen endpoint, else the
// default one), else waveOut; null when the platform has neither.
std::unique_ptr<audio_sink> make_device_sink(std::shared_ptr<output_device_choice> choice = {});

// Queue length of the clock sink and of the device sinks.
inline constexpr double sink_buffer_seconds = 0.1;

}  // namespace cor
