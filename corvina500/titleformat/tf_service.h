// The script engine behind the plug-in interfaces: the compiler the Host
// hands to components, and a way for the Host's tracks to run a compiled
// object against what they know.
#pragma once

#include <memory>

#include "../../sdk/titleformat.h"
#include "titleformat.h"

namespace cor {

// The compiler the Host registers for components.
[[nodiscard]] service_ptr_t<titleformat_compiler> make_titleformat_compiler();

}  // namespace cor

namespace cor::tf {

// The program behind an object made by this module's compiler; null for any
// other object.
[[nodiscard]] program_ptr program_of(titleformat_object* object);

// Runs an object made by this module's compiler against ctx (which may be
// null). Returns false and writes nothing for any other object.
bool run_object(titleformat_object* object, const t_format_context* ctx, titleformat_hook* hook,
                string_sink& out);

}  // namespace cor::tf
