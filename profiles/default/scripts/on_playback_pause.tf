// Paused or resumed (%_pause_state% is 1 or 0): the label over the title
// and the play button follow, and the seek bar's clock stops or starts.
$ui_header()
$ui_play_button()
$ui_clock()
