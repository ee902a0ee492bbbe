#include "registry/window_fields.h"

#include <windows.h>

#include <array>

#include "host/display_scale.h"
#include "registry/tray_state.h"
#include "registry/window_registry.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/tf_hook.h"

namespace vesk {

namespace {

bool integer(long v, t_field_value& out) {
    out.text = std::to_string(v);
    return true;
}

// In skin pixels, like every number a script gives or reads: the outer
// size with the frame as it is at 96 DPI, the client area scaled.
RECT window_rect(const t_window_info& w) {
    const HWND wnd = reinterpret_cast<HWND>(w.hwnd);
    RECT r{};
    GetWindowRect(wnd, &r);
    return outer_rect(scale_of_window(wnd), frame_of(wnd), r, toward::skin);
}

RECT client_rect(const t_window_info& w) {
    const HWND wnd = reinterpret_cast<HWND>(w.hwnd);
    RECT r{};
    GetClientRect(wnd, &r);
    return scale_of_window(wnd).to_skin(r);
}

bool window_name(const t_window_info& w, t_field_value& out) {
    out.text = definition_name(w.id);
    return true;
}

struct t_window_field {
    std::string_view name;
    bool (*read)(const t_window_info&, t_field_value&);
};

constexpr t_window_field window_fields[] = {
    {"_width",
     [](const t_window_info& w, t_field_value& out) {
         const RECT r = window_rect(w);
         return integer(r.right - r.left, out);
     }},
    {"_height",
     [](const t_window_info& w, t_field_value& out) {
         const RECT r = window_rect(w);
         return integer(r.bottom - r.top, out);
     }},
    {"_x",
     [](const t_window_info& w, t_field_value& out) { return integer(window_rect(w).left, out); }},
    {"_y",
     [](const t_window_info& w, t_field_value& out) { return integer(window_rect(w).top, out); }},
    {"_cwidth",
     [](const t_window_info& w, t_field_value& out) {
         const RECT r = client_rect(w);
         return integer(r.right - r.left, out);
     }},
    {"_cheight",
     [](const t_window_info& w, t_field_value& out) {
         const RECT r = client_rect(w);
         return integer(r.bottom - r.top, out);
     }},
    {"_scale",
     [](const t_window_info& w, t_field_value& out) {
         return integer(MulDiv(screen_dpi_of(reinterpret_cast<HWND>(w.hwnd)), 100, 96), out);
     }},
    {"_windowid", window_name},
    {"_id", window_name},
    {"_parentid",
     [](const t_window_info& w, t_field_value& out) {
         if (w.parent == cor::guid_null) return false;
         out.text = definition_name(w.parent);
         return true;
     }},
    {"_menubar",
     [](const t_window_info& w, t_field_value& out) {
         out.text = GetMenu(reinterpret_cast<HWND>(w.hwnd)) ? "1" : "0";
         return true;
     }},
};

constexpr auto window_names = [] {
    std::array<std::string_view, std::size(window_fields)> names{};
    for (size_t i = 0; i < names.size(); ++i) names[i] = window_fields[i].name;
    return names;
}();

}  // namespace

bool resolve_window_field(const t_window_info& window, std::string_view f, t_field_value& out) {
    out.found = true;
    for (const auto& field : window_fields)
        if (field.name == f) return field.read(window, out);
    return false;
}

bool resolve_own_window_field(const t_script_context& context, std::string_view folded,
                              t_field_value& out) {
    const size_t open = open_window_by_guid(context.window_id);
    return open != no_window && resolve_window_field(open_windows()[open], folded, out);
}

bool resolve_main_field(std::string_view folded, t_field_value& out) {
    out.found = true;
    if (folded == "mainid") {
        if (definition_by_guid(main_window_guid) == no_window) return false;
        out.text = definition_name(main_window_guid);
        return true;
    }
    const t_tray_state& tray = tray_state();
    bool value = false;
    if (folded == "tasktray") {
        value = tray.icon_shown;
    } else if (folded == "tasktray_store") {
        if (open_window_by_guid(main_window_guid) == no_window) return false;
        value = tray.windows_stored;
    } else {
        return false;
    }
    out.text = value ? "1" : "0";
    out.found = value;
    return true;
}

std::span<const std::string_view> window_field_names() { return window_names; }

namespace {

void fn_w(func_call& c) {
    if (!c.require_count(2)) return;
    const t_window_info* window = find_open_window(c, c.param(0));
    if (!window) return;
    const std::string_view name = c.param(1);
    t_field_value value;
    if (!resolve_window_field(*window, fold_name(name), value)) {
        c.fail(err_low, "%s: window variable '%s' not found", {name});
        return;
    }
    c.write(value.text);
}

constexpr t_function_entry entries[] = {{"w", fn_w}};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
