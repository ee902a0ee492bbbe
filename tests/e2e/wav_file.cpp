#include "e2e/wav_file.h"

#include <cmath>

namespace cor_test {
namespace {
void le(std::string& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void chunk(std::string& out, const char* id, const std::string& body) {
    out.append(id, 4);
    le(out, static_cast<uint32_t>(body.size()), 4);
    out += body;
    if (body.size() % 2) out += '\0';
}
}  // namespace

std::string make_wav(const t_wav_format& format) {
    std::string fmt;
    le(fmt, 1, 2);
    le(fmt, format.channels, 2);
    le(fmt, format.sample_rate, 4);
    const uint32_t block = format.channels * format.bits / 8u;
    le(fmt, format.sample_rate * block, 4);
    le(fmt, block, 2);
    le(fmt, format.bits, 2);

    std::string info = "INFO";
    for (const auto& [id, value] : format.tags) chunk(info, id.c_str(), value + '\0');

    const auto frames = static_cast<uint32_t>(format.seconds * format.sample_rate);
    std::string data;
    data.reserve(size_t(frames) * block);
    for (uint32_t i = 0; i < frames; ++i) {
        const double v = std::sin(2 * 3.14159265358979 * 440.0 * i / format.sample_rate) * 0.2;
        for (int c = 0; c < format.channels; ++c) {
            if (format.bits == 16)
                le(data, static_cast<uint16_t>(static_cast<int16_t>(v * 32767)), 2);
            else
                data += static_cast<char>(static_cast<uint8_t>(128 + v * 127));
        }
    }
    std::string body = "WAVE";
    chunk(body, "fmt ", fmt);
    if (!format.tags.empty()) chunk(body, "LIST", info);
    chunk(body, "data", data);
    std::string file = "RIFF";
    le(file, static_cast<uint32_t>(body.size()), 4);
    return file + body;
}

}  // namespace cor_test
