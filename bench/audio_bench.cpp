// Decoding cost per second of audio for each format, and the latency from
// the play command to the first buffer queued. Takes the folder of sample
// files that tests/audio/make_samples.sh writes (3 s, 44.1 kHz stereo).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_util.h"
#include "corvina500/player/audio_sink.h"
#include "corvina500/player/decoder.h"
#include "corvina500/player/stream_output.h"

using namespace cor;
using clock_type = std::chrono::steady_clock;

static double ms_since(clock_type::time_point t0) {
    return std::chrono::duration<double, std::milli>(clock_type::now() - t0).count();
}

int main(int argc, char** argv) {
    cor_bench::print_load_average();
    if (argc < 2) {
        std::fprintf(stderr, "usage: audio_bench SAMPLES_FOLDER\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::string folder = argv[1];
    std::printf("%-10s %14s %14s %16s\n", "file", "open ms", "decode ms/s", "play->queued ms");
    for (const char* name :
         {"sine.wav", "sine.flac", "sine.ogg", "sine.mp3", "sine.m4a", "sine.wma"}) {
        const std::string path = folder + "\\" + name;
        double best_open = 1e9, best_decode = 1e9, best_start = 1e9;
        bool ok = true;
        for (int round = 0; round < 5 && ok; ++round) {
            std::string error;
            auto t0 = clock_type::now();
            auto d = open_decoder(path, error);
            best_open = std::min(best_open, ms_since(t0));
            if (!d) {
                std::printf("%-10s %s\n", name, error.c_str());
                ok = false;
                break;
            }
            std::vector<int16_t> buf(4096 * d->format().channels);
            uint64_t frames = 0;
            t0 = clock_type::now();
            while (size_t n = d->read(buf.data(), 4096)) frames += n;
            const double seconds = double(frames) / d->format().sample_rate;
            best_decode = std::min(best_decode, ms_since(t0) / seconds);

            manual_clock clock;
            stream_output out(make_clock_sink(clock), false);
            t_track_info info;
            info.path = path;
            t0 = clock_type::now();
            if (out.open(info, 0, false, error) && out.frames_sent() > 0)
                best_start = std::min(best_start, ms_since(t0));
        }
        if (ok)
            std::printf("%-10s %14.2f %14.2f %16.2f\n", name, best_open, best_decode, best_start);
    }
    return 0;
}
