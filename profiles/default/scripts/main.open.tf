// Once the window is open: the seek bar's clock, when a track already
// plays. Every timer runs the On Timer script, which tells timers apart by
// %_timerid%.
$ui_clock()
