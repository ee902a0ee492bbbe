// The user functions declared in the custom scripts: name as written to
// prepared body, in declaration order. Calls look names up in lower case,
// so a function declared with capitals cannot be called.
#pragma once

#include <string>
#include <string_view>

#include "script/ordered_map.h"

namespace vesk {

const std::string* find_user_function(std::string_view folded_name);
void set_user_functions(ordered_map table);
const ordered_map& user_functions();

}  // namespace vesk
