// The seven GDI+ shapes ($gp_line, $gp_rect, $gp_roundrect, $gp_circle,
// $gp_pie, $gp_polygon, $gp_arc). They share pen, brush, gradient, layered
// shadow, glow and anti-aliasing, and one painting loop over the shadow
// layers; each adds its own figure to a path and knows its own bounds.
#pragma once

#include <windows.h>

#include <gdiplus.h>

#include <string_view>
#include <vector>

#include "object/object_base.h"
#include "object/object_creation.h"
#include "object/types/paint_support.h"

namespace vesk::object {

// Options shared by shapes and path text: "pen:", "pen-style:", "brush:"
// (unless `allow_brush` is false), "grad:", "shadow:", "glow:", "aa:".
struct shape_look {
    paint::gp_style style;
    grammar::shadow shadow;
    grammar::glow glow;
    bool aa = true;

    option_result option(func_call& call, std::string_view param, bool allow_brush = true);
    // Widens an inclusive rectangle by half the pen width, by the farthest
    // shadow layer's offset and, with a glow, by 11 more.
    void widen(RECT& r) const;
};

class gp_shape_object : public object_base {
public:
    explicit gp_shape_object(uint32_t type_index) : object_base(cat_drawn, type_index) {}

    shape_look look;

    void draw(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) override;
    void draw_body(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) override;
    [[nodiscard]] bool get_rect(RECT& r) override;

protected:
    // The figure of one layer, moved by (dx, dy).
    virtual void add_figure(Gdiplus::GraphicsPath& path, int dx, int dy) const = 0;
    // Inclusive bounds before widening.
    [[nodiscard]] virtual RECT bounds() const = 0;
    [[nodiscard]] virtual bool is_line() const { return false; }
};

// Shapes placed by a box: rectangle, rounded rectangle, ellipse, pie, arc.
class gp_box_shape : public gp_shape_object {
public:
    using gp_shape_object::gp_shape_object;
    int32_t x = 0, y = 0, width = 0, height = 0;
    void set_position(int32_t nx, int32_t ny) override {
        x = nx;
        y = ny;
    }

protected:
    [[nodiscard]] RECT bounds() const override;
};

class gp_rect_object final : public gp_box_shape {
public:
    gp_rect_object() : gp_box_shape(type_gp_rect) {}
    void draw_body(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) override;

protected:
    void add_figure(Gdiplus::GraphicsPath& path, int dx, int dy) const override;

private:
    bool fill_plainly(HDC dc, Gdiplus::Graphics* graphics) const;
};

class gp_roundrect_object final : public gp_box_shape {
public:
    gp_roundrect_object() : gp_box_shape(type_gp_roundrect) {}
    int32_t rx = 0, ry = 0;

protected:
    void add_figure(Gdiplus::GraphicsPath& path, int dx, int dy) const override;
};

class gp_circle_object final : public gp_box_shape {
public:
    gp_circle_object() : gp_box_shape(type_gp_circle) {}

protected:
    void add_figure(Gdiplus::GraphicsPath& path, int dx, int dy) const override;
};

class gp_pie_object final : public gp_box_shape {
public:
    gp_pie_object() : gp_box_shape(type_gp_pie) {}
    int32_t start = 0, sweep = 0;

protected:
    void add_figure(Gdiplus::GraphicsPath& path, int dx, int dy) const override;
};

class gp_arc_object final : public gp_box_shape {
public:
    gp_arc_object() : gp_box_shape(type_gp_arc) {}
    int32_t start = 0, sweep = 0;

protected:
    void add_figure(Gdiplus::GraphicsPath& path, int dx, int dy) const override;
};

// Shapes given by points; moving one shifts every point so that the
// top-left corner of its bounds lands on the new position.
class gp_point_shape : public gp_shape_object {
public:
    using gp_shape_object::gp_shape_object;
    std::vector<POINT> points;
    void set_position(int32_t nx, int32_t ny) override;

protected:
    [[nodiscard]] RECT bounds() const override;
};

class gp_line_object final : public gp_point_shape {
public:
    gp_line_object() : gp_point_shape(type_gp_line) {}

protected:
    void add_figure(Gdiplus::GraphicsPath& path, int dx, int dy) const override;
    [[nodiscard]] bool is_line() const override { return true; }
};

class gp_polygon_object final : public gp_point_shape {
public:
    gp_polygon_object() : gp_point_shape(type_gp_polygon) {}

protected:
    void add_figure(Gdiplus::GraphicsPath& path, int dx, int dy) const override;
};

}  // namespace vesk::object
