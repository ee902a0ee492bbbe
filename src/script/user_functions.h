// The user functions declared in the custom scripts: name as written to
// prepared body, in declaration order. Calls look names up in lower case,
// so a function declared with capitals cannot be called.
#pragma once

#include <string>
#include <string_view>

#include "script/ordered_map.h"
#include "script/script_run.h"

namespace vesk {

const std::string* find_user_function(std::string_view folded_name);
void set_user_functions(ordered_map table);
const ordered_map& user_functions();
// The function's body compiled on its first call and kept until the table
// changes (a function called in a loop is compiled once); null when the
// body does not compile. The caller's reference keeps it while it runs,
// should the table change meanwhile (a dialog applying new scripts while
// a message box of the script is open).
compiled_script compiled_user_function(std::string_view folded_name, const std::string& body);
// A body compiled already (the check when the custom scripts are read),
// kept for the function's first call.
void keep_compiled_user_function(const std::string& name, compiled_script script);

}  // namespace vesk
