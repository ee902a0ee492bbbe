#include "object/types/paint_support.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>
#include <vector>

#include "host/display_scale.h"
#include "object/grammar/glow.h"
#include "utf8.h"

namespace vesk::paint {
namespace {

Gdiplus::Color gp_colour(const grammar::argb& c, double percent) {
    return Gdiplus::Color(static_cast<Gdiplus::ARGB>(grammar::argb_value(c, percent)));
}

// A 32-bit top-down DIB selected into a memory context of its own.
class dib_surface {
public:
    dib_surface(HDC like, int w, int h) : w_(w), h_(h) {
        // Plain RGB: the glow and shadow layers use the alpha channel.
        void* bits = nullptr;
        bitmap_.reset(make_section(w, h, false, &bits));
        dc_.reset(CreateCompatibleDC(like));
        if (bitmap_ && dc_ && bits) {
            select_.emplace(dc_.get(), bitmap_.get());
            bits_ = static_cast<uint32_t*>(bits);
        }
    }
    ~dib_surface() { select_.reset(); }
    dib_surface(const dib_surface&) = delete;
    dib_surface& operator=(const dib_surface&) = delete;

    [[nodiscard]] bool ok() const { return bits_ != nullptr; }
    [[nodiscard]] HDC dc() const { return dc_.get(); }
    [[nodiscard]] uint32_t* row(int y) const { return bits_ + size_t(y) * size_t(w_); }
    [[nodiscard]] int width() const { return w_; }

private:
    int w_, h_;
    // The bitmap outlives the context it is selected into.
    unique_hbitmap bitmap_;
    unique_hdc dc_;
    std::optional<select_guard> select_;
    uint32_t* bits_ = nullptr;
};

SIZE canvas_size(HDC dc) {
    BITMAP bm{};
    const auto bitmap = static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP));
    if (!bitmap || !GetObjectW(bitmap, sizeof bm, &bm)) return {0, 0};
    return {bm.bmWidth, bm.bmHeight};
}

}  // namespace

const std::string& default_gui_face() {
    static const std::string face = [] {
        LOGFONTW lf{};
        if (!GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf)) return std::string();
        return cor::to_utf8(lf.lfFaceName);
    }();
    return face;
}

grammar::font default_font() {
    grammar::font f;
    f.face = default_gui_face();
    return f;
}

HFONT create_gdi_font(const grammar::font& f, int dpi) {
    const uint32_t style = grammar::font_style(f.style);
    std::wstring face = cor::to_wide(f.face);
    if (face.size() >= LF_FACESIZE) face.resize(LF_FACESIZE - 1);
    return CreateFontW(
        -MulDiv(f.size, dpi, 72), 0, 0, 0, (style & grammar::style_bold) ? FW_BOLD : FW_DONTCARE,
        (style & grammar::style_italic) != 0, (style & grammar::style_underline) != 0,
        (style & grammar::style_strikeout) != 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str());
}

class shared_gdi_font {
public:
    struct key {
        std::string face;
        int32_t size;
        uint32_t style;
        int dpi;
        bool operator<(const key& o) const {
            return std::tie(size, style, dpi, face) < std::tie(o.size, o.style, o.dpi, o.face);
        }
    };

    static std::shared_ptr<const shared_gdi_font> find(const grammar::font& f, int dpi) {
        key k{f.face, f.size, grammar::font_style(f.style), dpi};
        auto& made = registry();
        if (const auto it = made.find(k); it != made.end())
            if (auto font = it->second.lock()) return font;
        auto font = std::make_shared<shared_gdi_font>(k, create_gdi_font(f, dpi));
        if (!font->handle()) return {};
        made[std::move(k)] = font;
        return font;
    }

    shared_gdi_font(key k, HFONT font) : key_(std::move(k)), font_(font) {}
    ~shared_gdi_font() {
        // A paint pass may have left it selected; a context that no longer
        // exists is forgotten.
        auto& contexts = keeping_contexts();
        std::erase_if(contexts, [](HDC dc) { return GetObjectType(dc) == 0; });
        for (const HDC dc : contexts)
            if (GetCurrentObject(dc, OBJ_FONT) == font_.get())
                SelectObject(dc, GetStockObject(SYSTEM_FONT));
        auto& made = registry();
        if (const auto it = made.find(key_); it != made.end() && it->second.expired())
            made.erase(it);
    }
    shared_gdi_font(const shared_gdi_font&) = delete;
    shared_gdi_font& operator=(const shared_gdi_font&) = delete;

    [[nodiscard]] HFONT handle() const { return font_.get(); }

    // Contexts a paint pass left a font selected in.
    static std::vector<HDC>& keeping_contexts() {
        static auto* contexts = new std::vector<HDC>;
        return *contexts;
    }

private:
    // The user-interface thread's fonts in use. Never destroyed: records
    // destroyed during the process's exit still look it up.
    static std::map<key, std::weak_ptr<const shared_gdi_font>>& registry() {
        static auto* fonts = new std::map<key, std::weak_ptr<const shared_gdi_font>>;
        return *fonts;
    }

    key key_;
    unique_hfont font_;
};

HFONT gdi_font_cache::get(const grammar::font& f) {
    const int dpi = font_dpi();
    if (!font_ || dpi != dpi_ || f.size != made_for_.size || f.face != made_for_.face ||
        f.style != made_for_.style) {
        font_ = shared_gdi_font::find(f, dpi);
        ++generation_;
        made_for_ = f;
        dpi_ = dpi;
    }
    return font_ ? font_->handle() : nullptr;
}

namespace {

paint_pass* g_pass = nullptr;

bool read_surface(Gdiplus::Graphics& graphics, RECT& clip) {
    Gdiplus::Matrix m;
    if (graphics.GetTransform(&m) != Gdiplus::Ok || !m.IsIdentity()) return false;
    const Gdiplus::Unit unit = graphics.GetPageUnit();
    if (unit != Gdiplus::UnitPixel && unit != Gdiplus::UnitDisplay) return false;
    const Gdiplus::PixelOffsetMode offset = graphics.GetPixelOffsetMode();
    if (offset == Gdiplus::PixelOffsetModeHalf || offset == Gdiplus::PixelOffsetModeHighQuality)
        return false;
    // A surface without a clip of its own has very large bounds.
    Gdiplus::Rect c;
    if (graphics.GetClipBounds(&c) != Gdiplus::Ok) return false;
    clip = {c.X, c.Y, c.X + c.Width, c.Y + c.Height};
    return true;
}

}  // namespace

paint_pass::paint_pass(HDC dc, Gdiplus::Graphics* graphics)
    : dc_(dc), graphics_(graphics), outer_(g_pass) {
    g_pass = this;
    auto& contexts = shared_gdi_font::keeping_contexts();
    if (std::find(contexts.begin(), contexts.end(), dc) != contexts.end()) return;
    // Memory contexts come and go (a combobox's items are painted in one).
    std::erase_if(contexts, [](HDC c) { return GetObjectType(c) == 0; });
    contexts.push_back(dc);
}

paint_pass::~paint_pass() { g_pass = outer_; }

bool paint_pass::active_on(HDC dc) {
    for (const paint_pass* p = g_pass; p; p = p->outer_)
        if (p->dc_ == dc) return true;
    return false;
}

bool paint_pass::gdi_fills_like(Gdiplus::Graphics& graphics, RECT& clip) {
    paint_pass* p = g_pass;
    while (p && p->graphics_ != &graphics) p = p->outer_;
    if (!p) return read_surface(graphics, clip);
    if (!p->surface_read_) {
        p->surface_plain_ = read_surface(graphics, p->surface_clip_);
        p->surface_read_ = true;
    }
    clip = p->surface_clip_;
    return p->surface_plain_;
}

gdi_font_scope::gdi_font_scope(HDC dc, const grammar::font& f) : dc_(dc) {
    font_.reset(create_gdi_font(f));
    if (font_) selected_ = SelectObject(dc_, font_.get()) != nullptr;
}

gdi_font_scope::gdi_font_scope(HDC dc, gdi_font_cache& cache, const grammar::font& f) : dc_(dc) {
    const HFONT font = cache.get(f);
    if (!font) return;
    if (!paint_pass::active_on(dc)) {
        selected_ = SelectObject(dc_, font) != nullptr;
    } else if (GetCurrentObject(dc, OBJ_FONT) != font) {
        SelectObject(dc_, font);
    }
}

gdi_font_scope::~gdi_font_scope() {
    // Deselected before the member deletes it.
    if (selected_) SelectObject(dc_, GetStockObject(SYSTEM_FONT));
}

Gdiplus::Pen* gp_style::pen_at(double percent) {
    if (!pen_cache_) {
        pen_cache_ = std::make_unique<Gdiplus::Pen>(gp_colour(pen.colour, percent),
                                                    static_cast<Gdiplus::REAL>(pen.width));
        pen_cache_->SetDashStyle(static_cast<Gdiplus::DashStyle>(pen.dash));
    }
    return pen_cache_.get();
}

Gdiplus::Brush* gp_style::brush_at(double percent) {
    if (!brush_cache_)
        brush_cache_ = std::make_unique<Gdiplus::SolidBrush>(gp_colour(brush.colour, percent));
    return brush_cache_.get();
}

Gdiplus::Brush* gp_style::gradient_at(const grammar::layer& l) {
    if (!gradient_cache_) {
        auto b = std::make_unique<Gdiplus::LinearGradientBrush>(
            Gdiplus::Point(grad.x1 + l.dx, grad.y1 + l.dy),
            Gdiplus::Point(grad.x2 + l.dx, grad.y2 + l.dy), gp_colour(grad.first, l.percent),
            gp_colour(grad.second, l.percent));
        b->SetWrapMode(Gdiplus::WrapModeTile);
        gradient_cache_ = std::move(b);
    }
    return gradient_cache_.get();
}

void gp_style::drop() {
    pen_cache_.reset();
    brush_cache_.reset();
    gradient_cache_.reset();
}

void gp_style::paint_path(Gdiplus::Graphics& g, const Gdiplus::GraphicsPath& path,
                          const grammar::layer& l) {
    bool filled = false;
    if (grad.valid) {
        g.FillPath(gradient_at(l), &path);
        filled = true;
    } else if (brush.valid) {
        g.FillPath(brush_at(l.percent), &path);
        filled = true;
    }
    if (pen.valid || !filled) g.DrawPath(pen_at(l.percent), &path);
    drop();
}

void gp_style::paint_line(Gdiplus::Graphics& g, const Gdiplus::GraphicsPath& path,
                          const grammar::layer& l) {
    if (grad.valid) {
        Gdiplus::Pen p(gradient_at(l), static_cast<Gdiplus::REAL>(pen.width));
        g.DrawPath(&p, &path);
    } else {
        g.DrawPath(pen_at(l.percent), &path);
    }
    drop();
}

void gp_style::key_colours(std::vector<uint32_t>& out, bool line) const {
    if (grad.valid) {
        out.push_back(grammar::argb_gdi(grad.first));
        out.push_back(grammar::argb_gdi(grad.second));
        if (line) return;
    } else if (brush.valid && !line) {
        out.push_back(grammar::argb_gdi(brush.colour));
    }
    if (line || pen.valid || !fills()) out.push_back(grammar::argb_gdi(pen.colour));
}

graphics_for::graphics_for(HDC dc, Gdiplus::Graphics* given) : g_(given) {
    if (!g_) {
        own_ = std::make_unique<Gdiplus::Graphics>(dc);
        g_ = own_.get();
    }
}

double world_scale(HDC dc) {
    XFORM xf{};
    if (GetGraphicsMode(dc) != GM_ADVANCED || !GetWorldTransform(dc, &xf)) return 1.0;
    return xf.eM11 > 0 ? xf.eM11 : 1.0;
}

void paint_glowing(HDC dc, Gdiplus::Graphics* graphics, RECT area, const grammar::glow& glow,
                   std::span<const uint32_t> key_sources, const body_painter& body) {
    // What GDI+ has queued must be in the canvas before it is read.
    if (graphics) graphics->Flush(Gdiplus::FlushIntentionSync);
    // Drawn at a display scale, the glow is made from the screen's pixels,
    // not made at skin size and stretched.
    const double f = world_scale(dc);
    if (f != 1.0)
        area = {static_cast<LONG>(std::floor(area.left * f)),
                static_cast<LONG>(std::floor(area.top * f)),
                static_cast<LONG>(std::ceil(area.right * f)),
                static_cast<LONG>(std::ceil(area.bottom * f))};
    area.left = std::max<LONG>(area.left, 0);
    area.top = std::max<LONG>(area.top, 0);
    const SIZE canvas = canvas_size(dc);
    if (canvas.cx > 0) area.right = std::min<LONG>(area.right, canvas.cx);
    if (canvas.cy > 0) area.bottom = std::min<LONG>(area.bottom, canvas.cy);
    const int w = area.right - area.left;
    const int h = area.bottom - area.top;
    if (w <= 0 || h <= 0) {
        body(dc, graphics);
        return;
    }
    const uint32_t key = grammar::key_colour(key_sources);

    // The background under the rectangle.
    dib_surface work(dc, w, h);
    // The object alone on the key colour, painted at its own position; only
    // the rectangle is read, so the surface need not reach past it.
    dib_surface alone(dc, area.right, area.bottom);
    if (!work.ok() || !alone.ok()) {
        body(dc, graphics);
        return;
    }
    {
        screen_pixels_scope screen(dc);
        BitBlt(work.dc(), 0, 0, w, h, dc, area.left, area.top, SRCCOPY);
    }
    {
        unique_hbrush key_brush(CreateSolidBrush(key));
        FillRect(alone.dc(), &area, key_brush.get());
        if (f != 1.0) {
            SetGraphicsMode(alone.dc(), GM_ADVANCED);
            const auto e = static_cast<FLOAT>(f);
            const XFORM xf{e, 0, 0, e, 0, 0};
            SetWorldTransform(alone.dc(), &xf);
        }
        // Bodies that paint with GDI+ make their own surface on the context,
        // which takes the context's scale.
        body(alone.dc(), nullptr);
    }
    GdiFlush();

    // Scratch planes, kept between paints (see release_large).
    thread_local std::vector<uint32_t> object, background, result;
    const size_t n = size_t(w) * size_t(h);
    for (auto* plane : {&object, &background, &result}) plane->resize(n);
    for (int y = 0; y < h; ++y) {
        std::memcpy(&object[size_t(y) * size_t(w)], alone.row(area.top + y) + area.left,
                    size_t(w) * sizeof(uint32_t));
        std::memcpy(&background[size_t(y) * size_t(w)], work.row(y), size_t(w) * sizeof(uint32_t));
    }
    grammar::glow_compose(object.data(), background.data(), w, h, glow, key, result.data(), f);
    for (int y = 0; y < h; ++y)
        std::memcpy(work.row(y), &result[size_t(y) * size_t(w)], size_t(w) * sizeof(uint32_t));
    {
        screen_pixels_scope screen(dc);
        BitBlt(dc, area.left, area.top, w, h, work.dc(), 0, 0, SRCCOPY);
    }
    grammar::release_large(object);
    grammar::release_large(background);
    grammar::release_large(result);

    body(dc, graphics);
}

}  // namespace vesk::paint
