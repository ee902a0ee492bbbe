// The focused item of a playlist changed (%_pi_from_index% and
// %_pi_to_index% say between which items): the list marks the focused row.
$ui_playlist()
