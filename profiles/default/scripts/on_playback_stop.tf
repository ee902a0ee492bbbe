// Playback stopped. When it stopped only to start another track (reason 2)
// the new track event follows at once and redraws everything, so nothing
// is done here; at shutdown (reason 3) the window is going away.
// The seek bar's clock stops in every case; a new track starts it again.
$ui_clock()
$ifgreater(%_stop_reason%,1,,
	$ui_header()
	$ui_seek()
	$ui_play_button()
	$ui_playlist())
