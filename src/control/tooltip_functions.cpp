// $tooltip, $tooltip_update, $tooltip_activate, $tooltip_getinfo.
#include <windows.h>

#include <array>
#include <span>
#include <vector>

#include "control/control_lookup.h"
#include "control/tooltip_object.h"
#include "object/object_manager.h"
#include "object/types/paint_support.h"
#include "registry/window_registry.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"
#include "utf8.h"

namespace vesk {
namespace {

using object::tooltip_object;

// Unsigned decimals of at most 10 digits joined by "-" (100-20): each
// replaces the next value; fewer numbers keep the rest. False for any
// other character, an empty number or more numbers than `out` holds.
bool read_number_list(std::string_view text, std::span<int32_t> out) {
    if (text.empty()) return true;
    std::vector<int32_t> numbers;
    size_t start = 0;
    while (true) {
        const size_t dash = text.find('-', start);
        const std::string_view part = text.substr(
            start, dash == std::string_view::npos ? std::string_view::npos : dash - start);
        if (part.empty() || part.size() > 10) return false;
        for (const char ch : part)
            if (ch < '0' || ch > '9') return false;
        numbers.push_back(static_cast<int32_t>(read_unsigned(part)));
        if (dash == std::string_view::npos) break;
        start = dash + 1;
    }
    if (numbers.size() > out.size()) return false;
    for (size_t i = 0; i < numbers.size(); ++i) out[i] = numbers[i];
    return true;
}

enum class read_result { no_match, taken, failed };

// The options $tooltip and $tooltip_update share.
read_result read_shared_option(func_call& c, tooltip_object& t, std::string_view p) {
    const auto list = [&](std::string_view v, std::span<int32_t> out, const char* name) {
        if (read_number_list(v, out)) return read_result::taken;
        c.fail(err_low, std::string("%s: invalid ") + name + " '%s'", {v});
        return read_result::failed;
    };
    if (auto v = option_value(p, "title")) {
        t.title = std::string(*v);
    } else if (auto a = option_value(p, "alpha")) {
        t.alpha = static_cast<int32_t>(read_int(*a));
    } else if (auto i = option_value(p, "icon")) {
        static constexpr const char* icons[] = {"none", "info", "warning", "error"};
        for (int k = 0; k < 4; ++k) {
            if (is_keyword(*i, icons[k])) {
                t.icon = k;
                return read_result::taken;
            }
        }
        c.fail(err_low, "%s: unknown icon '%s'", {*i});
        return read_result::failed;
    } else if (auto pos = option_value(p, "pos")) {
        return list(*pos, t.position, "pos");
    } else if (auto s = option_value(p, "size")) {
        return list(*s, t.size, "size");
    } else if (auto m = option_value(p, "margin")) {
        return list(*m, t.margin, "margin");
    } else if (auto fg = option_value(p, "fg")) {
        if (!grammar::parse_colour(*fg, t.foreground)) {
            c.fail(err_low, "%s: invalid fgcolor '%s'", {*fg});
            return read_result::failed;
        }
    } else if (auto bg = option_value(p, "bg")) {
        if (!grammar::parse_colour(*bg, t.background)) {
            c.fail(err_low, "%s: invalid bgcolor '%s'", {*bg});
            return read_result::failed;
        }
    } else {
        return read_result::no_match;
    }
    return read_result::taken;
}

void fn_tooltip(func_call& c) {
    if (!c.require_at_least(6)) return;
    auto tip = std::make_unique<tooltip_object>();
    const std::string_view target = c.param(0);
    if (object::parse_identity(target)) {
        const object::object_base* ctrl = object_manager::instance().find_control(target);
        if (!ctrl) {
            c.fail(err_middle, "%s: objectid error");
            return;
        }
        tip->target_kind = tooltip_object::target_control;
        tip->target_id = ctrl->id;
        tip->parent = ctrl->parent;
    } else {
        const t_window_info* window = find_open_window(c, target);
        if (!window) return;
        tip->target_kind = tooltip_object::target_window;
        tip->target_id = window->id;
        tip->parent = window->id;
    }
    t_script_context& ctx = c.hook.context();
    tip->context = ctx.script_id;
    tip->font = paint::default_font();
    tip->font.valid = false;  // the platform's own font unless one is given
    tip->text = std::string(c.param(1));
    tip->x = static_cast<int32_t>(read_unsigned(c.param(2))) + ctx.base_x;
    tip->y = static_cast<int32_t>(read_unsigned(c.param(3))) + ctx.base_y;
    tip->width = static_cast<int32_t>(read_unsigned(c.param(4)));
    tip->height = static_cast<int32_t>(read_unsigned(c.param(5)));
    bool mempos = false, escape = false;
    for (size_t i = 6; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (auto v = option_value(p, "mempos")) {
            mempos = read_bool(*v);
        } else if (auto e = option_value(p, "escape")) {
            escape = read_bool(*e);
        } else if (auto b = option_value(p, "balloon")) {
            tip->balloon = read_bool(*b);
        } else if (auto a = option_value(p, "always")) {
            tip->always = read_bool(*a);
        } else if (auto t = option_value(p, "topmost")) {
            tip->topmost = read_bool(*t);
        } else if (auto cl = option_value(p, "close")) {
            tip->close = read_bool(*cl);
        } else if (auto cu = option_value(p, "custom")) {
            tip->custom = read_bool(*cu);
        } else if (auto m = option_value(p, "mode")) {
            if (is_keyword(*m, "auto")) {
                tip->mode = tooltip_object::mode_auto;
            } else if (is_keyword(*m, "absolute")) {
                tip->mode = tooltip_object::mode_absolute;
            } else {
                c.fail(err_low, "%s: unknown mode '%s'", {*m});
                return;
            }
        } else if (p.size() > 5 && cor::stricmp_utf8_partial(p, "font-") == 0 &&
                   grammar::font_option(p, tip->font)) {
            tip->font.valid = true;
        } else {
            const read_result r = read_shared_option(c, *tip, p);
            if (r == read_result::failed) return;
            if (r == read_result::no_match) {
                c.unknown_option(p);
                return;
            }
        }
    }
    if (escape) tip->text = unescape_script(tip->text);
    if (mempos) set_map_rect(ctx, tip->x, tip->y, tip->width, tip->height);
    const std::string identity = object::identity_text(tip->id);
    if (!object_manager::instance().store(std::move(tip))) return;
    c.write(identity);
    c.set_found(true);
}

tooltip_object* named_tooltip(func_call& c) {
    object::object_base* obj = object_manager::instance().find(c.param(0));
    if (!obj || obj->type != object::type_tooltip) {
        c.fail(err_low, "%s: '%s' is not tooltip", {c.param(0)});
        return nullptr;
    }
    return static_cast<tooltip_object*>(obj);
}

void fn_tooltip_update(func_call& c) {
    if (!c.require_at_least(1)) return;
    tooltip_object* tip = named_tooltip(c);
    if (!tip) return;
    for (size_t i = 1; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (auto t = option_value(p, "text")) {
            tip->text = std::string(*t);
            continue;
        }
        if (auto r = option_value(p, "rect")) {
            std::array<int32_t, 4> rect{tip->x, tip->y, tip->width, tip->height};
            if (!read_number_list(*r, rect)) {
                c.fail(err_low, "%s: invalid rect '%s'", {*r});
                return;
            }
            tip->x = rect[0], tip->y = rect[1], tip->width = rect[2], tip->height = rect[3];
            continue;
        }
        const read_result r = read_shared_option(c, *tip, p);
        if (r == read_result::failed) return;
        if (r == read_result::no_match) {
            c.unknown_option(p);
            return;
        }
    }
    tip->apply(true);
    c.set_found(true);
}

void fn_tooltip_activate(func_call& c) {
    if (!c.require_count(2)) return;
    tooltip_object* tip = named_tooltip(c);
    if (!tip) return;
    tip->activate(read_bool(c.param(1)));
    c.set_found(true);
}

void fn_tooltip_getinfo(func_call& c) {
    if (!c.require_count(2)) return;
    tooltip_object* tip = named_tooltip(c);
    if (!tip) return;
    const std::string_view type = c.param(1);
    if (is_keyword(type, "width")) {
        c.write_int(tip->tip_skin_size().cx);
    } else if (is_keyword(type, "height")) {
        c.write_int(tip->tip_skin_size().cy);
    } else if (is_keyword(type, "visible")) {
        c.write(tip->tip_visible() ? "1" : "0");
    } else {
        c.fail(err_low, "%s: unknown type '%s'", {type});
        return;
    }
    c.set_found(true);
}

constexpr t_function_entry entries[] = {
    {"tooltip", fn_tooltip},
    {"tooltip_update", fn_tooltip_update},
    {"tooltip_activate", fn_tooltip_activate},
    {"tooltip_getinfo", fn_tooltip_getinfo},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
