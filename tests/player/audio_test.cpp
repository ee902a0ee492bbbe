#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <limits>
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
    void u16(uint16_t v) {
        bytes.push_back(uint8_t(v));
        bytes.push_back(uint8_t(v >> 8));
    }
    void u32(uint32_t v) {
        u16(uint16_t(v));
        u16(uint16_t(v >> 16));
    }
    void tag(const char* t) { bytes.insert(bytes.end(), t, t + 4); }
    void fmt(uint16_t format, uint16_t channels, uint32_t rate, uint16_t bits,
             bool extensible = false) {
        tag("fmt ");
        u32(extensible ? 40 : 16);
        u16(extensible ? 0xFFFE : format);
        u16(channels);
        u32(rate);
        u32(rate * channels * bits / 8);
        u16(uint16_t(channels * bits / 8));
        u16(bits);
        if (extensible) {
            u16(22);
            u16(bits);
            u32(3);
            u16(format);  // the sub-format identifier starts with the tag
            for (int i = 0; i < 14; ++i) bytes.push_back(0);
        }
    }
    void chunk(const char* t, uint32_t size, uint32_t declared) {
        tag(t);
        u32(declared);
        bytes.insert(bytes.end(), size, 0);
    }
    std::vector<uint8_t> riff() {
        std::vector<uint8_t> out{'R', 'I', 'F', 'F'};
        const uint32_t size = uint32_t(bytes.size() + 4);
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(size >> (8 * i)));
        out.insert(out.end(), {'W', 'A', 'V', 'E'});
        out.insert(out.end(), bytes.begin(), bytes.end());
        return out;
    }
};

TEST(WavHeader, ReadsPcmAndFloatFormats) {
    wav_builder b;
    b.fmt(1, 2, 44100, 16);
    b.chunk("LIST", 3, 3);  // odd size: padded to even
    b.bytes.push_back(0);
    b.chunk("data", 44100 * 4, 44100 * 4);
    const auto file = b.riff();
    t_wav_format f;
    ASSERT_TRUE(parse_wav_header(file, file.size(), f));
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.sample_rate, 44100u);
    EXPECT_EQ(f.bits, 16);
    EXPECT_FALSE(f.is_float);
    EXPECT_EQ(f.data_offset, file.size() - 44100 * 4);
    EXPECT_EQ(f.frames(), 44100u);
    EXPECT_DOUBLE_EQ(f.length(), 1.0);

    wav_builder x;
    x.fmt(3, 1, 8000, 32, true);
    x.chunk("data", 800, 800);
    const auto ext = x.riff();
    ASSERT_TRUE(parse_wav_header(ext, ext.size(), f));
    EXPECT_TRUE(f.is_float);
    EXPECT_DOUBLE_EQ(f.length(), 200.0 / 8000);
}

TEST(WavHeader, ClampsDataToTheFileAndRefusesTheRest) {
    t_wav_format f;
    wav_builder b;
    b.fmt(1, 2, 1000, 16);
    b.chunk("data", 403, 1000000);  // truncated file, odd tail byte
    auto file = b.riff();
    ASSERT_TRUE(parse_wav_header(file, file.size(), f));
    EXPECT_EQ(f.data_size, 400u) << "whole frames that exist";

    wav_builder s;
    s.fmt(1, 1, 1000, 8);
    s.chunk("data", 50, 0xFFFFFFFF);  // written while streaming
    file = s.riff();
    ASSERT_TRUE(parse_wav_header(file, file.size(), f));
    EXPECT_EQ(f.frames(), 50u);

    const auto refuses = [](wav_builder w) {
        const auto bytes = w.riff();
        t_wav_format out;
        return !parse_wav_header(bytes, bytes.size(), out);
    };
    wav_builder mp3;
    mp3.fmt(0x55, 2, 44100, 16);
    mp3.chunk("data", 8, 8);
    EXPECT_TRUE(refuses(mp3));
    wav_builder odd_bits;
    odd_bits.fmt(1, 2, 44100, 12);
    odd_bits.chunk("data", 8, 8);
    EXPECT_TRUE(refuses(odd_bits));
    wav_builder no_fmt;
    no_fmt.chunk("data", 8, 8);
    EXPECT_TRUE(refuses(no_fmt));
    wav_builder no_data;
    no_data.fmt(1, 2, 44100, 16);
    EXPECT_TRUE(refuses(no_data));
    wav_builder huge_chunk;
    huge_chunk.chunk("JUNK", 0, 0xFFFFFFF0);
    EXPECT_TRUE(refuses(huge_chunk));

    const std::string text = "RIFX....WAVEfmt ";
    EXPECT_FALSE(
        parse_wav_header({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, 100, f));
    EXPECT_FALSE(parse_wav_header({}, 0, f));
}

TEST(WavConversion, EveryFormatBecomesSixteenBitWithGain) {
    t_wav_format f;
    f.channels = 1;
    f.sample_rate = 8000;
    int16_t out[4] = {};

    f.bits = 8;
    f.block_align = 1;
    const uint8_t u8[] = {0, 128, 255};
    EXPECT_EQ(convert_to_s16(f, u8, 1.0, out), 3u);
    EXPECT_EQ(out[0], -32768);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2], 32512);

    f.bits = 16;
    f.block_align = 2;
    const uint8_t s16[] = {0x00, 0x40, 0x00, 0xC0, 0xFF};  // 16384, -16384, half a frame
    EXPECT_EQ(convert_to_s16(f, s16, 0.5, out), 2u);
    EXPECT_EQ(out[0], 8192);
    EXPECT_EQ(out[1], -8192);

    f.bits = 24;
    f.block_align = 3;
    const uint8_t s24[] = {0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80};
    EXPECT_EQ(convert_to_s16(f, s24, 1.0, out), 2u);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[1], -32768);

    f.bits = 32;
    f.block_align = 4;
    f.is_float = true;
    const float floats[] = {2.0f, -0.5f, std::numeric_limits<float>::quiet_NaN()};
    std::vector<uint8_t> raw(sizeof floats);
    std::memcpy(raw.data(), floats, sizeof floats);
    EXPECT_EQ(convert_to_s16(f, raw, 1.0, out), 3u);
    EXPECT_EQ(out[0], 32767) << "clipped, not wrapped";
    EXPECT_EQ(out[1], -16384);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(convert_to_s16(f, raw, 0.0, out), 3u);
    EXPECT_EQ(out[1], 0);

    f.channels = 2;
    f.bits = 16;
    f.block_align = 4;
    f.is_float = false;
    const uint8_t stereo[] = {1, 0, 2, 0, 3, 0};  // one frame and a half
    EXPECT_EQ(convert_to_s16(f, stereo, 1.0, out), 1u);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 2);
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

// Stands in for the decoding output: refuses paths not ending in ".wav"
// and reports what the engine asked of it.
class fake_device : public audio_output {
public:
    explicit fake_device(std::vector<std::string>& log) : log_(log) {}
    bool open(const t_track_info& track, double position, bool paused,
              std::string& error) override {
        if (track.path.size() < 4 || track.path.substr(track.path.size() - 4) != ".wav") {
            error = "no decoder for this format";
            return false;
        }
        log_.push_back("open " + track.path + " at " + number_text(position) +
                       (paused ? " paused" : ""));
        position_ = position;
        return true;
    }
    void close() override { log_.push_back("close"); }
    void pause(bool paused) override { log_.push_back(paused ? "pause" : "resume"); }
    void seek(double position) override {
        log_.push_back("seek " + number_text(position));
        position_ = position;
    }
    void set_gain(double gain) override { log_.push_back("gain " + number_text(gain)); }
    void poll() override { position_ += 0.5; }
    double position() override { return position_; }
    double length() override { return 2; }
    bool finished() override { return position_ >= 2; }
    void stream_info(t_track_info& info) override {
        if (!info.find_info("codec")) info.set_info("codec", "PCM");
    }

private:
    std::vector<std::string>& log_;
    double position_ = 0;
};

struct device_rig : player_rig {
    device_rig()
        : device_engine(make_service<playback_engine>(
              playlists, callbacks, std::make_unique<fake_device>(device_log),
              [this](std::string_view line) { console.emplace_back(line); })) {}
    std::vector<std::string> device_log;
    std::vector<std::string> console;
    service_ptr_t<playback_engine> device_engine;
};

TEST(PlaybackDevice, UnplayableItemsAreReportedOnceAndSkipped) {
    device_rig rig;
    const size_t p = rig.create("L");
    rig.track("song.mp3", 3);
    rig.add(p, {"tone.wav", "song.mp3", "other.wav", "last.mp3"});
    auto& e = *rig.device_engine;
    e.set_volume(-20);
    e.start(playback_control::track_command_play, true);
    EXPECT_DOUBLE_EQ(e.get_length(), 2) << "the output knows the file's length";
    e.pause(false);
    e.seek(1);
    e.tick();  // plays on to 1.5
    e.tick();  // reaches its end: the MP3 is refused, the next WAV plays
    EXPECT_EQ(rig.device_log,
              (std::vector<std::string>{"close", "gain 0.1", "open tone.wav at 0 paused", "resume",
                                        "seek 1", "close", "gain 0.1", "close", "gain 0.1",
                                        "open other.wav at 0"}));
    EXPECT_EQ(rig.console,
              (std::vector<std::string>{
                  "Unable to open item for playback: song.mp3: no decoder for this format"}));
    metadb_handle* now = nullptr;
    ASSERT_TRUE(e.get_now_playing(&now));
    EXPECT_EQ(track_name(now), "other.wav");
    now->service_release();
    const track_ptr other = rig.tracks.find("other.wav");
    ASSERT_TRUE(other);
    ASSERT_TRUE(other->info().find_info("codec"));
    EXPECT_EQ(*other->info().find_info("codec"), "PCM") << "what the decoder says is kept";

    // Only unplayable items left: each is reported once and playback stops.
    rig.console.clear();
    for (int i = 0; i < 4; ++i) e.tick();
    EXPECT_FALSE(e.is_playing());
    EXPECT_EQ(rig.console,
              (std::vector<std::string>{
                  "Unable to open item for playback: last.mp3: no decoder for this format"}));
}

}  // namespace
}  // namespace cor::test
