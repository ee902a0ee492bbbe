// The volume changed (%_volume% holds it in decibels): redraw the bar.
$ui_volume()
