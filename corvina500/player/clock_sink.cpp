#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <filesystem>

#include "corvina500/player/audio_sink.h"
#include "corvina500/player/file_io.h"

namespace cor {
namespace {

// A PCM WAV file written as sound arrives; the header's sizes are set when
// it is finished.
class wav_writer {
public:
    explicit wav_writer(std::string path) : path_(std::move(path)) {}
    ~wav_writer() { finish(); }
    wav_writer(const wav_writer&) = delete;
    wav_writer& operator=(const wav_writer&) = delete;

    bool start(const t_stream_format& f, std::string& error) {
        temp_ = fs_path(path_ + ".part");
#ifdef _WIN32
        file_ = _wfopen(temp_.c_str(), L"wb");
#else
        file_ = std::fopen(temp_.c_str(), "wb");
#endif
        if (!file_) {
            error = "cannot write " + path_;
            return false;
        }
        format_ = f;
        header(0);
        return true;
    }
    [[nodiscard]] bool started() const { return file_ != nullptr; }

    void append(const int16_t* samples, size_t count) {
        if (!file_) return;
        // The file is little-endian, as is every platform this runs on.
        bytes_ += std::fwrite(samples, sizeof(int16_t), count, file_) * sizeof(int16_t);
    }

    void finish() {
        if (!file_) return;
        std::fseek(file_, 0, SEEK_SET);
        header(bytes_);
        const bool ok = std::fclose(file_) == 0;
        file_ = nullptr;
        std::error_code ec;
        if (ok) std::filesystem::rename(temp_, fs_path(path_), ec);
        if (!ok || ec) std::filesystem::remove(temp_, ec);
    }

private:
    void put32(uint32_t v) {
        const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        std::fwrite(b, 1, 4, file_);
    }
    void put16(uint16_t v) {
        const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
        std::fwrite(b, 1, 2, file_);
    }
    void header(uint64_t data) {
        const uint32_t size = uint32_t(std::min<uint64_t>(data, 0xFFFFFFFFu - 36));
        std::fwrite("RIFF", 1, 4, file_);
        put32(36 + size);
        std::fwrite("WAVEfmt ", 1, 8, file_);
        put32(16);
        put16(1);
        put16(format_.channels);
        put32(format_.sample_rate);
        put32(format_.sample_rate * format_.channels * 2);
        put16(uint16_t(format_.channels * 2));
        put16(16);
        std::fwrite("data", 1, 4, file_);
        put32(size);
    }

    std::string path_;
    std::filesystem::path temp_;
    std::FILE* file_ = nullptr;
    t_stream_format format_;
    uint64_t bytes_ = 0;
};

class clock_sink : public audio_sink {
public:
    clock_sink(clock_source& clock, std::string path) : clock_(clock) {
        if (!path.empty()) file_ = std::make_unique<wav_writer>(std::move(path));
    }
    ~clock_sink() override { close(); }

    bool open(const t_stream_format& f, std::string& error) override {
        if (f.sample_rate == 0 || f.channels == 0) {
            error = "no sound in this format";
            return false;
        }
        if (file_ && file_->started() && !(f == file_format_)) {
            error = "the output file holds " + std::to_string(file_format_.sample_rate) + " Hz, " +
                    std::to_string(file_format_.channels) + " channels";
            return false;
        }
        if (file_ && !file_->started()) {
            if (!file_->start(f, error)) return false;
            file_format_ = f;
        }
        if (open_ && f == format_) return true;
        flush();
        format_ = f;
        open_ = true;
        return true;
    }

    void close() override {
        flush();
        open_ = false;
        if (file_) file_->finish();
    }

    t_stream_format format() const override { return format_; }

    size_t writable() override {
        if (!open_) return 0;
        advance();
        const size_t room = size_t(std::ceil(sink_buffer_seconds * format_.sample_rate));
        const size_t have = queue_.size() / format_.channels;
        return have >= room ? 0 : room - have;
    }

    void write(const int16_t* samples, size_t frames) override {
        if (!open_) return;
        advance();
        queue_.insert(queue_.end(), samples, samples + frames * format_.channels);
    }

    size_t queued() override {
        if (!open_) return 0;
        advance();
        return queue_.size() / format_.channels;
    }

    void pause(bool paused) override {
        if (paused == paused_) return;
        advance();
        paused_ = paused;
        last_ = clock_.now();
    }

    void flush() override {
        queue_.clear();
        last_ = clock_.now();
        carry_ = 0;
    }

    const char* name() const override { return file_ ? "file" : "none"; }

private:
    // Plays what the time since the last call allows, from the queue's head.
    void advance() {
        const double now = clock_.now();
        const double elapsed = now - last_;
        last_ = now;
        if (paused_ || !open_ || elapsed <= 0) return;
        // Time that finds the queue empty is not owed later.
        carry_ += elapsed * format_.sample_rate;
        const double whole = std::floor(carry_);
        carry_ -= whole;
        const size_t frames = std::min(size_t(whole), queue_.size() / format_.channels);
        if (queue_.size() / format_.channels <= size_t(whole)) carry_ = 0;
        const size_t count = frames * format_.channels;
        if (file_ && count) {
            chunk_.assign(queue_.begin(), queue_.begin() + std::ptrdiff_t(count));
            file_->append(chunk_.data(), count);
        }
        queue_.erase(queue_.begin(), queue_.begin() + std::ptrdiff_t(count));
    }

    clock_source& clock_;
    std::unique_ptr<wav_writer> file_;
    t_stream_format file_format_;
    t_stream_format format_;
    std::deque<int16_t> queue_;
    std::vector<int16_t> chunk_;
    double last_ = 0;
    double carry_ = 0;  // fraction of a frame due
    bool open_ = false;
    bool paused_ = false;
};

}  // namespace

std::unique_ptr<audio_sink> make_clock_sink(clock_source& clock, std::string wav_path) {
    return std::make_unique<clock_sink>(clock, std::move(wav_path));
}

std::unique_ptr<audio_sink> make_realtime_sink(std::string wav_path) {
    // The sink outlives whoever made it, so it keeps its own clock.
    struct realtime_sink : steady_clock_source, clock_sink {
        explicit realtime_sink(std::string path)
            : clock_sink(static_cast<steady_clock_source&>(*this), std::move(path)) {}
    };
    return std::make_unique<realtime_sink>(std::move(wav_path));
}

}  // namespace cor
