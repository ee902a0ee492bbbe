// The playing track's tags changed: show the new ones.
$ui_header()
$ui_playlist()
