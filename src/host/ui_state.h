// The component's global switches.
#pragma once

namespace vesk {

struct t_ui_state {
    bool ui_active = false;      // the main window has been created
    bool shutting_down = false;  // set first thing in shutdown
    // Settings replaced by an import while running: the open windows no
    // longer write their state over them.
    bool settings_imported = false;
};

t_ui_state& ui_state();

}  // namespace vesk
