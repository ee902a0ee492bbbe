// $gp_image: a picture file drawn with GDI+ through the shared image cache,
// scaled, clipped, rotated or flipped, with constant opacity, optionally
// fitted keeping its proportions, or pre-rendered once ("cache2:") into a
// window-sized bitmap of its own and copied from there afterwards.
#pragma once

#include <windows.h>

#include <gdiplus.h>

#include <optional>
#include <string>

#include "host/display_scale.h"
#include "host/gdi_handles.h"
#include "object/grammar/image_fit.h"
#include "object/object_base.h"
#include "object/types/image_cache.h"

namespace vesk::object {

class gp_image_object final : public object_base {
public:
    gp_image_object() : object_base(cat_drawn, type_gp_image) {}
    ~gp_image_object() override;

    // Width and height -1: the picture's own.
    grammar::box dest{0, 0, -1, -1};
    std::optional<grammar::box> clip;
    grammar::box clip2;
    bool clip2_set = false;
    int32_t alpha = 255;
    int32_t rotate = -1;
    std::string flip;
    bool keepaspect = false;
    bool cache = true;
    bool cache2 = false;
    std::string file;

    void draw(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) override;
    void set_position(int32_t nx, int32_t ny) override;
    [[nodiscard]] bool get_rect(RECT& r) override;

private:
    // The picture for a window at `dpi`: in a box of known size and not
    // clipped (a clip counts the file's own pixels), its "@2x" file when
    // there is one and the scale is 1.5 or more.
    [[nodiscard]] std::shared_ptr<gp_image_cache_item> picture(int dpi = skin_dpi);

    // The pre-rendered copy: bitmap before the context it is selected into.
    unique_hbitmap rendered_bitmap_;
    unique_hdc rendered_dc_;
    HGDIOBJ replaced_ = nullptr;
    RECT rendered_at_{};
    // The display scale the copy was made at; another one makes it again.
    double rendered_scale_ = 1.0;
};

}  // namespace vesk::object
