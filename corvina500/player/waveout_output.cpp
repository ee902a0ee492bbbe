// The platform's wave output. A few buffers of converted samples are kept
// queued; poll() refills the ones the device has marked done, so there is no
// device callback and no thread of ours.
#include "corvina500/player/audio_output.h"

#ifdef _WIN32

#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "corvina500/player/wav.h"
#include "sdk/utf8.h"

namespace cor {
namespace {

constexpr size_t buffer_count = 4;
constexpr uint32_t buffers_per_second = 10;
constexpr size_t header_probe = 64 * 1024;

class waveout_output : public audio_output {
public:
    ~waveout_output() override { close(); }

    bool open(const t_track_info& track, double position, bool paused) override {
        close();
        file_ = _wfopen(to_wide(track.path).c_str(), L"rb");
        if (!file_) return false;
        if (!read_header() || !open_device()) {
            close();
            return false;
        }
        paused_ = paused;
        if (paused_) waveOutPause(device_);
        restart_at(position);
        return true;
    }

    void close() override {
        if (device_) {
            waveOutReset(device_);
            for (auto& b : buffers_)
                if (b.prepared) waveOutUnprepareHeader(device_, &b.header, sizeof(WAVEHDR));
            waveOutClose(device_);
            device_ = nullptr;
        }
        for (auto& b : buffers_) b = {};
        if (file_) {
            std::fclose(file_);
            file_ = nullptr;
        }
        eof_ = true;
    }

    void pause(bool paused) override {
        if (!device_ || paused == paused_) return;
        paused_ = paused;
        if (paused)
            waveOutPause(device_);
        else
            waveOutRestart(device_);
    }

    void seek(double position) override {
        if (!device_) return;
        waveOutReset(device_);
        if (paused_) waveOutPause(device_);
        restart_at(position);
    }

    void set_gain(double gain) override { gain_ = gain; }

    void poll() override {
        if (!device_) return;
        for (auto& b : buffers_) {
            if (b.queued && (b.header.dwFlags & WHDR_DONE)) b.queued = false;
            if (!b.queued && !eof_) fill(b);
        }
    }

    double position() override {
        if (!device_) return 0;
        MMTIME t{};
        t.wType = TIME_SAMPLES;
        uint64_t played = 0;
        if (waveOutGetPosition(device_, &t, sizeof t) == MMSYSERR_NOERROR) {
            if (t.wType == TIME_SAMPLES)
                played = t.u.sample;
            else if (t.wType == TIME_BYTES)
                played = t.u.cb / (format_.channels * sizeof(int16_t));
        }
        const double p = double(base_frame_ + played) / format_.sample_rate;
        return std::min(p, length());
    }

    double length() override { return format_.length(); }

    bool finished() override {
        if (!device_) return false;
        if (!eof_) return false;
        for (auto& b : buffers_)
            if (b.queued && !(b.header.dwFlags & WHDR_DONE)) return false;
        return true;
    }

private:
    struct t_buffer {
        WAVEHDR header{};
        std::vector<int16_t> samples;
        bool prepared = false;
        bool queued = false;
    };

    bool read_header() {
        std::vector<uint8_t> head(header_probe);
        head.resize(std::fread(head.data(), 1, head.size(), file_));
        if (_fseeki64(file_, 0, SEEK_END) != 0) return false;
        const auto size = _ftelli64(file_);
        return size >= 0 && parse_wav_header(head, uint64_t(size), format_);
    }

    bool open_device() {
        WAVEFORMATEX wfx{};
        wfx.wFormatTag = WAVE_FORMAT_PCM;
        wfx.nChannels = format_.channels;
        wfx.nSamplesPerSec = format_.sample_rate;
        wfx.wBitsPerSample = 16;
        wfx.nBlockAlign = static_cast<WORD>(format_.channels * 2);
        wfx.nAvgBytesPerSec = wfx.nSamplesPerSec * wfx.nBlockAlign;
        if (waveOutOpen(&device_, WAVE_MAPPER, &wfx, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
            device_ = nullptr;
            return false;
        }
        const size_t frames = std::max<uint32_t>(format_.sample_rate / buffers_per_second, 1);
        for (auto& b : buffers_) b.samples.resize(frames * format_.channels);
        return true;
    }

    void restart_at(double position) {
        for (auto& b : buffers_) b.queued = false;
        const double clamped = std::clamp(position, 0.0, length());
        base_frame_ = std::min<uint64_t>(uint64_t(clamped * format_.sample_rate), format_.frames());
        next_frame_ = base_frame_;
        eof_ = false;
        poll();
    }

    void fill(t_buffer& b) {
        const uint64_t left = format_.frames() - next_frame_;
        const size_t want = std::min<uint64_t>(b.samples.size() / format_.channels, left);
        if (want == 0) {
            eof_ = true;
            return;
        }
        raw_.resize(want * format_.block_align);
        const uint64_t at = format_.data_offset + next_frame_ * format_.block_align;
        size_t got = 0;
        if (_fseeki64(file_, int64_t(at), SEEK_SET) == 0)
            got = std::fread(raw_.data(), 1, raw_.size(), file_);
        const size_t frames = convert_to_s16(format_, {raw_.data(), got}, gain_, b.samples.data());
        if (frames == 0) {
            eof_ = true;  // a short file ends where its data does
            return;
        }
        next_frame_ += frames;
        if (b.prepared) waveOutUnprepareHeader(device_, &b.header, sizeof(WAVEHDR));
        b.header = {};
        b.header.lpData = reinterpret_cast<LPSTR>(b.samples.data());
        b.header.dwBufferLength = static_cast<DWORD>(frames * format_.channels * 2);
        b.prepared = waveOutPrepareHeader(device_, &b.header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
        if (b.prepared && waveOutWrite(device_, &b.header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR)
            b.queued = true;
        else
            eof_ = true;
    }

    HWAVEOUT device_ = nullptr;
    std::FILE* file_ = nullptr;
    t_wav_format format_;
    std::array<t_buffer, buffer_count> buffers_;
    std::vector<uint8_t> raw_;
    uint64_t base_frame_ = 0;  // frame at the device's last reset
    uint64_t next_frame_ = 0;  // next frame to read
    bool paused_ = false;
    bool eof_ = true;
    double gain_ = 1;
};

}  // namespace

std::unique_ptr<audio_output> make_device_output() { return std::make_unique<waveout_output>(); }

}  // namespace cor

#else

namespace cor {

std::unique_ptr<audio_output> make_device_output() { return nullptr; }

}  // namespace cor

#endif
