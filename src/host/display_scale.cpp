#include "host/display_scale.h"

#include <cmath>
#include <initializer_list>

#include "host/settings.h"

namespace vesk {
namespace {

int& dpi_override() {
    static int dpi = 0;
    return dpi;
}

// Asked of the platform by name: systems before the per-monitor one have
// only the system's DPI.
using dpi_for_window_t = UINT(WINAPI*)(HWND);

dpi_for_window_t dpi_for_window() {
    static const auto fn = reinterpret_cast<dpi_for_window_t>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    return fn;
}

int system_dpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
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

template <class Convert>
WINDOWPLACEMENT converted(WINDOWPLACEMENT wp, Convert c) {
    RECT& r = wp.rcNormalPosition;
    const LONG w = c(r.right - r.left), h = c(r.bottom - r.top);
    r.left = c(r.left);
    r.top = c(r.top);
    r.right = r.left + w;
    r.bottom = r.top + h;
    for (POINT* p : {&wp.ptMinPosition, &wp.ptMaxPosition})
        if (p->x != -1 || p->y != -1) *p = {c(p->x), c(p->y)};
    return wp;
}

}  // namespace

WINDOWPLACEMENT to_screen(const t_display_scale& scale, WINDOWPLACEMENT skin) {
    if (!scale.scaled()) return skin;
    return converted(skin, [&](LONG v) { return static_cast<LONG>(scale.to_screen(v)); });
}

WINDOWPLACEMENT to_skin(const t_display_scale& scale, WINDOWPLACEMENT screen) {
    if (!scale.scaled()) return screen;
    return converted(screen, [&](LONG v) { return static_cast<LONG>(scale.to_skin(v)); });
}

int screen_dpi_of(HWND wnd) {
    if (dpi_override() > 0) return dpi_override();
    if (const auto fn = dpi_for_window(); fn && wnd) {
        const int dpi = static_cast<int>(fn(wnd));
        if (dpi > 0) return dpi;
    }
    return system_dpi();
}

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
