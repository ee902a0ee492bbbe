#include "bench_util.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <thread>

namespace {
std::atomic<uint64_t> g_allocations{0};
}

namespace cor_bench {
uint64_t allocation_count() { return g_allocations.load(std::memory_order_relaxed); }

double thread_cpu_ns() {
#ifdef _WIN32
    FILETIME created, ended, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
    const auto ticks = [](FILETIME t) {
        return uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime;
    };
    return double(ticks(kernel) + ticks(user)) * 100.0;
#else
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
#endif
}

void print_load_average() {
    // Under Wine the Linux file is reached through the drive that maps "/".
    for (const char* path : {"/proc/loadavg", "Z:\\proc\\loadavg"}) {
        if (FILE* f = std::fopen(path, "r")) {
            double a = 0, b = 0, c = 0;
            const int n = std::fscanf(f, "%lf %lf %lf", &a, &b, &c);
            std::fclose(f);
            if (n == 3) {
                std::printf("load average at start: %.2f %.2f %.2f (%u cores)\n", a, b, c,
                            std::thread::hardware_concurrency());
                return;
            }
        }
    }
    std::printf("load average at start: unknown\n");
}
}  // namespace cor_bench

void* operator new(std::size_t n) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
