// The "Option" page: the tray, safe and trim modes, backups, export and
// import.
#include "config/config_page.h"

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

#include <string_view>
#include <vector>

#include "config/config_transfer.h"
#include "config/dialog_template.h"
#include "editor/script_editor.h"
#include "host/identity.h"
#include "host/script_path.h"
#include "host/settings.h"
#include "panel/panel_definitions.h"
#include "panel/panel_file.h"
#include "registry/tray_state.h"
#include "registry/window_registry.h"
#include "registry/window_services.h"
#include "script/stored_scripts.h"
#include "utf8.h"
#include "window/script_window.h"
#include "window/tray_icon.h"

namespace vesk {

namespace id = config_id;

namespace {

class option_page final : public config_page {
    void on_init() override {
        const int mode = cfg_tray_mode.get();
        CheckRadioButton(wnd, id::tray_none, id::tray_minimized,
                         mode == 2   ? id::tray_always
                         : mode == 3 ? id::tray_minimized
                                     : id::tray_none);
        set_check(id::safe_mode, cfg_safe_mode.get() != 0);
        set_check(id::trim_mode, cfg_trim_mode.get() != 0);
        set_text(id::backup_name, cfg_backup_name.get());
        set_check(id::backup_start, cfg_backup_at_start.get() != 0);
        set_check(id::backup_exit, cfg_backup_at_exit.get() != 0);
        set_check(id::backup_every, cfg_backup_periodic.get() != 0);
        set_text(id::backup_minutes, std::to_string(cfg_backup_interval.get()));
        enable({id::backup_minutes, id::backup_minutes_label}, cfg_backup_periodic.get() != 0);
    }

    // The icon follows the mode at once: shown for "always", gone for
    // the others unless the windows are hidden in it now.
    static void apply_tray_mode(int mode) {
        cfg_tray_mode.set(mode);
        auto* main = script_window::from_handle(main_window_handle());
        if (!main || !main->tray) return;
        if (mode == 2)
            main->tray->show();
        else if (!tray_state().windows_stored)
            main->tray->remove();
    }

    std::wstring backup_start_path() const {
        const std::string name = cfg_backup_name.get();
        return script_path(name.empty() ? std::string_view("/cor_ui_vesk.config") : name);
    }

    void on_command(int control, int code, HWND) override {
        if (code == EN_CHANGE) {
            if (control == id::backup_name) {
                cfg_backup_name.set(text_of(id::backup_name));
            } else if (control == id::backup_minutes) {
                const std::string text = text_of(id::backup_minutes);
                int minutes = 0;
                for (char ch : text) {
                    if (ch < '0' || ch > '9' || minutes > 100000) break;
                    minutes = minutes * 10 + (ch - '0');
                }
                cfg_backup_interval.set(minutes);
                restart_backup_timer(main_window_handle());
            }
            return;
        }
        if (code != BN_CLICKED) return;
        switch (control) {
            case id::tray_none:
                apply_tray_mode(0);
                break;
            case id::tray_always:
                apply_tray_mode(2);
                break;
            case id::tray_minimized:
                apply_tray_mode(3);
                break;
            case id::safe_mode:
                cfg_safe_mode.set(checked(id::safe_mode));
                break;
            case id::trim_mode:
                cfg_trim_mode.set(checked(id::trim_mode));
                prepare_all();
                break;
            case id::backup_start:
                cfg_backup_at_start.set(checked(id::backup_start));
                break;
            case id::backup_exit:
                cfg_backup_at_exit.set(checked(id::backup_exit));
                break;
            case id::backup_every:
                cfg_backup_periodic.set(checked(id::backup_every));
                enable({id::backup_minutes, id::backup_minutes_label}, checked(id::backup_every));
                restart_backup_timer(main_window_handle());
                break;
            case id::backup_select: {
                const std::wstring path = page_dialogs().choose_file(
                    wnd, true, L"Select autobackup filename", L"Config file(*.config)\0*.config\0",
                    L"config", backup_start_path());
                if (!path.empty()) SetWindowTextW(item(id::backup_name), path.c_str());
                break;
            }
            case id::export_config: {
                const std::wstring path = page_dialogs().choose_file(
                    wnd, true, L"Export config data", L"Config file(*.config)\0*.config\0",
                    L"config", backup_start_path());
                if (!path.empty()) (void)export_config_command(wnd, cor::to_utf8(path), true);
                break;
            }
            case id::import_config: {
                const std::wstring path = page_dialogs().choose_file(
                    wnd, false, L"Import config data", L"Config data file(*.config)\0*.config\0",
                    L"config", script_path("/cor_ui_vesk.config"));
                if (path.empty() ||
                    message_box(wnd, "must restart corvina500.\r\n ara you sure?",
                                "Import config data", MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
                    break;
                import_config_command(cor::to_utf8(path));
                break;
            }
            default:
                break;
        }
    }
};

}  // namespace

std::unique_ptr<config_page> make_option_page() { return std::make_unique<option_page>(); }

}  // namespace vesk
