// The main window's load script: it runs while the window is being
// created and builds everything it shows (see ui_build in the custom
// scripts).
$dragwindow(%_id%,off)
$ui_build()
