#include "registry/window_list.h"

namespace vesk {

std::vector<t_window_info>& open_windows() {
    static std::vector<t_window_info> list;
    return list;
}

}  // namespace vesk
