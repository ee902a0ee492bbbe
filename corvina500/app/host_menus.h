// The Host's menu tree: main-menu groups and commands, and context-menu
// items on tracks, from the Host and from components alike. The tree is
// walked anew at every use, since command sets change while the player
// runs.
#pragma once

#include <string>
#include <vector>

#include "menu.h"
#include "user_interface.h"

namespace cor {

struct t_mainmenu_entry {
    guid id;
    std::string path;  // "Playback/Order/Random"
    uint32_t flags = 0;
    service_ptr_t<mainmenu_commands> owner;
    uint32_t index = 0;
};

struct t_contextmenu_entry {
    guid id;
    std::string path;  // "Vesk/User/Tag it"
    service_ptr_t<contextmenu_item> owner;
    uint32_t index = 0;
};

class menu_tree {
public:
    void add(service_ptr_t<mainmenu_group> group);
    void add(service_ptr_t<mainmenu_commands> commands);
    void add(service_ptr_t<contextmenu_item> item);

    // How much is registered, and dropping what came after: components'
    // services go before their library unloads.
    struct t_mark {
        size_t groups = 0, commands = 0, items = 0;
    };
    [[nodiscard]] t_mark mark() const { return {groups_.size(), commands_.size(), items_.size()}; }
    void truncate(const t_mark& m);

    // Every main-menu command, depth first in sort order.
    [[nodiscard]] std::vector<t_mainmenu_entry> mainmenu() const;
    [[nodiscard]] std::vector<t_contextmenu_entry> contextmenu() const;

    bool execute(const guid& id) const;
    bool execute_context(const guid& id, metadb_handle* const* tracks, size_t count) const;

    service_ptr_t<mainmenu_manager> mainmenu_service();
    service_ptr_t<contextmenu_manager> contextmenu_service();

private:
    struct t_group {
        service_ptr_t<mainmenu_group> service;
        guid id, parent;
        uint32_t priority;
        std::string name;
    };
    void walk(const guid& parent, const std::string& prefix, int depth,
              std::vector<t_mainmenu_entry>& out, const std::vector<t_group>& groups) const;

    std::vector<service_ptr_t<mainmenu_group>> groups_;
    std::vector<service_ptr_t<mainmenu_commands>> commands_;
    std::vector<service_ptr_t<contextmenu_item>> items_;
};

// The last component of a path: a command's own name.
std::string_view path_leaf(std::string_view path);

}  // namespace cor
