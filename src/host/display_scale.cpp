#include "host/display_scale.h"

#include <cmath>
#include <initializer_list>

#include "host/settings.h"
#include "window_dpi.h"

namespace vesk {
namespace {

int& dpi_override() {
    static int dpi = 0;
    return dpi;
}

}  // namespace

RECT t_display_scale::to_screen(const RECT& skin) const {
    if (!scaled()) return skin;
    const double f = factor();
    return {static_cast<LONG>(std::floor(skin.left * f)),
            static_cast<LONG>(std::floor(skin.top * f)),
            static_cast<LONG>(std::ceil(skin.right * f)),
            static_cast<LONG>(std::ceil(skin.bottom * f))};
}

RECT t_display_scale::to_skin(const RECT& screen) const {
    if (!scaled()) return screen;
    const double f = factor();
    return {static_cast<LONG>(std::floor(screen.left / f)),
            static_cast<LONG>(std::floor(screen.top / f)),
            static_cast<LONG>(std::ceil(screen.right / f)),
            static_cast<LONG>(std::ceil(screen.bottom / f))};
}

namespace {

using adjust_for_dpi_t = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

SIZE frame_size(DWORD style, DWORD ex_style, bool menu, int dpi) {
    static const auto adjust = reinterpret_cast<adjust_for_dpi_t>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    RECT r{0, 0, 0, 0};
    const BOOL ok = adjust ? adjust(&r, style, menu, ex_style, static_cast<UINT>(dpi))
                           : AdjustWindowRectEx(&r, style, menu, ex_style);
    if (!ok) return {0, 0};
    return {r.right - r.left, r.bottom - r.top};
}

}  // namespace

SIZE t_frame::outer(const t_display_scale& s, SIZE size, toward way) const {
    if (!s.scaled()) return size;
    const SIZE& from = way == toward::screen ? at_96 : on_screen;
    const SIZE& to = way == toward::screen ? on_screen : at_96;
    return {s.to(way, static_cast<int>(size.cx - from.cx)) + to.cx,
            s.to(way, static_cast<int>(size.cy - from.cy)) + to.cy};
}

t_frame frame_for(DWORD style, DWORD ex_style, bool menu, int dpi) {
    return {frame_size(style, ex_style, menu, skin_dpi), frame_size(style, ex_style, menu, dpi)};
}

t_frame frame_of(HWND wnd) {
    if (!wnd) return {};
    const auto style = static_cast<DWORD>(GetWindowLongW(wnd, GWL_STYLE));
    const auto ex_style = static_cast<DWORD>(GetWindowLongW(wnd, GWL_EXSTYLE));
    const bool menu = !(style & WS_CHILD) && GetMenu(wnd) != nullptr;
    return frame_for(style, ex_style, menu, platform_dpi_of(wnd));
}

RECT outer_rect(const t_display_scale& scale, const t_frame& frame, const RECT& r, toward way) {
    if (!scale.scaled()) return r;
    const int left = scale.to(way, static_cast<int>(r.left));
    const int top = scale.to(way, static_cast<int>(r.top));
    const SIZE size = frame.outer(scale, {r.right - r.left, r.bottom - r.top}, way);
    return {left, top, left + size.cx, top + size.cy};
}

WINDOWPLACEMENT placement(const t_display_scale& scale, const t_frame& frame, WINDOWPLACEMENT wp,
                          toward way) {
    if (!scale.scaled()) return wp;
    wp.rcNormalPosition = outer_rect(scale, frame, wp.rcNormalPosition, way);
    for (POINT* p : {&wp.ptMinPosition, &wp.ptMaxPosition})
        if (p->x != -1 || p->y != -1)
            *p = {scale.to(way, static_cast<int>(p->x)), scale.to(way, static_cast<int>(p->y))};
    return wp;
}

int platform_dpi_of(HWND wnd) { return cor::monitor_dpi_of(wnd); }

int screen_dpi_of(HWND wnd) { return dpi_override() > 0 ? dpi_override() : platform_dpi_of(wnd); }

t_display_scale scale_of_window(HWND wnd) {
    if (!cfg_skin_scaling.get()) return {};
    return {screen_dpi_of(wnd)};
}

int font_dpi() { return cfg_skin_scaling.get() ? skin_dpi : screen_dpi_of(nullptr); }

void set_dpi_override(int dpi) { dpi_override() = dpi; }

screen_pixels_scope::screen_pixels_scope(HDC dc) {
    if (dc && GetGraphicsMode(dc) == GM_ADVANCED && GetWorldTransform(dc, &saved_)) {
        ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
        dc_ = dc;
    }
}

screen_pixels_scope::~screen_pixels_scope() {
    if (dc_) SetWorldTransform(dc_, &saved_);
}

skin_drawing_scope::skin_drawing_scope(HDC dc, Gdiplus::Graphics* graphics,
                                       const t_display_scale& scale) {
    if (!scale.scaled()) return;
    const auto f = static_cast<FLOAT>(scale.factor());
    if (dc) {
        saved_ = SaveDC(dc);
        SetGraphicsMode(dc, GM_ADVANCED);
        const XFORM xf{f, 0, 0, f, 0, 0};
        SetWorldTransform(dc, &xf);
        dc_ = dc;
    }
    if (graphics) {
        graphics_state_ = graphics->Save();
        graphics->ScaleTransform(f, f);
        graphics_ = graphics;
    }
}

skin_drawing_scope::~skin_drawing_scope() {
    if (graphics_) graphics_->Restore(graphics_state_);
    if (dc_) RestoreDC(dc_, saved_);
}

}  // namespace vesk
