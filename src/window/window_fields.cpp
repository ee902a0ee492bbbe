#include "window/window_fields.h"

#include <windows.h>

#include "script/error_report.h"
#include "script/function_table.h"
#include "script/tf_hook.h"
#include "window/window_registry.h"

namespace vesk {

bool resolve_window_field(const t_window_info& window, std::string_view f, t_field_value& out) {
    out.found = true;
    HWND wnd = reinterpret_cast<HWND>(window.hwnd);
    const auto integer = [&](long v) {
        out.text = std::to_string(v);
        return true;
    };
    if (f == "_width" || f == "_height" || f == "_x" || f == "_y") {
        RECT r{};
        GetWindowRect(wnd, &r);
        if (f == "_width") return integer(r.right - r.left);
        if (f == "_height") return integer(r.bottom - r.top);
        return integer(f == "_x" ? r.left : r.top);
    }
    if (f == "_cwidth" || f == "_cheight") {
        RECT r{};
        GetClientRect(wnd, &r);
        return integer(f == "_cwidth" ? r.right - r.left : r.bottom - r.top);
    }
    if (f == "_windowid" || f == "_id") {
        out.text = definition_name(window.id);
        return true;
    }
    if (f == "_parentid") {
        if (window.parent == cor::guid_null) return false;
        out.text = definition_name(window.parent);
        return true;
    }
    if (f == "_menubar") {
        const bool has = GetMenu(wnd) != nullptr;
        out.text = has ? "1" : "0";
        out.found = true;
        return true;
    }
    return false;
}

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

std::span<const t_function_entry> window_field_functions() { return entries; }

}  // namespace vesk
