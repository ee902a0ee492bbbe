#include "window/object_routing.h"

namespace vesk::object_routing {

void draw(const cor::guid&, HWND, HDC, Gdiplus::Graphics*) {}
void clear_window(const cor::guid&) {}
void draw_item(const cor::guid&, WPARAM, DRAWITEMSTRUCT*) {}
void measure_item(const cor::guid&, WPARAM, MEASUREITEMSTRUCT*) {}
bool command(const cor::guid&, HWND, WPARAM) { return false; }
bool notify(const cor::guid&, HWND, WPARAM, LPARAM, LRESULT&) { return false; }
bool mouse(const cor::guid&, HWND, UINT, WPARAM, LPARAM) { return false; }
bool has_command(const cor::guid&, int) { return false; }

}  // namespace vesk::object_routing
