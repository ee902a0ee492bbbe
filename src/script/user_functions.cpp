#include "script/user_functions.h"

namespace vesk {
namespace {
std::map<std::string, std::string, std::less<>>& table() {
    static std::map<std::string, std::string, std::less<>> t;
    return t;
}
}  // namespace

const std::string* find_user_function(std::string_view folded_name) {
    const auto& t = table();
    const auto it = t.find(folded_name);
    return it == t.end() ? nullptr : &it->second;
}

void set_user_functions(std::map<std::string, std::string, std::less<>> t) {
    table() = std::move(t);
}

const std::map<std::string, std::string, std::less<>>& user_functions() { return table(); }

}  // namespace vesk
