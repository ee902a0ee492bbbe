// $combobox, $combobox_additem, $combobox_select, $combobox_removeitem.
#include <windows.h>

#include <algorithm>

#include "control/combobox_object.h"
#include "control/control_lookup.h"
#include "object/object_manager.h"
#include "registry/window_registry.h"
#include "registry/window_services.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"

namespace vesk {
namespace {

using object::combobox_object;

combobox_object* named_combobox(func_call& c) {
    return named_control<combobox_object>(c, object::type_combobox, "combobox");
}

void fn_combobox(func_call& c) {
    if (!c.require_at_least(5)) return;
    const t_window_info* window = find_open_window(c, c.param(0));
    if (!window) return;
    t_script_context& ctx = c.hook.context();
    auto box = std::make_unique<combobox_object>();
    box->parent = window->id;
    box->context = ctx.script_id;
    if (auto* target = paint_target_of(reinterpret_cast<HWND>(window->hwnd)))
        box->control_id = static_cast<uint32_t>(target->next_control_id());
    box->x = static_cast<int32_t>(read_unsigned(c.param(1))) + ctx.base_x;
    box->y = static_cast<int32_t>(read_unsigned(c.param(2))) + ctx.base_y;
    box->width = static_cast<int32_t>(read_unsigned(c.param(3)));
    box->height = static_cast<int32_t>(read_unsigned(c.param(4)));
    bool mempos = false;
    for (size_t i = 5; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (is_keyword(p, "hide")) {
            box->visible = false;
        } else if (auto v = option_value(p, "droph")) {
            box->drop_height = static_cast<int32_t>(read_int(*v));
        } else if (auto m = option_value(p, "mempos")) {
            mempos = read_bool(*m);
        } else {
            c.unknown_option(p);
            return;
        }
    }
    if (mempos) set_map_rect(ctx, box->x, box->y, box->width, box->height);
    const std::string identity = object::identity_text(box->id);
    if (!object_manager::instance().store(std::move(box))) return;
    c.write(identity);
    c.set_found(true);
}

void fn_combobox_additem(func_call& c) {
    if (!c.require_at_least(1)) return;
    combobox_object* box = named_combobox(c);
    if (!box) return;
    object::combobox_item item;
    bool escape = false;
    for (size_t i = 1; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (auto v = option_value(p, "escape")) {
            escape = read_bool(*v);
        } else if (auto h = option_value(p, "height")) {
            item.height = static_cast<int32_t>(std::clamp<int64_t>(read_int(*h), 1, 255));
        } else if (auto d = option_value(p, "draw")) {
            item.draw = std::string(*d);
        } else if (auto s = option_value(p, "select")) {
            item.select = std::string(*s);
        } else {
            c.unknown_option(p);
            return;
        }
    }
    if (escape) {
        item.draw = unescape_script(item.draw);
        item.select = unescape_script(item.select);
    }
    box->add_item(std::move(item));
    c.set_found(true);
}

void fn_combobox_select(func_call& c) {
    if (!c.require_count(2)) return;
    combobox_object* box = named_combobox(c);
    if (box && box->select(read_int(c.param(1)))) c.set_found(true);
}

void fn_combobox_removeitem(func_call& c) {
    if (!c.require_count(2)) return;
    combobox_object* box = named_combobox(c);
    if (box) c.set_found(box->remove_item(read_int(c.param(1))));
}

constexpr t_function_entry entries[] = {
    {"combobox", fn_combobox},
    {"combobox_additem", fn_combobox_additem},
    {"combobox_select", fn_combobox_select},
    {"combobox_removeitem", fn_combobox_removeitem},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
