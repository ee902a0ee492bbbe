#include "app/player_app.h"

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "app/basic_window.h"
#include "app/console_impl.h"
#include "app/exit_request.h"
#include "app/host_api_impl.h"
#include "app/host_commands.h"
#include "app/profile_watch.h"
#include "app/screenshot.h"
#include "config.h"
#include "corvina500/config/config_store.h"
#include "corvina500/player/player_core.h"
#include "guid_text.h"
#include "menu.h"
#include "panels/console_history.h"
#include "panels/panel_types.h"
#include "test_bench.h"
#include "titleformat/tf_service.h"
#include "user_interface.h"
#include "utf8.h"

namespace cor {
namespace {

void write_handle(DWORD which, std::string_view bytes) {
    HANDLE h = GetStdHandle(which);
    if (!h || h == INVALID_HANDLE_VALUE) return;
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            !written)
            return;
        bytes.remove_prefix(written);
    }
}

std::string module_folder() {
    wchar_t buf[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, buf, static_cast<DWORD>(std::size(buf)));
    std::wstring path(buf, n);
    const size_t slash = path.find_last_of(L"\\/");
    return to_utf8(slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash));
}

// An absolute platform path with backslashes, created if missing.
std::string prepare_profile_folder(const std::optional<std::string>& given) {
    std::wstring folder;
    if (given) {
        folder = to_wide(*given);
    } else {
        wchar_t* appdata = nullptr;
        if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &appdata))) {
            folder = std::wstring(appdata) + L"\\corvina500";
            CoTaskMemFree(appdata);
        } else {
            folder = to_wide(module_folder()) + L"\\profile";
        }
    }
    for (auto& ch : folder)
        if (ch == L'/') ch = L'\\';
    wchar_t full[MAX_PATH * 4];
    const DWORD n =
        GetFullPathNameW(folder.c_str(), static_cast<DWORD>(std::size(full)), full, nullptr);
    if (n > 0 && n < std::size(full)) folder.assign(full, n);
    while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return to_utf8(folder);
}

// Runs a script the way the component's test bench does, or with the bare
// Host language when no component is loaded.
std::string evaluate(const std::string& script, const loaded_component& component,
                     titleformat_compiler& compiler) {
    string_out out;
    if (auto bench = component.service<script_test_bench>()) {
        bench->run_script(script.data(), script.size(), out);
        return std::move(out.text);
    }
    titleformat_object* obj = nullptr;
    if (!compiler.compile(&obj, script.data(), script.size()) || !obj) return "[COMPILATION ERROR]";
    obj->run(nullptr, out);
    obj->service_release();
    return std::move(out.text);
}

// Handles what is waiting, so windows have repainted before a script runs
// or a screenshot is taken.
void pump_messages() {
    const ULONGLONG until = GetTickCount64() + 250;
    MSG msg;
    while (GetTickCount64() < until) {
        bool any = false;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            any = true;
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (!any) break;
    }
}

void restart_self() {
    wchar_t exe[MAX_PATH * 4];
    GetModuleFileNameW(nullptr, exe, MAX_PATH * 4);
    std::wstring command_line = GetCommandLineW();
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(exe, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                       &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}

// Tab, arrows, Enter and Esc move between the controls of a dialog (the
// configuration dialog) or of a window made to hold controls (Preferences);
// script windows take their keys themselves.
bool dialog_message(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (!root) return false;
    wchar_t cls[16] = L"";
    GetClassNameW(root, cls, 16);
    const bool holds_controls = std::wstring_view(cls) == L"#32770" ||
                                (GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    return holds_controls && IsDialogMessageW(root, &msg);
}

// Runs the message loop until WM_QUIT, or until `exit_after_ms` passes,
// driving playback from a timer on the way.
void message_loop(const std::optional<long long>& exit_after_ms, player_core& core) {
    // The exit timer has a callback: it must fire in a menu's or a box's
    // loop too, and end it.
    const UINT_PTR exit_timer =
        exit_after_ms ? start_exit_timer(static_cast<UINT>(*exit_after_ms)) : 0;
    const UINT_PTR tick_timer = SetTimer(nullptr, 0, 50, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == tick_timer) {
            core.tick();
            continue;
        }
        if (dialog_message(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    KillTimer(nullptr, tick_timer);
    if (exit_timer) KillTimer(nullptr, exit_timer);
}

}  // namespace

int run_player(const t_command_line& cl) {
    host_console console;
    if (cl.console_file && !console.open_file(*cl.console_file)) {
        write_handle(STD_ERROR_HANDLE,
                     "corvina500: cannot open console file " + *cl.console_file + "\n");
        return 2;
    }
    // The listing needs no player: nothing is loaded, played or saved.
    if (cl.list_panels) {
        std::string listing;
        for (const auto& type : panels::panel_types())
            listing += guid_to_text(type.id) + '\t' + type.name + '\t' + type.category + '\n';
        write_handle(STD_OUTPUT_HANDLE, listing);
        return 0;
    }
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // $len2 and $ansi measure and convert in the system's code page.
    tf::set_system_code_page(GetACP());

    host_api_impl api(prepare_profile_folder(cl.profile));
    // Settings are loaded before any component starts.
    host_config_store store(api.profile_folder() + "\\" + std::string(config_store_file_name),
                            [&console](std::string_view line) { console.print(line); });
    store.load();
    // On a watched folder, the store is what the folder makes of it.
    std::optional<profile_watch> watch;
    if (cl.watch) {
        watch.emplace(api.profile_folder(),
                      [&console](std::string_view line) { console.print(line); });
        watch->make_store(store);
    }
    // Scripts stored in the interface's own editor go to the folder's files.
    const service_ptr_t<profile_sources> sources = watch ? watch->sources() : nullptr;
    if (sources) api.add_service(profile_sources::class_guid, sources.get());
    auto store_service = store.service();
    api.add_service(config_store::class_guid, store_service.get());
    auto compiler = make_titleformat_compiler();
    api.add_service(titleformat_compiler::class_guid, compiler.get());
    auto console_service = make_console_service(console);
    api.add_service(console_service::class_guid, console_service.get());

    const auto print = [&console](std::string_view line) { console.print(line); };
    player_core core(print, nullptr, cl.output_file.value_or(std::string()));
    core.register_services([&](const guid& id, service_base* s) { api.add_service(id, s); });
    core.set_library_cache(api.profile_folder() + "\\" + std::string(library_cache_file_name));
    core.load(store);
    if (!cl.library_add.empty()) {
        auto folders = core.library_folders();
        for (const auto& folder : cl.library_add)
            if (std::find(folders.begin(), folders.end(), folder) == folders.end())
                folders.push_back(folder);
        core.set_library_folders(std::move(folders));
        core.scan_library();
    }
    if (!cl.add.empty()) core.add_to_active(cl.add);
    // Panels are offered before the component loads: its settings name them.
    auto history = make_console_history();
    console.add_receiver(history);
    auto panel_service = make_panel_service(core, *history, &api);
    api.add_service(ui_extension::panel_manager::class_guid, panel_service.get());

    if (cl.format) {
        core.wait_library_scan();
        write_handle(STD_OUTPUT_HANDLE, core.format_active(*cl.format));
    } else {
        host_commands commands(core, api.profile_folder());
        commands.load(store, print);
        auto mainmenu = commands.mainmenu_service();
        api.add_service(mainmenu_manager::class_guid, mainmenu.get());
        auto contextmenu = commands.contextmenu_service();
        api.add_service(contextmenu_manager::class_guid, contextmenu.get());
        auto shortcuts = commands.shortcut_service();
        api.add_service(keyboard_shortcut_manager::class_guid, shortcuts.get());

        loaded_component component;
        if (!cl.no_component) {
            std::string error;
            if (!component.load(module_folder() + "\\cor_ui_vesk.dll", api, error))
                console.print("corvina500: " + error);
            for (auto& r : component.services<console_receiver>()) console.add_receiver(r);
            for (auto& io : component.services<config_io>()) store.attach(io);
            commands.attach(component);
        }
        auto ui = component.service<user_interface>();
        HWND main = ui ? static_cast<HWND>(ui->init(&session_watch::ui_hook)) : nullptr;
        if (ui && !main) console.print("corvina500: the user interface did not start");
        if (watch) {
            if (auto reload = component.service<settings_reload>())
                watch->start(component.services<config_io>(), reload);
            else
                console.print("corvina500: --watch: no component takes new settings while it runs");
        }

        if (cl.import_config || cl.export_config) {
            pump_messages();
            if (auto transfer = component.service<config_transfer>()) {
                // An import first, so both together copy one file's settings to another.
                if (cl.import_config)
                    (void)transfer->import_config(cl.import_config->data(),
                                                  cl.import_config->size());
                if (cl.export_config)
                    (void)transfer->export_config(cl.export_config->data(),
                                                  cl.export_config->size());
            } else {
                console.print("corvina500: no component takes --export-config or --import-config");
            }
        }
        // The user interface's own commands, whatever group they sit in.
        const auto run_named = [&](std::string_view name, std::string_view failure) {
            guid id{};
            auto menu = commands.mainmenu_service();
            if (!menu->find_command_by_name(name.data(), name.size(), id) ||
                !menu->execute_command(id))
                console.print(failure);
        };
        if (cl.open_config)
            run_named("Configuration", "corvina500: --open-config: no configuration command");
        if (cl.open_palette) run_named("Palette", "corvina500: --open-palette: no palette command");
        if (cl.open_preferences) (void)commands.execute(mainmenu_manager::command_preferences);
        if (cl.play) core.playback().start(playback_control::track_command_play, false);
        // The normal shutdown, once: after the loop, or within the end of
        // the user's session.
        bool finished = false;
        const auto finish = [&] {
            if (std::exchange(finished, true)) return;
            // It holds the component's services: it goes while they stand.
            watch.reset();
            // The interface's state (which windows are open, where they
            // stand) is gone once it has shut down, so it is taken first.
            store.update_components();
            if (ui) ui->shutdown();
            core.shutdown();
            core.save(store);
            commands.save(store);
            (void)store.write();
            store.detach_all();
            console.clear_receivers();
            commands.detach_components();
        };
        session_watch session(finish, main != nullptr);
        basic_window plain(core, &commands);
        if (!ui && !cl.eval && !cl.list_commands && !plain.create())
            console.print("corvina500: could not open a window");
        if (cl.eval || cl.list_commands) {
            // A one-shot run answers from the library as the folders hold it.
            core.wait_library_scan();
            pump_messages();
            if (cl.eval) write_handle(STD_OUTPUT_HANDLE, evaluate(*cl.eval, component, *compiler));
            if (cl.list_commands) {
                std::string lines;
                for (const auto& e : commands.menus().mainmenu()) lines += e.path + "\n";
                write_handle(STD_OUTPUT_HANDLE, lines);
            }
        } else {
            message_loop(cl.exit_after_ms, core);
        }
        if (cl.screenshot) {
            pump_messages();
            HWND shown = main && IsWindow(main) ? main : static_cast<HWND>(plain.handle());
            std::string error;
            if (!save_client_png(shown, *cl.screenshot, error))
                console.print("corvina500: screenshot: " + error);
        }
        if (cl.screenshot_window_title) {
            pump_messages();
            HWND wnd = FindWindowW(nullptr, to_wide(*cl.screenshot_window_title).c_str());
            std::string error = "no window titled " + *cl.screenshot_window_title;
            if (!wnd || !save_client_png(wnd, *cl.screenshot_window_file, error))
                console.print("corvina500: screenshot-window: " + error);
        }
        finish();
        if (commands.restart_requested()) restart_self();
    }
    if (cl.format) {
        core.save(store);
        store.save();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

}  // namespace cor
