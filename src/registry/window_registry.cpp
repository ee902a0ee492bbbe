#include "registry/window_registry.h"

#include <windows.h>

#include "host/host_services.h"
#include "host/settings.h"
#include "script/error_report.h"
#include "script/tf_hook.h"
#include "utf8.h"

namespace vesk {

size_t definition_by_id(std::string_view id) {
    for (size_t i = 0; i < cfg_window_id_list.size() && i < cfg_window_guid_list.size(); ++i)
        if (cor::iequals_utf8(cfg_window_id_list[i], id)) return i;
    return no_window;
}

size_t definition_by_guid(const cor::guid& id) {
    const size_t i = cfg_window_guid_list.find(id);
    return i < cfg_window_guid_list.size() ? i : no_window;
}

std::string definition_name(const cor::guid& id) {
    const size_t i = definition_by_guid(id);
    return i != no_window && i < cfg_window_id_list.size() ? cfg_window_id_list[i] : std::string();
}

size_t open_window_by_guid(const cor::guid& id) {
    const auto& list = open_windows();
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].id == id) return i;
    return no_window;
}

size_t open_window_by_handle(HWND__* wnd) {
    const auto& list = open_windows();
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].hwnd == wnd) return i;
    return no_window;
}

HWND__* parent_handle(const t_window_info& window) {
    if (window.parent == cor::guid_null) return nullptr;
    const size_t i = open_window_by_guid(window.parent);
    return i == no_window ? nullptr : open_windows()[i].hwnd;
}

size_t find_definition(func_call& call, std::string_view id) {
    const size_t def = definition_by_id(id);
    if (def == no_window) call.fail(err_middle, "%s: window '%s' not found", {id});
    return def;
}

t_window_info* find_open_window(func_call& call, std::string_view id) {
    const size_t def = find_definition(call, id);
    if (def == no_window) return nullptr;
    const size_t open = open_window_by_guid(cfg_window_guid_list[def]);
    if (open == no_window) {
        call.fail(err_high, "%s: window '%s' not active", {id});
        return nullptr;
    }
    return &open_windows()[open];
}

void repair_window_lists() {
    const size_t n = cfg_window_guid_list.size();
    const auto pad_text = [n](cor::cfg_stringlist_t& list, const char* line) {
        while (list.size() < n) {
            list.add(std::string());
            host::console_print(line);
        }
    };
    pad_text(cfg_window_id_list, "cfg_window_id_list.add_item");
    pad_text(cfg_window_display_list, "cfg_window_display_list.add_item");
    while (cfg_window_winp_list.size() < n) {
        WINDOWPLACEMENT wp{};
        wp.length = sizeof wp;
        wp.flags = 0xFFFF;
        wp.showCmd = SW_SHOW;
        cfg_window_winp_list.add(wp);
        host::console_print("cfg_window_winp_list.add_item");
    }
    pad_text(cfg_window_tf_load_list, "cfg_window_tf_load_list.add_item");
    pad_text(cfg_window_tf_open_list, "cfg_window_tf_open_list.add_item");
    pad_text(cfg_window_tf_close_list, "cfg_window_tf_close_list.add_item");
    pad_text(cfg_window_tf_resize_list, "cfg_window_tf_resize_list.add_item");
    pad_text(cfg_window_tf_move_list, "cfg_window_tf_move_list.add_item");
    pad_text(cfg_window_tf_activate_list, "cfg_window_tf_activate_list.add_item");
}

size_t add_definition(const cor::guid& id, std::string_view name, std::string_view display) {
    repair_window_lists();
    cfg_window_guid_list.add(id);
    cfg_window_id_list.add(std::string(name));
    cfg_window_display_list.add(std::string(display));
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    wp.flags = 0xFFFF;
    wp.showCmd = SW_SHOW;
    cfg_window_winp_list.add(wp);
    for (auto* list :
         {&cfg_window_tf_load_list, &cfg_window_tf_open_list, &cfg_window_tf_close_list,
          &cfg_window_tf_resize_list, &cfg_window_tf_move_list, &cfg_window_tf_activate_list})
        list->add("");
    return cfg_window_guid_list.size() - 1;
}

}  // namespace vesk
