// A full $fadewindow of 255 steps on the main window: the CPU time of its
// timer ticks (each one SetLayeredWindowAttributes call and no repaint),
// against one full redraw of the same window for scale.
#include <windows.h>

#include <cstdio>

#include "bench_util.h"
#include "support/component_host.h"
#include "window/script_window.h"

int main(int argc, char** argv) {
    cor_bench::print_load_average();
    const int rounds = cor_bench::rounds_argument(argc, argv, 11);
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
    cor_bench::interleaved all;
    using options = cor_bench::interleaved::options;
    all.add("full fade, 255 ticks (wall)", full_fade, options().runs(1));
    // The thread's clock ticks coarsely: two fades a round.
    all.add("full fade, 255 ticks (thread CPU)", full_fade,
            options().runs(2).timed_by(cor_bench::thread_cpu_ns));
    BYTE alpha = 0;
    all.add(
        "one SetLayeredWindowAttributes call alone",
        [&] { SetLayeredWindowAttributes(main, 0, ++alpha, LWA_ALPHA); }, options().runs(64));
    all.add("one GetLayeredWindowAttributes call alone", [&] {
        COLORREF key;
        BYTE a;
        DWORD flags;
        GetLayeredWindowAttributes(main, &key, &a, &flags);
    });
    all.add("one full redraw of the window, for scale", [&] { window->redraw(true); });
    all.run(rounds, 5e6);
    all.print("ms", 1e6);
    if (const auto* fade = all.find("full fade, 255 ticks (wall)"))
        std::printf("%-66s %10.3f %10.3f\n", "one tick (wall), from the full fade's",
                    fade->min() / 255 / 1e6, fade->median() / 255 / 1e6);
    host.eval("$transwindow(main,alpha:0)");
    return 0;
}
