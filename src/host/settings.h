// Every persisted setting of the component, as typed variables in the
// Host's configuration store.
#pragma once

#include <windows.h>

#include "cfg_var.h"

namespace vesk {

// Scalars.
extern cor::cfg_int cfg_tray_mode;
extern cor::cfg_int cfg_safe_mode;
extern cor::cfg_int cfg_trim_mode;
extern cor::cfg_int cfg_backup_at_start;
extern cor::cfg_int cfg_backup_at_exit;
extern cor::cfg_int cfg_backup_periodic;
extern cor::cfg_int cfg_backup_interval;
// Skin pixels shown at each display's scale (1), or as screen pixels (0).
extern cor::cfg_int cfg_skin_scaling;
extern cor::cfg_struct_t<WINDOWPLACEMENT> cfg_config_dialog_placement;
extern cor::cfg_string cfg_backup_name;
extern cor::cfg_string cfg_pending_import;

// Scripts.
extern cor::cfg_string cfg_custom_scripts;

// Window definitions: parallel lists, the GUID list being the master.
extern cor::cfg_guidlist_t cfg_window_recovery_list;
extern cor::cfg_guidlist_t cfg_window_recovery_parent_list;
extern cor::cfg_guidlist_t cfg_window_guid_list;
extern cor::cfg_stringlist_t cfg_window_id_list;
extern cor::cfg_stringlist_t cfg_window_display_list;
extern cor::cfg_structlist_t<WINDOWPLACEMENT> cfg_window_winp_list;
extern cor::cfg_stringlist_t cfg_window_tf_load_list;
extern cor::cfg_stringlist_t cfg_window_tf_open_list;
extern cor::cfg_stringlist_t cfg_window_tf_close_list;
extern cor::cfg_stringlist_t cfg_window_tf_resize_list;
extern cor::cfg_stringlist_t cfg_window_tf_move_list;
extern cor::cfg_stringlist_t cfg_window_tf_activate_list;

bool safe_mode();
bool trim_mode();

}  // namespace vesk
