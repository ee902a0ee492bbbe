// Real playback: decodes the track, applies the volume and feeds a sink.
// Playback time is what the sink has heard: frames written since the last
// start or seek, less what it still holds. With `threaded` a thread of its
// own feeds the sink, woken by the sink's event or every few milliseconds,
// so the main thread's pauses are not heard; without it poll() feeds it,
// which lets tests drive a clock sink by hand.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "corvina500/player/audio_output.h"
#include "corvina500/player/audio_sink.h"
#include "corvina500/player/decoder.h"
#include "corvina500/player/pcm_tap.h"

namespace cor {

class stream_output : public audio_output {
public:
    using notice_fn = std::function<void(std::string_view)>;

    // When `sink` cannot open and `fallback` is given, playback moves to
    // `fallback` for good, with one notice.
    stream_output(std::unique_ptr<audio_sink> sink, bool threaded,
                  std::unique_ptr<audio_sink> fallback = nullptr, notice_fn notice = {});
    ~stream_output() override;
    stream_output(const stream_output&) = delete;
    stream_output& operator=(const stream_output&) = delete;

    bool open(const t_track_info& track, double position, bool paused, std::string& error) override;
    void close() override;
    void release() override;
    void pause(bool paused) override;
    void seek(double position) override;
    void set_gain(double gain) override;
    void poll() override;
    double position() override;
    double length() override;
    bool finished() override;
    void stream_info(t_track_info& info) override;
    bool wants_next() override;
    bool queue_next(const t_track_info& track) override;
    bool took_next() override;

    // Every buffer sent to the sink also goes to `tap`, which must outlive
    // this output (the peak meter).
    void set_tap(pcm_tap* tap) {
        std::lock_guard<std::mutex> hold(lock_);
        tap_ = tap;
    }

    // Frames written to the sink since the output was made (benchmarks).
    [[nodiscard]] uint64_t frames_sent();

private:
    // One track's stretch of what the sink was given.
    struct t_segment {
        std::unique_ptr<decoder> source;
        uint64_t start = 0;  // value of written_ when its first frame went out
        uint64_t base = 0;   // its frame at that point
        bool eof = false;
        bool begun = false;  // its first frame went out
    };

    void pump();  // with the lock held
    void run();
    void stop_thread();
    [[nodiscard]] double heard_position();  // with the lock held
    void drop_finished_segments();          // with the lock held

    std::unique_ptr<audio_sink> sink_;
    std::unique_ptr<audio_sink> fallback_;
    notice_fn notice_;
    bool threaded_;
    std::mutex lock_;
    std::vector<t_segment> segments_;  // playing first; at most one queued after it
    std::vector<int16_t> buffer_;
    uint64_t written_ = 0;  // frames given to the sink since its last flush
    uint64_t sent_total_ = 0;
    double gain_ = 1;
    bool paused_ = false;
    bool took_next_ = false;
    std::thread thread_;
    std::condition_variable wake_;
    bool quit_ = false;
    pcm_tap* tap_ = nullptr;
};

}  // namespace cor
