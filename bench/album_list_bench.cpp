// The Album List's tree over a library of 20,000 tagged tracks (made in
// memory: the scan has its own benchmark): built for a view, built again
// for another, and narrowed by a filter one keystroke at a time.
//
//     album_list_bench.exe [TRACKS]   (default 20000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench_util.h"
#include "panels/library_tree.h"

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
    std::vector<cor::panels::library_tree::t_item> items;
    for (int i = 0; i < count; ++i) {
        auto t = std::make_shared<cor::t_track_info>();
        t->path = "C:\\music\\Artist " + std::to_string(i % 400) + "\\Album " +
                  std::to_string(i % 1600) + "\\" + std::to_string(i) + ".flac";
        t->add_meta("title", "Track number " + std::to_string(i) + " Überlied");
        t->add_meta("artist", "Artist " + std::to_string(i % 400));
        t->add_meta("album", "Album " + std::to_string(i % 1600));
        t->add_meta("genre", i % 3 ? "Rock" : "Jazz");
        t->add_meta("date", std::to_string(1960 + i % 60));
        items.push_back(std::move(t));
    }
    using clock = std::chrono::steady_clock;
    const auto ms = [](clock::time_point t0) {
        return std::chrono::duration<double, std::milli>(clock::now() - t0).count();
    };
    cor_bench::print_load_average();
    const auto& views = cor::panels::default_library_views();
    cor::panels::library_tree tree;
    for (int round = 0; round < 3; ++round) {
        for (const auto& view : {views[0], views[2]}) {
            auto t0 = clock::now();
            tree.build(items, view.pattern, "");
            std::printf("%s, %d tracks: first build %.1f ms (%zu nodes)", view.name.c_str(), count,
                        ms(t0), tree.nodes().size());
            t0 = clock::now();
            tree.build(items, view.pattern, "");
            std::printf(", again %.1f ms\n", ms(t0));
        }
    }
    // "uberlied 1234", typed: each keystroke filters the whole library.
    const std::string typed = "uberlied 1234";
    double worst = 0, sum = 0;
    for (size_t n = 1; n <= typed.size(); ++n) {
        const auto t0 = clock::now();
        tree.build(items, views[0].pattern, typed.substr(0, n));
        const double took = ms(t0);
        worst = std::max(worst, took);
        sum += took;
    }
    std::printf("filter as typed (%zu keystrokes): mean %.1f ms, worst %.1f ms, %zu tracks left\n",
                typed.size(), sum / double(typed.size()), worst, tree.nodes()[0].tracks.size());
    return 0;
}
