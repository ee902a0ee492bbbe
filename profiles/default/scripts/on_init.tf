// On Init runs once at start-up, before the main window opens.
// Errors in scripts are printed on the console; "high" also reports a
// window that is named but not open. Lower it to middle once your own
// scripts are settled.
$errorlevel(high)
