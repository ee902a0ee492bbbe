#include "window/recovery.h"

#include <windows.h>

#include "host/display_scale.h"
#include "host/settings.h"
#include "host/ui_state.h"
#include "registry/tray_state.h"
#include "registry/window_registry.h"
#include "window/tray_windows.h"

namespace vesk {
namespace {

void store_placements() {
    if (ui_state().settings_imported) return;
    for (const auto& info : open_windows()) {
        const size_t def = definition_by_guid(info.id);
        if (def == no_window || def >= cfg_window_winp_list.size()) continue;
        WINDOWPLACEMENT wp{};
        wp.length = sizeof wp;
        const HWND wnd = reinterpret_cast<HWND>(info.hwnd);
        if (GetWindowPlacement(wnd, &wp))
            cfg_window_winp_list[def] =
                placement(scale_of_window(wnd), frame_of(wnd), wp, toward::skin);
    }
}

}  // namespace

void save_window_state() {
    if (ui_state().settings_imported) return;
    // Hidden in the tray, every window would count as closed.
    if (tray_state().windows_stored) restore_all_windows();
    std::vector<cor::guid> ids, parents;
    for (const auto& info : open_windows()) {
        if (info.id == main_window_guid) continue;
        const bool child = GetWindowLongW(reinterpret_cast<HWND>(info.hwnd), GWL_STYLE) & WS_CHILD;
        if (child || info.parent != cor::guid_null || !info.visible) continue;
        ids.push_back(info.id);
        parents.push_back(info.parent);
    }
    cfg_window_recovery_list.set(std::move(ids));
    cfg_window_recovery_parent_list.set(std::move(parents));
    store_placements();
}

void save_window_state_for_export() {
    if (ui_state().settings_imported) return;
    std::vector<cor::guid> ids;
    for (const auto& info : open_windows())
        if (info.id != main_window_guid) ids.push_back(info.id);
    cfg_window_recovery_list.set(std::move(ids));
    store_placements();
}

}  // namespace vesk
