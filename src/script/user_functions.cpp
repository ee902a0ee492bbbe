#include "script/user_functions.h"

namespace vesk {
namespace {
ordered_map& table() {
    static ordered_map t;
    return t;
}
}  // namespace

const std::string* find_user_function(std::string_view folded_name) {
    return table().find(folded_name);
}

void set_user_functions(ordered_map t) { table() = std::move(t); }

const ordered_map& user_functions() { return table(); }

}  // namespace vesk
