// Once the window is open: a timer that moves the seek bar and the times
// four times a second. Every timer runs the On Timer script, which tells
// timers apart by %_timerid%.
$settimer(ui_tick,250)
