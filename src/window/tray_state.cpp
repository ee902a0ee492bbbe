#include "window/tray_state.h"

namespace vesk {

t_tray_state& tray_state() {
    static t_tray_state state;
    return state;
}

}  // namespace vesk
