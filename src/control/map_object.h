// Mouse maps: invisible hot areas of a window that run scripts on mouse
// events and can drag their window.
#pragma once

#include <array>
#include <string>

#include "host/gdi_handles.h"
#include "object/object_base.h"

namespace vesk::object {

class map_object final : public object_base {
public:
    // Script slots, in option order.
    enum script_slot : size_t {
        s_over,
        s_out,
        s_lbuttondown,
        s_lbuttonup,
        s_lbuttondblclk,
        s_rbuttondown,
        s_rbuttonup,
        s_rbuttondblclk,
        s_mbuttondown,
        s_mbuttonup,
        s_mbuttondblclk,
        s_xbutton1down,
        s_xbutton1up,
        s_xbutton1dblclk,
        s_xbutton2down,
        s_xbutton2up,
        s_xbutton2dblclk,
        s_wheel,
        s_move,
        script_count
    };
    static const std::array<const char*, script_count> option_names;

    map_object() : object_base(cat_area, type_map) {}

    bool drag = false;
    std::array<std::string, script_count> scripts;

    // Adds a shape to the area; false when the platform cannot combine it.
    bool add_shape(HRGN shape);
    [[nodiscard]] HRGN area() const { return area_.get(); }

    bool hit_test(int32_t x, int32_t y) override;
    bool on_mouse(HWND wnd, int state, UINT message, WPARAM wp, LPARAM lp) override;
    bool get_rect(RECT& r) override;

private:
    void run(size_t slot, HWND wnd, UINT message, WPARAM wp, LPARAM lp);
    unique_hrgn area_;
    POINT drag_offset_{0, 0};
};

}  // namespace vesk::object
