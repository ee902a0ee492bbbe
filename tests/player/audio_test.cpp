#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "corvina500/player/audio_output.h"
#include "corvina500/player/file_io.h"
#include "corvina500/player/wav.h"
#include "player_rig.h"

namespace cor::test {
namespace {

struct wav_builder {
    std::vector<uint8_t> bytes;
    wav_builder& le(uint32_t v, int n) {
        for (int i = 0; i < n; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    wav_builder& tag(const char* t) {
        bytes.insert(bytes.end(), t, t + 4);
        return *this;
    }
    wav_builder& fmt(uint16_t format, uint16_t channels, uint32_t rate, uint16_t bits,
                     bool extensible = false) {
        tag("fmt ").le(extensible ? 40 : 16, 4).le(extensible ? 0xFFFE : format, 2);
        le(channels, 2).le(rate, 4).le(rate * channels * bits / 8, 4).le(channels * bits / 8, 2);
        le(bits, 2);
        // The sub-format identifier starts with the tag.
        if (extensible) le(22, 2).le(bits, 2).le(3, 4).le(format, 2).chunk("", 14, 0);
        return *this;
    }
    // `size` zero bytes after a header declaring `declared`; no header for "".
    wav_builder& chunk(const char* t, uint32_t size, uint32_t declared) {
        if (*t) tag(t).le(declared, 4);
        bytes.insert(bytes.end(), size, 0);
        return *this;
    }
    [[nodiscard]] std::vector<uint8_t> riff() const {
        std::vector<uint8_t> out{'R', 'I', 'F', 'F'};
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t((bytes.size() + 4) >> (8 * i)));
        out.insert(out.end(), {'W', 'A', 'V', 'E'});
        out.insert(out.end(), bytes.begin(), bytes.end());
        return out;
    }
    // What the header tells: "channels rate bits pcm|float offset+size frames
    // seconds", or "refused".
    [[nodiscard]] std::string parse() const {
        const auto file = riff();
        t_wav_format f;
        if (!parse_wav_header(file, file.size(), f)) return "refused";
        return std::to_string(f.channels) + " " + std::to_string(f.sample_rate) + " " +
               std::to_string(f.bits) + (f.is_float ? " float " : " pcm ") +
               std::to_string(f.data_offset) + "+" + std::to_string(f.data_size) + " " +
               std::to_string(f.frames()) + " " + number_text(f.length());
    }
};

TEST(WavHeader, ReadsFormatsClampsDataToTheFileAndRefusesTheRest) {
    const std::pair<wav_builder, const char*> rows[] = {
        // An odd chunk is padded to even.
        {wav_builder().fmt(1, 2, 44100, 16).chunk("LIST", 4, 3).chunk("data", 44100 * 4, 44100 * 4),
         "2 44100 16 pcm 56+176400 44100 1"},
        {wav_builder().fmt(3, 1, 8000, 32, true).chunk("data", 800, 800),
         "1 8000 32 float 68+800 200 0.025"},
        // A truncated file, with an odd tail byte: the whole frames that exist.
        {wav_builder().fmt(1, 2, 1000, 16).chunk("data", 403, 1000000),
         "2 1000 16 pcm 44+400 100 0.1"},
        // Written while streaming: the size is not known.
        {wav_builder().fmt(1, 1, 1000, 8).chunk("data", 50, 0xFFFFFFFF),
         "1 1000 8 pcm 44+50 50 0.05"},
        {wav_builder().fmt(0x55, 2, 44100, 16).chunk("data", 8, 8), "refused"},  // MP3 inside
        {wav_builder().fmt(1, 2, 44100, 12).chunk("data", 8, 8), "refused"},
        {wav_builder().chunk("data", 8, 8), "refused"},
        {wav_builder().fmt(1, 2, 44100, 16), "refused"},
        {wav_builder().chunk("JUNK", 0, 0xFFFFFFF0), "refused"},
    };
    for (const auto& row : rows) EXPECT_EQ(row.first.parse(), row.second) << &row - rows;
    const std::string text = "RIFX....WAVEfmt ";
    t_wav_format out;
    EXPECT_FALSE(
        parse_wav_header({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, 100, out));
    EXPECT_FALSE(parse_wav_header({}, 0, out));
}

TEST(WavConversion, EveryFormatBecomesSixteenBitWithGain) {
    const float floats[] = {2.0f, -0.5f, std::numeric_limits<float>::quiet_NaN()};
    std::vector<uint8_t> raw(sizeof floats);
    std::memcpy(raw.data(), floats, sizeof floats);
    struct row {
        uint16_t channels, bits;
        std::vector<uint8_t> in;
        double gain;
        std::vector<int16_t> out;
    };
    const row rows[] = {
        {1, 8, {0, 128, 255}, 1.0, {-32768, 0, 32512}},
        {1, 16, {0x00, 0x40, 0x00, 0xC0, 0xFF}, 0.5, {8192, -8192}},  // and half a frame
        {1, 24, {0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80}, 1.0, {32767, -32768}},
        {1, 32, raw, 1.0, {32767, -16384, 0}},  // floats: clipped, not wrapped
        {1, 32, raw, 0.0, {0, 0, 0}},
        {2, 16, {1, 0, 2, 0, 3, 0}, 1.0, {1, 2}},  // one frame and a half
    };
    for (const row& r : rows) {
        t_wav_format f;
        f.channels = r.channels;
        f.sample_rate = 8000;
        f.bits = r.bits;
        f.block_align = uint16_t(r.channels * r.bits / 8);
        f.is_float = r.in == raw;
        int16_t out[4] = {};
        EXPECT_EQ(convert_to_s16(f, r.in, r.gain, out), r.out.size() / r.channels) << r.bits;
        EXPECT_EQ(std::vector<int16_t>(out, out + r.out.size()), r.out) << r.bits;
    }
}

TEST(SilentOutput, KeepsTimeOnTheClock) {
    manual_clock clock;
    silent_output out(clock);
    t_track_info track;
    track.length_samples = 441000;
    track.sample_rate = 44100;
    std::string error;
    ASSERT_TRUE(out.open(track, 2, false, error));
    EXPECT_DOUBLE_EQ(out.length(), 10);
    clock.advance(1.5);
    EXPECT_DOUBLE_EQ(out.position(), 3.5);
    out.pause(true);
    clock.advance(5);
    EXPECT_DOUBLE_EQ(out.position(), 3.5);
    out.pause(false);
    clock.advance(0.5);
    EXPECT_DOUBLE_EQ(out.position(), 4);
    out.seek(20);
    EXPECT_DOUBLE_EQ(out.position(), 10);
    EXPECT_TRUE(out.finished());
    out.seek(-1);
    EXPECT_FALSE(out.finished());
    clock.advance(-3);
    EXPECT_EQ(out.position(), 0) << "the clock does not run backwards";
    out.close();
    EXPECT_EQ(out.position(), 0);
    EXPECT_FALSE(out.finished());

    ASSERT_TRUE(out.open(t_track_info{}, 0, false, error));
    EXPECT_TRUE(out.finished()) << "unknown length ends at once";
}

}  // namespace
}  // namespace cor::test
