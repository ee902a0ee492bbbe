// Playback is starting. Player events reach the scripts a moment after
// they happen, so by now the track is open: the play button shows Pause.
// (Should the track fail to open, it shows Play, which is right too.)
$ui_play_button()
