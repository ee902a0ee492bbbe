#include "registry/tray_state.h"

#include "host/settings.h"

namespace vesk {

t_tray_state& tray_state() {
    static t_tray_state state;
    return state;
}

int tray_mode() { return cfg_tray_mode.get(); }

}  // namespace vesk
