#include "host/settings.h"

#include "guid_text.h"

namespace vesk {

using cor::guid_of;

namespace {
WINDOWPLACEMENT default_dialog_placement() {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(WINDOWPLACEMENT);
    wp.flags = 0xFFFF;
    wp.showCmd = 5;
    return wp;
}

constexpr const char* default_custom_scripts =
    "// example\r\n"
    "#define str corvina500 #end\r\n"
    "\r\n"
    "#function example\r\n"
    "\r\n"
    "\t$gp_text(%_id%,#str#,%_param1%,%_param2%)\r\n"
    "\r\n"
    "#end\r\n"
    "\r\n"
    "#function example2\r\n"
    "\r\n"
    "\t$removeobject(%TEXTOBJ%,redraw:true)\r\n"
    "\t$gp_text(%_id%,#str#,$random(%_cwidth%),$calc(%_height%))\r\n"
    "\t$hash(TEXTOBJ,%_result%)\r\n"
    "\t$updateobject(%TEXTOBJ%)\r\n"
    "\r\n"
    "#end\r\n";
}  // namespace

cor::cfg_int cfg_tray_mode(guid_of("B5086E6A-EBE3-47EF-A8FE-678683720CF0"), 0);
cor::cfg_int cfg_safe_mode(guid_of("F79FF4F0-4D38-4D6C-8B67-76FE3360FF19"), 0);
cor::cfg_int cfg_trim_mode(guid_of("E52A50B7-4CDD-41D4-8F9E-8E608C1D0591"), 0);
cor::cfg_int cfg_backup_at_start(guid_of("797D3869-9382-4DB9-BD0E-9FFFA7A00A0E"), 0);
cor::cfg_int cfg_backup_at_exit(guid_of("E790349C-0AEA-4E5F-A0A4-D7661B856515"), 0);
cor::cfg_int cfg_backup_periodic(guid_of("475D3617-292C-46EE-ACCB-55ADAE136002"), 0);
cor::cfg_int cfg_backup_interval(guid_of("4BEECFA1-D398-4B7B-8102-6B25679B141B"), 60);
cor::cfg_int cfg_skin_scaling(guid_of("6EE79E0B-695F-4DDA-8381-DB88D7404338"), 1);
cor::cfg_struct_t<WINDOWPLACEMENT> cfg_config_dialog_placement(
    guid_of("4BB83DFB-5B1F-40AE-B534-86606035865C"), default_dialog_placement());
cor::cfg_string cfg_backup_name(guid_of("7EBC81FA-5A53-48A4-8A65-F376C9DBEBAF"),
                                "/cor_ui_vesk.config");
cor::cfg_string cfg_pending_import(guid_of("272F458C-CCBB-40C2-BBAD-34D1987E310C"), "");

cor::cfg_string cfg_custom_scripts(guid_of("91B9F234-CAD8-4D68-98E3-D7A7A4DA9DB5"),
                                   default_custom_scripts);

cor::cfg_guidlist_t cfg_window_recovery_list(guid_of("A7D19F1E-EFF8-4697-907C-5069DA972B89"));
cor::cfg_guidlist_t cfg_window_recovery_parent_list(
    guid_of("14CB6065-C716-4727-BDED-B18D854F328F"));
cor::cfg_guidlist_t cfg_window_guid_list(guid_of("BA9BB3A4-DD31-4F09-A4F6-8C799D4A0176"));
cor::cfg_stringlist_t cfg_window_id_list(guid_of("FC354353-8A11-480B-A5D6-DA229C5EA542"));
cor::cfg_stringlist_t cfg_window_display_list(guid_of("C5904F23-D970-4DA9-ABCA-53708639CA5E"));
cor::cfg_structlist_t<WINDOWPLACEMENT> cfg_window_winp_list(
    guid_of("0AF4192C-918F-4A9F-B3D7-5158907628D4"));
cor::cfg_stringlist_t cfg_window_tf_load_list(guid_of("B3E31867-FD17-49D1-98C6-261667B39AB3"));
cor::cfg_stringlist_t cfg_window_tf_open_list(guid_of("DB955C5B-E23E-4C93-81E2-1FBD4D5E68FC"));
cor::cfg_stringlist_t cfg_window_tf_close_list(guid_of("C90CB4D2-C3CA-4514-9806-52AD86054CF3"));
cor::cfg_stringlist_t cfg_window_tf_resize_list(guid_of("F7ACBDB9-4DB7-4668-B3CE-DCC1074CE631"));
cor::cfg_stringlist_t cfg_window_tf_move_list(guid_of("8C712E5B-E0C2-45A7-9D72-1C27912168C4"));
cor::cfg_stringlist_t cfg_window_tf_activate_list(guid_of("0BCAE8A4-DB49-45AF-852C-1FBECED7294E"));

bool safe_mode() { return cfg_safe_mode.get() != 0; }
bool trim_mode() { return cfg_trim_mode.get() != 0; }

}  // namespace vesk
