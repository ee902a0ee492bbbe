#include "ui/ui_window.h"

#include <windows.h>

#include <memory>

#include "config/config_transfer.h"
#include "config/palette_window.h"
#include "functions/playlist_lock.h"
#include "host/gdiplus_session.h"
#include "host/host_services.h"
#include "host/service_factory.h"
#include "host/settings.h"
#include "host/ui_state.h"
#include "object/types/image_cache.h"
#include "panel/panel_host.h"
#include "registry/tray_state.h"
#include "registry/window_registry.h"
#include "script/error_report.h"
#include "script/general_scripts.h"
#include "script/stored_scripts.h"
#include "script/timers.h"
#include "ui/wiring.h"
#include "utf8.h"
#include "window/script_window.h"

namespace vesk {
namespace {

// The main window's object belongs to the user interface, not to itself.
std::unique_ptr<script_window>& main_window() {
    static std::unique_ptr<script_window> w;
    return w;
}

// Adds the main window's definition when the lists have none.
void ensure_main_definition() {
    if (definition_by_guid(main_window_guid) == no_window)
        add_definition(main_window_guid, "main", "corvina500");
}

}  // namespace

vesk_ui_window::vesk_ui_window() { rich_edit_ = LoadLibraryW(L"RICHED20.DLL"); }

vesk_ui_window::~vesk_ui_window() {
    if (rich_edit_) FreeLibrary(static_cast<HMODULE>(rich_edit_));
}

void vesk_ui_window::get_name(cor::string_sink& out) {
    out.write(component_name, std::strlen(component_name));
}

void* vesk_ui_window::init(cor::ui_message_hook hook) {
    host::console_print(format_message("%s: Initialize UI", {component_name}));
    // The main window's buffer is made meanwhile on a second processor.
    back_buffer::make_ahead();
    set_error_level(err_middle);
    tray_state() = {};
    create_playlist_lock();
    import_pending_config();
    make_general_script_identities();
    if (cfg_backup_at_start.get()) run_backup("start", nullptr);
    repair_window_lists();
    panels_on_init();
    ensure_main_definition();
    gdiplus_session::start();
    image_cache::instance().set_limit(image_cache::default_limit);
    (void)compile_stored_custom_scripts();
    prepare_all();

    auto& main = main_window();
    main = std::make_unique<script_window>(main_window_guid, cor::guid_null, false, hook);
    if (!main->initialise(nullptr, false, false)) {
        main.reset();
        back_buffer::finish_ahead();
        return nullptr;
    }
    // The timer lives on the main window, so it starts once that exists.
    restart_backup_timer(main->hwnd());
    PostMessageW(main->hwnd(), after_start_message, 0, 0);
    return main->hwnd();
}

void vesk_ui_window::shutdown() {
    ui_state().shutting_down = true;
    host::console_print(format_message("%s: Shutdown", {component_name}));
    run_general_script(slot_on_quit);
    stop_backup_timer(main_window_handle());
    timer_registry::instance().stop_all();
    if (cfg_backup_at_exit.get()) run_backup("exit", nullptr);
    if (auto& main = main_window()) {
        if (HWND wnd = main->hwnd()) DestroyWindow(wnd);
        main.reset();
    }
    script_window::unregister_class();
    back_buffer::finish_ahead();
    destroy_palette();
    unregister_palette_class();
    // Decoded pictures must go while GDI+ still runs.
    image_cache::instance().clear();
    gdiplus_session::stop();
    ui_state() = {};
}

void vesk_ui_window::activate() {
    if (HWND wnd = main_window_handle()) ShowWindow(wnd, SW_SHOWNORMAL);
}

void vesk_ui_window::hide() {
    if (HWND wnd = main_window_handle()) ShowWindow(wnd, SW_HIDE);
}

bool vesk_ui_window::is_visible() {
    HWND wnd = main_window_handle();
    return wnd && IsWindowVisible(wnd);
}

cor::guid vesk_ui_window::get_guid() { return main_window_guid; }

namespace {

class componentversion_myimpl : public cor::component_version {
public:
    void get_component_name(cor::string_sink& out) override { put(out, component_name); }
    void get_component_version(cor::string_sink& out) override { put(out, "0.1.0"); }
    void get_about_message(cor::string_sink& out) override {
        put(out, std::string("compiled: ") + __DATE__ + "\nwith Panel API version: 6.3");
    }
    void get_file_name(cor::string_sink& out) override {
        wchar_t path[MAX_PATH * 4];
        const DWORD n =
            GetModuleFileNameW(static_cast<HMODULE>(host::module_handle()), path, MAX_PATH * 4);
        std::wstring name(path, n);
        name = name.substr(name.find_last_of(L"\\/") + 1);
        put(out, cor::to_utf8(name));
    }

private:
    static void put(cor::string_sink& out, const std::string& s) { out.write(s.data(), s.size()); }
};

host::service_factory_t<cor::user_interface, vesk_ui_window> g_ui_factory;
host::service_factory_t<cor::component_version, componentversion_myimpl> g_version_factory;

}  // namespace

}  // namespace vesk
