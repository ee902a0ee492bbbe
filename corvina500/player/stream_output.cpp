#include "corvina500/player/stream_output.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#ifdef _WIN32
#include <windows.h>
#endif

#include "corvina500/dsp/dsp_chain.h"

namespace cor {
namespace {

constexpr size_t chunk_frames = 4096;
// The next track is asked for this long before the current one runs out.
constexpr double next_lead_seconds = 2.0;

}  // namespace

stream_output::stream_output(std::unique_ptr<audio_sink> sink, bool threaded,
                             std::unique_ptr<audio_sink> fallback, notice_fn notice)
    : sink_(std::move(sink)),
      fallback_(std::move(fallback)),
      notice_(std::move(notice)),
      threaded_(threaded) {
    if (threaded_) thread_ = std::thread([this] { run(); });
}

stream_output::~stream_output() {
    stop_thread();
    close();
    sink_->close();
}

void stream_output::stop_thread() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> hold(lock_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void stream_output::run() {
#ifdef _WIN32
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
#endif
    std::unique_lock<std::mutex> hold(lock_);
    while (!quit_) {
        pump();
        void* event = segments_.empty() ? nullptr : sink_->wake_event();
        if (event) {
#ifdef _WIN32
            hold.unlock();
            WaitForSingleObject(static_cast<HANDLE>(event), 10);
            hold.lock();
#endif
        } else {
            wake_.wait_for(hold, std::chrono::milliseconds(segments_.empty() ? 50 : 10));
        }
    }
#ifdef _WIN32
    if (SUCCEEDED(com)) CoUninitialize();
#endif
}

bool stream_output::open(const t_track_info& track, double position, bool paused,
                         std::string& error) {
    auto source = open_decoder(track.path, error);
    if (!source) return false;
    const t_stream_format format = source->format();
    std::lock_guard<std::mutex> hold(lock_);
    segments_.clear();
    took_next_ = false;
    sink_->flush();
    if (!sink_->open(format, error)) {
        if (!fallback_) return false;
        std::string device_error = error;
        if (!fallback_->open(format, error)) return false;
        sink_->close();
        sink_ = std::move(fallback_);
        if (notice_)
            notice_("corvina500: " + device_error + "; playing without sound");
    }
    t_segment s;
    const uint64_t end = source->length();
    uint64_t frame = uint64_t(std::max(0.0, position) * format.sample_rate + 0.5);
    if (end) frame = std::min(frame, end);
    if (frame && !source->seek(frame)) frame = 0;
    s.source = std::move(source);
    s.base = frame;
    written_ = 0;
    s.start = 0;
    s.begun = true;
    segments_.push_back(std::move(s));
    paused_ = paused;
    sink_->pause(paused);
    // The first buffer goes out before the command returns.
    pump();
    return true;
}

void stream_output::close() {
    std::lock_guard<std::mutex> hold(lock_);
    segments_.clear();
    took_next_ = false;
    sink_->flush();
    written_ = 0;
}

void stream_output::release() {
    close();
    std::lock_guard<std::mutex> hold(lock_);
    sink_->close();
}

void stream_output::pause(bool paused) {
    std::lock_guard<std::mutex> hold(lock_);
    paused_ = paused;
    sink_->pause(paused);
}

void stream_output::seek(double position) {
    std::lock_guard<std::mutex> hold(lock_);
    if (segments_.empty()) return;
    drop_finished_segments();
    segments_.resize(1);  // a queued next track is decoded again later
    t_segment& s = segments_.front();
    const t_stream_format f = s.source->format();
    uint64_t frame = uint64_t(std::max(0.0, position) * f.sample_rate + 0.5);
    if (s.source->length()) frame = std::min(frame, s.source->length());
    sink_->flush();
    written_ = 0;
    s.start = 0;
    s.begun = true;
    s.eof = !s.source->seek(frame);
    s.base = frame;
    pump();
}

void stream_output::set_gain(double gain) {
    std::lock_guard<std::mutex> hold(lock_);
    gain_ = std::clamp(gain, 0.0, 1.0);
}

void stream_output::poll() {
    if (threaded_) return;
    std::lock_guard<std::mutex> hold(lock_);
    pump();
}

void stream_output::pump() {
    if (segments_.empty()) return;
    const uint16_t channels = segments_.front().source->format().channels;
    for (;;) {
        size_t room = sink_->writable();
        if (room == 0) break;
        // The segment being decoded: the last one not at its end.
        t_segment* s = nullptr;
        for (auto& seg : segments_)
            if (!seg.eof) {
                s = &seg;
                break;
            }
        if (!s) break;
        if (!s->begun) {
            s->start = written_;  // a queued track starts where the last one ended
            s->begun = true;
        }
        const size_t want = std::min(room, chunk_frames);
        buffer_.resize(want * channels);
        const size_t got = s->source->read(buffer_.data(), want);
        if (got == 0) {
            s->eof = true;
            continue;
        }
        if (gain_ < 1.0) {
            for (size_t i = 0; i < got * channels; ++i)
                buffer_[i] = int16_t(std::lround(buffer_[i] * gain_));
        }
        apply_output_dsp(buffer_.data(), got, channels, s->source->format().sample_rate);
        sink_->write(buffer_.data(), got);
        if (tap_) tap_->feed(buffer_.data(), got, channels);
        written_ += got;
        sent_total_ += got;
    }
}

void stream_output::drop_finished_segments() {
    // A queued track has begun once what was heard reaches its start.
    if (segments_.size() < 2) return;
    const uint64_t heard = written_ - std::min<uint64_t>(written_, sink_->queued());
    if (segments_[0].eof && segments_[1].begun && heard >= segments_[1].start) {
        segments_.erase(segments_.begin());
        took_next_ = true;
    }
}

double stream_output::heard_position() {
    if (segments_.empty()) return 0;
    drop_finished_segments();
    const t_segment& s = segments_.front();
    const uint64_t heard = written_ - std::min<uint64_t>(written_, sink_->queued());
    const uint64_t into = heard > s.start ? heard - s.start : 0;
    const t_stream_format f = s.source->format();
    double p = double(s.base + into) / f.sample_rate;
    if (s.source->length()) p = std::min(p, double(s.source->length()) / f.sample_rate);
    return p;
}

double stream_output::position() {
    std::lock_guard<std::mutex> hold(lock_);
    return heard_position();
}

double stream_output::length() {
    std::lock_guard<std::mutex> hold(lock_);
    if (segments_.empty()) return 0;
    drop_finished_segments();
    const auto& s = *segments_.front().source;
    return s.format().sample_rate ? double(s.length()) / s.format().sample_rate : 0;
}

bool stream_output::finished() {
    std::lock_guard<std::mutex> hold(lock_);
    if (segments_.empty()) return false;
    drop_finished_segments();
    return segments_.size() == 1 && segments_.front().eof && sink_->queued() == 0;
}

void stream_output::stream_info(t_track_info& info) {
    std::lock_guard<std::mutex> hold(lock_);
    drop_finished_segments();
    if (!segments_.empty()) add_stream_info(*segments_.front().source, info);
}

bool stream_output::wants_next() {
    std::lock_guard<std::mutex> hold(lock_);
    if (segments_.size() != 1 || paused_) return false;
    const t_segment& s = segments_.front();
    if (s.eof) return true;
    const uint64_t length = s.source->length();
    if (!length) return false;
    const uint64_t decoded = s.base + (written_ - s.start);
    return double(length - std::min(length, decoded)) / s.source->format().sample_rate <
           next_lead_seconds;
}

bool stream_output::queue_next(const t_track_info& track) {
    std::string error;
    auto source = open_decoder(track.path, error);
    if (!source) return false;
    std::lock_guard<std::mutex> hold(lock_);
    if (segments_.size() != 1 || !(source->format() == segments_.front().source->format()))
        return false;
    t_segment s;
    s.source = std::move(source);
    segments_.push_back(std::move(s));
    pump();
    return true;
}

bool stream_output::took_next() {
    std::lock_guard<std::mutex> hold(lock_);
    drop_finished_segments();
    return std::exchange(took_next_, false);
}

uint64_t stream_output::frames_sent() {
    std::lock_guard<std::mutex> hold(lock_);
    return sent_total_;
}

}  // namespace cor
