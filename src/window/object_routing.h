// What a script window hands to the object manager: painting its objects,
// control messages, mouse messages for mouse maps, and teardown.
#pragma once

#include <windows.h>

#include <gdiplus.h>

#include "guid.h"

namespace vesk::object_routing {

void draw(const cor::guid& window, HWND wnd, HDC dc, Gdiplus::Graphics* graphics);
void clear_window(const cor::guid& window);
// The window's controls placed again at its new display scale.
void follow_scale(const cor::guid& window);
void draw_item(const cor::guid& window, WPARAM wp, DRAWITEMSTRUCT* item);
void measure_item(const cor::guid& window, WPARAM wp, MEASUREITEMSTRUCT* item);
bool command(const cor::guid& window, HWND wnd, WPARAM wp);
bool notify(const cor::guid& window, HWND wnd, WPARAM wp, LPARAM lp, LRESULT& result);
// True when a mouse map took the message.
bool mouse(const cor::guid& window, HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
// True when an object of the window uses `id` as a command identifier.
bool has_command(const cor::guid& window, int id);

}  // namespace vesk::object_routing
