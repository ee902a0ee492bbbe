// At shutdown: stop the timer. The windows and their objects go with the
// player; nothing else needs cleaning up.
$settimer(ui_tick,0)
