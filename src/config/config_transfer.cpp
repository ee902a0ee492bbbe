#include "config/config_transfer.h"

#include "cfg_var.h"
#include "config/config_file_format.h"
#include "guid_text.h"
#include "host/file_write.h"
#include "host/host_services.h"
#include "host/script_path.h"
#include "host/settings.h"
#include "host/ui_state.h"
#include "menu/user_commands.h"
#include "panel/panel_definitions.h"
#include "registry/window_registry.h"
#include "script/error_report.h"
#include "script/preprocessor.h"
#include "script/script_run.h"
#include "script/stored_scripts.h"
#include "utf8.h"
#include "window/recovery.h"

namespace vesk {
namespace {

constexpr std::string_view export_caption = "Export config data";
constexpr std::string_view import_caption = "Import config data";

cor::cfg_var* find_var(const cor::guid& id) {
    for (cor::cfg_var* v = cor::cfg_var::first_registered(); v; v = v->next_registered())
        if (v->get_guid() == id) return v;
    return nullptr;
}

// One console line, and with `boxes` the message box the user sees.
void tell(HWND owner, bool boxes, std::string_view caption, std::string_view message,
          std::string_view path, UINT icon) {
    host::console_print(format_message("%s : %s (%s)", {caption, message, path}));
    if (boxes) message_box(owner, message, caption, MB_OK | icon);
}

bool read_and_apply(HWND owner, std::string_view path, bool boxes) {
    std::string bytes;
    if (!read_file(script_path(path), bytes)) {
        tell(owner, boxes, import_caption, "Read Error!", path, MB_ICONERROR);
        return false;
    }
    const t_config_read read = decode_config_file(bytes);
    switch (read.status) {
        case config_read_status::ok:
            break;
        case config_read_status::not_config:
            tell(owner, boxes, import_caption, "Not config file", path, MB_ICONERROR);
            return false;
        case config_read_status::unknown_tag:
            debug_line("error guid : " + cor::guid_to_text(read.bad_tag));
            tell(owner, boxes, import_caption, "Read Error! (Unmatch GUID)", path, MB_ICONERROR);
            return false;
        case config_read_status::read_error:
            tell(owner, boxes, import_caption, "Read Error!", path, MB_ICONERROR);
            return false;
    }
    // Checked whole above: every value fits its setting.
    for (const auto& [id, raw] : read.entries)
        if (cor::cfg_var* v = find_var(id)) (void)v->set_raw(raw);
    return true;
}

}  // namespace

bool export_config(HWND owner, std::string_view path, bool boxes) {
    std::string bytes;
    const bool encoded = encode_config_file(
        [](const cor::guid& id, std::string& raw) {
            const cor::cfg_var* v = find_var(id);
            if (v) raw = v->get_raw();
            return v != nullptr;
        },
        bytes);
    if (!encoded || path.empty() || !replace_file(script_path(path), bytes)) {
        tell(owner, boxes, export_caption, "Write Error!", path, MB_ICONERROR);
        return false;
    }
    return true;
}

bool import_config(HWND owner, std::string_view path, bool boxes) {
    return read_and_apply(owner, path, boxes);
}

bool export_config_command(HWND owner, std::string_view path, bool boxes) {
    save_window_state_for_export();
    if (!export_config(owner, path, boxes)) return false;
    tell(owner, boxes, export_caption, "Success!", path, MB_ICONINFORMATION);
    return true;
}

void import_config_command(std::string_view path) {
    cfg_pending_import.set(path);
    if (auto* menu = host::mainmenu())
        menu->execute_command(cor::mainmenu_manager::command_restart);
}

bool import_config_now(std::string_view path) {
    if (!import_config(nullptr, path, false)) return false;
    ui_state().settings_imported = true;
    repair_window_lists();
    repair_panel_lists();
    prepare_all();
    host::console_print(format_message("%s : %s (%s)", {import_caption, "Success!", path}));
    return true;
}

void import_pending_config() {
    // Taken first: a file that fails is not tried again at every start.
    const std::string path = cfg_pending_import.get();
    if (path.empty()) return;
    cfg_pending_import.set("");
    host::console_print(format_message("Import config data : %s", {path}));
    (void)import_config(nullptr, path, true);
}

void run_backup(std::string_view timing, HWND owner) {
    const std::string& script = cfg_backup_name.get();
    if (script.empty()) return;
    field_list variables;
    variables.push_back({"_timing", std::string(timing)});
    t_script_context context;
    vesk_tf_hook hook(context, &variables);
    const std::string path = run_script(prepare_script(script, trim_mode()), hook);
    if (path.empty()) return;
    host::console_print(format_message("Autobackup config data : %s", {path}));
    (void)export_config(owner, path, true);
}

void stop_backup_timer(HWND main) {
    if (main) KillTimer(main, backup_timer_id);
}

void restart_backup_timer(HWND main) {
    stop_backup_timer(main);
    const int minutes = cfg_backup_interval.get();
    if (!main || !cfg_backup_periodic.get() || minutes <= 0) return;
    // SetTimer takes at most about 24.8 days.
    const UINT ms = static_cast<UINT>(std::min<int64_t>(int64_t(minutes) * 60000, 0x7FFFFFFF));
    SetTimer(main, backup_timer_id, ms, nullptr);
}

}  // namespace vesk
