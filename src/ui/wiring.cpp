#include "ui/wiring.h"

#include "config/config_dialog.h"
#include "config/config_transfer.h"
#include "config/palette_window.h"
#include "config/save_leftovers.h"
#include "functions/hash_store.h"
#include "host/authoring.h"
#include "host/invalidation.h"
#include "menu/user_commands.h"
#include "menu/window_info_menu.h"
#include "object/object_manager.h"
#include "panel/panel_host.h"
#include "registry/window_fields.h"
#include "registry/window_services.h"
#include "script/script_extensions.h"
#include "ui/player_events.h"
#include "window/window_features.h"

namespace vesk {
namespace {

void wire_engine() {
    t_script_extensions& engine = script_extensions();
    engine.window_field = resolve_own_window_field;
    engine.main_field = resolve_main_field;
    engine.stored_value = [](std::string_view folded) {
        return hash_store::instance().find(folded);
    };
    engine.timer_window = main_window_handle;
    engine.after_prepare = prepare_user_commands;
    engine.before_function = settle_paints_before;
}

void wire_authoring() {
    authoring::t_hooks& hooks = authoring::hooks();
    hooks.page_active = config_page_active;
    hooks.report_page_active = report_config_page_active;
    hooks.open_dialog = open_config_dialog;
    hooks.open_dialog_at_script = open_config_dialog_at_script;
    hooks.open_palette = open_palette;
}

// In this order: panels leave a window before the player's events stop.
void wire_windows() {
    set_gathered_paints([] {
        if (object_manager::alive()) object_manager::instance().paint_gathered();
    });
    add_window_feature(
        {.window_ending = panels_on_window_destroy, .main_destroyed = panels_on_main_window_end});
    add_window_feature({.message =
                            [](HWND, bool main, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
                                if (!main || !handle_player_event(msg, wp, lp)) return false;
                                result = 0;
                                return true;
                            },
                        .main_created = attach_player_events,
                        .main_destroyed = detach_player_events});
    add_window_feature(
        {.message = [](HWND wnd, bool main, UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
            if (!main || msg != WM_TIMER || wp != backup_timer_id) return false;
            run_backup("every", wnd);
            result = 0;
            return true;
        }});
    add_window_feature({.context_menu = show_window_info_menu});
    add_window_feature({.message = [](HWND, bool main, UINT msg, WPARAM, LPARAM, LRESULT& result) {
        if (!main || msg != after_start_message) return false;
        remove_startup_leftovers();
        result = 0;
        return true;
    }});
}

}  // namespace

void wire_floors() {
    static bool wired = false;
    if (wired) return;
    wired = true;
    wire_engine();
    wire_authoring();
    wire_windows();
}

}  // namespace vesk
