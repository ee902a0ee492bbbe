// $mainmenu_execute: runs a command of the Host's main menu by its path.
#include <string>

#include "host/host_services.h"
#include "script/function_table.h"
#include "utf8.h"

namespace vesk {
namespace {

void fn_mainmenu_execute(func_call& c) {
    if (!c.require_count(1)) return;
    cor::mainmenu_manager* menu = host::mainmenu();
    if (!menu) return;
    const std::string_view wanted = c.param(0);
    for (size_t i = 0, n = menu->get_command_count(); i < n; ++i) {
        cor::guid id{};
        cor::string_out path;
        if (!menu->get_command(i, id, path) || !cor::iequals_utf8(path.text, wanted)) continue;
        c.set_found(menu->execute_command(id));
        return;
    }
    cor::guid id{};
    if (menu->find_command_by_name(wanted.data(), wanted.size(), id))
        c.set_found(menu->execute_command(id));
}

constexpr t_function_entry entries[] = {{"mainmenu_execute", fn_mainmenu_execute}};

}  // namespace

std::span<const t_function_entry> mainmenu_functions() { return entries; }

}  // namespace vesk
