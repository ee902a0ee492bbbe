#include "host/ui_state.h"

namespace vesk {

t_ui_state& ui_state() {
    static t_ui_state state;
    return state;
}

}  // namespace vesk
