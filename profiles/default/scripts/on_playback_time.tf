// Once a second while playing. The timer already moves the seek bar four
// times a second; this keeps it right even if the timer were stopped.
$ui_seek()
