// Decoders turn a music file into 16-bit interleaved PCM at the file's own
// sample rate and channel count. PCM WAV files are read directly; every
// other format goes through the platform's decoders (Media Foundation's
// source reader on Windows, which Wine bridges to GStreamer).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "corvina500/core/track_info.h"

namespace cor {

struct t_stream_format {
    uint32_t sample_rate = 0;
    uint16_t channels = 0;
    bool operator==(const t_stream_format&) const = default;
};

class decoder {
public:
    virtual ~decoder() = default;
    [[nodiscard]] virtual t_stream_format format() const = 0;
    // Frames in the whole stream; 0 when unknown.
    [[nodiscard]] virtual uint64_t length() const = 0;
    // Up to `frames` frames into `out` (frames * channels samples); 0 at the
    // end of the stream or when decoding fails.
    virtual size_t read(int16_t* out, size_t frames) = 0;
    // The next read starts exactly at `frame`; false when the stream cannot seek.
    virtual bool seek(uint64_t frame) = 0;
    // Codec name and nominal bitrate in kbps (0 when unknown).
    [[nodiscard]] virtual std::string codec() const = 0;
    [[nodiscard]] virtual uint32_t bitrate() const = 0;
};

// The decoder for a file, or null with a one-line reason.
std::unique_ptr<decoder> open_decoder(std::string_view path, std::string& error);

// Fills what `info` does not say yet (codec, bitrate, samplerate, channels,
// length) from an open decoder.
void add_stream_info(const decoder& d, t_track_info& info);

namespace detail {
std::unique_ptr<decoder> open_wav_decoder(std::string_view path, std::string& error);
// Null where the platform has no such decoders.
std::unique_ptr<decoder> open_platform_decoder(std::string_view path, std::string& error);
}  // namespace detail

}  // namespace cor
