// The component's view of the Host: the API handed to the entry point and
// the services looked up through it. Set once by the entry point; tests
// that run the component in-process set it the same way.
#pragma once

#include <string>
#include <string_view>

#include "album_art.h"
#include "component.h"
#include "console.h"
#include "dsp.h"
#include "menu.h"
#include "playback.h"
#include "playlist.h"
#include "titleformat.h"
#include "user_interface.h"

namespace vesk::host {

void attach(cor::host_api* api, void* module_handle);
cor::host_api* api();
void* module_handle();

// One console line (UTF-8). Silently dropped when no Host is attached.
void console_print(std::string_view line);

cor::service_ptr_t<cor::titleformat_compiler> compiler();
// Null when the Host offers no such service.
cor::playback_control* playback();
cor::playlist_manager* playlists();
cor::library_manager* library();
cor::mainmenu_manager* mainmenu();
cor::contextmenu_manager* contextmenu();
cor::keyboard_shortcut_manager* shortcuts();
cor::album_art_manager* album_art();
cor::dsp_config_manager* dsp();

// The Host's profile location (a path inside the profile folder).
std::string profile_path();

}  // namespace vesk::host
