#include "object/types/gp_text_object.h"

#include <memory>

#include "host/display_scale.h"
#include "object/types/drawing_handlers.h"
#include "registry/window_services.h"
#include "script/error_report.h"
#include "script/options.h"
#include "utf8.h"

namespace vesk::object {

namespace {

// Family, format, size and style of one paint or measurement; each layer
// adds the same string moved by its offset.
class text_layout {
public:
    explicit text_layout(const gp_text_object& t)
        : t_(t),
          text_(cor::to_wide(t.text)),
          family_(cor::to_wide(t.font.face).c_str()),
          format_(0, LANG_NEUTRAL),
          em_(static_cast<Gdiplus::REAL>(font_dpi()) * static_cast<Gdiplus::REAL>(t.font.size) /
              72.0f),
          style_(static_cast<INT>(grammar::font_style(t.font.style))) {
        format_.SetAlignment(static_cast<Gdiplus::StringAlignment>(t.halign));
        format_.SetLineAlignment(static_cast<Gdiplus::StringAlignment>(t.valign));
    }

    void add(Gdiplus::GraphicsPath& path, int dx, int dy) const {
        // An unknown face leaves the path empty: nothing is drawn.
        if (family_.GetLastStatus() != Gdiplus::Ok) return;
        const auto length = static_cast<INT>(text_.size());
        if (t_.width == 0 || t_.height == 0) {
            const Gdiplus::PointF origin(static_cast<Gdiplus::REAL>(t_.x + dx),
                                         static_cast<Gdiplus::REAL>(t_.y + dy));
            path.AddString(text_.c_str(), length, &family_, style_, em_, origin, &format_);
        } else {
            const Gdiplus::RectF box(
                static_cast<Gdiplus::REAL>(t_.x + dx), static_cast<Gdiplus::REAL>(t_.y + dy),
                static_cast<Gdiplus::REAL>(t_.width), static_cast<Gdiplus::REAL>(t_.height));
            path.AddString(text_.c_str(), length, &family_, style_, em_, box, &format_);
        }
    }

private:
    const gp_text_object& t_;
    std::wstring text_;
    Gdiplus::FontFamily family_;
    Gdiplus::StringFormat format_;
    Gdiplus::REAL em_;
    INT style_;
};

}  // namespace

RECT gp_text_object::measure(HDC) const {
    const text_layout layout(*this);
    Gdiplus::GraphicsPath path(Gdiplus::FillModeAlternate);
    layout.add(path, 0, 0);
    Gdiplus::Rect bounds;
    path.GetBounds(&bounds);
    RECT r{bounds.X, bounds.Y, bounds.X - 1 + bounds.Width, bounds.Y - 1 + bounds.Height};
    look.widen(r);
    return r;
}

void gp_text_object::draw(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) {
    if (!look.glow.valid) {
        draw_body(wnd, dc, graphics);
        return;
    }
    std::vector<uint32_t> keys;
    look.style.key_colours(keys, false);
    keys.push_back(grammar::glow_gdi(look.glow));
    paint::paint_glowing(dc, graphics, measure(dc), look.glow, keys,
                         [&](HDC d, Gdiplus::Graphics* g) { draw_body(wnd, d, g); });
}

void gp_text_object::draw_body(HWND, HDC dc, Gdiplus::Graphics* graphics) {
    paint::graphics_for surface(dc, graphics);
    Gdiplus::Graphics& g = *surface.get();
    const text_layout layout(*this);
    g.SetSmoothingMode(look.aa ? Gdiplus::SmoothingModeAntiAlias : Gdiplus::SmoothingModeNone);
    for (const grammar::layer& l : grammar::shadow_layers(look.shadow)) {
        Gdiplus::GraphicsPath path(Gdiplus::FillModeAlternate);
        layout.add(path, l.dx, l.dy);
        look.style.paint_path(g, path, l);
    }
}

void gp_text_object::set_position(int32_t nx, int32_t ny) {
    x = nx;
    y = ny;
}

bool gp_text_object::get_rect(RECT& r) {
    const HWND main = main_window_handle();
    window_paint_target* target = main ? paint_target_of(main) : nullptr;
    const HDC dc = target ? target->back_buffer_dc() : nullptr;
    if (!dc) return false;
    r = measure(dc);
    return true;
}

bool gp_text_object::get_property(property p, std::string& out) {
    return get_field_property({text, x, y, &width, &height}, p, out);
}

bool gp_text_object::set_property(property p, std::string_view value, int32_t number) {
    return set_field_property({text, x, y, &width, &height}, p, value, number);
}

}  // namespace vesk::object

namespace vesk::drawing {

using namespace object;

namespace {

option_result align_option(func_call& c, std::string_view value,
                           std::initializer_list<std::pair<const char*, int>> names, int& out,
                           const char* message) {
    for (const auto& [name, code] : names) {
        if (is_keyword(value, name)) {
            out = code;
            return option_result::taken;
        }
    }
    c.fail(err_low, message, {value});
    return option_result::failed;
}

option_result gp_text_option(func_call& c, gp_text_object& t, std::string_view p) {
    if (const auto v = option_value(p, "fg")) {
        if (grammar::parse_colour(*v, t.fg)) return option_result::taken;
        c.fail(err_low, "%s: invalid fgcolor '%s'", {*v});
        return option_result::failed;
    }
    if (grammar::font_option(p, t.font)) return option_result::taken;
    // Unlike $drawtext, "middle" is no horizontal alignment here.
    if (const auto v = option_value(p, "halign"))
        return align_option(c, *v, {{"left", 0}, {"center", 1}, {"right", 2}}, t.halign,
                            "%s: unknown halign '%s'");
    if (const auto v = option_value(p, "valign"))
        return align_option(c, *v, {{"top", 0}, {"middle", 1}, {"center", 1}, {"bottom", 2}},
                            t.valign, "%s: unknown valign '%s'");
    return t.look.option(c, p);
}

}  // namespace

void fn_gp_text(func_call& c) {
    object_creation make(c, 4);
    if (!make.ok()) return;
    auto t = std::make_unique<gp_text_object>();
    t->text = c.param(1);
    t->x = make.x(2);
    t->y = make.y(3);
    // A fifth parameter alone is no size.
    if (c.count() > 5) {
        t->width = static_cast<int32_t>(std::min<uint64_t>(read_unsigned(c.param(4)), INT32_MAX));
        t->height = static_cast<int32_t>(std::min<uint64_t>(read_unsigned(c.param(5)), INT32_MAX));
    }
    if (make.read_options(6, [&](std::string_view p) { return gp_text_option(c, *t, p); }))
        make.finish(std::move(t));
}

}  // namespace vesk::drawing
