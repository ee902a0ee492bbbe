// A small timing harness: `interleaved` takes several measurements round by
// round (each round times every measurement once, so load from other work
// on the shared machine reaches them alike) and reports each as the min and
// the median over the rounds; heap allocations per iteration are counted
// through the global operator new.
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
// iteration of one block of a fixed number of iterations, read from
// `clock` (in ns; the steady clock when null).
struct series {
    std::string name;
    uint64_t iterations = 1;
    std::vector<double> ns;
    double (*clock)() = nullptr;

    template <class F>
    void round(F&& body) {
        const double t0 = now();
        for (uint64_t i = 0; i < iterations; ++i) body();
        ns.push_back((now() - t0) / double(iterations));
    }
    [[nodiscard]] double now() const {
        if (clock) return clock();
        return std::chrono::duration<double, std::nano>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    [[nodiscard]] double min() const { return *std::min_element(ns.begin(), ns.end()); }
    [[nodiscard]] double median() const {
        std::vector<double> v = ns;
        std::sort(v.begin(), v.end());
        return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    }
};

// This thread's processor time in ns (the platform's own granularity), for
// series::clock where wall time would mostly measure other work.
double thread_cpu_ns();

// Several measurements taken in interleaved rounds: each round times every
// measurement once, so load from other work on the shared machine reaches
// them all alike. Each is reported as the min and the median over the
// rounds, per thing measured.
class interleaved {
public:
    // How one measurement is taken and printed, beyond its body.
    struct options {
        double per = 1;               // how many of the things reported one run of the body does
        double allocs = -1;           // heap allocations per run, printed when not negative
        double scale = 0;             // what ns are divided by for this one (0: the printed unit's)
        uint64_t iterations = 0;      // runs per round (0: sized to the block)
        std::function<void()> setup;  // untimed, before each round's block
        double (*clock)() = nullptr;  // see series::clock
        // When set, times one run itself and returns its ns (negative:
        // not measured this round); the body is not used.
        std::function<double()> measure;

        options& each(double n) { return per = n, *this; }
        options& runs(uint64_t n) { return iterations = n, *this; }
        options& before(std::function<void()> f) { return setup = std::move(f), *this; }
        options& timed_by(double (*c)()) { return clock = c, *this; }
        options& measured(std::function<double()> f) { return measure = std::move(f), *this; }
    };
    void add(std::string name, std::function<void()> body, double per = 1, double allocs = -1,
             double scale = 0) {
        options o;
        o.per = per;
        o.allocs = allocs;
        o.scale = scale;
        add(std::move(name), std::move(body), std::move(o));
    }
    void add(std::string name, std::function<void()> body, options o) {
        measurement& m = all_.emplace_back();
        m.s.name = std::move(name);
        m.s.clock = o.clock;
        m.body = std::move(body);
        m.o = std::move(o);
    }
    // Sizes each measurement's block to about block_ns (unless its runs per
    // round are fixed), then runs the rounds.
    void run(int rounds, double block_ns) {
        for (auto& m : all_) {
            if (m.o.setup) m.o.setup();
            if (!m.o.measure)
                m.s.iterations = m.o.iterations ? m.o.iterations : calibrate(m.body, block_ns);
        }
        for (int r = 0; r < rounds; ++r)
            for (auto& m : all_) {
                if (m.o.setup) m.o.setup();
                if (!m.o.measure) {
                    m.s.round(m.body);
                } else if (const double ns = m.o.measure(); ns >= 0) {
                    m.s.ns.push_back(ns);
                }
            }
        rounds_ = rounds;
        block_ns_ = block_ns;
    }
    // One line per measurement, in `unit` (ns divided by `scale`).
    void print(const char* unit = "ns", double scale = 1) const {
        std::printf("%d interleaved rounds", rounds_);
        if (block_ns_ > 0) std::printf(" of about %.1f ms each per figure", block_ns_ / 1e6);
        std::printf("; %s per thing measured\n", unit);
        std::printf("%-66s %10s %10s %7s\n", "", "min", "median", "allocs");
        for (const auto& m : all_) {
            if (m.s.ns.empty()) {
                std::printf("%-66s not measured\n", m.s.name.c_str());
                continue;
            }
            const double d = m.o.per * (m.o.scale > 0 ? m.o.scale : scale);
            std::printf("%-66s %10.*f %10.*f", m.s.name.c_str(), digits(m.s.min() / d),
                        m.s.min() / d, digits(m.s.median() / d), m.s.median() / d);
            if (m.o.allocs >= 0) std::printf(" %7.2f", m.o.allocs);
            std::printf("\n");
        }
    }
    // A measurement's series, by the name it was added with (null if none).
    [[nodiscard]] const series* find(const std::string& name) const {
        for (const auto& m : all_)
            if (m.s.name == name) return &m.s;
        return nullptr;
    }

private:
    // Three significant figures at least, for small figures in large units.
    static int digits(double v) { return v >= 100 ? 1 : v >= 1 ? 2 : 3; }
    struct measurement {
        series s;
        std::function<void()> body;
        options o;
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
