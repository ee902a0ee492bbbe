#include "object/object_creation.h"

#include "object/object_manager.h"
#include "registry/window_registry.h"
#include "registry/window_services.h"
#include "script/error_report.h"
#include "script/options.h"

namespace vesk {

object_creation::object_creation(func_call& call, size_t min_params) : call_(call) {
    if (!call.require_at_least(min_params)) return;
    const std::string_view where = call.param(0);
    if (object::parse_identity(where)) {
        const object::object_base* host = object_manager::instance().find(where);
        if (!host || (host->type != object::type_combobox && host->type != object::type_tooltip)) {
            call.fail(err_middle, "%s: objectid error");
            return;
        }
        parent_ = host->id;
        ok_ = true;
        return;
    }
    const t_window_info* window = find_open_window(call, where);
    if (!window) return;
    parent_ = window->id;
    window_ = reinterpret_cast<HWND>(window->hwnd);
    ok_ = true;
}

int32_t object_creation::x(size_t param) const {
    return static_cast<int32_t>(static_cast<uint32_t>(read_unsigned(call_.param(param))) +
                                static_cast<uint32_t>(call_.hook.context().base_x));
}

int32_t object_creation::y(size_t param) const {
    return static_cast<int32_t>(static_cast<uint32_t>(read_unsigned(call_.param(param))) +
                                static_cast<uint32_t>(call_.hook.context().base_y));
}

bool object_creation::common_option(std::string_view p) {
    if (const auto v = option_value(p, "mempos")) {
        mempos_ = read_bool(*v);
    } else if (is_keyword(p, "hide")) {
        hide_ = true;
    } else if (const auto v = option_value(p, "calconly")) {
        if (read_bool(*v)) mode_ = draw_mode::calconly;
    } else if (const auto v = option_value(p, "dmode")) {
        if (is_keyword(*v, "object")) {
            mode_ = draw_mode::object;
        } else if (is_keyword(*v, "mem")) {
            mode_ = draw_mode::mem;
        } else if (is_keyword(*v, "calconly")) {
            mode_ = draw_mode::calconly;
        } else {
            call_.unknown_option(p);
            return false;
        }
    } else {
        call_.unknown_option(p);
        return false;
    }
    return true;
}

void object_creation::finish(std::unique_ptr<object::object_base> obj) {
    if (!ok_ || !obj) return;
    t_script_context& context = call_.hook.context();
    obj->parent = parent_;
    obj->context = context.script_id;
    obj->visible = !hide_;

    if (mempos_) {
        RECT r{};
        if (obj->get_rect(r)) {
            context.map_left = r.left;
            context.map_top = r.top;
            context.map_right = r.right + 1;
            context.map_bottom = r.bottom + 1;
        }
    }

    switch (mode_) {
        case draw_mode::calconly:
            call_.set_found(true);
            return;
        case draw_mode::mem: {
            // Inside a combobox or tooltip there is no back buffer to keep it.
            if (!window_) return;
            if (window_paint_target* target = paint_target_of(window_)) {
                if (const HDC dc = target->back_buffer_dc()) {
                    const skin_drawing_scope skin(dc, target->back_buffer_graphics(),
                                                  target->display_scale());
                    obj->draw(window_, dc, target->back_buffer_graphics());
                }
            }
            call_.set_found(true);
            return;
        }
        case draw_mode::object: {
            const std::string text = object::identity_text(obj->id);
            if (!object_manager::instance().store(std::move(obj))) return;
            call_.write(text);
            call_.set_found(true);
            return;
        }
    }
}

}  // namespace vesk
