// The main window's load script: it runs while the window is being
// created and builds everything it shows (see ui_build in the custom
// scripts).
$dragwindow(%_id%,off)
// A load again (the window's Refresh, or its scripts read again by the
// player's --watch) starts from nothing: the objects remembered from the
// last build are gone with the window's objects.
$hash()
$ui_build()
