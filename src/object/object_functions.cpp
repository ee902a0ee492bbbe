// $showobject, $moveobject, $setobjectzorder, $updateobject, $clearobject,
// $removeobject (also $removectrl), $isobjectvisible, $getparam, $setparam,
// $systeminfo (the open windows and their objects of each kind).
#include <array>
#include <string>

#include "host/host_services.h"
#include "object/object_manager.h"
#include "registry/window_list.h"
#include "registry/window_registry.h"
#include "registry/window_services.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"

namespace vesk {
namespace {

using object::object_base;

// The object named by parameter 0; prints `message` (threshold middle)
// when there is none.
object_base* named_object(func_call& c, const char* message) {
    object_base* obj = object_manager::instance().find(c.param(0));
    if (!obj) c.fail(err_middle, message, {c.param(0)});
    return obj;
}

object_base* named_object(func_call& c) { return named_object(c, "%s: object '%s' not found"); }

// Reads the only option these functions take; false after the message.
bool read_redraw_options(func_call& c, size_t first, bool& redraw) {
    for (size_t i = first; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (const auto v = option_value(p, "redraw")) {
            redraw = read_bool(*v);
        } else {
            c.unknown_option(p);
            return false;
        }
    }
    return true;
}

void fn_showobject(func_call& c) {
    if (!c.require_at_least(2)) return;
    object_base* obj = named_object(c);
    if (!obj) return;
    const cor::guid id = obj->id;
    const bool visible = read_bool(c.param(1));
    bool redraw = false;
    if (!read_redraw_options(c, 2, redraw)) return;
    c.set_found(object_manager::instance().show(id, visible, redraw));
}

void fn_moveobject(func_call& c) {
    if (!c.require_at_least(3)) return;
    object_base* obj = named_object(c);
    if (!obj) return;
    const cor::guid id = obj->id;
    const t_script_context& ctx = c.hook.context();
    const auto x = static_cast<int32_t>(static_cast<uint32_t>(read_unsigned(c.param(1))) +
                                        static_cast<uint32_t>(ctx.base_x));
    const auto y = static_cast<int32_t>(static_cast<uint32_t>(read_unsigned(c.param(2))) +
                                        static_cast<uint32_t>(ctx.base_y));
    bool redraw = false;
    if (!read_redraw_options(c, 3, redraw)) return;
    c.set_found(object_manager::instance().move(id, x, y, redraw));
}

void fn_setobjectzorder(func_call& c) {
    if (!c.require_at_least(2)) return;
    object_base* obj = named_object(c);
    if (!obj) return;
    const cor::guid id = obj->id;
    int where;
    if (is_keyword(c.param(1), "top")) {
        where = object::z_top;
    } else if (is_keyword(c.param(1), "bottom")) {
        where = object::z_bottom;
    } else {
        c.fail(err_low, "%s: unknown zorder '%s'", {c.param(1)});
        return;
    }
    bool redraw = false;
    if (!read_redraw_options(c, 2, redraw)) return;
    c.set_found(object_manager::instance().set_zorder(id, where, redraw));
}

void fn_updateobject(func_call& c) {
    if (!c.require_count(1)) return;
    object_base* obj = named_object(c);
    if (!obj) return;
    c.set_found(object_manager::instance().update_object(obj->id));
}

void fn_removeobject(func_call& c) {
    if (!c.require_at_least(1)) return;
    object_base* obj = named_object(c, "%s: objectid '%s' not found");
    if (!obj) return;
    const cor::guid id = obj->id;
    bool redraw = false;
    if (!read_redraw_options(c, 1, redraw)) return;
    auto& manager = object_manager::instance();
    // Hiding with a repaint erases the object's area first.
    if (redraw) manager.show(id, false, true);
    c.set_found(manager.remove(id));
}

void fn_isobjectvisible(func_call& c) {
    if (!c.require_count(1)) return;
    const object_base* obj = object_manager::instance().find(c.param(0));
    const bool visible = obj && obj->visible;
    c.write(visible ? "1" : "0");
    c.set_found(visible);
}

void fn_clearobject(func_call& c) {
    if (!c.require_at_least(1)) return;
    const t_window_info* window = find_open_window(c, c.param(0));
    if (!window) return;
    const cor::guid window_id = window->id;
    const HWND wnd = reinterpret_cast<HWND>(window->hwnd);
    static constexpr std::array<const char*, 6> events = {"load",   "open", "close",
                                                          "resize", "move", "activate"};
    bool redraw = false;
    int event = 0;
    for (size_t i = 1; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (const auto v = option_value(p, "redraw")) {
            redraw = read_bool(*v);
        } else if (const auto v = option_value(p, "event")) {
            event = 0;
            for (size_t e = 0; e < events.size() && !event; ++e)
                if (is_keyword(*v, events[e])) event = static_cast<int>(e) + 1;
            if (!event) {
                c.fail(err_low, "%s: unknown event '%s'", {*v});
                return;
            }
        } else {
            c.unknown_option(p);
            return;
        }
    }
    auto& manager = object_manager::instance();
    bool cleared;
    if (event) {
        // Objects made outside any window event carry the null context;
        // they never belong to an event of this window.
        const cor::guid context = window_event_identity(window_id, event);
        cleared = context == cor::guid_null ||
                  manager.clear_context(context, object::cat_drawn_and_areas);
    } else {
        cleared = manager.clear_parent(window_id, object::cat_drawn_and_areas);
    }
    if (!cleared) return;
    if (redraw) {
        if (window_paint_target* target = paint_target_of(wnd)) target->redraw(true);
        InvalidateRect(wnd, nullptr, TRUE);
    }
    c.set_found(true);
}

void fn_getparam(func_call& c) {
    if (!c.require_count(2)) return;
    object_base* obj = named_object(c);
    if (!obj) return;
    const std::string_view name = c.param(1);
    if (is_keyword(name, "windowid")) {
        // Objects inside a combobox or tooltip have no window of their own.
        if (open_window_by_guid(obj->parent) == no_window) return;
        c.write(definition_name(obj->parent));
        c.set_found(true);
        return;
    }
    std::string value;
    const auto p = object::property_by_name(name);
    if (!p || !obj->get_property(*p, value)) {
        c.fail(err_low, "%s: unsupported type '%s'", {name});
        return;
    }
    c.write(value);
    c.set_found(true);
}

void fn_setparam(func_call& c) {
    if (!c.require_at_least(3)) return;
    object_base* obj = named_object(c);
    if (!obj) return;
    const cor::guid id = obj->id;
    const bool redraw = read_bool(c.param(1));
    auto& manager = object_manager::instance();
    const bool was_visible = obj->visible;
    if (redraw) {
        obj->visible = false;
        if (!manager.update_object(id)) {
            obj->visible = was_visible;
            return;
        }
    }
    static constexpr std::array<std::pair<const char*, object::property>, 5> settings = {
        {{"text", object::property::text},
         {"x", object::property::x},
         {"y", object::property::y},
         {"w", object::property::w},
         {"h", object::property::h}}};
    for (size_t i = 2; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        bool known = false;
        for (const auto& [keyword, property] : settings) {
            const auto v = option_value(p, keyword);
            if (!v) continue;
            known = true;
            if (!obj->set_property(property, *v, static_cast<int32_t>(read_int(*v)))) {
                c.fail(err_low, "%s: unsupported option '%s'", {p});
                return;
            }
            break;
        }
        if (!known) {
            c.unknown_option(p);
            return;
        }
    }
    if (redraw) {
        obj->visible = was_visible;
        if (!manager.update_object(id)) return;
    }
    c.set_found(true);
}

void fn_systeminfo(func_call& c) {
    const auto& windows = open_windows();
    host::console_print(
        format_message("Active window count: %d", {std::to_string(windows.size())}));
    static constexpr std::pair<const char*, uint32_t> kinds[] = {
        {"text: %d", 0},       {"gp_image: %d", 2},     {"gp_text: %d", 3},   {"gp_line: %d", 4},
        {"gp_rect: %d", 5},    {"gp_roundrect: %d", 6}, {"gp_circle: %d", 7}, {"gp_pie: %d", 8},
        {"gp_polygon: %d", 9}, {"gp_arc: %d", 10},      {"button: %d", 11},   {"map: %d", 15}};
    const auto& manager = object_manager::instance();
    for (const auto& w : windows) {
        host::console_print(format_message("[%s]", {definition_name(w.id)}));
        for (const auto& [line, type] : kinds)
            host::console_print(format_message(line, {std::to_string(manager.count(w.id, type))}));
    }
    c.set_found(true);
}

constexpr t_function_entry entries[] = {
    {"systeminfo", fn_systeminfo},
    {"showobject", fn_showobject},
    {"moveobject", fn_moveobject},
    {"setobjectzorder", fn_setobjectzorder},
    {"updateobject", fn_updateobject},
    {"clearobject", fn_clearobject},
    {"removeobject", fn_removeobject},
    {"removectrl", fn_removeobject},
    {"isobjectvisible", fn_isobjectvisible},
    {"getparam", fn_getparam},
    {"setparam", fn_setparam},
};

// Functions that change nothing drawn: gathered paints wait across them.
constexpr std::string_view changes_no_drawing[] = {
    "hash",       "updateobject", "getparam",    "isobjectvisible", "console",
    "pl_getmeta", "pl_itemcount", "pl_duration", "albumart_find"};

// The first parameter from `first` on that sets "redraw:" true.
bool redraws(func_call& c, size_t first) {
    for (size_t i = first; i < c.count(); ++i)
        if (const auto v = option_value(c.param(i), "redraw"); v && read_bool(*v)) return true;
    return false;
}

}  // namespace

void settle_paints_before(std::string_view folded, func_call& c) {
    auto& manager = object_manager::instance();
    if (!manager.paints_gathered()) return;
    for (const std::string_view name : changes_no_drawing)
        if (folded == name) return;
    // These repaint, after the change, every place they change.
    if ((folded == "moveobject" && redraws(c, 3)) || (folded == "showobject" && redraws(c, 2)) ||
        (folded == "setobjectzorder" && redraws(c, 2)) ||
        (folded == "removeobject" && redraws(c, 1)) ||
        (folded == "setparam" && c.count() >= 2 && read_bool(c.param(1))))
        return;
    // A new text for a box of text changes nothing outside the box.
    if (folded == "setparam" && c.count() >= 3) {
        object_base* obj = manager.find(c.param(0));
        bool text_only = obj && obj->type == object::type_drawtext;
        for (size_t i = 2; text_only && i < c.count(); ++i)
            text_only = option_value(c.param(i), "text").has_value();
        RECT r{};
        if (text_only && obj->get_rect(r)) {
            manager.settle_paints(obj->parent, r);
            return;
        }
    }
    manager.paint_gathered();
}

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
