// The default profile as a user feels it: how long from start-up to the
// first painted frame of its main window, and from a new track to the
// window repainted for it.
//
// In process: the component starts on the committed store with four tracks
// in the playlist (the Host's player on a silent clock). Start-up is the
// user interface's init, which returns once the main window has painted
// (its load script builds every object first). A new track is timed from
// the Host's start command until every message it caused is handled,
// paints included.
//
// As a process: corvina500.exe on a copy of the profile, from its start
// until its main window is visible, answers a message and has nothing left
// to paint; and the same for the bare player (--no-component), the two
// started alternately.
//
//     profile_bench.exe [PROFILE_FOLDER [ROUNDS [starts]]]
// (default: profiles\default of the checkout, 5 rounds of each start in
// process, 21 of each process start and 20 of each repaint; an empty folder argument takes the
// default; "starts" times the process starts alone, "in" all but them.)
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench_util.h"
#include "corvina500/config/config_store.h"
#include "e2e/wav_file.h"
#include "host/service_factory.h"
#include "script/timers.h"
#include "support/component_host.h"
#include "support/test_folder.h"
#include "user_interface.h"
#include "utf8.h"

namespace {

using clock_type = std::chrono::steady_clock;

double ms_since(clock_type::time_point t0) {
    return std::chrono::duration<double, std::milli>(clock_type::now() - t0).count();
}

std::wstring exe_folder() {
    wchar_t buf[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH * 4);
    std::wstring path(buf, n);
    return path.substr(0, path.find_last_of(L"\\/"));
}

std::wstring temp_folder(const wchar_t* tag) {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    for (unsigned n = 0;; ++n) {
        std::wstring path = std::wstring(tmp) + L"cor_bench_" + tag + L"_" +
                            std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(n);
        if (CreateDirectoryW(path.c_str(), nullptr)) return path;
    }
}

void remove_folder(const std::wstring& path) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((path + L"\\" + fd.cFileName).c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(path.c_str());
}

// Four 60-second tagged tracks, so no track ends while the bench runs.
std::vector<std::string> write_tracks(const std::wstring& folder) {
    std::vector<std::string> paths;
    const char* titles[] = {"Morning Light", "Blue Hour", "Paper Boats", "Night Train"};
    for (int i = 0; i < 4; ++i) {
        cor_test::t_wav_format f;
        f.sample_rate = 8000;
        f.channels = 1;
        f.bits = 8;
        f.seconds = 60;
        f.tags = {{"INAM", titles[i]},
                  {"IART", "The Corvina Quartet"},
                  {"IPRD", "First Light"},
                  {"ITRK", std::to_string(i + 1)}};
        const std::wstring path = folder + L"\\0" + std::to_wstring(i + 1) + L".wav";
        if (cor_test::write_bytes(path, cor_test::make_wav(f))) paths.push_back(cor::to_utf8(path));
    }
    return paths;
}

// Handles messages until none is waiting: posted player events, the scripts
// they run and the paints those leave behind.
void drain_messages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// One figure taken `rounds` times, each time after `setup` (untimed).
void add_rounds(cor_bench::interleaved& all, std::string name, std::function<void()> body,
                std::function<void()> setup = {}) {
    all.add(std::move(name), std::move(body),
            cor_bench::interleaved::options().runs(1).before(std::move(setup)));
}

// The figures in ms, with the first round's beside them: a first start
// pays for fonts, GDI+ and the image of every object's code.
void print_ms(const cor_bench::interleaved& all, const std::vector<std::string>& names) {
    all.print("ms", 1e6);
    for (const auto& name : names)
        if (const auto* s = all.find(name); s && !s->ns.empty())
            std::printf("  first %s: %.1f ms\n", name.c_str(), s->ns.front() / 1e6);
}

cor::service_ptr_t<cor::user_interface> make_ui() {
    for (auto* f : vesk::host::factory_list())
        if (f->get_class_guid() == cor::user_interface::class_guid)
            return cor::service_ptr_t<cor::user_interface>::adopt(
                static_cast<cor::user_interface*>(f->create_instance()));
    return {};
}

// The playlist drawn again when its focused item changes (a click on a
// row, the keyboard), with 20 rows shown, for a short and a long playlist:
// from the focus change until every message it caused is handled.
void playlist_refresh(cor_test::component_host& host, HWND main,
                      const std::vector<std::string>& tracks, int rounds) {
    // Tall enough for 20 rows of 24 pixels below the controls.
    RECT window{}, client{};
    GetWindowRect(main, &window);
    GetClientRect(main, &client);
    SetWindowPos(main, nullptr, 0, 0, 640 + (window.right - window.left) - client.right,
                 740 + (window.bottom - window.top) - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    drain_messages();
    auto& playlists = host.player().playlists();
    for (const size_t length : {size_t(24), size_t(1000), size_t(20000)}) {
        const size_t active = playlists.get_active_playlist();
        std::vector<std::string> more;
        while (playlists.playlist_get_item_count(active) + more.size() < length)
            more.push_back(tracks[more.size() % tracks.size()]);
        host.player().add_to_active(more);
        drain_messages();
        int round = 0;
        cor_bench::interleaved focus;
        add_rounds(focus,
                   "playlist of " + std::to_string(playlists.playlist_get_item_count(active)) +
                       ", 20 rows, focus change",
                   [&] {
                       playlists.playlist_set_focus_item(active, size_t(round++ % 20));
                       drain_messages();
                   });
        add_rounds(focus,
                   "playlist of " + std::to_string(playlists.playlist_get_item_count(active)) +
                       ", 20 rows, drawn again ($ui_playlist)",
                   [&] {
                       host.eval("$ui_playlist()");
                       drain_messages();
                   });
        // The wheel over the rows, as a user scrolls: three rows a notch,
        // down and up in turn from the middle of the list, or from as far
        // down as leaves room for a notch in a short one.
        const int rows_x = std::stoi(host.eval("%ui_pl_x%")) + 100;
        const int rows_y = std::stoi(host.eval("%ui_rows_y%")) + 30;
        host.eval(
            "$hash(ui_first,$min($div($pl_itemcount(),2),"
            "$max(0,$sub($pl_itemcount(),%ui_rows_max%,3))))$ui_playlist()");
        drain_messages();
        int notch = 0;
        add_rounds(focus,
                   "playlist of " + std::to_string(playlists.playlist_get_item_count(active)) +
                       ", 20 rows, one notch of the wheel",
                   [&] {
                       POINT at{rows_x, rows_y};
                       ClientToScreen(main, &at);
                       SendMessageW(main, WM_MOUSEWHEEL,
                                    MAKEWPARAM(0, notch++ % 2 ? WHEEL_DELTA : -WHEEL_DELTA),
                                    MAKELPARAM(at.x, at.y));
                       drain_messages();
                   });
        const std::string first_before = host.eval("%ui_first%");
        focus.run(rounds, 0);
        focus.print("ms", 1e6);
        // A notch that moved nothing would time nothing.
        std::printf("  the wheel moved the first row shown from %s to %s and back\n",
                    first_before.c_str(), std::to_string(std::stoi(first_before) + 3).c_str());
        notch = 0;
        SendMessageW(main, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), [&] {
            POINT at{rows_x, rows_y};
            ClientToScreen(main, &at);
            return MAKELPARAM(at.x, at.y);
        }());
        drain_messages();
        if (host.eval("%ui_first%") != std::to_string(std::stoi(first_before) + 3))
            std::printf("  but a notch now shows %s first: the figures are not a scroll's\n",
                        host.eval("%ui_first%").c_str());
    }
}

// The seek bar's clock while a track plays: one tick of its timer, as the
// main window receives it, until every message it caused is handled (its
// paint included). Each tick moves the position by `step` seconds of the
// 60-second tracks: a quarter second moves the knob about two pixels, as
// a track of a few minutes does; five seconds move it about forty and
// change both times at every tick, as the demo's three-second tracks do.
void seek_clock(cor_test::component_host& host, HWND main, int rounds) {
    auto& playback = host.player().playback();
    playback.start(cor::playback_control::track_command_play, false);
    drain_messages();
    UINT_PTR id = 0;
    for (const auto& t : vesk::timer_registry::instance().timers())
        if (t.name == "ui_tick") id = t.id;
    if (!id) {
        std::printf("the profile started no ui_tick timer: no seek bar clock to time\n");
        return;
    }
    // The bench sends the ticks itself, one per round.
    KillTimer(main, id);
    cor_bench::interleaved clock;
    for (const double step : {0.25, 5.0}) {
        char name[96];
        std::snprintf(name, sizeof name, "the seek bar's clock, one tick of %.2f s", step);
        add_rounds(
            clock, name,
            [&host, main, id, step] {
                host.clock().advance(step);
                host.player().tick();
                SendMessageW(main, WM_TIMER, id, 0);
                drain_messages();
            },
            // Near the end, the track starts again (its seek repaints the bar).
            [&host, &playback] {
                if (playback.get_position() > 50) {
                    playback.seek(0);
                    drain_messages();
                }
            });
    }
    clock.run(std::max(rounds, 200), 0);
    clock.print("us", 1e3);
    playback.stop();
    drain_messages();
}

void in_process(const std::wstring& store_path, const std::vector<std::string>& tracks,
                int rounds) {
    cor_test::component_host host;
    cor::host_config_store store(cor::to_utf8(store_path), [](std::string_view line) {
        std::printf("store: %.*s\n", int(line.size()), line.data());
    });
    if (!store.load()) std::printf("the store %ls did not load cleanly\n", store_path.c_str());
    for (auto* f : vesk::host::factory_list())
        if (f->get_class_guid() == cor::config_io::class_guid)
            store.attach(cor::service_ptr_t<cor::config_io>::adopt(
                static_cast<cor::config_io*>(f->create_instance())));
    host.player().add_to_active(tracks);

    // Start-up: the first includes what a first start costs (fonts, GDI+,
    // the image of every object's code).
    HWND main = nullptr;
    cor::service_ptr_t<cor::user_interface> ui;
    cor_bench::interleaved starts;
    const std::string start_name = "start-up to the first painted frame, in process";
    add_rounds(
        starts, start_name,
        [&] {
            ui = make_ui();
            main = static_cast<HWND>(ui->init(nullptr));
        },
        [&] {
            if (ui) {
                drain_messages();
                ui->shutdown();
                ui.reset();
                drain_messages();
            }
        });
    starts.run(rounds, 0);
    drain_messages();
    if (!main) {
        std::printf("the user interface did not start\n");
        return;
    }
    print_ms(starts, {start_name});

    // "Repeat (playlist)": every next command starts a track.
    host.player().playlists().playback_order_set_active(1);
    auto& playback = host.player().playback();
    playback.start(cor::playback_control::track_command_play, false);
    drain_messages();
    cor_bench::interleaved track;
    add_rounds(track, "a new track to the window repainted", [&] {
        playback.start(cor::playback_control::track_command_next, false);
        drain_messages();
    });
    track.run(std::max(rounds, 20), 0);
    track.print("ms", 1e6);
    seek_clock(host, main, rounds);
    playlist_refresh(host, main, tracks, std::max(rounds, 20));
    ui->shutdown();
    ui.reset();
    drain_messages();
    store.detach_all();
}

// The main window of the process `pid` once it is visible; null if none.
// The server is asked for windows of the class alone: enumerating every
// window each millisecond would load the server both starts depend on.
HWND visible_main_window(DWORD pid, const wchar_t* window_class) {
    for (HWND w = FindWindowExW(nullptr, nullptr, window_class, nullptr); w;
         w = FindWindowExW(nullptr, w, window_class, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && IsWindowVisible(w)) return w;
    }
    return nullptr;
}

// The pause after each process start's exit before the next start.
constexpr DWORD settle_ms = 250;

// One start of corvina500.exe on a copy of the profile: the time until its
// window of class `window_class` is visible, has answered a message and
// has nothing left to paint; negative when it never showed.
double start_once(const std::wstring& exe, const std::wstring& store_path,
                  const std::vector<std::string>& tracks, const wchar_t* extra,
                  const wchar_t* window_class) {
    const std::wstring profile = temp_folder(L"profile");
    CopyFileW(store_path.c_str(), (profile + L"\\corvina500.cfgstore").c_str(), FALSE);
    std::wstring cmd =
        L"\"" + exe + L"\" --profile \"" + profile + L"\" --exit-after 20000 " + extra + L" --add";
    for (const auto& t : tracks) cmd += L" \"" + cor::to_wide(t) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const auto t0 = clock_type::now();
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        remove_folder(profile);
        return -1;
    }
    HWND main = nullptr;
    while (!main && ms_since(t0) < 20000) {
        main = visible_main_window(pi.dwProcessId, window_class);
        if (!main) Sleep(1);
    }
    DWORD_PTR answer = 0;
    double ms = -1;
    if (main && SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &answer)) {
        // A window that answers before painting has its update region
        // until its first paint.
        while (GetUpdateRect(main, nullptr, FALSE) && ms_since(t0) < 20000) Sleep(1);
        ms = ms_since(t0);
    }
    if (main) PostMessageW(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    remove_folder(profile);
    // The process is gone for Windows before Wine has finished with it (the
    // X server freeing its windows, the server its objects); a start right
    // after would share the machine with that, and the kind of start that
    // follows the heavier exit would pay for it.
    Sleep(settle_ms);
    return ms;
}

// The player with the default profile and bare (--no-component, its own
// plain window), started alternately so that load reaches both alike.
void as_process(const std::wstring& store_path, const std::vector<std::string>& tracks,
                int rounds) {
    const std::wstring exe = exe_folder() + L"\\corvina500.exe";
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("no %ls: process start-up not measured\n", exe.c_str());
        return;
    }
    cor_bench::interleaved all;
    const std::string skinned = "process start to the first painted frame, default profile";
    const std::string bare = "the same, bare player (--no-component)";
    // Timed by start_once itself: copying the profile and the shutdown
    // are not part of a start. Rounds where the window never showed are
    // left out.
    const auto once = [&](const wchar_t* extra, const wchar_t* window_class) {
        return [&, extra, window_class] {
            return start_once(exe, store_path, tracks, extra, window_class) * 1e6;
        };
    };
    all.add(skinned, {},
            cor_bench::interleaved::options().measured(once(L"", L"cor_ui_vesk_window_class")));
    all.add(bare, {},
            cor_bench::interleaved::options().measured(
                once(L"--no-component", L"corvina500_basic_window")));
    all.run(rounds, 0);
    print_ms(all, {skinned, bare});
    const auto* with = all.find(skinned);
    const auto* without = all.find(bare);
    if (with && without && !with->ns.empty() && !without->ns.empty())
        std::printf("%-66s %10.1f %10.1f\n", "the component's share (the first less the second)",
                    (with->min() - without->min()) / 1e6,
                    (with->median() - without->median()) / 1e6);
}

}  // namespace

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::wstring profile = argc > 1 && argv[1][0]
                                     ? std::wstring(argv[1])
                                     : exe_folder() + L"\\..\\..\\profiles\\default";
    const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 5;
    const std::wstring only = argc > 3 ? argv[3] : L"";
    const bool starts_only = only == L"starts", in_process_only = only == L"in";
    LocalFree(argv);
    const std::wstring store_path = profile + L"\\corvina500.cfgstore";
    if (GetFileAttributesW(store_path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("no store at %ls; give the profile folder as the argument\n",
                    store_path.c_str());
        return 2;
    }
    const std::wstring music = temp_folder(L"music");
    const std::vector<std::string> tracks = write_tracks(music);
    cor_bench::print_load_average();
    if (!starts_only) in_process(store_path, tracks, rounds);
    // A process start moves by tens of milliseconds with the machine (Wine
    // making the process, loading its libraries): more rounds than the
    // rest, for a steadier minimum and median.
    if (!in_process_only) as_process(store_path, tracks, std::max(rounds, 21));
    remove_folder(music);
    return 0;
}
