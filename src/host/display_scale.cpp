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

RECT converted(int left, int top, int w, int h) { return {left, top, left + w, top + h}; }

}  // namespace

int t_frame::width_to_screen(const t_display_scale& s, int skin) const {
    return s.scaled() ? s.to_screen(skin - at_96.cx) + on_screen.cx : skin;
}
int t_frame::height_to_screen(const t_display_scale& s, int skin) const {
    return s.scaled() ? s.to_screen(skin - at_96.cy) + on_screen.cy : skin;
}
int t_frame::width_to_skin(const t_display_scale& s, int screen) const {
    return s.scaled() ? s.to_skin(screen - on_screen.cx) + at_96.cx : screen;
}
int t_frame::height_to_skin(const t_display_scale& s, int screen) const {
    return s.scaled() ? s.to_skin(screen - on_screen.cy) + at_96.cy : screen;
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

RECT outer_to_screen(const t_display_scale& scale, const t_frame& frame, const RECT& skin) {
    if (!scale.scaled()) return skin;
    return converted(scale.to_screen(static_cast<int>(skin.left)),
                     scale.to_screen(static_cast<int>(skin.top)),
                     frame.width_to_screen(scale, static_cast<int>(skin.right - skin.left)),
                     frame.height_to_screen(scale, static_cast<int>(skin.bottom - skin.top)));
}

RECT outer_to_skin(const t_display_scale& scale, const t_frame& frame, const RECT& screen) {
    if (!scale.scaled()) return screen;
    return converted(scale.to_skin(static_cast<int>(screen.left)),
                     scale.to_skin(static_cast<int>(screen.top)),
                     frame.width_to_skin(scale, static_cast<int>(screen.right - screen.left)),
                     frame.height_to_skin(scale, static_cast<int>(screen.bottom - screen.top)));
}

WINDOWPLACEMENT to_screen(const t_display_scale& scale, const t_frame& frame, WINDOWPLACEMENT wp) {
    if (!scale.scaled()) return wp;
    wp.rcNormalPosition = outer_to_screen(scale, frame, wp.rcNormalPosition);
    for (POINT* p : {&wp.ptMinPosition, &wp.ptMaxPosition})
        if (p->x != -1 || p->y != -1)
            *p = {scale.to_screen(static_cast<int>(p->x)), scale.to_screen(static_cast<int>(p->y))};
    return wp;
}

WINDOWPLACEMENT to_skin(const t_display_scale& scale, const t_frame& frame, WINDOWPLACEMENT wp) {
    if (!scale.scaled()) return wp;
    wp.rcNormalPosition = outer_to_skin(scale, frame, wp.rcNormalPosition);
    for (POINT* p : {&wp.ptMinPosition, &wp.ptMaxPosition})
        if (p->x != -1 || p->y != -1)
            *p = {scale.to_skin(static_cast<int>(p->x)), scale.to_skin(static_cast<int>(p->y))};
    return wp;
}

int platform_dpi_of(HWND wnd) {
    if (const auto fn = dpi_for_window(); fn && wnd) {
        const int dpi = static_cast<int>(fn(wnd));
        if (dpi > 0) return dpi;
    }
    return system_dpi();
}

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
