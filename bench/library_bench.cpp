// Reading a library: a folder of a few thousand tagged files scanned into
// the media library, in files per second, and scanned again with nothing
// changed: LIBRARY_BENCH [FILES [ROUNDS [MS]]], each file MS milliseconds
// of sound (1000; 10 makes small files, for libraries of tens of thousands).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_util.h"
#include "media/media_library.h"

namespace {

void le(std::string& s, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void chunk(std::string& out, const char* id, const std::string& body) {
    out.append(id, 4);
    le(out, static_cast<uint32_t>(body.size()), 4);
    out += body;
    if (body.size() % 2) out += '\0';
}

// `ms` milliseconds of 44.1 kHz stereo 16-bit silence with RIFF INFO tags.
std::string tagged_wav(int n, int ms) {
    std::string fmt;
    le(fmt, 1, 2);
    le(fmt, 2, 2);
    le(fmt, 44100, 4);
    le(fmt, 44100 * 4, 4);
    le(fmt, 4, 2);
    le(fmt, 16, 2);
    std::string info = "INFO";
    chunk(info, "INAM", "Track " + std::to_string(n) + '\0');
    chunk(info, "IART", "Artist " + std::to_string(n % 50) + '\0');
    chunk(info, "IPRD", "Album " + std::to_string(n % 300) + '\0');
    chunk(info, "ITRK", std::to_string(n % 12 + 1) + '\0');
    std::string body = "WAVE";
    chunk(body, "fmt ", fmt);
    chunk(body, "LIST", info);
    chunk(body, "data", std::string(size_t(44100) * 4 * size_t(ms) / 1000, '\0'));
    std::string file = "RIFF";
    le(file, static_cast<uint32_t>(body.size()), 4);
    return file + body;
}

}  // namespace

int main(int argc, char** argv) {
    cor_bench::print_load_average();
    const int count = argc > 1 ? std::atoi(argv[1]) : 3000;
    const int ms = argc > 3 ? std::max(1, std::atoi(argv[3])) : 1000;
    const auto root = std::filesystem::temp_directory_path() / "cor_library_bench";
    std::filesystem::remove_all(root);
    for (int i = 0; i < count; ++i) {
        const auto folder =
            root / ("Artist " + std::to_string(i % 50)) / ("Album " + std::to_string(i % 300));
        std::filesystem::create_directories(folder);
        std::ofstream(folder / ("track " + std::to_string(i) + ".wav"), std::ios::binary)
            << tagged_wav(i, ms);
    }
    // Each round scans the folder into a new library.
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    size_t read = 0;
    cor_bench::interleaved all;
    all.add(
        "scan",
        [&] {
            cor::media_library lib;
            lib.set_folders({root.string()});
            read = lib.scan();
        },
        cor_bench::interleaved::options().runs(1));
    // And a library scanned once, scanned again with nothing changed.
    cor::media_library kept;
    kept.set_folders({root.string()});
    (void)kept.scan();
    size_t reread = 0;
    all.add(
        "rescan",
        [&] {
            (void)kept.scan();
            reread += kept.last_scan().read;
        },
        cor_bench::interleaved::options().runs(1));
    // What a start reads back: the library's knowledge of its files, kept
    // between runs, taken into a new library (on the scan's thread).
    const std::string known = kept.save_known();
    all.add(
        "cache",
        [&] {
            cor::media_library next;
            (void)next.load_known(known);
        },
        cor_bench::interleaved::options().runs(1));
    all.run(rounds, 0);
    const cor_bench::series& cache = *all.find("cache");
    std::printf("read back the cache of %zu files (%zu bytes): min %.3f s, median %.3f s\n",
                kept.item_count(), known.size(), cache.min() / 1e9, cache.median() / 1e9);
    const cor_bench::series& scan = *all.find("scan");
    const cor_bench::series& rescan = *all.find("rescan");
    std::printf(
        "rescanned %zu files with nothing changed (%zu read again): min %.3f s, median "
        "%.3f s\n",
        kept.item_count(), reread, rescan.min() / 1e9, rescan.median() / 1e9);
    std::printf(
        "scanned %zu of %d files (%zu bytes each) in %d rounds: min %.3f s (%.0f files per "
        "second), median %.3f s (%.0f files per second)\n",
        read, count, tagged_wav(0, ms).size(), rounds, scan.min() / 1e9,
        double(read) / (scan.min() / 1e9), scan.median() / 1e9,
        double(read) / (scan.median() / 1e9));
    std::filesystem::remove_all(root);
    return read == static_cast<size_t>(count) ? 0 : 1;
}
