// Read-only text boxes (results, console lines, reference texts) select and
// copy with the usual keys whatever the platform's edit control does on its
// own: Ctrl+A selects everything, Ctrl+C and Ctrl+Insert copy the
// selection. The control's own context menu offers Copy and Select All.
#pragma once

#include <windows.h>

namespace vesk {

// Subclasses `edit` (an EDIT control) for those keys; false when the
// platform refused.
bool make_copyable(HWND edit);

}  // namespace vesk
