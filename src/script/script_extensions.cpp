#include "script/script_extensions.h"

namespace vesk {

constinit t_script_extensions g_script_extensions;

}  // namespace vesk
