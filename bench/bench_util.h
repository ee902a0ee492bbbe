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

inline void report(const std::string& name, double ns, double allocs = -1) {
    if (allocs >= 0)
        std::printf("%-58s %12.1f ns  %6.2f allocs\n", name.c_str(), ns, allocs);
    else
        std::printf("%-58s %12.1f ns\n", name.c_str(), ns);
}

}  // namespace cor_bench
