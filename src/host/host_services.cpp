#include "host/host_services.h"

namespace vesk::host {
namespace {
cor::host_api* g_api = nullptr;
void* g_module = nullptr;
cor::service_ptr_t<cor::console_service> g_console;
cor::service_ptr_t<cor::titleformat_compiler> g_compiler;
cor::service_ptr_t<cor::playback_control> g_playback;
cor::service_ptr_t<cor::playlist_manager> g_playlists;
cor::service_ptr_t<cor::library_manager> g_library;
cor::service_ptr_t<cor::mainmenu_manager> g_mainmenu;
cor::service_ptr_t<cor::contextmenu_manager> g_contextmenu;
cor::service_ptr_t<cor::keyboard_shortcut_manager> g_shortcuts;
cor::service_ptr_t<cor::album_art_manager> g_album_art;
cor::service_ptr_t<cor::dsp_config_manager> g_dsp;

}  // namespace

void attach(cor::host_api* api, void* module_handle) {
    g_api = api;
    g_module = module_handle;
    g_console.reset();
    g_compiler.reset();
    g_playback.reset();
    g_playlists.reset();
    g_library.reset();
    g_mainmenu.reset();
    g_contextmenu.reset();
    g_shortcuts.reset();
    g_album_art.reset();
    g_dsp.reset();
    if (api) {
        g_console = api->get<cor::console_service>();
        g_compiler = api->get<cor::titleformat_compiler>();
        g_playback = api->get<cor::playback_control>();
        g_playlists = api->get<cor::playlist_manager>();
        g_library = api->get<cor::library_manager>();
        g_mainmenu = api->get<cor::mainmenu_manager>();
        g_contextmenu = api->get<cor::contextmenu_manager>();
        g_shortcuts = api->get<cor::keyboard_shortcut_manager>();
        g_album_art = api->get<cor::album_art_manager>();
        g_dsp = api->get<cor::dsp_config_manager>();
    }
}

cor::host_api* api() { return g_api; }
void* module_handle() { return g_module; }

void console_print(std::string_view line) {
    if (g_console) g_console->print(line.data(), line.size());
}

cor::service_ptr_t<cor::titleformat_compiler> compiler() { return g_compiler; }
cor::playback_control* playback() { return g_playback.get(); }
cor::playlist_manager* playlists() { return g_playlists.get(); }
cor::library_manager* library() { return g_library.get(); }
cor::mainmenu_manager* mainmenu() { return g_mainmenu.get(); }
cor::contextmenu_manager* contextmenu() { return g_contextmenu.get(); }
cor::keyboard_shortcut_manager* shortcuts() { return g_shortcuts.get(); }
cor::album_art_manager* album_art() { return g_album_art.get(); }
cor::dsp_config_manager* dsp() { return g_dsp.get(); }

std::string profile_path() {
    if (!g_api) return {};
    cor::string_out out;
    g_api->get_profile_path(out);
    return std::move(out.text);
}

}  // namespace vesk::host
