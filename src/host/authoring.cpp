#include "host/authoring.h"

namespace vesk::authoring {

t_hooks& hooks() {
    static t_hooks h;
    return h;
}

}  // namespace vesk::authoring
