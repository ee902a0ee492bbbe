// $button.
#include <windows.h>

#include <cstdio>

#include "control/button_object.h"
#include "host/script_path.h"
#include "object/object_manager.h"
#include "object/types/paint_support.h"
#include "registry/window_registry.h"
#include "registry/window_services.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"
#include "utf8.h"

namespace vesk {
namespace {

using object::button_object;

// The type's own options; false after printing the message of a bad one.
bool read_option(func_call& c, button_object& b, std::string_view p, bool& escape, bool& mempos) {
    if (auto v = option_value(p, "fg")) {
        if (!grammar::parse_colour(*v, b.foreground)) {
            c.fail(err_low, "%s: invalid fgcolor '%s'", {*v});
            return false;
        }
    } else if (auto v = option_value(p, "bg")) {
        if (!grammar::parse_colour(*v, b.background)) {
            c.fail(err_low, "%s: invalid bgcolor '%s'", {*v});
            return false;
        }
    } else if (auto v = option_value(p, "escape")) {
        escape = read_bool(*v);
    } else if (p.size() > 5 && cor::stricmp_utf8_partial(p, "font-") == 0 &&
               grammar::font_option(p, b.font)) {
        b.font.valid = true;
    } else if (auto v = option_value(p, "cache")) {
        b.cache = read_bool(*v);
    } else if (auto v = option_value(p, "push")) {
        b.push = std::string(*v);
    } else if (auto v = option_value(p, "over")) {
        b.over = std::string(*v);
    } else if (auto v = option_value(p, "keepaspect")) {
        b.keepaspect = read_bool(*v);
    } else if (auto v = option_value(p, "type")) {
        static constexpr std::pair<const char*, int> kinds[] = {
            {"text", button_object::kind_text},
            {"image", button_object::kind_image},
            {"text2", button_object::kind_text2},
            {"image2", button_object::kind_image2}};
        bool known = false;
        for (const auto& [name, kind] : kinds)
            if (is_keyword(*v, name)) b.kind = kind, known = true;
        if (!known) {
            c.fail(err_low, "%s: unknown type '%s'", {*v});
            return false;
        }
    } else if (auto v = option_value(p, "mempos")) {
        mempos = read_bool(*v);
    } else if (is_keyword(p, "hide")) {
        b.visible = false;
    } else {
        c.unknown_option(p);
        return false;
    }
    return true;
}

void fn_button(func_call& c) {
    if (!c.require_at_least(7)) return;
    const t_window_info* window = find_open_window(c, c.param(0));
    if (!window) return;
    t_script_context& ctx = c.hook.context();
    auto b = std::make_unique<button_object>();
    b->parent = window->id;
    b->context = ctx.script_id;
    if (auto* target = paint_target_of(reinterpret_cast<HWND>(window->hwnd)))
        b->control_id = static_cast<uint32_t>(target->next_control_id());
    b->font = paint::default_font();
    b->text = std::string(c.param(1));
    b->x = static_cast<int32_t>(read_unsigned(c.param(2))) + ctx.base_x;
    b->y = static_cast<int32_t>(read_unsigned(c.param(3))) + ctx.base_y;
    b->width = static_cast<int32_t>(read_unsigned(c.param(4)));
    b->height = static_cast<int32_t>(read_unsigned(c.param(5)));
    bool escape = false, mempos = false;
    for (size_t i = 7; i < c.count(); ++i)
        if (!read_option(c, *b, c.param(i), escape, mempos)) return;
    char prefix[48];
    std::snprintf(prefix, sizeof prefix, "$base(%d,%d)", static_cast<int>(ctx.base_x),
                  static_cast<int>(ctx.base_y));
    b->script = std::string(prefix) + std::string(c.param(6));
    if (escape) b->script = unescape_script(b->script);
    if (b->kind == button_object::kind_image || b->kind == button_object::kind_image2) {
        for (std::string* path : {&b->text, &b->push, &b->over})
            if (!path->empty() && path->front() == '/') *path = cor::to_utf8(script_path(*path));
    }
    if (mempos) {
        ctx.map_left = b->x;
        ctx.map_top = b->y;
        ctx.map_right = b->x + b->width;
        ctx.map_bottom = b->y + b->height;
    }
    const std::string identity = object::identity_text(b->id);
    if (!object_manager::instance().store(std::move(b))) return;
    c.write(identity);
    c.set_found(true);
}

constexpr t_function_entry entries[] = {{"button", fn_button}};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
