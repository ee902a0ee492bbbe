#include "script/function_table.h"

#include <string>
#include <unordered_map>

namespace vesk {
namespace {

using table_t = std::unordered_map<std::string_view, const t_function_entry*>;

std::vector<std::span<const t_function_entry>>& lists() {
    static std::vector<std::span<const t_function_entry>> all;
    return all;
}

table_t build_table() {
    table_t table;
    for (const auto list : lists())
        for (const auto& e : list) table.emplace(e.name, &e);
    return table;
}

const table_t& table() {
    static const table_t t = build_table();
    return t;
}

}  // namespace

function_list::function_list(std::span<const t_function_entry> entries) {
    lists().push_back(entries);
}

const t_function_entry* find_function(std::string_view folded_name) {
    const auto& t = table();
    const auto it = t.find(folded_name);
    return it == t.end() ? nullptr : it->second;
}

size_t function_count() { return table().size(); }

std::vector<std::string_view> function_names() {
    std::vector<std::string_view> names;
    names.reserve(table().size());
    for (const auto& [name, entry] : table()) names.push_back(name);
    return names;
}

}  // namespace vesk
