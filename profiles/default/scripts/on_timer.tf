// Every timer runs this script. ui_tick (set by the main window) moves the
// seek bar while a track plays; paused or stopped, there is nothing to move.
$if($strcmp(%_timerid%,ui_tick),
	$if(%playback_isplaying%,
		$if(%playback_ispaused%,,$ui_seek())))
