// The position jumped: move the seek bar now rather than at the next tick.
$ui_seek()
