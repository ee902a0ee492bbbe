// What the drawn object types share on the platform side: GDI fonts shared
// by the records that use them, GDI+ pens and brushes made from the value
// records for one layer, the fill-and-outline rule of paths, and the glow
// pipeline.
//
// Contract: GDI fonts are shared between records; one drawing or
// measurement selects the system font back, a paint pass may leave its
// last font selected, and a font is deselected before it is deleted;
// GDI+ pens and brushes are created on first use within a layer and
// dropped when the layer ends; the glow pipeline paints the glow into the
// canvas and then the crisp object over it.
#pragma once

#include <windows.h>

#include <gdiplus.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "host/display_scale.h"
#include "host/gdi_handles.h"
#include "object/grammar/values.h"

namespace vesk::paint {

// Sums of script numbers may leave 32 bits: rectangles saturate.
[[nodiscard]] inline LONG saturate(int64_t v) {
    return static_cast<LONG>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

// The face of the system's default GUI font.
[[nodiscard]] const std::string& default_gui_face();
// A font record as the object types start it: that face, 11 points.
[[nodiscard]] grammar::font default_font();

// A new GDI font for the record; the caller owns it. Sized for skin
// pixels, or for `dpi` (a control window's font is drawn by the platform,
// at the screen's own pixels).
[[nodiscard]] HFONT create_gdi_font(const grammar::font& f, int dpi = font_dpi());

// A GDI font shared by every record asking for the same face, size and
// style at the same resolution; deleted with its last user.
class shared_gdi_font;

// A record's GDI font, found or made once and kept: making a font costs
// more than drawing a line of text with it, and records with the same font
// share one, so that texts drawn one after another in it select it once
// (see paint_pass). Found again when the record or the resolution fonts
// are sized for (the profile's scaling switch) changes.
class gdi_font_cache {
public:
    gdi_font_cache() = default;
    gdi_font_cache(const gdi_font_cache&) {}
    gdi_font_cache& operator=(const gdi_font_cache&) {
        font_.reset();
        return *this;
    }

    // Null when the platform refuses the font.
    [[nodiscard]] HFONT get(const grammar::font& f);
    // Changes whenever the font is remade: what was measured with the
    // previous one no longer holds.
    [[nodiscard]] uint32_t generation() const { return generation_; }

private:
    std::shared_ptr<const shared_gdi_font> font_;
    uint32_t generation_ = 0;
    grammar::font made_for_;
    int dpi_ = 0;
};

// One painting of objects into one context and its GDI+ surface, during
// which neither changes but by the objects' drawing. A cached font drawn
// with stays selected after its drawing, and the next drawing in the same
// font selects nothing: under Wine selecting a font costs more than
// drawing a short text with it. The last one stays selected after the
// pass too, so that repainting one text again selects nothing; the
// context is remembered, and a shared font is deselected from every such
// context before it is deleted. The surface's transform and clip are read
// once for the pass.
class paint_pass {
public:
    paint_pass(HDC dc, Gdiplus::Graphics* graphics);
    ~paint_pass();
    paint_pass(const paint_pass&) = delete;
    paint_pass& operator=(const paint_pass&) = delete;

    [[nodiscard]] static bool active_on(HDC dc);
    // Whether GDI may fill on `graphics`' surface as GDI+ would: no
    // transform, pixel units, no half-pixel offset; `clip` is the
    // surface's own clip bounds.
    [[nodiscard]] static bool gdi_fills_like(Gdiplus::Graphics& graphics, RECT& clip);

private:
    HDC dc_;
    Gdiplus::Graphics* graphics_;
    paint_pass* outer_;
    // Read on first use.
    bool surface_read_ = false;
    bool surface_plain_ = false;
    RECT surface_clip_{};
};

// The record's GDI font (made for the scope, or the cache's), selected
// into `dc` for the life of the scope; the system font is selected back at
// its end, unless a paint pass on `dc` keeps it.
class gdi_font_scope {
public:
    gdi_font_scope(HDC dc, const grammar::font& f);
    gdi_font_scope(HDC dc, gdi_font_cache& cache, const grammar::font& f);
    ~gdi_font_scope();
    gdi_font_scope(const gdi_font_scope&) = delete;
    gdi_font_scope& operator=(const gdi_font_scope&) = delete;

private:
    HDC dc_;
    unique_hfont font_;
    bool selected_ = false;
};

// Pen, brush and gradient of a shape, with the GDI+ objects made from them
// for the layer being painted.
class gp_style {
public:
    grammar::pen pen;
    grammar::brush brush;
    grammar::gradient grad;

    // Fills (gradient, else brush) and outlines (when the pen is valid or
    // nothing filled) the path at the layer's offset and percentage.
    void paint_path(Gdiplus::Graphics& g, const Gdiplus::GraphicsPath& path,
                    const grammar::layer& l);
    // Lines are never filled: drawn with a pen of the gradient when it is
    // valid, else with the pen.
    void paint_line(Gdiplus::Graphics& g, const Gdiplus::GraphicsPath& path,
                    const grammar::layer& l);
    // The colours the style paints, for the glow's key colour.
    void key_colours(std::vector<uint32_t>& out, bool line) const;
    [[nodiscard]] bool fills() const { return grad.valid || brush.valid; }

private:
    Gdiplus::Pen* pen_at(double percent);
    Gdiplus::Brush* brush_at(double percent);
    Gdiplus::Brush* gradient_at(const grammar::layer& l);
    void drop();

    std::unique_ptr<Gdiplus::Pen> pen_cache_;
    std::unique_ptr<Gdiplus::Brush> brush_cache_;
    std::unique_ptr<Gdiplus::Brush> gradient_cache_;
};

// A GDI+ surface for `dc`: the one given, or one made for the call.
class graphics_for {
public:
    graphics_for(HDC dc, Gdiplus::Graphics* given);
    Gdiplus::Graphics* get() { return g_; }

private:
    std::unique_ptr<Gdiplus::Graphics> own_;
    Gdiplus::Graphics* g_;
};

using body_painter = std::function<void(HDC, Gdiplus::Graphics*)>;

// The factor of a skin's scale set on `dc`; 1 when it draws screen pixels.
[[nodiscard]] double world_scale(HDC dc);

// The glow around `body` over `area` (exclusive right and bottom) of the
// bitmap selected into `dc`, then `body` itself on top. `key_sources` are
// the colours the object paints and the glow colour.
void paint_glowing(HDC dc, Gdiplus::Graphics* graphics, RECT area, const grammar::glow& glow,
                   std::span<const uint32_t> key_sources, const body_painter& body);

}  // namespace vesk::paint
