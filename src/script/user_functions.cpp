#include "script/user_functions.h"

#include <unordered_map>

namespace vesk {
namespace {
ordered_map& table() {
    static ordered_map t;
    return t;
}
std::unordered_map<std::string, compiled_script>& compiled() {
    static std::unordered_map<std::string, compiled_script> c;
    return c;
}
}  // namespace

const std::string* find_user_function(std::string_view folded_name) {
    return table().find(folded_name);
}

void set_user_functions(ordered_map t) {
    table() = std::move(t);
    compiled().clear();
}

const ordered_map& user_functions() { return table(); }

compiled_script compiled_user_function(std::string_view folded_name, const std::string& body) {
    auto& cache = compiled();
    auto it = cache.find(std::string(folded_name));
    if (it == cache.end()) it = cache.emplace(folded_name, compile_script(body)).first;
    return it->second;
}

void keep_compiled_user_function(const std::string& name, compiled_script script) {
    if (script) compiled().insert_or_assign(name, std::move(script));
}

}  // namespace vesk
