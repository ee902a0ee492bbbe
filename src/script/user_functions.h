// The user functions declared in the custom scripts: lower-case name to
// body text. Refilled whenever the custom scripts compile.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace vesk {

const std::string* find_user_function(std::string_view folded_name);
void set_user_functions(std::map<std::string, std::string, std::less<>> table);
const std::map<std::string, std::string, std::less<>>& user_functions();

}  // namespace vesk
