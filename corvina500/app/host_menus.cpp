#include "app/host_menus.h"

#include <algorithm>

#include "utf8.h"

namespace cor {
namespace {

// Deeper than any real menu; a group that names itself as an ancestor ends
// here instead of recursing for ever.
constexpr int max_depth = 16;

std::string text_of(auto&& fill) {
    string_out out;
    fill(out);
    return std::move(out.text);
}

class mainmenu_manager_impl : public mainmenu_manager {
public:
    explicit mainmenu_manager_impl(menu_tree& tree) : tree_(tree) {}
    bool execute_command(const guid& command) override { return tree_.execute(command); }
    size_t get_command_count() override { return tree_.mainmenu().size(); }
    bool get_command(size_t index, guid& id, string_sink& path) override {
        const auto all = tree_.mainmenu();
        if (index >= all.size()) return false;
        id = all[index].id;
        path.write(all[index].path.data(), all[index].path.size());
        return true;
    }
    uint32_t get_command_flags(size_t index) override {
        const auto all = tree_.mainmenu();
        return index < all.size() ? all[index].flags : 0;
    }
    bool find_command_by_name(const char* name, size_t length, guid& id) override {
        for (const auto& e : tree_.mainmenu()) {
            if (iequals_utf8(path_leaf(e.path), std::string_view(name, length))) {
                id = e.id;
                return true;
            }
        }
        return false;
    }

private:
    menu_tree& tree_;
};

class contextmenu_manager_impl : public contextmenu_manager {
public:
    explicit contextmenu_manager_impl(menu_tree& tree) : tree_(tree) {}
    size_t get_command_count() override { return tree_.contextmenu().size(); }
    bool get_command(size_t index, guid& id, string_sink& path) override {
        const auto all = tree_.contextmenu();
        if (index >= all.size()) return false;
        id = all[index].id;
        path.write(all[index].path.data(), all[index].path.size());
        return true;
    }
    bool find_command_by_name(const char* name, size_t length, guid& id) override {
        for (const auto& e : tree_.contextmenu()) {
            if (iequals_utf8(path_leaf(e.path), std::string_view(name, length))) {
                id = e.id;
                return true;
            }
        }
        return false;
    }
    bool execute_command(const guid& id, metadb_handle* const* tracks, size_t count) override {
        return tree_.execute_context(id, tracks, count);
    }

private:
    menu_tree& tree_;
};

}  // namespace

std::string_view path_leaf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

void menu_tree::add(service_ptr_t<mainmenu_group> group) {
    if (group) groups_.push_back(std::move(group));
}
void menu_tree::add(service_ptr_t<mainmenu_commands> commands) {
    if (commands) commands_.push_back(std::move(commands));
}
void menu_tree::add(service_ptr_t<contextmenu_item> item) {
    if (item) items_.push_back(std::move(item));
}

void menu_tree::truncate(const t_mark& m) {
    groups_.resize(std::min(groups_.size(), m.groups));
    commands_.resize(std::min(commands_.size(), m.commands));
    items_.resize(std::min(items_.size(), m.items));
}

std::vector<t_mainmenu_entry> menu_tree::mainmenu() const {
    std::vector<t_group> groups;
    groups.reserve(groups_.size());
    for (const auto& g : groups_)
        groups.push_back({g, g->get_guid(), g->get_parent(), g->get_sort_priority(),
                          text_of([&](string_sink& s) { g->get_display_name(s); })});
    // A group that cannot be reached from the top (its parent is offered by
    // nobody, or it is its own ancestor) stands at the top level rather than
    // vanishing with its commands.
    std::vector<bool> reached(groups.size(), false);
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t i = 0; i < groups.size(); ++i) {
            if (reached[i]) continue;
            bool ok = groups[i].parent == guid_null;
            for (size_t j = 0; j < groups.size() && !ok; ++j)
                ok = reached[j] && groups[j].id == groups[i].parent;
            if (ok) reached[i] = changed = true;
        }
    }
    for (size_t i = 0; i < groups.size(); ++i)
        if (!reached[i]) groups[i].parent = guid_null;
    std::vector<t_mainmenu_entry> out;
    walk(guid_null, "", 0, out, groups);
    return out;
}

void menu_tree::walk(const guid& parent, const std::string& prefix, int depth,
                     std::vector<t_mainmenu_entry>& out, const std::vector<t_group>& groups) const {
    if (depth > max_depth) return;
    // Subgroups and command sets under `parent`, by priority, then as met.
    struct t_child {
        uint32_t priority;
        size_t order;
        const t_group* group;
        mainmenu_commands* commands;
    };
    std::vector<t_child> children;
    for (const auto& g : groups)
        if (g.parent == parent) children.push_back({g.priority, children.size(), &g, nullptr});
    for (const auto& c : commands_)
        if (c->get_parent() == parent)
            children.push_back({c->get_sort_priority(), children.size(), nullptr, c.get()});
    std::stable_sort(children.begin(), children.end(),
                     [](const t_child& a, const t_child& b) { return a.priority < b.priority; });
    for (const auto& child : children) {
        if (child.group) {
            walk(child.group->id, prefix + child.group->name + "/", depth + 1, out, groups);
            continue;
        }
        mainmenu_commands* set = child.commands;
        for (uint32_t i = 0, n = set->get_command_count(); i < n; ++i) {
            t_mainmenu_entry e;
            e.id = set->get_command(i);
            e.path = prefix + text_of([&](string_sink& s) { set->get_name(i, s); });
            e.flags = set->get_flags(i);
            e.owner = service_ptr_t<mainmenu_commands>(set);
            e.index = i;
            out.push_back(std::move(e));
        }
    }
}

std::vector<t_contextmenu_entry> menu_tree::contextmenu() const {
    std::vector<t_contextmenu_entry> out;
    for (const auto& item : items_) {
        for (uint32_t i = 0, n = item->get_item_count(); i < n; ++i) {
            std::string path = text_of([&](string_sink& s) { item->get_item_default_path(i, s); });
            while (!path.empty() && path.back() == '/') path.pop_back();
            if (!path.empty()) path += '/';
            path += text_of([&](string_sink& s) { item->get_item_name(i, s); });
            out.push_back({item->get_item_guid(i), std::move(path), item, i});
        }
    }
    return out;
}

bool menu_tree::execute(const guid& id) const {
    for (const auto& e : mainmenu()) {
        if (e.id != id) continue;
        if (e.flags & mainmenu_commands::flag_disabled) return false;
        e.owner->execute(e.index);
        return true;
    }
    return false;
}

bool menu_tree::execute_context(const guid& id, metadb_handle* const* tracks, size_t count) const {
    if (!count) return false;
    for (const auto& e : contextmenu()) {
        if (e.id != id) continue;
        e.owner->item_execute(e.index, tracks, count);
        return true;
    }
    return false;
}

service_ptr_t<mainmenu_manager> menu_tree::mainmenu_service() {
    return make_service<mainmenu_manager_impl>(*this);
}

service_ptr_t<contextmenu_manager> menu_tree::contextmenu_service() {
    return make_service<contextmenu_manager_impl>(*this);
}

}  // namespace cor
