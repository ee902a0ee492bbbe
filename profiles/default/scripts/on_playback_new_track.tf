// A new track plays: its title, artist and album, a fresh seek bar, and
// the playlist row that marks it. (The play button follows the starting
// event, which comes just before this one.)
$ui_header()
$ui_seek()
$ui_clock()
$ui_playlist()
