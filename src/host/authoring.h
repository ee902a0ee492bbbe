// What the authoring floor (the configuration dialog and the palette)
// offers the floors below it: they open it and ask whether its pages are
// open, but never include it. The component's entry fills this at
// start-up; until then each call does nothing and answers no.
#pragma once

#include <windows.h>

#include <cstddef>

#include "guid.h"

namespace vesk::authoring {

struct t_hooks {
    bool (*page_active)() = nullptr;
    void (*report_page_active)(HWND owner) = nullptr;
    bool (*open_dialog)() = nullptr;
    bool (*open_dialog_at_script)(const cor::guid& window, size_t slot) = nullptr;
    HWND (*open_palette)() = nullptr;
};

t_hooks& hooks();

// Whether either host of the configuration pages is open.
inline bool page_active() { return hooks().page_active && hooks().page_active(); }
// What a menu shows instead of acting while the pages are open.
inline void report_page_active(HWND owner) {
    if (hooks().report_page_active) hooks().report_page_active(owner);
}
inline bool open_dialog() { return hooks().open_dialog && hooks().open_dialog(); }
// The dialog on the "Script" page at event `slot` of a window definition.
inline bool open_dialog_at_script(const cor::guid& window, size_t slot) {
    return hooks().open_dialog_at_script && hooks().open_dialog_at_script(window, slot);
}
inline HWND open_palette() { return hooks().open_palette ? hooks().open_palette() : nullptr; }

}  // namespace vesk::authoring
