// A skin author's save as the player on the folder (--watch) answers it:
// from the custom scripts written to disk (a colour macro changed) until the
// main window shows the new colour and has nothing left to paint: the
// change noticed, the burst waited out, the folder read and checked, the
// scripts prepared again and the window built and painted again.
//
// In process, on a copy of the default profile's readable files.
//
//     watch_bench.exe [SAVES]   (default 20)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/profile_watch.h"
#include "bench_util.h"
#include "corvina500/config/config_store.h"
#include "e2e/process.h"
#include "registry/window_services.h"
#include "support/component_host.h"
#include "support/test_folder.h"

int main(int argc, char** argv) {
    const int saves = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    cor_test::test_folder folder;
    const std::filesystem::path from = cor_test::checkout_path(L"profiles\\default");
    for (const char* part : {"profile.json", "scripts", "images"})
        std::filesystem::copy(from / part, folder.dir() / part,
                              std::filesystem::copy_options::recursive);
    const std::filesystem::path custom = folder.dir() / "scripts" / "custom.tf";
    std::string text;
    {
        std::ifstream in(custom, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::string macro = "c_bg       17-19-24";
    const size_t at = text.find(macro);
    if (at == std::string::npos) {
        std::fprintf(stderr, "watch_bench: no %s in the custom scripts\n", macro.c_str());
        return 1;
    }

    cor_test::component_host host;
    cor::host_config_store store(folder.path("corvina500.cfgstore"), [](std::string_view) {});
    (void)store.load();
    size_t read_again = 0;
    cor::profile_watch watch(folder.dir().string(), [&](std::string_view line) {
        if (line.find(" again: ") != std::string_view::npos) ++read_again;
    });
    watch.make_store(store);
    store.attach(cor_test::make_service<cor::config_io>());
    const HWND main = host.start_ui();
    if (!main) return 1;
    host.pump(200);
    watch.start({cor_test::make_service<cor::config_io>()},
                cor_test::make_service<cor::settings_reload>());
    Sleep(100);

    std::vector<double> ms;
    for (int i = 0; i < saves; ++i) {
        const int red = 40 + i % 200;
        std::string changed = text;
        changed.replace(at, macro.size(), "c_bg       " + std::to_string(red) + "-19-24");
        const size_t before = read_again;
        const auto t0 = std::chrono::steady_clock::now();
        std::ofstream(custom, std::ios::binary | std::ios::trunc) << changed;
        // Until it is read again, shows the colour and has no message left.
        for (;;) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            vesk::window_paint_target* target = vesk::paint_target_of(main);
            const COLORREF shown =
                target ? GetPixel(target->back_buffer_dc(), 4, 300) & 0xFFFFFF : CLR_INVALID;
            if (read_again > before && shown == RGB(red, 19, 24) && !GetQueueStatus(QS_ALLINPUT))
                break;
            if (std::chrono::steady_clock::now() - t0 > std::chrono::seconds(5)) {
                std::fprintf(stderr, "watch_bench: save %d not shown within 5 s\n", i);
                return 1;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        }
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count());
        Sleep(50);  // apart from the next save
    }
    std::sort(ms.begin(), ms.end());
    cor_bench::print_load_average();
    std::printf(
        "save of custom.tf to the window repainted, %d saves (waiting %u ms for a "
        "burst): min %.1f ms, median %.1f ms, max %.1f ms\n",
        saves, cor::profile_watch::settle_ms, ms.front(), ms[ms.size() / 2], ms.back());
    host.stop_ui();
    store.detach_all();
    return 0;
}
