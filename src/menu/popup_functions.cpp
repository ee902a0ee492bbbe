// $popupmenu_create, $popupmenu_remove, $popupmenu_additem,
// $popupmenu_removeitem, $popupmenu_view, $popupmenu_view_mainmenu.
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/authoring.h"
#include "host/host_services.h"
#include "menu.h"
#include "menu/popup_menus.h"
#include "panel/panel_definitions.h"
#include "panel/panel_host.h"
#include "registry/window_services.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"
#include "utf8.h"

namespace vesk {
namespace {

void fn_popupmenu_create(func_call& c) {
    if (!c.require_count(1)) return;
    c.set_found(popupmenu_list::instance().create(c.param(0)));
}

void fn_popupmenu_remove(func_call& c) {
    if (!c.require_count(1)) return;
    c.set_found(popupmenu_list::instance().remove(c.param(0)));
}

void fn_popupmenu_additem(func_call& c) {
    if (!c.require_at_least(3)) return;
    std::string command(c.param(2)), check;
    bool escape = false;
    for (size_t i = 3; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (auto v = option_value(p, "escape")) {
            escape = read_bool(*v);
        } else if (auto s = option_value(p, "check")) {
            check = std::string(*s);
        } else {
            c.unknown_option(p);
            return;
        }
    }
    popupmenu_group* menu = popupmenu_list::instance().find(c.param(0));
    if (!menu) return;
    if (escape) {
        command = unescape_script(command);
        check = unescape_script(check);
    }
    menu->set(c.param(1), std::move(command), std::move(check));
    c.set_found(true);
}

void fn_popupmenu_removeitem(func_call& c) {
    if (!c.require_count(2)) return;
    popupmenu_group* menu = popupmenu_list::instance().find(c.param(0));
    c.set_found(menu && menu->remove(c.param(1)));
}

// "halign:" and "valign:" from parameter `first` on; false after a message.
bool read_alignment(func_call& c, size_t first, UINT& flags) {
    UINT h = TPM_LEFTALIGN, v = TPM_VCENTERALIGN;
    for (size_t i = first; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (auto word = option_value(p, "halign")) {
            const auto f = halign_flags(*word);
            if (!f) {
                c.fail(err_low, "%s: unknown halign '%s'", {*word});
                return false;
            }
            h = *f;
        } else if (auto vword = option_value(p, "valign")) {
            const auto f = valign_flags(*vword);
            if (!f) {
                c.fail(err_low, "%s: unknown valign '%s'", {*vword});
                return false;
            }
            v = *f;
        } else {
            c.unknown_option(p);
            return false;
        }
    }
    flags = h | v;
    return true;
}

void fn_popupmenu_view(func_call& c) {
    if (!c.require_at_least(1)) return;
    UINT align = 0;
    if (!read_alignment(c, 1, align)) return;
    // A copy: the chosen item's script may remove or change this menu.
    const popupmenu_group* found = popupmenu_list::instance().find(c.param(0));
    if (!found) return;
    const popupmenu_group menu = *found;
    c.set_found(true);
    if (menu.items.size() > popup_shown_items)
        c.fail(err_low, "%s: the first %s of %s items are shown",
               {std::to_string(popup_shown_items), std::to_string(menu.items.size())});
    const menu_handle popup(build_popup(menu));
    const UINT chosen = track_popup(popup.get(), align);
    if (chosen >= 1 && chosen <= menu.items.size()) run_popup_item(menu, chosen - 1);
}

// Inside the component's own group: the panel types in the Host's order,
// a new category submenu whenever the category changes.
void add_easy_creating(HMENU own, t_mainmenu_popup& out) {
    out.panels = available_panel_types();
    HMENU easy = CreatePopupMenu();
    HMENU category = nullptr;
    std::string current;
    for (size_t i = 0; i < out.panels.size(); ++i) {
        const auto& type = out.panels[i];
        if (!category || cor::stricmp_utf8(type.category, current) != 0) {
            category = CreatePopupMenu();
            current = type.category;
            AppendMenuW(easy, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(category),
                        cor::to_wide(current).c_str());
        }
        AppendMenuW(category, MF_STRING, out.commands.size() + 1 + i,
                    cor::to_wide(type.name).c_str());
    }
    AppendMenuW(own, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(own, MF_POPUP | MF_STRING | (out.panels.empty() ? MF_GRAYED : 0),
                reinterpret_cast<UINT_PTR>(easy), L"Easy creating");
}

}  // namespace

t_mainmenu_popup build_mainmenu_popup(cor::mainmenu_manager& host) {
    t_mainmenu_popup out;
    std::map<std::string, HMENU> submenus;  // by path prefix
    const auto submenu_for = [&](const std::string& prefix) {
        HMENU parent = out.root.get();
        size_t start = 0;
        for (size_t slash = prefix.find('/'); slash != std::string::npos;
             slash = prefix.find('/', slash + 1)) {
            const std::string key = prefix.substr(0, slash);
            auto it = submenus.find(key);
            if (it == submenus.end()) {
                HMENU sub = CreatePopupMenu();
                AppendMenuW(parent, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub),
                            cor::to_wide(key.substr(start)).c_str());
                it = submenus.emplace(key, sub).first;
            }
            parent = it->second;
            start = slash + 1;
        }
        return parent;
    };
    for (size_t i = 0, n = host.get_command_count(); i < n; ++i) {
        cor::guid id{};
        cor::string_out path;
        if (!host.get_command(i, id, path)) continue;
        const size_t slash = path.text.rfind('/');
        HMENU parent = submenu_for(slash == std::string::npos ? std::string()
                                                              : path.text.substr(0, slash + 1));
        const uint32_t flags = host.get_command_flags(i);
        UINT mf = MF_STRING;
        if (flags & cor::mainmenu_commands::flag_checked) mf |= MF_CHECKED;
        if (flags & cor::mainmenu_commands::flag_disabled) mf |= MF_GRAYED;
        out.commands.push_back(id);
        AppendMenuW(
            parent, mf, out.commands.size(),
            cor::to_wide(path.text.substr(slash == std::string::npos ? 0 : slash + 1)).c_str());
    }
    if (auto own = submenus.find(own_group_name); own != submenus.end())
        add_easy_creating(own->second, out);
    return out;
}

bool run_mainmenu_choice(cor::mainmenu_manager& host, const t_mainmenu_popup& popup, UINT chosen) {
    if (chosen == 0) return true;
    if (chosen <= popup.commands.size()) return host.execute_command(popup.commands[chosen - 1]);
    if (chosen - popup.commands.size() <= popup.panels.size()) {
        const auto& type = popup.panels[chosen - popup.commands.size() - 1];
        if (authoring::page_active()) {
            authoring::report_page_active(main_window_handle());
            return true;
        }
        return make_window_around_panel(type.id, type.name, type.category);
    }
    return false;
}

namespace {

void fn_popupmenu_view_mainmenu(func_call& c) {
    UINT align = 0;
    if (!read_alignment(c, 0, align)) return;
    cor::mainmenu_manager* host = host::mainmenu();
    if (!host) return;
    t_mainmenu_popup popup = build_mainmenu_popup(*host);
    const UINT chosen = track_popup(popup.root.get(), align);
    c.set_found(run_mainmenu_choice(*host, popup, chosen));
}

constexpr t_function_entry entries[] = {
    {"popupmenu_create", fn_popupmenu_create},
    {"popupmenu_remove", fn_popupmenu_remove},
    {"popupmenu_additem", fn_popupmenu_additem},
    {"popupmenu_removeitem", fn_popupmenu_removeitem},
    {"popupmenu_view", fn_popupmenu_view},
    {"popupmenu_view_mainmenu", fn_popupmenu_view_mainmenu},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
