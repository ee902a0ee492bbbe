// The general scripts' identities (fresh at every start) and running one
// of them outside any window.
#pragma once

#include <cstddef>

#include "guid.h"
#include "script/script_context.h"

namespace vesk {

// Slot 0..23; null before start-up made them.
const cor::guid& general_script_identity(size_t slot);
void make_general_script_identities();

// Runs the prepared general script of `slot` unless it is empty or safe
// mode is on; the output is discarded.
void run_general_script(size_t slot, field_list* variables = nullptr);

}  // namespace vesk
