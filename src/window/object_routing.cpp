#include "window/object_routing.h"

#include "object/object_manager.h"

namespace vesk::object_routing {

void draw(const cor::guid& window, HWND wnd, HDC dc, Gdiplus::Graphics* graphics) {
    object_manager::instance().draw(window, wnd, dc, graphics);
}

void clear_window(const cor::guid& window) {
    object_manager::instance().clear_parent_unlocked(window, object::cat_all_objects);
}

void follow_scale(const cor::guid& window) { object_manager::instance().follow_scale(window); }

void draw_item(const cor::guid& window, WPARAM wp, DRAWITEMSTRUCT* item) {
    if (item) object_manager::instance().route_draw_item(window, wp, *item);
}

void measure_item(const cor::guid& window, WPARAM wp, MEASUREITEMSTRUCT* item) {
    if (item) object_manager::instance().route_measure_item(window, wp, *item);
}

bool command(const cor::guid& window, HWND wnd, WPARAM wp) {
    return object_manager::instance().route_command(window, wnd, wp);
}

bool notify(const cor::guid& window, HWND wnd, WPARAM wp, LPARAM lp, LRESULT& result) {
    return object_manager::instance().route_notify(window, wnd, wp, lp, result);
}

bool mouse(const cor::guid& window, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    return object_manager::instance().mouse_message(wnd, window, msg, wp, lp);
}

bool has_command(const cor::guid& window, int id) {
    return id >= 0 && object_manager::instance().has_command(window, static_cast<uint32_t>(id));
}

}  // namespace vesk::object_routing
