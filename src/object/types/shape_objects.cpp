#include "object/types/shape_objects.h"

#include <algorithm>
#include <climits>
#include <memory>

#include "object/types/drawing_handlers.h"
#include "script/error_report.h"
#include "script/options.h"

namespace vesk::object {

namespace {

using paint::saturate;

// Reads an option value with `parse`, printing `message` when it fails.
template <class Parse>
option_result parsed(func_call& call, std::string_view value, const char* message, Parse parse) {
    if (parse(value)) return option_result::taken;
    call.fail(err_low, message, {value});
    return option_result::failed;
}

}  // namespace

option_result shape_look::option(func_call& call, std::string_view p, bool allow_brush) {
    if (const auto v = option_value(p, "pen"))
        return parsed(call, *v, "%s: invalid pen '%s'",
                      [&](std::string_view s) { return grammar::parse_pen(s, style.pen); });
    if (const auto v = option_value(p, "pen-style"))
        return parsed(call, *v, "%s: invalid pen-style '%s'", [&](std::string_view s) {
            return grammar::parse_pen_style(s, style.pen.dash);
        });
    if (allow_brush)
        if (const auto v = option_value(p, "brush"))
            return parsed(call, *v, "%s: invalid brush '%s'",
                          [&](std::string_view s) { return grammar::parse_brush(s, style.brush); });
    if (const auto v = option_value(p, "grad"))
        return parsed(call, *v, "%s: invalid grad '%s'",
                      [&](std::string_view s) { return grammar::parse_gradient(s, style.grad); });
    if (const auto v = option_value(p, "shadow"))
        return parsed(call, *v, "%s: invalid shadow '%s'",
                      [&](std::string_view s) { return grammar::parse_shadow(s, shadow); });
    if (const auto v = option_value(p, "glow"))
        return parsed(call, *v, "%s: invalid glow '%s'",
                      [&](std::string_view s) { return grammar::parse_glow(s, glow); });
    if (const auto v = option_value(p, "aa")) {
        aa = read_bool(*v);
        return option_result::taken;
    }
    return option_result::no_match;
}

void shape_look::widen(RECT& r) const {
    // Pens wider than any screen change nothing that can be seen.
    const int64_t half = std::min<uint32_t>(style.pen.width / 2, 100000);
    int64_t left = int64_t(r.left) - half, top = int64_t(r.top) - half;
    int64_t right = int64_t(r.right) + half, bottom = int64_t(r.bottom) + half;
    // The farthest shadow layer lies depth pixels away (none with one layer).
    if (shadow.valid && shadow.depth / shadow.step > 1) {
        const grammar::direction d = grammar::unit_direction(shadow.position);
        const int64_t dx = d.dx * int64_t(shadow.depth), dy = d.dy * int64_t(shadow.depth);
        (dx < 0 ? left : right) += dx;
        (dy < 0 ? top : bottom) += dy;
    }
    const int64_t glow_margin = glow.valid ? 11 : 0;
    r = {saturate(left - glow_margin), saturate(top - glow_margin), saturate(right + glow_margin),
         saturate(bottom + glow_margin)};
}

void gp_shape_object::draw(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) {
    if (!look.glow.valid) {
        draw_body(wnd, dc, graphics);
        return;
    }
    RECT r{};
    (void)get_rect(r);
    std::vector<uint32_t> keys;
    look.style.key_colours(keys, is_line());
    keys.push_back(grammar::glow_gdi(look.glow));
    paint::paint_glowing(dc, graphics, r, look.glow, keys,
                         [&](HDC d, Gdiplus::Graphics* g) { draw_body(wnd, d, g); });
}

void gp_shape_object::draw_body(HWND, HDC dc, Gdiplus::Graphics* graphics) {
    paint::graphics_for surface(dc, graphics);
    Gdiplus::Graphics& g = *surface.get();
    g.SetSmoothingMode(look.aa ? Gdiplus::SmoothingModeAntiAlias : Gdiplus::SmoothingModeNone);
    for (const grammar::layer& l : grammar::shadow_layers(look.shadow)) {
        Gdiplus::GraphicsPath path(Gdiplus::FillModeAlternate);
        add_figure(path, l.dx, l.dy);
        if (is_line())
            look.style.paint_line(g, path, l);
        else
            look.style.paint_path(g, path, l);
    }
}

bool gp_shape_object::get_rect(RECT& r) {
    r = bounds();
    look.widen(r);
    return true;
}

void gp_rect_object::draw_body(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) {
    if (!fill_plainly(dc, graphics)) gp_shape_object::draw_body(wnd, dc, graphics);
}

// An opaque fill without outline, gradient, shadow or smoothing covers
// whole pixels, the same ones GDI fills at a fraction of GDI+'s cost under
// Wine (most of the rows of a list are such rectangles).
bool gp_rect_object::fill_plainly(HDC dc, Gdiplus::Graphics* graphics) const {
    const paint::gp_style& s = look.style;
    if (!dc || look.aa || look.shadow.valid || s.pen.valid || s.grad.valid || !s.brush.valid ||
        (s.brush.colour.alpha & 0xFF) != 255 || width <= 0 || height <= 0)
        return false;
    RECT r = bounds();
    if (graphics) {
        // GDI keeps to the context's clip but knows nothing of the
        // surface's own clip or transform.
        RECT clip;
        if (!paint::paint_pass::gdi_fills_like(*graphics, clip)) return false;
        if (!IntersectRect(&r, &r, &clip)) return true;
    }
    const COLORREF previous = SetDCBrushColor(dc, grammar::argb_gdi(s.brush.colour));
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetDCBrushColor(dc, previous);
    return true;
}

void gp_rect_object::add_figure(Gdiplus::GraphicsPath& path, int dx, int dy) const {
    path.AddRectangle(Gdiplus::Rect(x + dx, y + dy, width, height));
}

void gp_roundrect_object::add_figure(Gdiplus::GraphicsPath& path, int dx, int dy) const {
    const int X = x + dx, Y = y + dy, w = width, h = height;
    const int bw = 2 * rx, bh = 2 * ry;
    path.AddArc(X, Y, bw, bh, 180.0f, 90.0f);
    path.AddArc(X - 1 + w - bw, Y, bw, bh, 270.0f, 90.0f);
    path.AddArc(X - 1 + w - bw, Y - 1 + h - bh, bw, bh, 360.0f, 90.0f);
    path.AddArc(X, Y - 1 + h - bh, bw, bh, 90.0f, 90.0f);
    path.AddLine(X, Y + h - bh - 1, X, Y + ry - 1);
}

void gp_circle_object::add_figure(Gdiplus::GraphicsPath& path, int dx, int dy) const {
    path.AddEllipse(x + dx, y + dy, width, height);
}

void gp_pie_object::add_figure(Gdiplus::GraphicsPath& path, int dx, int dy) const {
    path.AddPie(x + dx, y + dy, width, height, static_cast<Gdiplus::REAL>(start),
                static_cast<Gdiplus::REAL>(sweep));
}

void gp_arc_object::add_figure(Gdiplus::GraphicsPath& path, int dx, int dy) const {
    path.AddArc(x + dx, y + dy, width, height, static_cast<Gdiplus::REAL>(start),
                static_cast<Gdiplus::REAL>(sweep));
}

RECT gp_box_shape::bounds() const {
    return {x, y, saturate(int64_t(x) + width), saturate(int64_t(y) + height)};
}

RECT gp_point_shape::bounds() const {
    if (points.empty()) return {0, 0, 0, 0};
    RECT r{points[0].x, points[0].y, points[0].x, points[0].y};
    for (const POINT& p : points) {
        r.left = std::min(r.left, p.x);
        r.top = std::min(r.top, p.y);
        r.right = std::max(r.right, p.x);
        r.bottom = std::max(r.bottom, p.y);
    }
    return r;
}

void gp_point_shape::set_position(int32_t nx, int32_t ny) {
    const RECT b = bounds();
    for (POINT& p : points) {
        p.x += nx - b.left;
        p.y += ny - b.top;
    }
}

void gp_line_object::add_figure(Gdiplus::GraphicsPath& path, int dx, int dy) const {
    if (points.size() == 2)
        path.AddLine(static_cast<INT>(points[0].x + dx), static_cast<INT>(points[0].y + dy),
                     static_cast<INT>(points[1].x + dx), static_cast<INT>(points[1].y + dy));
}

void gp_polygon_object::add_figure(Gdiplus::GraphicsPath& path, int dx, int dy) const {
    std::vector<Gdiplus::Point> moved;
    moved.reserve(points.size());
    for (const POINT& p : points) moved.emplace_back(p.x + dx, p.y + dy);
    path.AddPolygon(moved.data(), static_cast<INT>(moved.size()));
}

}  // namespace vesk::object

namespace vesk::drawing {

using namespace object;

namespace {

int32_t size_param(func_call& c, size_t i) {
    return static_cast<int32_t>(std::min<uint64_t>(read_unsigned(c.param(i)), INT32_MAX));
}

// The steps every shape function shares once its geometry is read.
template <class T>
void finish_shape(object_creation& make, func_call& c, std::unique_ptr<T> shape, size_t first,
                  bool allow_brush = true) {
    if (!make.read_options(
            first, [&](std::string_view p) { return shape->look.option(c, p, allow_brush); }))
        return;
    make.finish(std::move(shape));
}

template <class T>
void box_shape(func_call& c, size_t min_params) {
    object_creation make(c, min_params);
    if (!make.ok()) return;
    auto shape = std::make_unique<T>();
    shape->x = make.x(1);
    shape->y = make.y(2);
    shape->width = size_param(c, 3);
    shape->height = size_param(c, 4);
    if constexpr (std::is_same_v<T, gp_roundrect_object>) {
        shape->rx = size_param(c, 5);
        shape->ry = size_param(c, 6);
    } else if constexpr (std::is_same_v<T, gp_pie_object> || std::is_same_v<T, gp_arc_object>) {
        shape->start = size_param(c, 5);
        shape->sweep = size_param(c, 6);
    }
    finish_shape(make, c, std::move(shape), min_params);
}

}  // namespace

void fn_gp_rect(func_call& c) { box_shape<gp_rect_object>(c, 5); }
void fn_gp_roundrect(func_call& c) { box_shape<gp_roundrect_object>(c, 7); }
void fn_gp_circle(func_call& c) { box_shape<gp_circle_object>(c, 5); }
void fn_gp_pie(func_call& c) { box_shape<gp_pie_object>(c, 7); }
void fn_gp_arc(func_call& c) { box_shape<gp_arc_object>(c, 7); }

void fn_gp_line(func_call& c) {
    object_creation make(c, 5);
    if (!make.ok()) return;
    auto line = std::make_unique<gp_line_object>();
    line->points = {POINT{make.x(1), make.y(2)}, POINT{make.x(3), make.y(4)}};
    finish_shape(make, c, std::move(line), 5, false);
}

void fn_gp_polygon(func_call& c) {
    if (c.count() >= 4) {
        // n points need 2 n + 2 parameters; no points cannot make a figure.
        const uint64_t n = read_unsigned(c.param(1));
        if (n == 0 || n > c.count() || c.count() < 2 * n + 2) {
            c.fail(err_low, "%s: invalid syntax");
            return;
        }
    }
    object_creation make(c, 4);
    if (!make.ok()) return;
    const size_t n = static_cast<size_t>(read_unsigned(c.param(1)));
    auto polygon = std::make_unique<gp_polygon_object>();
    polygon->points.reserve(n);
    for (size_t i = 0; i < n; ++i)
        polygon->points.push_back(POINT{make.x(2 + 2 * i), make.y(3 + 2 * i)});
    finish_shape(make, c, std::move(polygon), 2 * n + 2);
}

}  // namespace vesk::drawing
