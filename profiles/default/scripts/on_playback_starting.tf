// Playback is starting. Player events reach the scripts a moment after
// they happen, so by now the track is open: the play button shows Pause,
// and the seek bar's clock runs. (Should the track fail to open, it shows
// Play and the clock stays stopped, which is right too.)
$ui_play_button()
$ui_clock()
