// Decoding cost per second of audio for each format, and the latency from
// the play command to the first buffer queued. Takes the folder of sample
// files that tests/audio/make_samples.sh writes (3 s, 44.1 kHz stereo).
#include <windows.h>

#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "bench_util.h"
#include "corvina500/player/audio_sink.h"
#include "corvina500/player/decoder.h"
#include "corvina500/player/stream_output.h"

using namespace cor;

int main(int argc, char** argv) {
    cor_bench::print_load_average();
    if (argc < 2) {
        std::fprintf(stderr, "usage: audio_bench SAMPLES_FOLDER [ROUNDS]\n");
        return 2;
    }
    const int rounds = cor_bench::rounds_argument(argc - 1, argv + 1, 7);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::string folder = argv[1];
    // Per file: making the decoder; decoding it to the end, per second of
    // audio (the decoder made untimed before the round); and the play
    // command to the first buffer queued. Every file's figures interleaved.
    cor_bench::interleaved all;
    using options = cor_bench::interleaved::options;
    std::deque<std::unique_ptr<decoder>> open;
    for (const char* name :
         {"sine.wav", "sine.flac", "sine.ogg", "sine.mp3", "sine.m4a", "sine.wma"}) {
        const std::string path = folder + "\\" + name;
        std::string error;
        auto probe = open_decoder(path, error);
        if (!probe) {
            std::printf("%-10s %s\n", name, error.c_str());
            continue;
        }
        uint64_t frames = 0;
        std::vector<int16_t> buf(4096 * probe->format().channels);
        while (size_t n = probe->read(buf.data(), 4096)) frames += n;
        const double seconds = double(frames) / probe->format().sample_rate;
        all.add(
            std::string(name) + ": open",
            [path] {
                std::string e;
                (void)open_decoder(path, e);
            },
            options().runs(1));
        auto& held = open.emplace_back();
        all.add(
            std::string(name) + ": decode per second of audio",
            [&held, buf]() mutable {
                while (held->read(buf.data(), 4096)) {
                }
            },
            options().each(seconds).runs(1).before([&held, path] {
                std::string e;
                held = open_decoder(path, e);
            }));
        all.add(
            std::string(name) + ": play -> first buffer queued",
            [path] {
                manual_clock clock;
                stream_output out(make_clock_sink(clock), false);
                t_track_info info;
                info.path = path;
                std::string e;
                (void)out.open(info, 0, false, e);
            },
            options().runs(1));
    }
    all.run(rounds, 0);
    all.print("ms", 1e6);
    return 0;
}
