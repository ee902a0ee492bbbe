// Panels in script windows: showing a panel into a window, moving it
// between two windows, and closing it (per operation, a script call each);
// and the peak meter's processor time while music plays to a WAV file.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <iterator>
#include <string>

#include "bench_util.h"
#include "corvina500/player/player_core.h"
#include "e2e/wav_file.h"
#include "host/identity.h"
#include "panel/panel_definitions.h"
#include "panels/console_history.h"
#include "panels/panel_types.h"
#include "registry/window_registry.h"
#include "script/stored_scripts.h"
#include "support/component_host.h"
#include "support/test_folder.h"
#include "utf8.h"

namespace {

using clock_type = std::chrono::steady_clock;

double ms_since(clock_type::time_point t0) {
    return std::chrono::duration<double, std::milli>(clock_type::now() - t0).count();
}

void window_operations(int rounds) {
    cor_test::component_host host;
    host.start_ui();
    for (const char* id : {"a", "b"}) vesk::add_definition(vesk::make_identity(), id, id);
    vesk::prepare_all();
    host.eval("$window(a,0,0,500,400)$window(b,520,0,500,400)");
    const struct {
        cor::guid type;
        const char* name;
    } types[] = {{cor::panels::playlist_view_guid, "Playlist View"},
                 {cor::panels::album_art_guid, "Album Art"},
                 {cor::panels::peak_meter_guid, "Peak Meter"}};
    // One panel of each type (p0, p1, p2); each figure puts its panel where
    // it starts from before its round, untimed, messages handled.
    cor_bench::interleaved all;
    using options = cor_bench::interleaved::options;
    for (size_t i = 0; i < std::size(types); ++i) {
        const std::string p = "p" + std::to_string(i);
        vesk::add_panel_definition(types[i].type, p, p);
        const std::string in_a = "$panel(a," + p + ",10,10,300,200)";
        const std::string close = "$closepanel(" + p + ")";
        all.add(
            std::string(types[i].name) + ": show into A and close",
            [&host, in_a, close] { host.eval(in_a + close); },
            options().runs(10).before([&host, close] {
                host.eval(close);
                host.pump(5);
            }));
        all.add(
            std::string(types[i].name) + ": move A -> B (shown)",
            [&host, p, in_a] { host.eval("$panel(b," + p + ",10,10,300,200)" + in_a); },
            options().each(2).runs(5).before([&host, in_a] {
                host.eval(in_a);
                host.pump(5);
            }));
    }
    all.run(rounds, 0);
    all.print("ms", 1e6);
    for (size_t i = 0; i < std::size(types); ++i)
        host.eval("$closepanel(p" + std::to_string(i) + ")");
    vesk::cfg_panel_guid_list.clear();
    vesk::cfg_panel_id_list.clear();
    vesk::cfg_panel_display_list.clear();
    vesk::cfg_panel_ext_list.items().clear();
    host.stop_ui();
}

double process_cpu_ms() {
    FILETIME c, e, k, u;
    GetProcessTimes(GetCurrentProcess(), &c, &e, &k, &u);
    auto ms = [](const FILETIME& f) {
        return double((uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000.0;
    };
    return ms(k) + ms(u);
}

// Plays `seconds` of a tone to a WAV file in real time, with or without a
// peak meter shown; the processor time the process used.
double playing_cpu(const std::wstring& folder, bool with_meter, double seconds) {
    cor::player_core core([](std::string_view) {}, nullptr, cor::to_utf8(folder + L"\\out.wav"));
    auto history = cor::make_console_history();
    auto service = cor::make_panel_service(core, *history);
    (void)core.add_to_active({cor::to_utf8(folder + L"\\tone.wav")});
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
                                  120, nullptr, nullptr, nullptr, nullptr);
    cor::service_ptr_t<cor::ui_extension::window> meter;
    if (with_meter) {
        cor::ui_extension::window* w = nullptr;
        service->create_by_guid(cor::panels::peak_meter_guid, &w);
        meter = cor::service_ptr_t<cor::ui_extension::window>::adopt(w);
        ShowWindow(
            static_cast<HWND>(meter->create_or_transfer_window(parent, nullptr, 0, 0, 280, 60)),
            SW_SHOW);
    }
    core.playback().start(cor::playback_control::track_command_play, false);
    const double cpu0 = process_cpu_ms();
    const auto t0 = clock_type::now();
    const UINT_PTR tick = SetTimer(nullptr, 0, 50, nullptr);
    MSG msg;
    while (ms_since(t0) < seconds * 1000 && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) core.tick();
        DispatchMessageW(&msg);
    }
    KillTimer(nullptr, tick);
    const double cpu = process_cpu_ms() - cpu0;
    if (meter)
        std::printf("  meter frames drawn: %llu in %.1f s\n",
                    static_cast<unsigned long long>(cor::panels::peak_meter_frames(meter.get())),
                    seconds);
    meter.reset();
    core.shutdown();
    DestroyWindow(parent);
    return cpu;
}

void meter_cpu() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"panel_bench";
    CreateDirectoryW(folder.c_str(), nullptr);
    cor_test::t_wav_format f;
    f.seconds = 12;
    cor_test::write_bytes(folder + L"\\tone.wav", cor_test::make_wav(f));
    const double seconds = 8;
    const double without = playing_cpu(folder, false, seconds);
    const double with = playing_cpu(folder, true, seconds);
    std::printf(
        "playing %.0f s: %.0f ms CPU without the meter, %.0f ms with it: the meter "
        "costs %.2f%% of one core\n",
        seconds, without, with, (with - without) / (seconds * 10));
    DeleteFileW((folder + L"\\tone.wav").c_str());
    DeleteFileW((folder + L"\\out.wav").c_str());
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    cor_bench::print_load_average();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    window_operations(cor_bench::rounds_argument(argc, argv, 7));
    meter_cpu();
    CoUninitialize();
    return 0;
}
