// $map, $map_rect, $map_circle, $map_preview.
#include <windows.h>

#include <cstdio>

#include "control/map_object.h"
#include "object/grammar/values.h"
#include "object/object_manager.h"
#include "registry/window_registry.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"

namespace vesk {
namespace {

using object::map_object;

void fn_map(func_call& c) {
    if (!c.require_at_least(1)) return;
    const t_window_info* window = find_open_window(c, c.param(0));
    if (!window) return;
    auto map = std::make_unique<map_object>();
    bool escape = false;
    const t_script_context& ctx = c.hook.context();
    char prefix[48];
    std::snprintf(prefix, sizeof prefix, "$base(%d,%d)", static_cast<int>(ctx.base_x),
                  static_cast<int>(ctx.base_y));
    for (size_t i = 1; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (auto v = option_value(p, "escape")) {
            escape = read_bool(*v);
            continue;
        }
        if (auto v = option_value(p, "drag")) {
            map->drag = read_bool(*v);
            continue;
        }
        bool taken = false;
        for (size_t s = 0; s < map_object::script_count && !taken; ++s) {
            if (auto v = option_value(p, map_object::option_names[s])) {
                map->scripts[s] = std::string(prefix) + std::string(*v);
                taken = true;
            }
        }
        if (taken) continue;
        if (is_keyword(p, "hide")) {
            map->visible = false;
            continue;
        }
        c.unknown_option(p);
        return;
    }
    if (escape)
        for (auto& s : map->scripts)
            if (!s.empty()) s = unescape_script(s);
    map->parent = window->id;
    map->context = ctx.script_id;
    const std::string identity = object::identity_text(map->id);
    if (!object_manager::instance().store(std::move(map))) return;
    c.write(identity);
    c.set_found(true);
}

map_object* find_map(func_call& c) {
    object::object_base* obj = object_manager::instance().find(c.param(0));
    if (!obj || obj->type != object::type_map) {
        c.fail(err_middle, "%s: objectid '%s' not found", {c.param(0)});
        return nullptr;
    }
    return static_cast<map_object*>(obj);
}

void add_shape(func_call& c, bool ellipse) {
    if (!c.require_count(5)) return;
    map_object* map = find_map(c);
    if (!map) return;
    const t_script_context& ctx = c.hook.context();
    const auto x = static_cast<int>(read_unsigned(c.param(1))) + ctx.base_x;
    const auto y = static_cast<int>(read_unsigned(c.param(2))) + ctx.base_y;
    const auto w = static_cast<int>(read_unsigned(c.param(3)));
    const auto h = static_cast<int>(read_unsigned(c.param(4)));
    HRGN shape =
        ellipse ? CreateEllipticRgn(x, y, x + w, y + h) : CreateRectRgn(x, y, x + w, y + h);
    if (!map->add_shape(shape)) {
        c.fail(err_middle, ellipse ? "%s: can't add a circle map" : "%s: can't add a rect map");
        return;
    }
    c.set_found(true);
}

void fn_map_rect(func_call& c) { add_shape(c, false); }
void fn_map_circle(func_call& c) { add_shape(c, true); }

void fn_map_preview(func_call& c) {
    if (!c.require_at_least(1)) return;
    map_object* map = find_map(c);
    if (!map) return;
    grammar::colour fill, frame;
    for (size_t i = 1; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        auto f = option_value(p, "fill");
        auto r = f ? std::optional<std::string_view>() : option_value(p, "frame");
        if (!f && !r) {
            c.unknown_option(p);
            return;
        }
        grammar::colour& into = f ? fill : frame;
        if (!grammar::parse_colour(f ? *f : *r, into)) {
            c.fail(err_low, "%s: invalid bgcolor '%s'", {f ? *f : *r});
            return;
        }
    }
    if (!fill.valid && !frame.valid) {
        c.set_found(true);
        return;
    }
    const size_t open = open_window_by_guid(map->parent);
    if (open == no_window) return;
    HWND wnd = reinterpret_cast<HWND>(open_windows()[open].hwnd);
    HDC dc = GetDC(wnd);
    if (map->area()) {
        if (fill.valid) {
            unique_hbrush brush(CreateSolidBrush(grammar::gdi_colour(fill)));
            FillRgn(dc, map->area(), brush.get());
        }
        if (frame.valid) {
            unique_hbrush brush(CreateSolidBrush(grammar::gdi_colour(frame)));
            FrameRgn(dc, map->area(), brush.get(), 1, 1);
        }
    }
    ReleaseDC(wnd, dc);
    c.set_found(true);
}

constexpr t_function_entry entries[] = {{"map", fn_map},
                                        {"map_rect", fn_map_rect},
                                        {"map_circle", fn_map_circle},
                                        {"map_preview", fn_map_preview}};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
