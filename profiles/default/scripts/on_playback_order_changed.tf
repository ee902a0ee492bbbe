// The playback order changed (here or in the player's menu): the order
// button shows the new one.
$ui_order()
