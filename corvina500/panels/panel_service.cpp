#include <cstring>

#include "panels/console_history.h"
#include "panels/panel_types.h"

namespace cor::panels {
namespace {

constexpr t_panel_type types[] = {
    {playlist_view_guid, "Playlist View", "Playlist views"},
    {album_art_guid, "Album Art", "Panels"},
    {console_guid, "Console", "Panels"},
    {peak_meter_guid, "Peak Meter", "Visualisations"},
    {album_list_guid, "Album List", "Library views"},
};

using maker = ui_extension::window* (*)(const t_panel_type&, t_panel_env);
constexpr maker makers[] = {make_playlist_view, make_album_art, make_console_panel, make_peak_meter,
                            make_album_list};

class panel_service : public ui_extension::panel_manager {
public:
    explicit panel_service(t_panel_env env) : env_(env) {}
    size_t get_panel_count() override { return std::size(types); }
    bool get_panel_info(size_t index, guid& id, string_sink& name, string_sink& category) override {
        if (index >= std::size(types)) return false;
        id = types[index].id;
        name.write(types[index].name, std::strlen(types[index].name));
        category.write(types[index].category, std::strlen(types[index].category));
        return true;
    }
    bool create_by_guid(const guid& id, ui_extension::window** out) override {
        if (!out) return false;
        *out = make_panel(id, env_);
        return *out != nullptr;
    }

private:
    t_panel_env env_;
};

}  // namespace

std::span<const t_panel_type> panel_types() { return types; }

ui_extension::window* make_panel(const guid& type, t_panel_env env) {
    for (size_t i = 0; i < std::size(types); ++i) {
        if (types[i].id != type) continue;
        try {
            ui_extension::window* w = makers[i](types[i], env);
            w->service_add_ref();
            return w;
        } catch (...) {
            return nullptr;
        }
    }
    return nullptr;
}

}  // namespace cor::panels

namespace cor {

service_ptr_t<ui_extension::panel_manager> make_panel_service(player_core& core,
                                                              console_history& console,
                                                              host_api* api) {
    return service_ptr_t<ui_extension::panel_manager>(
        new service_impl_t<panels::panel_service>(panels::t_panel_env{core, console, api}));
}

}  // namespace cor
