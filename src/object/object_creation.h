// The steps every object-creating script function shares: naming where
// the object is drawn (a window, or a combobox or tooltip by identity),
// reading coordinates against the caller's base point, the common options
// "mempos:", "hide", "calconly:" and "dmode:", and the end of the call by
// draw mode (stored, painted once into the back buffer, or measured only).
//
//   object_creation make(call, 5);
//   if (!make.ok()) return;
//   auto rect = std::make_unique<gp_rect_object>(make.x(1), make.y(2), ...);
//   if (!make.read_options(5, [&](std::string_view p) { return rect->option(call, p); }))
//       return;
//   make.finish(std::move(rect));
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "object/object_base.h"
#include "script/tf_hook.h"

namespace vesk {

enum class draw_mode { object, mem, calconly };

// What a type's own option reader made of one parameter.
enum class option_result {
    no_match,  // not one of the type's options: try the common ones
    taken,     // read and recorded
    failed     // the type printed its message; the call ends
};

class object_creation {
public:
    // Checks the parameter count and resolves the first parameter, printing
    // the message on failure.
    object_creation(func_call& call, size_t min_params);

    [[nodiscard]] bool ok() const { return ok_; }
    [[nodiscard]] const cor::guid& parent() const { return parent_; }
    // The window drawn in; null when the parent is a combobox or tooltip.
    [[nodiscard]] HWND window() const { return window_; }

    // Coordinates: leading decimal digits only (so "-5" is 0), plus the
    // caller's base point.
    [[nodiscard]] int32_t x(size_t param) const;
    [[nodiscard]] int32_t y(size_t param) const;

    // Reads parameters from `first` on, each through `own` and then the
    // common options. False after the message of the first bad one.
    template <class F>
    [[nodiscard]] bool read_options(size_t first, F&& own) {
        for (size_t i = first; i < call_.count(); ++i) {
            const std::string_view p = call_.param(i);
            const option_result r = own(p);
            if (r == option_result::failed) return false;
            if (r == option_result::taken) continue;
            if (!common_option(p)) return false;
        }
        return true;
    }

    [[nodiscard]] draw_mode mode() const { return mode_; }

    // Gives the object its parent, context and visibility, applies
    // "mempos:", then stores it, paints it once or drops it by draw mode,
    // writing the identity text and setting found as the mode says.
    void finish(std::unique_ptr<object::object_base> obj);

private:
    bool common_option(std::string_view p);

    func_call& call_;
    bool ok_ = false;
    cor::guid parent_ = cor::guid_null;
    HWND window_ = nullptr;
    bool mempos_ = false;
    bool hide_ = false;
    draw_mode mode_ = draw_mode::object;
};

}  // namespace vesk
