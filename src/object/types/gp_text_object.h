// $gp_text: text as a GDI+ path, filled and outlined like the shapes, so it
// takes pens, brushes, gradients, shadows, glow and anti-aliasing. The
// rectangle is measured on the main window's back buffer.
#pragma once

#include <windows.h>

#include <gdiplus.h>

#include <string>
#include <string_view>

#include "object/object_base.h"
#include "object/types/shape_objects.h"

namespace vesk::object {

class gp_text_object final : public object_base {
public:
    gp_text_object() : object_base(cat_drawn, type_gp_text) {}

    std::string text;
    // Checked and kept; painting uses the pen, brush and gradient only.
    grammar::colour fg, second;
    int32_t x = 0, y = 0, width = 0, height = 0;
    grammar::font font = paint::default_font();
    shape_look look;
    // 0 near, 1 centre, 2 far.
    int halign = 0, valign = 0;

    void draw(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) override;
    void draw_body(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) override;
    void set_position(int32_t nx, int32_t ny) override;
    [[nodiscard]] bool get_rect(RECT& r) override;
    [[nodiscard]] bool get_property(property p, std::string& out) override;
    [[nodiscard]] bool set_property(property p, std::string_view value, int32_t number) override;

private:
    // The rectangle as measured with the pixels per inch of `dc`.
    [[nodiscard]] RECT measure(HDC dc) const;
};

}  // namespace vesk::object
