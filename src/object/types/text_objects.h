// Text drawn with GDI: $text (one line at a point) and $drawtext (laid out
// in a rectangle with alignment, word wrap and ellipsis). Both measure on
// the main window's back buffer, so without an open main window they have
// no rectangle.
#pragma once

#include <windows.h>

#include <gdiplus.h>

#include <string>
#include <string_view>

#include "object/object_base.h"
#include "object/object_creation.h"
#include "object/types/paint_support.h"

namespace vesk::object {

// Options both text types read: colours, font, glow.
struct text_look {
    grammar::colour fg, bg;
    grammar::font font = paint::default_font();
    grammar::glow glow;

    option_result option(func_call& call, std::string_view param);
    // Sets colours and background mode on `dc`; the previous text colour
    // is restored by `restore`.
    void apply(HDC dc);
    void restore(HDC dc) const;
    void key_colours(std::vector<uint32_t>& out) const;
    // The font record's GDI font, kept between paints.
    mutable paint::gdi_font_cache font_cache;

private:
    COLORREF previous_ = 0;
};

class text_object final : public object_base {
public:
    text_object() : object_base(cat_drawn, type_text) {}

    std::string text;
    text_look look;
    int32_t x = 0, y = 0;

    void draw(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) override;
    void draw_body(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) override;
    void set_position(int32_t nx, int32_t ny) override;
    [[nodiscard]] bool get_rect(RECT& r) override;
    [[nodiscard]] bool get_property(property p, std::string& out) override;
    [[nodiscard]] bool set_property(property p, std::string_view value, int32_t number) override;

private:
    [[nodiscard]] SIZE extent(HDC dc) const;
    // The last measurement, kept while the text and the font stay: each
    // single-object repaint asks for the rectangle twice.
    mutable std::string measured_text_;
    mutable SIZE measured_{0, 0};
    mutable uint32_t measured_font_ = 0;
};

class drawtext_object final : public object_base {
public:
    drawtext_object() : object_base(cat_drawn, type_drawtext) {}

    std::string text;
    text_look look;
    int32_t x = 0, y = 0, width = 0, height = 0;
    uint32_t halign = grammar::pos_left;
    uint32_t valign = grammar::pos_top;
    bool editctrl = false;
    bool fill = false;
    UINT ellipsis = 0;

    void draw(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) override;
    void draw_body(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) override;
    void set_position(int32_t nx, int32_t ny) override;
    [[nodiscard]] bool get_rect(RECT& r) override;
    [[nodiscard]] bool get_property(property p, std::string& out) override;
    [[nodiscard]] bool set_property(property p, std::string_view value, int32_t number) override;
};

}  // namespace vesk::object
