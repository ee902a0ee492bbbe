// Media Foundation's source reader, asked for 16-bit PCM at the stream's own
// rate and channels. Seeking lands on the frame asked for: the reader seeks
// to a point at or before it and the frames up to it are decoded and dropped.
#include "corvina500/player/decoder.h"

#ifdef _WIN32

#include <windows.h>
// After windows.h.
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <propvarutil.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "corvina500/player/com_ptr.h"
#include "sdk/disk_file.h"
#include "sdk/utf8.h"

namespace cor {
namespace {

constexpr DWORD audio_stream = DWORD(MF_SOURCE_READER_FIRST_AUDIO_STREAM);
constexpr double units_per_second = 1e7;  // Media Foundation's 100 ns

// Media Foundation is counted per call; each decoder holds one start.
class mf_started {
public:
    mf_started() : ok_(SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_LITE))) {}
    ~mf_started() {
        if (ok_) MFShutdown();
    }
    mf_started(const mf_started&) = delete;
    mf_started& operator=(const mf_started&) = delete;
    [[nodiscard]] bool ok() const { return ok_; }

private:
    bool ok_;
};

std::string codec_name(const GUID& subtype, std::string_view path) {
    // Audio subtypes carry the wave format tag in their first field.
    switch (subtype.Data1) {
        case 0x0055:
            return "MP3";
        case 0x0050:
            return "MP2";
        case 0xF1AC:
            return "FLAC";
        case 0x1610:
        case 0x00FF:
            return "AAC";
        case 0x0160:
        case 0x0161:
            return "WMA";
        case 0x0162:
            return "WMA Pro";
        case 0x0163:
            return "WMA Lossless";
        case 0x674F:
        case 0x6750:
        case 0x6751:
            return "Vorbis";
        default:
            break;
    }
    // Wine's sources decode inside and call every stream PCM, and name some
    // subtypes by GUIDs of their own: fall back on the file name.
    const size_t dot = path.rfind('.');
    std::string ext = dot == std::string_view::npos ? "" : std::string(path.substr(dot + 1));
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "ogg" || ext == "oga") return "Vorbis";
    if (ext == "m4a" || ext == "mp4" || ext == "aac") return "AAC";
    if (ext == "wma") return "WMA";
    if (ext == "opus") return "Opus";
    if (ext == "wav") return "PCM";
    for (char& c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
    return ext.empty() ? "unknown" : ext;
}

std::string hresult_text(HRESULT hr) {
    switch (hr) {
        case MF_E_UNSUPPORTED_BYTESTREAM_TYPE:
        case MF_E_UNSUPPORTED_FORMAT:
        case MF_E_INVALIDMEDIATYPE:
        case MF_E_INVALID_FORMAT:
            return "unsupported or damaged file";
        case MF_E_TOPO_CODEC_NOT_FOUND:
            return "no decoder for this format";
        case MF_E_INVALIDSTREAMNUMBER:
        case MF_E_NO_MORE_TYPES:
            return "no audio stream";
        case HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND):
        case HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND):
            return "file not found";
        default:
            break;
    }
    char buf[48];
    std::snprintf(buf, sizeof buf, "decoder error 0x%08lX", static_cast<unsigned long>(hr));
    return buf;
}

class mf_decoder : public decoder {
public:
    t_stream_format format() const override { return format_; }
    uint64_t length() const override { return length_; }
    std::string codec() const override { return codec_; }
    uint32_t bitrate() const override { return bitrate_; }

    // False with a reason; the decoder is unusable then.
    bool open(std::string_view path, std::string& error) {
        if (!mf_.ok()) {
            error = "Media Foundation is not available";
            return false;
        }
        // The platform's reader would open a device name and wait on it.
        if (!is_disk_file(to_wide(path))) {
            error = "not a file on disk";
            return false;
        }
        HRESULT hr = MFCreateSourceReaderFromURL(to_wide(path).c_str(), nullptr, reader_.put());
        if (FAILED(hr)) {
            error = hresult_text(hr);
            return false;
        }
        reader_->SetStreamSelection(DWORD(MF_SOURCE_READER_ALL_STREAMS), FALSE);
        hr = reader_->SetStreamSelection(audio_stream, TRUE);
        if (FAILED(hr)) {
            error = "no audio stream";
            return false;
        }
        com_ptr<IMFMediaType> native;
        if (SUCCEEDED(reader_->GetNativeMediaType(audio_stream, 0, native.put()))) {
            GUID subtype{};
            if (SUCCEEDED(native->GetGUID(MF_MT_SUBTYPE, &subtype)))
                codec_ = codec_name(subtype, path);
            // A decoded stream's byte rate says nothing of the file's.
            const bool decoded = subtype == MFAudioFormat_PCM || subtype == MFAudioFormat_Float;
            UINT32 bytes = 0;
            if (!decoded && SUCCEEDED(native->GetUINT32(MF_MT_AUDIO_AVG_BYTES_PER_SECOND, &bytes)))
                bitrate_ = (bytes * 8 + 500) / 1000;
        }
        if (codec_.empty()) codec_ = codec_name(GUID{}, path);
        com_ptr<IMFMediaType> pcm;
        if (FAILED(MFCreateMediaType(pcm.put()))) {
            error = "out of memory";
            return false;
        }
        pcm->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
        pcm->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_PCM);
        pcm->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, 16);
        hr = reader_->SetCurrentMediaType(audio_stream, nullptr, pcm.get());
        if (FAILED(hr)) {
            error = hresult_text(hr);
            return false;
        }
        com_ptr<IMFMediaType> actual;
        UINT32 rate = 0, channels = 0, bits = 0;
        if (FAILED(reader_->GetCurrentMediaType(audio_stream, actual.put())) ||
            FAILED(actual->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate)) ||
            FAILED(actual->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels)) ||
            FAILED(actual->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &bits)) || bits != 16 ||
            rate == 0 || channels == 0 || channels > 8) {
            error = "the decoder gives no 16-bit PCM";
            return false;
        }
        format_ = {rate, uint16_t(channels)};
        PROPVARIANT duration;
        PropVariantInit(&duration);
        if (SUCCEEDED(reader_->GetPresentationAttribute(DWORD(MF_SOURCE_READER_MEDIASOURCE),
                                                        MF_PD_DURATION, &duration)) &&
            duration.vt == VT_UI8)
            length_ = uint64_t(double(duration.uhVal.QuadPart) / units_per_second * rate + 0.5);
        PropVariantClear(&duration);
        if (bitrate_ == 0 && length_) {
            // Compressed streams often leave the rate out of the media type.
            WIN32_FILE_ATTRIBUTE_DATA data{};
            if (GetFileAttributesExW(to_wide(path).c_str(), GetFileExInfoStandard, &data)) {
                const uint64_t size = uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
                bitrate_ = uint32_t(double(size) * 8 / (double(length_) / rate) / 1000 + 0.5);
            }
        }
        // A file that opens but yields no sound is as good as undecodable.
        if (!fill()) {
            error = error_.empty() ? "no audio could be decoded" : error_;
            return false;
        }
        return true;
    }

    size_t read(int16_t* out, size_t frames) override {
        size_t done = 0;
        while (done < frames) {
            if (offset_ >= pending_.size() && !fill()) break;
            const size_t have = (pending_.size() - offset_) / format_.channels;
            const size_t n = std::min(have, frames - done);
            std::memcpy(out + done * format_.channels, pending_.data() + offset_,
                        n * format_.channels * sizeof(int16_t));
            offset_ += n * format_.channels;
            done += n;
        }
        next_frame_ += done;
        return done;
    }

    bool seek(uint64_t frame) override {
        // Some decoders land after the point asked for; step back until they do not.
        for (const double back : {0.0, 0.5, 2.0, 10.0, -1.0}) {
            const double at_seconds =
                back < 0 ? 0.0 : std::max(0.0, double(frame) / format_.sample_rate - back);
            PROPVARIANT at;
            PropVariantInit(&at);
            at.vt = VT_I8;
            at.hVal.QuadPart = LONGLONG(at_seconds * units_per_second);
            const HRESULT hr = reader_->SetCurrentPosition(GUID_NULL, at);
            PropVariantClear(&at);
            if (FAILED(hr)) return false;
            pending_.clear();
            offset_ = 0;
            eof_ = false;
            have_time_ = false;
            if (!fill()) {
                if (back < 0) return false;
                continue;
            }
            // The first block's time says where decoding resumed.
            if (have_time_ && block_frame_ > frame && back >= 0) continue;
            next_frame_ = have_time_ ? block_frame_ : 0;
            return skip_to(frame);
        }
        return false;
    }

private:
    // Drops decoded frames up to `frame`.
    bool skip_to(uint64_t frame) {
        while (next_frame_ < frame) {
            if (offset_ >= pending_.size() && !fill()) return true;  // past the end: at the end
            const uint64_t have = (pending_.size() - offset_) / format_.channels;
            const uint64_t n = std::min<uint64_t>(have, frame - next_frame_);
            offset_ += size_t(n) * format_.channels;
            next_frame_ += n;
        }
        return true;
    }

    // Decodes the next block into pending_; false at the end of the stream.
    bool fill() {
        pending_.clear();
        offset_ = 0;
        while (!eof_) {
            DWORD stream = 0, flags = 0;
            LONGLONG time = 0;
            com_ptr<IMFSample> sample;
            const HRESULT hr =
                reader_->ReadSample(audio_stream, 0, &stream, &flags, &time, sample.put());
            if (FAILED(hr)) {
                error_ = hresult_text(hr);
                eof_ = true;
                break;
            }
            if (flags & MF_SOURCE_READERF_ENDOFSTREAM) eof_ = true;
            if (!sample) continue;
            com_ptr<IMFMediaBuffer> buffer;
            if (FAILED(sample->ConvertToContiguousBuffer(buffer.put()))) continue;
            BYTE* data = nullptr;
            DWORD size = 0;
            if (FAILED(buffer->Lock(&data, nullptr, &size))) continue;
            const size_t samples = size / sizeof(int16_t);
            const size_t whole = samples - samples % format_.channels;
            pending_.resize(whole);
            std::memcpy(pending_.data(), data, whole * sizeof(int16_t));
            buffer->Unlock();
            if (whole == 0) continue;
            block_frame_ = uint64_t(
                std::max<LONGLONG>(time, 0) / units_per_second * format_.sample_rate + 0.5);
            have_time_ = true;
            return true;
        }
        return false;
    }

    mf_started mf_;
    com_ptr<IMFSourceReader> reader_;
    t_stream_format format_;
    uint64_t length_ = 0;
    std::string codec_;
    uint32_t bitrate_ = 0;
    std::string error_;
    std::vector<int16_t> pending_;  // decoded, not yet read
    size_t offset_ = 0;             // samples of pending_ already read
    uint64_t next_frame_ = 0;       // frame the next read starts at
    uint64_t block_frame_ = 0;      // frame of pending_'s first sample, by its time
    bool have_time_ = false;
    bool eof_ = false;
};

}  // namespace

namespace detail {

std::unique_ptr<decoder> open_platform_decoder(std::string_view path, std::string& error) {
    auto d = std::make_unique<mf_decoder>();
    if (!d->open(path, error)) return nullptr;
    return d;
}

}  // namespace detail
}  // namespace cor

#else

namespace cor::detail {

std::unique_ptr<decoder> open_platform_decoder(std::string_view, std::string& error) {
    error = "no decoder for this format";
    return nullptr;
}

}  // namespace cor::detail

#endif
