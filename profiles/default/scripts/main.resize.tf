// The size changed: lay everything out again for the new size. A
// minimized window has no client area and keeps its objects as they are,
// and a resize to the size already laid out costs nothing.
$if($greater(%_cwidth%,0),
	$if($and($strcmp(%_cwidth%,%ui_w%),$strcmp(%_cheight%,%ui_h%)),,
		$ui_build()))
