// Reading PCM WAV files for the wave output: the RIFF header, and the
// conversion of any integer or float sample format to the 16-bit samples the
// device gets, with the volume applied as a gain. Pure, so it is tested
// without a device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace cor {

struct t_wav_format {
    uint16_t channels = 0;
    uint32_t sample_rate = 0;
    uint16_t bits = 0;  // per sample, as stored
    bool is_float = false;
    uint16_t block_align = 0;  // bytes per frame
    uint64_t data_offset = 0;
    uint64_t data_size = 0;  // whole frames only

    [[nodiscard]] uint64_t frames() const { return block_align ? data_size / block_align : 0; }
    [[nodiscard]] double length() const { return sample_rate ? double(frames()) / sample_rate : 0; }
};

// Reads the header from the first bytes of a file of `file_size` bytes.
// False for anything but a playable PCM or float WAV whose sample data
// starts within `head`.
[[nodiscard]] bool parse_wav_header(std::span<const uint8_t> head, uint64_t file_size,
                                    t_wav_format& out);

// Converts the whole frames of `in` to interleaved 16-bit samples scaled by
// `gain`; `out` has room for frames * channels samples. Returns the number
// of frames converted.
size_t convert_to_s16(const t_wav_format& format, std::span<const uint8_t> in, double gain,
                      int16_t* out);

}  // namespace cor
