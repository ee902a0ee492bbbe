// A full $fadewindow of 255 steps on the main window: the CPU time of its
// timer ticks (each one SetLayeredWindowAttributes call and no repaint),
// against one full redraw of the same window for scale.
#include <windows.h>

#include <cstdio>

#include "bench_util.h"
#include "support/component_host.h"
#include "window/script_window.h"

namespace {

double thread_cpu_ms() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto ticks = [](FILETIME t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

}  // namespace

int main() {
    cor_bench::print_load_average();
    cor_test::component_host host;
    const HWND main = host.start_ui();
    vesk::script_window* window = vesk::script_window::from_handle(main);
    if (!window) {
        std::printf("no main window\n");
        return 1;
    }
    // Ticks are sent directly: the 10 ms between them is waiting, not work.
    const auto full_fade = [&] {
        host.eval("$fadewindow(main,255,0,-1,10)");
        int ticks = 0;
        while (window->fade.running()) {
            SendMessageW(main, WM_TIMER, vesk::fade_timer_id, 0);
            ++ticks;
        }
        return ticks;
    };
    const int ticks = full_fade();
    if (ticks != 255) {
        std::printf("fade took %d ticks, not 255\n", ticks);
        return 1;
    }
    const double fade_ns = cor_bench::ns_per_iteration(full_fade, 4);
    cor_bench::report("full fade, 255 ticks (wall)", fade_ns);
    cor_bench::report("one tick (wall)", fade_ns / 255);

    // CPU time over many fades: the thread's clock ticks coarsely.
    const int fades = 200;
    const double cpu0 = thread_cpu_ms();
    for (int i = 0; i < fades; ++i) full_fade();
    const double cpu_ms = (thread_cpu_ms() - cpu0) / fades;
    std::printf("%-58s %12.3f ms\n", "full fade, 255 ticks (thread CPU)", cpu_ms);

    BYTE alpha = 0;
    const double raw_ns = cor_bench::ns_per_iteration(
        [&] { SetLayeredWindowAttributes(main, 0, ++alpha, LWA_ALPHA); }, 255);
    cor_bench::report("one SetLayeredWindowAttributes call alone", raw_ns);
    const double read_ns = cor_bench::ns_per_iteration([&] {
        COLORREF key;
        BYTE a;
        DWORD flags;
        GetLayeredWindowAttributes(main, &key, &a, &flags);
    });
    cor_bench::report("one GetLayeredWindowAttributes call alone", read_ns);

    const double redraw_ns = cor_bench::ns_per_iteration([&] { window->redraw(true); }, 20);
    cor_bench::report("one full redraw of the window, for scale", redraw_ns);
    host.eval("$transwindow(main,alpha:0)");
    return 0;
}
