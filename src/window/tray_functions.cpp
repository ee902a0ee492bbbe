// $tasktray, $trayicon, $traytip, $trayballoon.
#include <windows.h>

#include "disk_file.h"
#include "host/script_path.h"
#include "registry/tray_state.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"
#include "utf8.h"
#include "window/tray_icon.h"

namespace vesk {
namespace {

void fn_tasktray(func_call& c) {
    if (!c.require_count(1)) return;
    tray_icon* tray = main_tray();
    if (!tray) return;
    if (read_bool(c.param(0)))
        tray->show();
    else
        tray->remove();
    c.set_found(true);
}

void fn_trayicon(func_call& c) {
    if (!c.require_count(1)) return;
    const std::wstring path = script_path(c.param(0));
    if (tray_icon* tray = main_tray()) {
        c.set_found(tray->load_icon(path));
        if (c.found()) tray_state().icon_file = path;
        return;
    }
    // No icon yet: remember the file when it holds an icon.
    if (!cor::is_disk_file(path)) return;
    HANDLE probe =
        LoadImageW(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
    if (!probe) return;
    DestroyIcon(static_cast<HICON>(probe));
    tray_state().icon_file = path;
    c.set_found(true);
}

void fn_traytip(func_call& c) {
    if (!c.require_count(1)) return;
    tray_state().tip = std::string(c.param(0));
    if (tray_icon* tray = main_tray()) tray->update_tip();
    c.set_found(true);
}

constexpr const char* balloon_icons[] = {"none", "info", "warning", "error"};

void fn_trayballoon(func_call& c) {
    if (!c.require_at_least(2)) return;
    bool sound = true;
    DWORD kind = 0;
    // The third parameter is not read.
    for (size_t i = 3; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (const auto v = option_value(p, "sound")) {
            sound = read_bool(*v);
        } else if (const auto icon = option_value(p, "icon")) {
            DWORD found = 4;
            for (DWORD k = 0; k < 4; ++k)
                if (cor::iequals_utf8(*icon, balloon_icons[k])) found = k;
            if (found == 4) return c.fail(err_low, "%s: unknown icon '%s'", {*icon});
            kind = found;
        } else {
            return c.unknown_option(p);
        }
    }
    if (tray_icon* tray = main_tray()) tray->balloon(c.param(0), c.param(1), kind, sound);
    c.set_found(true);
}

constexpr t_function_entry entries[] = {
    {"tasktray", fn_tasktray},
    {"trayicon", fn_trayicon},
    {"traytip", fn_traytip},
    {"trayballoon", fn_trayballoon},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
