// Writes small PCM WAV files with RIFF INFO tags, as a user's music folder
// would hold them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace cor_test {

struct t_wav_format {
    uint32_t sample_rate = 44100;
    uint16_t channels = 2;
    uint16_t bits = 16;
    double seconds = 1.0;
    // RIFF INFO chunk ids ("INAM", "IART", "IPRD", "ITRK", ...) and UTF-8 values.
    std::vector<std::pair<std::string, std::string>> tags;
};

std::string make_wav(const t_wav_format& format);

}  // namespace cor_test
