#include "object/types/text_objects.h"

#include <algorithm>
#include <climits>
#include <memory>

#include "object/types/drawing_handlers.h"
#include "registry/window_services.h"
#include "script/error_report.h"
#include "script/options.h"
#include "utf8.h"

namespace vesk::object {

namespace {

// The surface text is measured on: the main window's back buffer.
HDC measuring_dc() {
    const HWND main = main_window_handle();
    window_paint_target* target = main ? paint_target_of(main) : nullptr;
    return target ? target->back_buffer_dc() : nullptr;
}

option_result colour_option(func_call& call, std::string_view value, grammar::colour& c,
                            const char* message) {
    if (grammar::parse_colour(value, c)) return option_result::taken;
    call.fail(err_low, message, {value});
    return option_result::failed;
}

// Text objects glow over a rectangle wider on the right and bottom, where
// their glyphs' overhang goes.
RECT glow_area(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    using paint::saturate;
    return {saturate(left - 10), saturate(top - 10), saturate(right + 20), saturate(bottom + 20)};
}

void flush(Gdiplus::Graphics* graphics) {
    // GDI draws after whatever GDI+ has queued on the same surface.
    if (graphics) graphics->Flush(Gdiplus::FlushIntentionSync);
}

}  // namespace

option_result text_look::option(func_call& call, std::string_view p) {
    if (const auto v = option_value(p, "fg"))
        return colour_option(call, *v, fg, "%s: invalid fgcolor '%s'");
    if (const auto v = option_value(p, "bg"))
        return colour_option(call, *v, bg, "%s: invalid bgcolor '%s'");
    if (grammar::font_option(p, font)) return option_result::taken;
    if (const auto v = option_value(p, "glow")) {
        if (grammar::parse_glow(*v, glow)) return option_result::taken;
        call.fail(err_low, "%s: invalid glow '%s'", {*v});
        return option_result::failed;
    }
    return option_result::no_match;
}

void text_look::apply(HDC dc) {
    if (fg.valid) previous_ = SetTextColor(dc, grammar::gdi_colour(fg));
    if (bg.valid) {
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, grammar::gdi_colour(bg));
    } else {
        SetBkMode(dc, TRANSPARENT);
    }
}

void text_look::restore(HDC dc) const {
    if (fg.valid) SetTextColor(dc, previous_);
}

void text_look::key_colours(std::vector<uint32_t>& out) const {
    if (fg.valid) out.push_back(grammar::gdi_colour(fg));
    if (bg.valid) out.push_back(grammar::gdi_colour(bg));
    out.push_back(grammar::glow_gdi(glow));
}

SIZE text_object::extent(HDC dc) const {
    const HFONT made = look.font_cache.get(look.font);
    if (made && measured_font_ == look.font_cache.generation() && measured_text_ == text)
        return measured_;
    SIZE size{0, 0};
    paint::gdi_font_scope font(dc, look.font_cache, look.font);
    const std::wstring wide = cor::to_wide(text);
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    if (made) {
        measured_text_ = text;
        measured_ = size;
        measured_font_ = look.font_cache.generation();
    }
    return size;
}

void text_object::draw(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) {
    if (!look.glow.valid) {
        draw_body(wnd, dc, graphics);
        return;
    }
    const SIZE size = extent(dc);
    std::vector<uint32_t> keys;
    look.key_colours(keys);
    paint::paint_glowing(dc, graphics, glow_area(x, y, int64_t(x) + size.cx, int64_t(y) + size.cy),
                         look.glow, keys,
                         [&](HDC d, Gdiplus::Graphics* g) { draw_body(wnd, d, g); });
}

void text_object::draw_body(HWND, HDC dc, Gdiplus::Graphics* graphics) {
    flush(graphics);
    look.apply(dc);
    {
        paint::gdi_font_scope font(dc, look.font_cache, look.font);
        const std::wstring wide = cor::to_wide(text);
        TextOutW(dc, x, y, wide.c_str(), static_cast<int>(wide.size()));
    }
    look.restore(dc);
}

void text_object::set_position(int32_t nx, int32_t ny) {
    x = nx;
    y = ny;
}

bool text_object::get_rect(RECT& r) {
    const HDC dc = measuring_dc();
    if (!dc) return false;
    const SIZE size = extent(dc);
    r = look.glow.valid ? glow_area(x, y, int64_t(x) + size.cx, int64_t(y) + size.cy)
                        : RECT{x, y, paint::saturate(int64_t(x) + size.cx),
                               paint::saturate(int64_t(y) + size.cy)};
    return true;
}

bool text_object::get_property(property p, std::string& out) {
    return get_field_property({text, x, y}, p, out);
}

bool text_object::set_property(property p, std::string_view value, int32_t number) {
    return set_field_property({text, x, y}, p, value, number);
}

void drawtext_object::draw(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) {
    if (!look.glow.valid) {
        draw_body(wnd, dc, graphics);
        return;
    }
    std::vector<uint32_t> keys;
    look.key_colours(keys);
    paint::paint_glowing(dc, graphics, glow_area(x, y, int64_t(x) + width, int64_t(y) + height),
                         look.glow, keys,
                         [&](HDC d, Gdiplus::Graphics* g) { draw_body(wnd, d, g); });
}

void drawtext_object::draw_body(HWND, HDC dc, Gdiplus::Graphics* graphics) {
    flush(graphics);
    look.apply(dc);
    {
        paint::gdi_font_scope font(dc, look.font_cache, look.font);
        UINT flags = DT_WORDBREAK | DT_EXPANDTABS | DT_EXTERNALLEADING | DT_NOPREFIX | ellipsis;
        if (halign == grammar::pos_center) flags |= DT_CENTER;
        if (halign == grammar::pos_right) flags |= DT_RIGHT;
        if (editctrl) flags |= DT_EDITCONTROL;
        RECT r{x, y, paint::saturate(int64_t(x) + width), paint::saturate(int64_t(y) + height)};
        if (look.bg.valid && fill) {
            unique_hbrush brush(CreateSolidBrush(grammar::gdi_colour(look.bg)));
            FillRect(dc, &r, brush.get());
        }
        std::wstring wide = cor::to_wide(text);
        RECT measured = r;
        DrawTextW(dc, wide.data(), static_cast<int>(wide.size()), &measured, flags | DT_CALCRECT);
        const LONG text_height = measured.bottom - measured.top;
        if (text_height < height) {
            if (valign == grammar::pos_center) r.top += (height - text_height) / 2;
            if (valign == grammar::pos_bottom) r.top += height - text_height;
        }
        // DrawText may write the shortened text back with an ellipsis flag.
        DrawTextW(dc, wide.data(), static_cast<int>(wide.size()), &r, flags);
    }
    look.restore(dc);
}

void drawtext_object::set_position(int32_t nx, int32_t ny) {
    x = nx;
    y = ny;
}

bool drawtext_object::get_rect(RECT& r) {
    const int64_t margin = look.glow.valid ? 11 : 0;
    r = {paint::saturate(x - margin), paint::saturate(y - margin),
         paint::saturate(int64_t(x) + width - 1 + margin),
         paint::saturate(int64_t(y) + height - 1 + margin)};
    return true;
}

bool drawtext_object::get_property(property p, std::string& out) {
    return get_field_property({text, x, y, &width, &height}, p, out);
}

bool drawtext_object::set_property(property p, std::string_view value, int32_t number) {
    return set_field_property({text, x, y, &width, &height}, p, value, number);
}

}  // namespace vesk::object

namespace vesk::drawing {

using namespace object;

namespace {

int32_t size_param(func_call& c, size_t i) {
    return static_cast<int32_t>(std::min<uint64_t>(read_unsigned(c.param(i)), INT32_MAX));
}

option_result alignment(func_call& c, std::string_view value, uint32_t mask, uint32_t& out,
                        const char* message) {
    if (const auto code = grammar::parse_position(value, mask)) {
        out = *code;
        return option_result::taken;
    }
    c.fail(err_low, message, {value});
    return option_result::failed;
}

option_result drawtext_option(func_call& c, drawtext_object& t, std::string_view p) {
    if (const auto v = option_value(p, "fill")) {
        t.fill = read_bool(*v);
        return option_result::taken;
    }
    if (const auto v = option_value(p, "valign"))
        return alignment(c, *v, grammar::pos_vertical, t.valign, "%s: unknown valign '%s'");
    if (const auto v = option_value(p, "halign"))
        return alignment(c, *v, grammar::pos_horizontal, t.halign, "%s: unknown halign '%s'");
    if (const auto v = option_value(p, "editctrl")) {
        t.editctrl = read_bool(*v);
        return option_result::taken;
    }
    if (const auto v = option_value(p, "ellipsis")) {
        if (is_keyword(*v, "end")) {
            t.ellipsis = DT_END_ELLIPSIS;
        } else if (is_keyword(*v, "path")) {
            t.ellipsis = DT_PATH_ELLIPSIS;
        } else {
            c.fail(err_low, "%s: unknown ellipsis '%s'", {*v});
            return option_result::failed;
        }
        return option_result::taken;
    }
    return option_result::no_match;
}

}  // namespace

void fn_text(func_call& c) {
    object_creation make(c, 4);
    if (!make.ok()) return;
    auto t = std::make_unique<text_object>();
    t->text = c.param(1);
    t->x = make.x(2);
    t->y = make.y(3);
    if (make.read_options(4, [&](std::string_view p) { return t->look.option(c, p); }))
        make.finish(std::move(t));
}

void fn_drawtext(func_call& c) {
    object_creation make(c, 6);
    if (!make.ok()) return;
    auto t = std::make_unique<drawtext_object>();
    t->text = c.param(1);
    t->x = make.x(2);
    t->y = make.y(3);
    t->width = size_param(c, 4);
    t->height = size_param(c, 5);
    if (make.read_options(6, [&](std::string_view p) {
            const option_result r = t->look.option(c, p);
            return r == option_result::no_match ? drawtext_option(c, *t, p) : r;
        }))
        make.finish(std::move(t));
}

}  // namespace vesk::drawing
