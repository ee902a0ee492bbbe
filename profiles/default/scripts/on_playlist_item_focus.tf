// The focused item of a playlist changed (%_pi_from_index% and
// %_pi_to_index% say between which items): in the active playlist the
// outline moves from the one's row to the other's.
$if($strcmp(%_pl_index%,%pl_activeindex%),$ui_focus_moved(%_pi_from_index%,%_pi_to_index%))
