// The active playlist or its items changed (items added, removed,
// reordered or modified; a playlist activated, created, removed, renamed
// or reordered). The list and, when stopped, the card describing it are
// drawn again.
$ui_playlist()
$if(%playback_isplaying%,,$ui_header())
