// A small timing harness: runs a body in rounds until enough time has
// passed, reports the best round in nanoseconds per iteration, and counts
// heap allocations per iteration through the global operator new. For
// comparisons on a shared machine, `series` keeps one figure per round so
// that several measurements can be interleaved round by round and reported
// as min and median.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace cor_bench {

uint64_t allocation_count();

template <class F>
double ns_per_iteration(F&& body, uint64_t min_iterations = 1000) {
    using clock = std::chrono::steady_clock;
    uint64_t n = min_iterations;
    double best = 1e300;
    for (int round = 0; round < 5; ++round) {
        const auto t0 = clock::now();
        for (uint64_t i = 0; i < n; ++i) body();
        const auto t1 = clock::now();
        const double ns = std::chrono::duration<double, std::nano>(t1 - t0).count() / double(n);
        if (ns < best) best = ns;
        if (ns * double(n) < 2e7) n *= 4;  // aim for rounds of ~20 ms
    }
    return best;
}

template <class F>
double allocations_per_iteration(F&& body, uint64_t iterations = 1000) {
    body();  // first run may grow buffers
    const uint64_t before = allocation_count();
    for (uint64_t i = 0; i < iterations; ++i) body();
    return double(allocation_count() - before) / double(iterations);
}

// Prints the load average (1, 5 and 15 minutes) where the system tells it,
// so that figures can be read against how busy the machine was.
void print_load_average();

// Iterations of body that take about target_ns together.
template <class F>
uint64_t calibrate(F&& body, double target_ns) {
    using clock = std::chrono::steady_clock;
    for (uint64_t n = 1;; n *= 2) {
        const auto t0 = clock::now();
        for (uint64_t i = 0; i < n; ++i) body();
        const double ns = std::chrono::duration<double, std::nano>(clock::now() - t0).count();
        if (ns >= target_ns / 4 || n >= (uint64_t{1} << 40))
            return std::max<uint64_t>(
                1, static_cast<uint64_t>(double(n) * target_ns / std::max(ns, 1.0)));
    }
}

// One measurement taken round by round: each round adds the time per
// iteration of one block of a fixed number of iterations.
struct series {
    std::string name;
    uint64_t iterations = 1;
    std::vector<double> ns;

    template <class F>
    void round(F&& body) {
        using clock = std::chrono::steady_clock;
        const auto t0 = clock::now();
        for (uint64_t i = 0; i < iterations; ++i) body();
        ns.push_back(std::chrono::duration<double, std::nano>(clock::now() - t0).count() /
                     double(iterations));
    }
    [[nodiscard]] double min() const { return *std::min_element(ns.begin(), ns.end()); }
    [[nodiscard]] double median() const {
        std::vector<double> v = ns;
        std::sort(v.begin(), v.end());
        return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    }
};

// Several measurements taken in interleaved rounds: each round times every
// measurement once, so load from other work on the shared machine reaches
// them all alike. Each is reported as the min and the median over the
// rounds, per thing measured.
class interleaved {
public:
    // `per`: how many of the things reported one run of the body does;
    // `allocs`: heap allocations per run, printed when not negative;
    // `scale`: what ns are divided by for this one (0: the printed unit's).
    void add(std::string name, std::function<void()> body, double per = 1, double allocs = -1,
             double scale = 0) {
        measurement& m = all_.emplace_back();
        m.s.name = std::move(name);
        m.body = std::move(body);
        m.per = per;
        m.allocs = allocs;
        m.scale = scale;
    }
    // Sizes each measurement's block to about block_ns, then runs the rounds.
    void run(int rounds, double block_ns) {
        for (auto& m : all_) m.s.iterations = calibrate(m.body, block_ns);
        for (int r = 0; r < rounds; ++r)
            for (auto& m : all_) m.s.round(m.body);
        rounds_ = rounds;
        block_ns_ = block_ns;
    }
    // One line per measurement, in `unit` (ns divided by `scale`).
    void print(const char* unit = "ns", double scale = 1) const {
        std::printf(
            "%d interleaved rounds of about %.1f ms each per figure; %s per thing measured\n",
            rounds_, block_ns_ / 1e6, unit);
        std::printf("%-66s %10s %10s %7s\n", "", "min", "median", "allocs");
        for (const auto& m : all_) {
            const double d = m.per * (m.scale > 0 ? m.scale : scale);
            std::printf("%-66s %10.1f %10.1f", m.s.name.c_str(), m.s.min() / d, m.s.median() / d);
            if (m.allocs >= 0) std::printf(" %7.2f", m.allocs);
            std::printf("\n");
        }
    }

private:
    struct measurement {
        series s;
        std::function<void()> body;
        double per = 1;
        double allocs = -1;
        double scale = 0;
    };
    std::deque<measurement> all_;
    int rounds_ = 0;
    double block_ns_ = 0;
};

// The number of rounds given as the first argument, else `fallback`.
inline int rounds_argument(int argc, char** argv, int fallback = 21) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 0;
    return n > 0 ? n : fallback;
}

inline void report(const std::string& name, double ns, double allocs = -1) {
    if (allocs >= 0)
        std::printf("%-58s %12.1f ns  %6.2f allocs\n", name.c_str(), ns, allocs);
    else
        std::printf("%-58s %12.1f ns\n", name.c_str(), ns);
}

}  // namespace cor_bench
