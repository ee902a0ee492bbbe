#include "panel/panel_host.h"

#include <cstdio>

#include "host/identity.h"
#include "host/settings.h"
#include "panel/panel_definitions.h"
#include "panel/panel_file.h"
#include "registry/window_registry.h"
#include "script/stored_scripts.h"
#include "window/script_window.h"

namespace vesk {

void destroy_embed_tool(HWND target);  // embed_tool.cpp
void unregister_embed_tool();

void panels_on_init() {
    repair_panel_lists();
    for (auto& p : cfg_panel_ext_list.items()) {
        p.wnd = nullptr;
        if (p.instance || p.unavailable) continue;
        p.instance = create_panel_instance(p.type);
        if (!p.instance)
            p.unavailable = true;
        else if (!p.settings.empty())
            p.instance->set_config(p.settings.data(), p.settings.size());
    }
}

void panels_on_window_destroy(HWND wnd, bool shutting_down) {
    destroy_embed_tool(wnd);
    if (!shutting_down) close_window_panels(wnd);
}

void panels_on_main_window_end() {
    release_all_panels();
    unregister_embed_tool();
}

namespace {

std::string format_with(const char* fmt, const std::string& id) {
    std::string out;
    for (const char* p = fmt; *p; ++p) {
        if (p[0] == '%' && p[1] == '%') {
            out += '%';
            ++p;
        } else if (p[0] == '%' && p[1] == 's') {
            out += id;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

}  // namespace

bool make_window_around_panel(const cor::guid& type, std::string_view name,
                              std::string_view category) {
    const std::string panel_id = unique_id(name, [](const std::string& id) {
        for (const auto& taken : cfg_panel_id_list)
            if (taken == id) return true;
        return false;
    });
    const size_t panel =
        add_panel_definition(type, panel_id, std::string(name) + " / " + std::string(category));
    if (!usable_panel(panel, false)) return false;

    const std::string window_id = unique_id(name, [](const std::string& id) {
        for (const auto& taken : cfg_window_id_list)
            if (taken == id) return true;
        return false;
    });
    const cor::guid window = make_identity();
    const size_t def = add_definition(window, window_id, name);
    cfg_window_tf_load_list[def] = format_with(
        "//$taskbar(%%_id%%,off)\r\n//$bgcolor(%%_id%%,$rgb(0,0,0))\r\n"
        "//$myborder(%%_id%%,10,10,10)\r\n"
        "$panel(%%_id%%,%s,10,10,$calc(%%_cwidth%%-20),$calc(%%_cheight%%-20))",
        panel_id);
    cfg_window_tf_resize_list[def] =
        format_with("$movepanel(%s,10,10,$calc(%%_cwidth%%-20),$calc(%%_cheight%%-20))", panel_id);
    prepare_all();
    script_window* main = script_window::from_handle(main_window_handle());
    return main && main->open_definition(window, cor::guid_null, false, false, false, nullptr);
}

}  // namespace vesk
