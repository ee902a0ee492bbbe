// A small timing harness: runs a body in rounds until enough time has
// passed, reports the best round in nanoseconds per iteration, and counts
// heap allocations per iteration through the global operator new.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

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

inline void report(const std::string& name, double ns, double allocs = -1) {
    if (allocs >= 0)
        std::printf("%-58s %12.1f ns  %6.2f allocs\n", name.c_str(), ns, allocs);
    else
        std::printf("%-58s %12.1f ns\n", name.c_str(), ns);
}

}  // namespace cor_bench
