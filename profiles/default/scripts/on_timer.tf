// Every timer runs this script. ui_tick is the seek bar's clock, running
// only while a track plays (see ui_clock).
$if($strcmp(%_timerid%,ui_tick),$ui_seek_tick())
