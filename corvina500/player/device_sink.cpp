// The sound device. WASAPI in shared mode, event-driven, with about 100 ms
// of buffer; waveOut where WASAPI cannot start (no endpoint, old systems).
// Both signal an event when room frees up, so the feeding thread sleeps
// between buffers.
#include "corvina500/player/audio_sink.h"

#ifdef _WIN32

#include <windows.h>
// After windows.h.
#include <audioclient.h>
#include <mmdeviceapi.h>
#include <mmsystem.h>
#include <propidl.h>
#include <propsys.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "corvina500/player/com_ptr.h"
#include "utf8.h"

namespace cor {
namespace {

constexpr REFERENCE_TIME units_per_second = 10000000;
// The device's name as the system shows it; defined here, as no import
// library carries it.
constexpr PROPERTYKEY device_friendly_name{
    {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 14};
#ifndef AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM
#define AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM 0x80000000
#endif
#ifndef AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY
#define AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY 0x08000000
#endif

WAVEFORMATEX pcm16(const t_stream_format& f) {
    WAVEFORMATEX w{};
    w.wFormatTag = WAVE_FORMAT_PCM;
    w.nChannels = f.channels;
    w.nSamplesPerSec = f.sample_rate;
    w.wBitsPerSample = 16;
    w.nBlockAlign = WORD(f.channels * 2);
    w.nAvgBytesPerSec = f.sample_rate * w.nBlockAlign;
    return w;
}

// The chosen endpoint, or the default one when none is chosen or the
// chosen one is gone (unplugged), so the music still plays.
bool open_endpoint(IMMDeviceEnumerator* devices, const std::string& id, IMMDevice** device) {
    if (!id.empty() && SUCCEEDED(devices->GetDevice(to_wide(id).c_str(), device))) {
        DWORD state = 0;
        if (SUCCEEDED((*device)->GetState(&state)) && state == DEVICE_STATE_ACTIVE) return true;
        (*device)->Release();
        *device = nullptr;
    }
    return SUCCEEDED(devices->GetDefaultAudioEndpoint(eRender, eConsole, device));
}

class wasapi_sink : public audio_sink {
public:
    explicit wasapi_sink(std::shared_ptr<output_device_choice> choice)
        : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)), choice_(std::move(choice)) {}
    ~wasapi_sink() override {
        close();
        if (event_) CloseHandle(event_);
    }

    bool open(const t_stream_format& f, std::string& error) override {
        const uint32_t serial = choice_ ? choice_->serial() : 0;
        if (client_ && f == format_ && serial == serial_) return true;
        close();
        serial_ = serial;
        com_ptr<IMMDeviceEnumerator> devices;
        com_ptr<IMMDevice> device;
        if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                    __uuidof(IMMDeviceEnumerator), devices.put_void())) ||
            !open_endpoint(devices.get(), choice_ ? choice_->get() : std::string(), device.put()) ||
            FAILED(device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr,
                                    client_.put_void()))) {
            client_.reset();
            error = "no audio endpoint";
            return false;
        }
        const WAVEFORMATEX wfx = pcm16(f);
        const DWORD flags = AUDCLNT_STREAMFLAGS_EVENTCALLBACK | AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM |
                            AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY;
        const auto duration = REFERENCE_TIME(sink_buffer_seconds * units_per_second);
        UINT32 frames = 0;
        if (!event_ ||
            FAILED(
                client_->Initialize(AUDCLNT_SHAREMODE_SHARED, flags, duration, 0, &wfx, nullptr)) ||
            FAILED(client_->SetEventHandle(event_)) || FAILED(client_->GetBufferSize(&frames)) ||
            FAILED(client_->GetService(__uuidof(IAudioRenderClient), render_.put_void()))) {
            close();
            error = "the audio endpoint refuses the format";
            return false;
        }
        buffer_frames_ = frames;
        format_ = f;
        started_ = false;
        return true;
    }

    void close() override {
        if (client_) client_->Stop();
        render_.reset();
        client_.reset();
        started_ = false;
    }

    t_stream_format format() const override { return format_; }

    size_t writable() override {
        if (!client_) return 0;
        UINT32 padding = 0;
        if (FAILED(client_->GetCurrentPadding(&padding))) return 0;
        return buffer_frames_ > padding ? buffer_frames_ - padding : 0;
    }

    void write(const int16_t* samples, size_t frames) override {
        if (!client_ || frames == 0) return;
        BYTE* data = nullptr;
        if (FAILED(render_->GetBuffer(UINT32(frames), &data))) return;
        std::memcpy(data, samples, frames * format_.channels * sizeof(int16_t));
        render_->ReleaseBuffer(UINT32(frames), 0);
        // The stream starts once there is sound to play, unless paused.
        if (!started_ && !paused_ && SUCCEEDED(client_->Start())) started_ = true;
    }

    size_t queued() override {
        UINT32 padding = 0;
        if (!client_ || FAILED(client_->GetCurrentPadding(&padding))) return 0;
        return padding;
    }

    void pause(bool paused) override {
        paused_ = paused;
        if (!client_) return;
        if (paused && started_) {
            client_->Stop();
            started_ = false;
        } else if (!paused && !started_ && queued() > 0 && SUCCEEDED(client_->Start())) {
            started_ = true;
        }
    }

    void flush() override {
        if (!client_) return;
        client_->Stop();
        client_->Reset();
        started_ = false;
    }

    void* wake_event() override { return event_; }
    const char* name() const override { return "WASAPI"; }

private:
    HANDLE event_;
    std::shared_ptr<output_device_choice> choice_;
    uint32_t serial_ = 0;
    com_ptr<IAudioClient> client_;
    com_ptr<IAudioRenderClient> render_;
    t_stream_format format_;
    UINT32 buffer_frames_ = 0;
    bool started_ = false;
    bool paused_ = false;
};

class waveout_sink : public audio_sink {
public:
    static constexpr size_t buffer_count = 5;  // of 20 ms each

    waveout_sink() : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~waveout_sink() override {
        close();
        if (event_) CloseHandle(event_);
    }

    bool open(const t_stream_format& f, std::string& error) override {
        if (device_ && f == format_) return true;
        close();
        const WAVEFORMATEX wfx = pcm16(f);
        if (!event_ || waveOutOpen(&device_, WAVE_MAPPER, &wfx, DWORD_PTR(event_), 0,
                                   CALLBACK_EVENT) != MMSYSERR_NOERROR) {
            device_ = nullptr;
            error = "no sound device";
            return false;
        }
        format_ = f;
        const size_t frames = std::max<size_t>(f.sample_rate / 50, 1);
        for (auto& b : buffers_) b.samples.resize(frames * f.channels);
        if (paused_) waveOutPause(device_);
        written_ = 0;
        return true;
    }

    void close() override {
        if (!device_) return;
        waveOutReset(device_);
        for (auto& b : buffers_) {
            if (b.prepared) waveOutUnprepareHeader(device_, &b.header, sizeof(WAVEHDR));
            b = {};
        }
        waveOutClose(device_);
        device_ = nullptr;
    }

    t_stream_format format() const override { return format_; }

    size_t writable() override {
        if (!device_) return 0;
        for (auto& b : buffers_)
            if (!busy(b)) return b.samples.size() / format_.channels;
        return 0;
    }

    void write(const int16_t* samples, size_t frames) override {
        if (!device_) return;
        for (auto& b : buffers_) {
            if (busy(b)) continue;
            frames = std::min(frames, b.samples.size() / format_.channels);
            std::memcpy(b.samples.data(), samples, frames * format_.channels * sizeof(int16_t));
            if (b.prepared) waveOutUnprepareHeader(device_, &b.header, sizeof(WAVEHDR));
            b.header = {};
            b.header.lpData = reinterpret_cast<LPSTR>(b.samples.data());
            b.header.dwBufferLength = DWORD(frames * format_.channels * 2);
            b.prepared =
                waveOutPrepareHeader(device_, &b.header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
            if (b.prepared && waveOutWrite(device_, &b.header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR)
                written_ += frames;
            return;
        }
    }

    size_t queued() override {
        if (!device_) return 0;
        MMTIME t{};
        t.wType = TIME_SAMPLES;
        if (waveOutGetPosition(device_, &t, sizeof t) == MMSYSERR_NOERROR) {
            uint64_t heard = t.wType == TIME_SAMPLES ? t.u.sample
                             : t.wType == TIME_BYTES ? t.u.cb / (format_.channels * 2u)
                                                     : written_;
            heard = std::min(heard, written_);
            // Done buffers are heard, whatever the position says.
            size_t pending = 0;
            for (auto& b : buffers_)
                if (busy(b)) pending += b.header.dwBufferLength / (format_.channels * 2u);
            return size_t(std::min<uint64_t>(written_ - heard, pending));
        }
        size_t pending = 0;
        for (auto& b : buffers_)
            if (busy(b)) pending += b.header.dwBufferLength / (format_.channels * 2u);
        return pending;
    }

    void pause(bool paused) override {
        paused_ = paused;
        if (!device_) return;
        if (paused)
            waveOutPause(device_);
        else
            waveOutRestart(device_);
    }

    void flush() override {
        if (!device_) return;
        waveOutReset(device_);
        if (paused_) waveOutPause(device_);
        written_ = 0;
    }

    void* wake_event() override { return event_; }
    const char* name() const override { return "waveOut"; }

private:
    struct t_buffer {
        WAVEHDR header{};
        std::vector<int16_t> samples;
        bool prepared = false;
    };
    static bool busy(const t_buffer& b) { return b.prepared && !(b.header.dwFlags & WHDR_DONE); }

    HANDLE event_;
    HWAVEOUT device_ = nullptr;
    std::array<t_buffer, buffer_count> buffers_;
    t_stream_format format_;
    uint64_t written_ = 0;  // frames since the last reset
    bool paused_ = false;
};

// Chooses between the two at the first open, when a format is known, and
// keeps the choice.
class device_sink : public audio_sink {
public:
    explicit device_sink(std::shared_ptr<output_device_choice> choice)
        : choice_(std::move(choice)) {}

    bool open(const t_stream_format& f, std::string& error) override {
        if (!chosen_) {
            auto wasapi = std::make_unique<wasapi_sink>(choice_);
            std::string wasapi_error;
            if (wasapi->open(f, wasapi_error)) {
                chosen_ = std::move(wasapi);
                return true;
            }
            auto wave = std::make_unique<waveout_sink>();
            if (!wave->open(f, error)) return false;
            chosen_ = std::move(wave);
            return true;
        }
        return chosen_->open(f, error);
    }
    void close() override {
        if (chosen_) chosen_->close();
    }
    t_stream_format format() const override {
        return chosen_ ? chosen_->format() : t_stream_format{};
    }
    size_t writable() override { return chosen_ ? chosen_->writable() : 0; }
    void write(const int16_t* s, size_t n) override {
        if (chosen_) chosen_->write(s, n);
    }
    size_t queued() override { return chosen_ ? chosen_->queued() : 0; }
    void pause(bool paused) override {
        if (chosen_) chosen_->pause(paused);
    }
    void flush() override {
        if (chosen_) chosen_->flush();
    }
    void* wake_event() override { return chosen_ ? chosen_->wake_event() : nullptr; }
    const char* name() const override { return chosen_ ? chosen_->name() : "device"; }

private:
    std::shared_ptr<output_device_choice> choice_;
    std::unique_ptr<audio_sink> chosen_;
};

}  // namespace

std::unique_ptr<audio_sink> make_device_sink(std::shared_ptr<output_device_choice> choice) {
    return std::make_unique<device_sink>(std::move(choice));
}

std::vector<t_output_device> list_output_devices() {
    std::vector<t_output_device> out;
    com_ptr<IMMDeviceEnumerator> devices;
    com_ptr<IMMDeviceCollection> all;
    UINT count = 0;
    if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                __uuidof(IMMDeviceEnumerator), devices.put_void())) ||
        FAILED(devices->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, all.put())) ||
        FAILED(all->GetCount(&count)))
        return out;
    for (UINT i = 0; i < count; ++i) {
        com_ptr<IMMDevice> device;
        LPWSTR id = nullptr;
        if (FAILED(all->Item(i, device.put())) || FAILED(device->GetId(&id))) continue;
        t_output_device d{to_utf8(id), {}};
        CoTaskMemFree(id);
        com_ptr<IPropertyStore> props;
        PROPVARIANT name;
        PropVariantInit(&name);
        if (SUCCEEDED(device->OpenPropertyStore(STGM_READ, props.put())) &&
            SUCCEEDED(props->GetValue(device_friendly_name, &name)) && name.vt == VT_LPWSTR)
            d.name = to_utf8(name.pwszVal);
        PropVariantClear(&name);
        if (d.name.empty()) d.name = d.id;
        out.push_back(std::move(d));
    }
    return out;
}

}  // namespace cor

#else

namespace cor {
std::unique_ptr<audio_sink> make_device_sink(std::shared_ptr<output_device_choice>) {
    return nullptr;
}
std::vector<t_output_device> list_output_devices() { return {}; }
}  // namespace cor

#endif

namespace cor {

void output_device_choice::set(std::string id) {
    std::lock_guard hold(lock_);
    if (id == id_) return;
    id_ = std::move(id);
    ++serial_;
}

std::string output_device_choice::get() const {
    std::lock_guard hold(lock_);
    return id_;
}

uint32_t output_device_choice::serial() const {
    std::lock_guard hold(lock_);
    return serial_;
}

}  // namespace cor
