#include "panel/panel_file.h"

#include "cfg_var.h"
#include "guid_text.h"
#include "host/file_write.h"
#include "host/identity.h"
#include "host/message_box.h"
#include "host/script_path.h"
#include "panel/panel_definitions.h"
#include "utf8.h"

namespace vesk {
namespace {

size_t definition_index(const cor::guid& definition) {
    const size_t i = cfg_panel_guid_list.find(definition);
    return i < cfg_panel_guid_list.size() ? i : no_panel;
}

// The settings of a record, leaving its panel and instance as they are.
std::string settings_now(const t_ext_param& p) {
    if (!p.instance) return p.settings;
    cor::string_out out;
    p.instance->get_config(out);
    return std::move(out.text);
}

}  // namespace

std::string encode_panel_data(const t_panel_data& data) {
    std::string out;
    cor::raw_put_text(out, data.name);
    cor::raw_put_guid(out, data.type);
    cor::raw_put_text(out, data.settings);
    return out;
}

std::optional<t_panel_data> decode_panel_data(std::string_view bytes) {
    cor::raw_reader in(bytes);
    t_panel_data data;
    if (!in.read_text(data.name) || !in.read_guid(data.type) || !in.read_text(data.settings) ||
        !in.at_end())
        return std::nullopt;
    return data;
}

bool export_panel_data(HWND, const std::wstring& path, const cor::guid& definition) {
    const size_t i = definition_index(definition);
    t_ext_param* p = i == no_panel ? nullptr : usable_panel(i, false);
    if (!p) return false;
    const t_panel_data data{panel_name(p->instance.get()), p->type, settings_now(*p)};
    return replace_file(path, encode_panel_data(data));
}

bool import_panel_data(HWND owner, const std::wstring& path, const cor::guid& definition) {
    const size_t i = definition_index(definition);
    t_ext_param* p = i == no_panel ? nullptr : usable_panel(i, false);
    if (!p) return false;
    std::string bytes;
    const auto data = read_file(path, bytes) ? decode_panel_data(bytes) : std::nullopt;
    if (!data) return false;
    if (data->type != p->type) {
        const std::string text = "Unmatch class data.\r\n\r\nName : " + data->name +
                                 " \r\nGUID : " + cor::guid_to_text(data->type);
        debug_line("Import panel data : Unmatch class data. (" + data->name + ", " +
                   cor::guid_to_text(data->type) + ")");
        message_box(owner, text, "Import panel data", MB_ICONERROR);
        return false;
    }
    p->instance->set_config(data->settings.data(), data->settings.size());
    p->settings = data->settings;
    return true;
}

void close_panel(size_t index, bool ask_panel) {
    t_ext_param* p = panel_record(index);
    if (!p) return;
    if (p->instance && p->wnd && ask_panel) p->instance->destroy_window();
    if (p->wnd && IsWindow(p->wnd)) DestroyWindow(p->wnd);
    p->wnd = nullptr;
    if (p->unavailable || !p->instance) return;
    const cor::guid definition = cfg_panel_guid_list[index];
    const std::wstring temp = script_path("/" + cor::guid_to_text(make_identity()));
    const bool saved = export_panel_data(nullptr, temp, definition);
    // Without the file the settings still travel in memory.
    p->settings = settings_now(*p);
    p->instance.reset();
    p->instance = create_panel_instance(p->type);
    if (!p->instance) {
        p->unavailable = true;
    } else if (!saved || !import_panel_data(nullptr, temp, definition)) {
        p->instance->set_config(p->settings.data(), p->settings.size());
    }
    if (saved) DeleteFileW(temp.c_str());
}

void close_window_panels(HWND parent) {
    for (size_t i = 0; i < cfg_panel_ext_list.size(); ++i) {
        const t_ext_param& p = cfg_panel_ext_list[i];
        if (p.wnd && IsWindow(p.wnd) && GetParent(p.wnd) == parent) close_panel(i, true);
    }
}

void release_all_panels() {
    for (auto& p : cfg_panel_ext_list.items()) {
        if (p.instance) {
            p.settings = settings_now(p);
            if (p.wnd) p.instance->destroy_window();
        }
        p.instance.reset();
        p.wnd = nullptr;
        p.visible = false;
    }
}

}  // namespace vesk
