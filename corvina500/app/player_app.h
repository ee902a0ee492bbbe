// The player's life: set-up from the command line, the component, the
// message loop and shutdown.
#pragma once

#include "app/command_line.h"

namespace cor {

// Returns the process exit code.
int run_player(const t_command_line& cl);

}  // namespace cor
