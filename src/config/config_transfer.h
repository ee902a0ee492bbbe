// Moving every setting to and from a configuration export file: by hand
// (the options page's buttons, the Host's --export-config and
// --import-config), at start and exit and on the main window's timer 2
// (automatic backups), and at the start after an import was asked for.
//
// Files are written to a temporary file beside the target and renamed
// into place, so a failed or killed write leaves the previous file whole.
// An import reads and checks the whole file first: a damaged one changes
// no setting. Every failure prints one console line; with `boxes` it also
// shows its message box.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "host/message_box.h"

namespace vesk {

inline constexpr UINT_PTR backup_timer_id = 2;

// Paths follow the profile-folder rule of script paths.
bool export_config(HWND owner, std::string_view path, bool boxes);
bool import_config(HWND owner, std::string_view path, bool boxes);

// The options page's "Export config data" after its save dialog: the open
// windows written into the settings first, "Success!" at the end.
bool export_config_command(HWND owner, std::string_view path, bool boxes);
// The options page's "Import config data" once the user agreed: the file
// is imported at the next start, and the Host is asked to restart.
void import_config_command(std::string_view path);
// The Host's --import-config: the file replaces the settings now; the
// windows of this run then leave the imported window state alone, so the
// next start shows what the file holds.
bool import_config_now(std::string_view path);

// Start-up: the import asked for at the last run, if any.
void import_pending_config();
// Runs the backup-name script with `_timing` set to "start", "exit" or
// "every" and exports to the path it answers (nothing when it answers
// nothing).
void run_backup(std::string_view timing, HWND owner);
// Stops the periodic backup timer on `main` and starts it again when
// periodic backup is on with an interval above 0.
void restart_backup_timer(HWND main);
void stop_backup_timer(HWND main);

}  // namespace vesk
