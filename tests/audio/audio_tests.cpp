// Decoding, seeking, gapless joins, skipping and the output file, on sample
// files that make_samples.sh encodes from a generated sine before the suite
// runs (COR_AUDIO_SAMPLES names their folder).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "corvina500/player/audio_sink.h"
#include "corvina500/player/decoder.h"
#include "corvina500/player/file_io.h"
#include "corvina500/player/playback_engine.h"
#include "corvina500/player/stream_output.h"
#include "corvina500/player/wav.h"
#include "e2e/process.h"
#include "player/player_rig.h"
#include "support/test_folder.h"

namespace cor::test {
namespace {

constexpr uint32_t rate = 44100;
constexpr double peak = 16384;  // the sine's amplitude at its loudest

std::string samples_folder() {
    const char* env = std::getenv("COR_AUDIO_SAMPLES");
    std::string dir = env ? env : "";
    if (!dir.empty() && dir[0] == '/') {  // a Unix path: Wine sees it on Z:
        std::replace(dir.begin(), dir.end(), '/', '\\');
        dir = "Z:" + dir;
    }
    return dir;
}

std::string sample(const std::string& name) { return samples_folder() + "\\" + name; }

std::vector<int16_t> decode_all(decoder& d) {
    std::vector<int16_t> out;
    std::vector<int16_t> chunk(4096 * d.format().channels);
    while (size_t n = d.read(chunk.data(), 4096))
        out.insert(out.end(), chunk.begin(),
                   chunk.begin() + std::ptrdiff_t(n * d.format().channels));
    return out;
}

// Root-mean-square of the left channel over [from, from + count) frames.
double rms(const std::vector<int16_t>& pcm, size_t from, size_t count) {
    double sum = 0;
    for (size_t i = from; i < from + count; ++i) sum += double(pcm[2 * i]) * pcm[2 * i];
    return std::sqrt(sum / double(count));
}

// Rising zero crossings per second of the left channel over [from, from + count).
double frequency(const std::vector<int16_t>& pcm, size_t from, size_t count) {
    int crossings = 0;
    size_t first = 0, last = 0;
    for (size_t i = from + 1; i < from + count; ++i)
        if (pcm[2 * (i - 1)] < 0 && pcm[2 * i] >= 0) {
            if (!crossings) first = i;
            last = i;
            ++crossings;
        }
    return crossings > 1 ? (crossings - 1) * double(rate) / double(last - first) : 0;
}

std::vector<int16_t> read_wav_samples(const std::string& path) {
    const auto bytes = read_file(path);
    if (!bytes) return {};
    const auto* p = reinterpret_cast<const uint8_t*>(bytes->data());
    t_wav_format f;
    if (!parse_wav_header({p, bytes->size()}, bytes->size(), f) || f.bits != 16) return {};
    std::vector<int16_t> out(f.data_size / 2);
    std::memcpy(out.data(), p + f.data_offset, out.size() * 2);
    return out;
}

// The sine rises from a tenth to nine tenths of `peak` over its 3 seconds,
// so the level at a point tells where in the file it is.
TEST(Decoding, EveryFormatGivesTheSineAndSeeksWithin50ms) {
    ASSERT_FALSE(samples_folder().empty()) << "COR_AUDIO_SAMPLES is not set";
    std::string unsupported;
    const std::pair<std::string, std::string> formats[] = {
        {"sine.wav", "PCM"}, {"sine.flac", "FLAC"}, {"sine.ogg", "Vorbis"},
        {"sine.mp3", "MP3"}, {"sine.m4a", "AAC"},   {"sine.wma", "WMA"}};
    for (const auto& [file, codec] : formats) {
        SCOPED_TRACE(file);
        const bool made = std::filesystem::exists(fs_path(sample(file)));
        std::string error;
        auto d = made ? open_decoder(sample(file), error) : nullptr;
        // Wine decodes AAC and WMA only with GStreamer's libav plugins.
        if (!made || (!d && (codec == "AAC" || codec == "WMA"))) {
            unsupported += " " + file + " (" + (made ? error : "no encoder") + ")";
            continue;
        }
        ASSERT_TRUE(d) << error;
        EXPECT_EQ(d->codec(), codec);
        EXPECT_EQ(d->format(), (t_stream_format{rate, 2}));
        EXPECT_NEAR(double(d->length()) / rate, 3.0, 0.06);
        const auto pcm = decode_all(*d);
        const size_t frames = pcm.size() / 2;
        ASSERT_GT(frames, 2.9 * rate);
        // Codec delay shifts lossy streams by a few milliseconds at most.
        EXPECT_NEAR(double(frames) / rate, 3.0, 0.06);
        EXPECT_NEAR(frequency(pcm, rate, rate), 440.0, 1.0);
        const double middle = rms(pcm, size_t(1.5 * rate) - 1024, 2048) * std::sqrt(2.0);
        EXPECT_NEAR(middle, 0.5 * peak, 0.03 * peak);

        for (const double at : {1.5, 0.25, 2.75}) {
            SCOPED_TRACE(at);
            ASSERT_TRUE(d->seek(uint64_t(at * rate)));
            std::vector<int16_t> after(2048 * 2);
            ASSERT_EQ(d->read(after.data(), 2048), 2048u);
            const size_t frame = size_t(at * rate);
            if (codec == "PCM" || codec == "FLAC") {  // lossless
                EXPECT_TRUE(std::equal(after.begin(), after.end(), pcm.begin() + 2 * frame))
                    << "the same samples as decoding from the start";
                continue;
            }
            // Where in the whole decode the level after the seek is found.
            const double level = rms(after, 0, 2048);
            size_t best = 0;
            double best_gap = 1e9;
            for (size_t f = frame - rate / 5; f < frame + rate / 5; f += 22) {
                const double gap = std::abs(rms(pcm, f, 2048) - level);
                if (gap < best_gap) best_gap = gap, best = f;
            }
            EXPECT_NEAR(double(best) / rate, at, 0.05);
            EXPECT_NEAR(frequency(after, 0, 2048), 440.0, 6.0);
        }
    }
    if (!unsupported.empty())
        std::cout << "[          ] not decodable here:" << unsupported << "\n";
}

// The engine on the real decoding output, whose sink writes what it hears
// to a WAV file on a clock the test drives.
struct t_playing_rig : player_rig {
    t_playing_rig(const std::string& out_file, const std::vector<std::string>& files) {
        use_output(std::make_unique<stream_output>(make_clock_sink(clock, out_file), false));
        (void)playlists->set_active_playlist(create("L"));
        add(0, files);
    }
    // In steps of 10 ms, as the clock sink hears.
    void run(double seconds) {
        for (int i = 0; i < int(seconds * 100); ++i) {
            clock.advance(0.01);
            engine->tick();
        }
    }
};

TEST(Playback, TimeFollowsWhatIsHeardAndAnUndecodableItemIsSkipped) {
    const cor_test::test_folder temp;
    const std::string out = temp.path("out.wav");
    {
        t_playing_rig rig(out, {sample("corrupt.mp3"), sample("sine.ogg")});
        rig.engine->set_volume(-6.0206f);  // half
        rig.engine->start(playback_control::track_command_play, false);
        ASSERT_EQ(rig.console.size(), 1u);
        EXPECT_EQ(rig.console[0].rfind(
                      "Unable to open item for playback: " + sample("corrupt.mp3") + ": ", 0),
                  0u)
            << rig.console[0];
        EXPECT_EQ(rig.now_playing(), "sine.ogg");
        EXPECT_EQ(rig.engine->get_position(), 0) << "nothing heard yet";
        rig.run(1.0);
        // The clock sink hears in 10 ms steps; time is what it heard.
        EXPECT_NEAR(rig.engine->get_position(), 1.0, 0.011);
        rig.engine->pause(true);
        rig.run(1.0);
        EXPECT_NEAR(rig.engine->get_position(), 1.0, 0.011);
        rig.engine->pause(false);
        rig.engine->seek(2.0);
        EXPECT_NEAR(rig.engine->get_position(), 2.0, 0.001);
        rig.run(1.5);
        EXPECT_FALSE(rig.engine->is_playing()) << "the last track ended";
        EXPECT_EQ(rig.console.size(), 1u) << "reported once";
    }
    // One second from the start, then the last second: at half volume.
    const auto heard = read_wav_samples(out);
    ASSERT_NEAR(double(heard.size()) / 2 / rate, 2.0, 0.03);
    EXPECT_NEAR(rms(heard, rate / 2 - 1024, 2048) * std::sqrt(2.0), 0.5 * 0.233 * peak,
                0.02 * peak);
    EXPECT_NEAR(frequency(heard, 0, rate), 440.0, 1.0);
}

TEST(Playback, TracksOfOneFormatJoinWithoutAGap) {
    for (const char* ext : {"wav", "flac"}) {
        SCOPED_TRACE(ext);
        const cor_test::test_folder temp;
        const std::string out = temp.path("out.wav");
        {
            t_playing_rig rig(out, {sample(std::string("gapless1.") + ext),
                                    sample(std::string("gapless2.") + ext)});
            rig.engine->start(playback_control::track_command_play, false);
            rig.run(1.1);
            EXPECT_EQ(rig.now_playing(), std::string("gapless2.") + ext);
            EXPECT_NEAR(rig.engine->get_position(), 1.1 - (44100 + 1234.0) / rate, 0.011);
            rig.run(1.0);
            EXPECT_FALSE(rig.engine->is_playing());
        }
        auto joined = read_wav_samples(sample("gapless1.wav"));
        const auto tail = read_wav_samples(sample("gapless2.wav"));
        joined.insert(joined.end(), tail.begin(), tail.end());
        const auto heard = read_wav_samples(out);
        EXPECT_TRUE(heard == joined) << "every sample of both tracks, in order, nothing between";
    }
}

TEST(Player, PlaysAFolderIntoTheOutputFileAndSkipsTheCorruptFile) {
    // Wine starts its desktop process with a process's first window; started
    // by the player, it would inherit the player's output pipe and hold it open.
    DestroyWindow(CreateWindowW(L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    const cor_test::test_folder temp;
    const std::string folder = samples_folder() + "\\e2e";
    const auto r = cor_test::run_player({L"--profile", temp.dir().wstring(), L"--no-component",
                                         L"--console", temp.file("console.txt").wstring(), L"--add",
                                         cor_test::widen(folder), L"--play", L"--output-file",
                                         temp.file("out.wav").wstring(), L"--exit-after", L"4500"});
    EXPECT_EQ(r.exit_code, 0);
    const std::string lines = cor_test::read_bytes(temp.file("console.txt"));
    // The tag reader already refuses it, so it never reaches the decoder.
    EXPECT_EQ(lines, folder + "\\b_corrupt.mp3: no MPEG audio frame found (skipped)\n");
    // MP3, FLAC and Ogg of 1 s each, end to end, heard in real time.
    const auto pcm = read_wav_samples(temp.path("out.wav"));
    ASSERT_NEAR(double(pcm.size()) / 2 / rate, 3.0, 0.1);
    for (const double at : {0.5, 1.5, 2.5}) {
        SCOPED_TRACE(at);
        EXPECT_NEAR(frequency(pcm, size_t(at * rate) - 2205, 4410), 440.0, 12.0);
        EXPECT_NEAR(rms(pcm, size_t(at * rate) - 1024, 2048) * std::sqrt(2.0), peak, 0.05 * peak);
    }
}

}  // namespace
}  // namespace cor::test
