#include "script/script_extensions.h"

namespace vesk {

t_script_extensions& script_extensions() {
    static t_script_extensions extensions;
    return extensions;
}

}  // namespace vesk
