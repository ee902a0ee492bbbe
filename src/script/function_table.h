// Component function names (folded to lower case) and their handlers. Only
// implemented functions enter the table; each subsystem adds its own, so
// the engine names none of the floors above it.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "script/tf_hook.h"

namespace vesk {

struct t_function_entry {
    const char* name;
    handler_fn handler;
    // How messages name the function when not "$" + name.
    const char* display = nullptr;
};

// Null when the name is not a component function. Average O(1).
const t_function_entry* find_function(std::string_view folded_name);

// Number of names in the table (aliases count separately).
size_t function_count();

// Every name of the table, in no particular order.
std::vector<std::string_view> function_names();

// Each subsystem adds its list when the library loads, through one of
// these at namespace scope; the table is made at its first use.
struct function_list {
    explicit function_list(std::span<const t_function_entry> entries);
};

}  // namespace vesk
