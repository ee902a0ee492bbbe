#include "object/types/gp_image_object.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>

#include "host/display_scale.h"
#include "host/script_path.h"
#include "object/grammar/values.h"
#include "object/object_creation.h"
#include "object/types/drawing_handlers.h"
#include "object/types/paint_support.h"
#include "registry/window_services.h"
#include "script/error_report.h"
#include "script/options.h"
#include "utf8.h"

namespace vesk::object {

gp_image_object::~gp_image_object() {
    if (rendered_dc_ && replaced_) SelectObject(rendered_dc_.get(), replaced_);
}

std::shared_ptr<gp_image_cache_item> gp_image_object::picture(int dpi) {
    const bool boxed = !clip && dest.w > 0 && dest.h > 0;
    // A "@2x" copy stands for the picture at its own size in skin pixels,
    // its clip counted in the picture's pixels as well.
    const std::string chosen = image_cache::instance().for_dpi(file, dpi, !cache);
    const uint32_t density = chosen == file ? 1 : 2;
    // Pictures that change on disk are read anew for every use.
    if (!cache) image_cache::instance().drop(chosen);
    // Fitted whole into a box of known size, the picture needs no more
    // pixels than fill the box's larger side on the screen (either way
    // round, for rotation).
    const uint32_t want =
        keepaspect && boxed ? static_cast<uint32_t>(MulDiv(std::max(dest.w, dest.h), dpi, skin_dpi))
                            : 0;
    return image_cache::instance().find_or_load(chosen, want, density);
}

void gp_image_object::draw(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) {
    const auto item = picture(display_scale_of(wnd).dpi);
    if (!item) return;
    const auto code = grammar::rotate_flip_code(rotate, flip);
    if (!cache2) {
        paint::graphics_for surface(dc, graphics);
        draw_cache_item(*surface.get(), *item, dest, clip, alpha, code, keepaspect);
        return;
    }
    // At a display scale the copy holds screen pixels, so it is not stretched.
    const double f = paint::world_scale(dc);
    const auto screen = [f](LONG v) { return static_cast<int>(std::lround(v * f)); };
    if (rendered_dc_ && rendered_scale_ != f) {
        if (replaced_) SelectObject(rendered_dc_.get(), replaced_);
        rendered_dc_.reset();
        rendered_bitmap_.reset();
        replaced_ = nullptr;
    }
    if (!rendered_dc_) {
        rendered_scale_ = f;
        RECT client{};
        GetClientRect(wnd, &client);
        const int w = client.right - client.left + screen(10),
                  h = client.bottom - client.top + screen(10);
        unique_hbitmap bitmap(CreateCompatibleBitmap(dc, w, h));
        unique_hdc mem(CreateCompatibleDC(dc));
        if (!bitmap || !mem) return;
        replaced_ = SelectObject(mem.get(), bitmap.get());
        rendered_bitmap_ = std::move(bitmap);
        rendered_dc_ = std::move(mem);
        const RECT all{0, 0, w, h};
        FillRect(rendered_dc_.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        Gdiplus::Graphics g(rendered_dc_.get());
        if (f != 1.0)
            g.ScaleTransform(static_cast<Gdiplus::REAL>(f), static_cast<Gdiplus::REAL>(f));
        draw_cache_item(g, *item, dest, clip, alpha, code, keepaspect, &rendered_at_);
        g.Flush(Gdiplus::FlushIntentionSync);
    }
    if (graphics) graphics->Flush(Gdiplus::FlushIntentionSync);
    const RECT& r = rendered_at_;
    screen_pixels_scope pixels(dc);
    if (clip2_set)
        BitBlt(dc, screen(r.left), screen(r.top), screen(clip2.w), screen(clip2.h),
               rendered_dc_.get(), screen(r.left + clip2.x), screen(r.top + clip2.y), SRCCOPY);
    else
        BitBlt(dc, screen(r.left), screen(r.top), screen(r.right - r.left - 1),
               screen(r.bottom - r.top - 1), rendered_dc_.get(), screen(r.left), screen(r.top),
               SRCCOPY);
}

void gp_image_object::set_position(int32_t nx, int32_t ny) {
    dest.x = nx;
    dest.y = ny;
}

bool gp_image_object::get_rect(RECT& r) {
    r = {0, 0, 0, 0};
    const auto item = picture();
    if (!item || !item->image()) return true;
    const auto p =
        place_cache_item(*item, dest, clip, grammar::rotate_flip_code(rotate, flip), keepaspect);
    using paint::saturate;
    r = {p.dest.x, p.dest.y, saturate(int64_t(p.dest.x) + p.dest.w),
         saturate(int64_t(p.dest.y) + p.dest.h)};
    if (cache2 && clip2_set) {
        r.right = saturate(int64_t(r.left) - 1 + clip2.w);
        r.bottom = saturate(int64_t(r.top) - 1 + clip2.h);
    }
    return true;
}

}  // namespace vesk::object

namespace vesk::drawing {

using namespace object;

namespace {

// A number read as booleans read theirs: the first ten characters, an
// optional minus, then digits.
int32_t leading_number(std::string_view text) {
    const std::string_view head = text.substr(0, 10);
    size_t i = 0;
    const bool negative = !head.empty() && head[0] == '-';
    if (negative) ++i;
    int64_t value = 0;
    for (; i < head.size() && head[i] >= '0' && head[i] <= '9'; ++i)
        value = value * 10 + (head[i] - '0');
    value = negative ? -value : value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// "x-y-w-h", 1 to 4 decimal parts; parts not given keep `into`'s.
bool read_clip(std::string_view text, grammar::box& into) {
    std::vector<uint32_t> parts;
    if (!grammar::parse_decimal_parts(text, 4, parts)) return false;
    int32_t* fields[] = {&into.x, &into.y, &into.w, &into.h};
    for (size_t i = 0; i < parts.size(); ++i)
        *fields[i] = static_cast<int32_t>(std::min<uint32_t>(parts[i], INT32_MAX));
    return true;
}

option_result image_option(func_call& c, gp_image_object& img, std::string_view p, bool& check) {
    if (const auto v = option_value(p, "alpha")) {
        img.alpha = leading_number(*v);
    } else if (const auto v = option_value(p, "rotate")) {
        img.rotate = leading_number(*v);
    } else if (const auto v = option_value(p, "flip")) {
        img.flip = *v;
    } else if (const auto v = option_value(p, "keepaspect")) {
        img.keepaspect = read_bool(*v);
    } else if (const auto v = option_value(p, "check")) {
        check = read_bool(*v);
    } else if (const auto v = option_value(p, "cache")) {
        img.cache = read_bool(*v);
    } else if (const auto v = option_value(p, "cache2")) {
        img.cache2 = read_bool(*v);
    } else if (const auto v = option_value(p, "clip")) {
        grammar::box box = img.clip.value_or(grammar::box{-1, -1, -1, -1});
        if (!read_clip(*v, box)) {
            c.fail(err_low, "%s: invalid clip '%s'", {*v});
            return option_result::failed;
        }
        img.clip = box;
    } else if (const auto v = option_value(p, "clip2")) {
        if (!read_clip(*v, img.clip2)) {
            c.fail(err_low, "%s: invalid clip2 '%s'", {*v});
            return option_result::failed;
        }
        img.clip2_set = true;
    } else {
        return option_result::no_match;
    }
    return option_result::taken;
}

}  // namespace

void fn_gp_image(func_call& c) {
    if (c.count() == 5) {
        c.fail(err_low, "%s: invalid syntax");
        return;
    }
    object_creation make(c, 4);
    if (!make.ok()) return;
    auto img = std::make_unique<gp_image_object>();
    img->file = cor::to_utf8(script_path(c.param(1)));
    img->dest.x = make.x(2);
    img->dest.y = make.y(3);
    if (c.count() >= 6) {
        // 0 means the picture's own size, as -1 does.
        const auto size = [&](size_t i) {
            const uint64_t v = read_unsigned(c.param(i));
            return v == 0 ? -1 : static_cast<int32_t>(std::min<uint64_t>(v, INT32_MAX));
        };
        img->dest.w = size(4);
        img->dest.h = size(5);
    }
    bool check = false;
    if (!make.read_options(6, [&](std::string_view p) { return image_option(c, *img, p, check); }))
        return;
    // A missing file fails the call without a word.
    if (check && !image_exists(img->file)) return;
    make.finish(std::move(img));
}

void fn_gp_cache(func_call& c) {
    if (!c.require_count(1)) return;
    const std::string_view text = c.param(0);
    const bool digits = !text.empty() && std::all_of(text.begin(), text.end(), [](char ch) {
        return ch >= '0' && ch <= '9';
    });
    const uint64_t limit = digits ? read_unsigned(text.substr(0, 19)) : 0;
    if (limit < 1) {
        c.fail(err_low, "%s: invalid syntax");
        return;
    }
    image_cache::instance().set_limit(static_cast<uint32_t>(std::min<uint64_t>(limit, UINT32_MAX)));
    c.set_found(true);
}

}  // namespace vesk::drawing
