#include "panel/panel_definitions.h"

#include "guid_text.h"
#include "host/host_services.h"
#include "host/identity.h"
#include "host/service_factory.h"
#include "script/error_report.h"
#include "script/tf_hook.h"
#include "utf8.h"

namespace vesk {

cor::cfg_guidlist_t cfg_panel_guid_list(cor::guid_of("CC7C233E-8F21-4D93-8C31-BCC71B50BBC9"));
cor::cfg_stringlist_t cfg_panel_id_list(cor::guid_of("C7CE100B-5AED-4D50-B246-0970A5E420B8"));
cor::cfg_stringlist_t cfg_panel_display_list(cor::guid_of("F361759A-9AEC-455A-942F-771FE1144AAE"));
cfg_extlist_t cfg_panel_ext_list(cor::guid_of("80B30BCA-317B-49A2-BDFC-7F7BD4A6B786"));

namespace {

class vesk_window_host : public cor::ui_extension::window_host {
public:
    static constexpr cor::guid id = cor::guid_of("13A0FBA3-DAF2-4F16-8ADD-1DF3C643D445");
    cor::guid get_host_guid() override { return id; }
    void on_size_limit_change(void*, uint32_t) override {}
    uint32_t get_supported_types() override { return 0x0F; }
    bool is_visible(void*) override { return true; }
    bool is_visibility_modifiable(void*, bool) override { return true; }
    bool set_window_visibility(void*, bool) override { return true; }
    bool is_resize_supported(void*) override { return true; }
    bool request_resize(void*, uint32_t, uint32_t, uint32_t) override { return true; }
    bool is_available() override { return true; }
    void relinquish_ownership(void*) override {}
};

host::service_factory_t<cor::ui_extension::window_host, vesk_window_host> g_host_factory;

cor::service_ptr_t<cor::ui_extension::panel_manager> panel_service() {
    auto* api = host::api();
    return api ? api->get<cor::ui_extension::panel_manager>() : nullptr;
}

std::string settings_of(cor::ui_extension::window* panel) {
    cor::string_out out;
    panel->get_config(out);
    return std::move(out.text);
}

}  // namespace

void debug_line(std::string_view line) {
    host::console_print(line);
    OutputDebugStringA((std::string(line) + "\n").c_str());
}

cor::ui_extension::window_host* window_host() {
    static cor::service_ptr_t<cor::ui_extension::window_host> host(
        new cor::service_impl_t<vesk_window_host>());
    return host.get();
}

cor::service_ptr_t<cor::ui_extension::window> create_panel_instance(const cor::guid& type) {
    auto service = panel_service();
    cor::ui_extension::window* made = nullptr;
    if (!service || !service->create_by_guid(type, &made) || !made) return nullptr;
    return cor::service_ptr_t<cor::ui_extension::window>::adopt(made);
}

std::string panel_name(cor::ui_extension::window* panel) {
    cor::string_out out;
    if (panel) panel->get_name(out);
    return std::move(out.text);
}

std::string panel_category(cor::ui_extension::window* panel) {
    cor::string_out out;
    if (panel) panel->get_category(out);
    return std::move(out.text);
}

std::vector<t_panel_type_info> available_panel_types() {
    std::vector<t_panel_type_info> types;
    auto service = panel_service();
    if (!service) return types;
    for (size_t i = 0, n = service->get_panel_count(); i < n; ++i) {
        t_panel_type_info t;
        cor::string_out name, category;
        if (!service->get_panel_info(i, t.id, name, category)) continue;
        t.name = std::move(name.text);
        t.category = std::move(category.text);
        types.push_back(std::move(t));
    }
    return types;
}

std::string cfg_extlist_t::get_raw() const {
    std::string out;
    cor::raw_put_u32(out, static_cast<uint32_t>(items_.size()));
    for (const auto& item : items_) {
        cor::raw_put_guid(out, item.type);
        cor::raw_put_text(out, item.instance ? settings_of(item.instance.get()) : item.settings);
    }
    return out;
}

bool cfg_extlist_t::set_raw(std::string_view raw) {
    cor::raw_reader in(raw);
    uint32_t count = 0;
    if (!in.read_u32(count)) return false;
    for (auto& old : items_)
        if (old.instance && old.wnd) old.instance->destroy_window();
    items_.clear();
    for (uint32_t i = 0; i < count; ++i) {
        t_ext_param item;
        if (!in.read_guid(item.type) || !in.read_text(item.settings)) return false;
        item.instance = create_panel_instance(item.type);
        if (!item.instance) {
            debug_line("ui_extension::window::create_by_guid error!");
            item.unavailable = true;
        } else if (!item.settings.empty()) {
            item.instance->set_config(item.settings.data(), item.settings.size());
        }
        items_.push_back(std::move(item));
    }
    return in.at_end();
}

size_t panel_by_id(std::string_view id) {
    for (size_t i = 0; i < cfg_panel_id_list.size() && i < cfg_panel_guid_list.size(); ++i)
        if (cor::iequals_utf8(cfg_panel_id_list[i], id)) return i;
    return no_panel;
}

size_t find_panel(func_call& call, std::string_view id) {
    const size_t i = panel_by_id(id);
    if (i == no_panel) call.fail(err_middle, "%s: panel '%s' not found", {id});
    return i;
}

t_ext_param* panel_record(size_t index) {
    return index < cfg_panel_ext_list.size() && index < cfg_panel_guid_list.size()
               ? &cfg_panel_ext_list[index]
               : nullptr;
}

t_ext_param* usable_panel(size_t index, bool need_window) {
    t_ext_param* p = panel_record(index);
    if (!p || p->unavailable || !p->instance) return nullptr;
    if (need_window && (!p->wnd || !IsWindow(p->wnd))) return nullptr;
    return p;
}

void repair_panel_lists() {
    const size_t n = cfg_panel_guid_list.size();
    while (cfg_panel_id_list.size() < n) {
        cfg_panel_id_list.add(std::string());
        debug_line("cfg_panel_id_list.add_item");
    }
    while (cfg_panel_display_list.size() < n) {
        cfg_panel_display_list.add(std::string());
        debug_line("cfg_panel_display_list.add_item");
    }
}

size_t add_panel_definition(const cor::guid& type, std::string_view id, std::string_view display) {
    repair_panel_lists();
    t_ext_param record;
    record.type = type;
    record.instance = create_panel_instance(type);
    record.unavailable = !record.instance;
    // Records past the GUID list belong to no definition: drop them first.
    auto& items = cfg_panel_ext_list.items();
    while (items.size() < cfg_panel_guid_list.size()) {
        t_ext_param missing;
        missing.unavailable = true;
        items.push_back(std::move(missing));
    }
    items.resize(cfg_panel_guid_list.size());
    cfg_panel_guid_list.add(make_identity());
    cfg_panel_id_list.add(std::string(id));
    cfg_panel_display_list.add(std::string(display));
    items.push_back(std::move(record));
    return cfg_panel_guid_list.size() - 1;
}

}  // namespace vesk
