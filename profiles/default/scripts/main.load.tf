// The main window's load script: it runs while the window is being
// created and builds everything it shows (see ui_build in the custom
// scripts).
$ui_build()
