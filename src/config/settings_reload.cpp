// New settings while the component runs (the Host's --watch): the
// variables take the bytes, every stored script is prepared again, and the
// windows whose scripts changed are made again where they stand. Windows
// whose definitions are new open; those whose definitions went close.
#include <algorithm>
#include <string>
#include <vector>

#include "cfg_var.h"
#include "host/service_factory.h"
#include "host/settings.h"
#include "panel/panel_definitions.h"
#include "registry/window_list.h"
#include "registry/window_registry.h"
#include "registry/window_services.h"
#include "script/stored_scripts.h"
#include "window/script_window.h"

namespace vesk {
namespace {

// What a definition's windows are made from.
struct t_definition {
    cor::guid id;
    std::vector<std::string> made_of;
};

std::vector<t_definition> definitions() {
    const cor::cfg_stringlist_t* lists[] = {&cfg_window_id_list,         &cfg_window_tf_load_list,
                                            &cfg_window_tf_open_list,    &cfg_window_tf_close_list,
                                            &cfg_window_tf_resize_list,  &cfg_window_tf_move_list,
                                            &cfg_window_tf_activate_list};
    std::vector<t_definition> out;
    for (size_t i = 0; i < cfg_window_guid_list.size(); ++i) {
        t_definition d{cfg_window_guid_list[i], {}};
        for (const auto* list : lists) d.made_of.push_back(i < list->size() ? (*list)[i] : "");
        out.push_back(std::move(d));
    }
    return out;
}

const t_definition* find(const std::vector<t_definition>& all, const cor::guid& id) {
    const auto it =
        std::find_if(all.begin(), all.end(), [&](const t_definition& d) { return d.id == id; });
    return it == all.end() ? nullptr : &*it;
}

cor::cfg_var* variable(const cor::guid& id) {
    for (cor::cfg_var* v = cor::cfg_var::first_registered(); v; v = v->next_registered())
        if (v->get_guid() == id) return v;
    return nullptr;
}

std::vector<HWND> open_handles(bool children) {
    std::vector<HWND> out;
    for (const auto& w : open_windows()) {
        const HWND wnd = reinterpret_cast<HWND>(w.hwnd);
        if (((GetWindowLongW(wnd, GWL_STYLE) & WS_CHILD) != 0) == children) out.push_back(wnd);
    }
    return out;
}

class settings_reload_impl : public cor::settings_reload {
public:
    void reload(const cor::guid* ids, const void* const* data, const size_t* lengths,
                size_t count) override {
        const auto before = definitions();
        const std::string custom = cfg_custom_scripts.get();
        for (size_t i = 0; i < count; ++i)
            if (cor::cfg_var* v = variable(ids[i]))
                (void)v->set_raw({static_cast<const char*>(data[i]), lengths[i]});
        (void)compile_stored_custom_scripts();
        prepare_all();
        const auto after = definitions();
        // Macros and functions reach every window's scripts; new panel
        // records take the panels out of their windows, whose scripts place
        // them again.
        const bool panels = std::any_of(ids, ids + count, [](const cor::guid& id) {
            return id == cfg_panel_ext_list.get_guid();
        });
        const bool everything = panels || custom != cfg_custom_scripts.get();
        const auto changed = [&](HWND wnd) {
            const script_window* w = script_window::from_handle(wnd);
            if (!w) return false;
            const t_definition* was = find(before, w->id());
            const t_definition* now = find(after, w->id());
            return everything || !was || !now || was->made_of != now->made_of;
        };
        // Gone definitions first (the main window's never goes), then the
        // top-level windows made again: an embedded window comes back with
        // its parent's scripts, or on its own when only it changed.
        for (HWND wnd : open_handles(false))
            if (const script_window* w = script_window::from_handle(wnd);
                w && !w->is_main() && !find(after, w->id()))
                DestroyWindow(wnd);
        std::vector<HWND> redone;
        for (HWND wnd : open_handles(false))
            if (IsWindow(wnd) && changed(wnd)) {
                script_window::refresh_in_place(wnd);
                redone.push_back(wnd);
            }
        for (HWND wnd : open_handles(true))
            if (IsWindow(wnd) && changed(wnd) &&
                std::find(redone.begin(), redone.end(), GetAncestor(wnd, GA_ROOT)) == redone.end())
                script_window::refresh_in_place(wnd);
        if (script_window* main = script_window::from_handle(main_window_handle()))
            for (const t_definition& d : after)
                if (!find(before, d.id) && open_window_by_guid(d.id) == no_window)
                    (void)main->open_definition(d.id, cor::guid_null, false, false, false, nullptr);
    }
};

host::service_factory_t<cor::settings_reload, settings_reload_impl> g_reload_factory;

}  // namespace
}  // namespace vesk
