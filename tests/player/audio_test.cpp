#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
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
    [[nodiscard]] std::optional<t_wav_format> parse() const {
        const auto file = riff();
        t_wav_format f;
        if (!parse_wav_header(file, file.size(), f)) return std::nullopt;
        return f;
    }
};

TEST(WavHeader, ReadsFormatsClampsDataToTheFileAndRefusesTheRest) {
    // An odd chunk is padded to even.
    const auto pcm =
        wav_builder().fmt(1, 2, 44100, 16).chunk("LIST", 4, 3).chunk("data", 44100 * 4, 44100 * 4);
    auto f = pcm.parse();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->channels, 2);
    EXPECT_EQ(f->sample_rate, 44100u);
    EXPECT_EQ(f->bits, 16);
    EXPECT_FALSE(f->is_float);
    EXPECT_EQ(f->data_offset, pcm.riff().size() - 44100 * 4);
    EXPECT_EQ(f->frames(), 44100u);
    EXPECT_DOUBLE_EQ(f->length(), 1.0);

    f = wav_builder().fmt(3, 1, 8000, 32, true).chunk("data", 800, 800).parse();
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->is_float);
    EXPECT_DOUBLE_EQ(f->length(), 200.0 / 8000);

    // A truncated file, with an odd tail byte: the whole frames that exist.
    f = wav_builder().fmt(1, 2, 1000, 16).chunk("data", 403, 1000000).parse();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->data_size, 400u);
    // Written while streaming: the size is not known.
    f = wav_builder().fmt(1, 1, 1000, 8).chunk("data", 50, 0xFFFFFFFF).parse();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->frames(), 50u);

    const wav_builder refused[] = {
        wav_builder().fmt(0x55, 2, 44100, 16).chunk("data", 8, 8),  // MP3 inside
        wav_builder().fmt(1, 2, 44100, 12).chunk("data", 8, 8),
        wav_builder().chunk("data", 8, 8),
        wav_builder().fmt(1, 2, 44100, 16),
        wav_builder().chunk("JUNK", 0, 0xFFFFFFF0),
    };
    for (const auto& w : refused) EXPECT_FALSE(w.parse()) << &w - refused;
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

// Stands in for the decoding output: refuses paths not ending in ".wav",
// logs what it opens and the gain, and keeps time as the silent output does.
class fake_device : public silent_output {
public:
    fake_device(clock_source& clock, std::vector<std::string>& log)
        : silent_output(clock), log_(log) {}
    bool open(const t_track_info& track, double position, bool paused,
              std::string& error) override {
        if (!track.path.ends_with(".wav")) {
            error = "no decoder for this format";
            return false;
        }
        log_.push_back("open " + track.path + (paused ? " paused" : ""));
        return silent_output::open(track, position, paused, error);
    }
    void set_gain(double gain) override { log_.push_back("gain " + number_text(gain)); }
    void stream_info(t_track_info& info) override { info.set_info("codec", "PCM"); }

private:
    std::vector<std::string>& log_;
};

TEST(PlaybackDevice, UnplayableItemsAreReportedOnceAndSkipped) {
    events device_log;  // outlives the rig's engine
    player_rig rig;
    rig.use_output(std::make_unique<fake_device>(rig.clock, device_log));
    const size_t p = rig.create("L");
    rig.add(p, {"tone.wav", "song.mp3", "other.wav", "last.mp3"});
    auto& e = *rig.engine;
    e.set_volume(-20);
    e.start(playback_control::track_command_play, true);
    e.pause(false);
    rig.run(10);  // tone.wav ends: the MP3 is refused, the next WAV plays
    EXPECT_EQ(device_log, (events{"gain 0.1", "open tone.wav paused", "gain 0.1", "gain 0.1",
                                  "open other.wav"}));
    EXPECT_EQ(rig.console,
              (events{"Unable to open item for playback: song.mp3: no decoder for this format"}));
    EXPECT_EQ(rig.now_playing(), "other.wav");
    const std::string* codec = rig.tracks.find("other.wav")->info().find_info("codec");
    ASSERT_TRUE(codec);
    EXPECT_EQ(*codec, "PCM") << "what the decoder says is kept";

    // Only unplayable items left: each is reported once and playback stops.
    rig.console.clear();
    rig.run(10.5);
    EXPECT_FALSE(e.is_playing());
    EXPECT_EQ(rig.console,
              (events{"Unable to open item for playback: last.mp3: no decoder for this format"}));
}

}  // namespace
}  // namespace cor::test
