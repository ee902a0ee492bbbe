#include "control/button_object.h"

#include <windowsx.h>

#include <memory>

#include "host/invalidation.h"
#include "host/settings.h"
#include "object/types/image_cache.h"
#include "object/types/paint_support.h"
#include "registry/window_services.h"
#include "script/preprocessor.h"
#include "script/script_run.h"
#include "script/tf_hook.h"
#include "utf8.h"

namespace vesk::object {
namespace {

std::shared_ptr<gp_image_cache_item> image_of(const std::string& path, bool cache) {
    if (path.empty()) return {};
    if (!cache) image_cache::instance().drop(path);
    return image_cache::instance().find_or_load(path);
}

// Whether the window has a border or scroll bars around its client area.
bool has_frame(HWND wnd) {
    RECT outer, inner;
    if (!GetWindowRect(wnd, &outer) || !GetClientRect(wnd, &inner)) return true;
    return outer.right - outer.left != inner.right || outer.bottom - outer.top != inner.bottom;
}

}  // namespace

button_object::~button_object() {
    if (hover_) ReleaseCapture();
    if (control_wnd) {
        SetWindowLongPtrW(control_wnd, GWLP_USERDATA, 0);
        if (class_proc_)
            SetWindowLongPtrW(control_wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(class_proc_));
        DestroyWindow(control_wnd);
    }
}

bool button_object::get_rect(RECT& r) {
    r = {x, y, x + width - 1, y + height - 1};
    return true;
}

void button_object::draw(HWND wnd, HDC dc, Gdiplus::Graphics*) {
    if (kind == kind_image2 && dc && width > 0 && height > 0) {
        // What lies under the button, as the screen shows it.
        const t_display_scale scale = display_scale_of(wnd);
        const screen_pixels_scope screen(dc);
        const int w = scale.to_screen(width), h = scale.to_screen(height);
        unique_hbitmap copy(CreateCompatibleBitmap(dc, w, h));
        unique_hdc mem(CreateCompatibleDC(dc));
        if (copy && mem) {
            select_guard sel(mem.get(), copy.get());
            BitBlt(mem.get(), 0, 0, w, h, dc, scale.to_screen(x), scale.to_screen(y), SRCCOPY);
        }
        background_ = std::move(copy);
        if (control_wnd) InvalidateRect(control_wnd, nullptr, TRUE);
    }
    if (!control_wnd) create_window(wnd, dc);
}

void button_object::create_window(HWND parent_wnd, HDC dc) {
    DWORD style = WS_CHILD;
    if (visible) style |= WS_VISIBLE;
    if (kind == kind_image) style |= BS_BITMAP;
    if (kind == kind_text2 || kind == kind_image2) style |= BS_OWNERDRAW;
    int wx = x, wy = y, ww = width, wh = height;
    const t_display_scale scale = display_scale_of(parent_wnd);
    if (kind == kind_image) {
        auto item = image_of(image_cache::instance().for_dpi(text, scale.dpi, !cache), cache);
        Gdiplus::Image* image = item ? item->image() : nullptr;
        if (image && width > 0 && height > 0) {
            const double iw = image->GetWidth(), ih = image->GetHeight();
            int bw = width, bh = height;
            if (keepaspect && iw > 0 && ih > 0) {
                const double rx = width / iw, ry = height / ih;
                if (rx <= ry) {
                    bw = width;
                    bh = static_cast<int>(ih * rx);
                } else {
                    bh = height;
                    bw = static_cast<int>(iw * ry);
                }
                wx = x + (width - bw) / 2;
                wy = y + (height - bh) / 2;
                ww = bw;
                wh = bh;
            }
            // The picture at the screen's pixels, scaled once from its own.
            const int sw = scale.to_screen(bw), sh = scale.to_screen(bh);
            normal_.reset(make_screen_bitmap(sw, sh));
            unique_hdc mem(CreateCompatibleDC(nullptr));
            if (normal_ && mem) {
                select_guard sel(mem.get(), normal_.get());
                Gdiplus::Graphics g(mem.get());
                g.SetInterpolationMode(Gdiplus::InterpolationModeHighQuality);
                g.DrawImage(image, 0, 0, sw, sh);
            }
        }
    }
    const std::wstring caption = cor::to_wide(text);
    HWND button = CreateWindowExW(
        WS_EX_TOPMOST, L"Button", caption.c_str(), style, scale.to_screen(wx), scale.to_screen(wy),
        scale.to_screen(ww), scale.to_screen(wh), parent_wnd,
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(control_id)),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent_wnd, GWLP_HINSTANCE)), nullptr);
    if (!button) return;
    control_wnd = button;
    SetWindowLongPtrW(button, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    class_proc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&button_object::subclass)));
    if (dc) apply_font(scale.dpi);
    if (kind == kind_image && normal_)
        SendMessageW(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(normal_.get()));
}

// The script's font at `dpi`: the platform letters a text button with it,
// the drawn-caption kinds letter themselves.
void button_object::apply_font(int dpi) {
    if (!font.valid) return;
    font_handle_.reset(paint::create_gdi_font(font, dpi));
    if (kind == kind_text)
        SendMessageW(control_wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_handle_.get()), TRUE);
}

void button_object::follow_scale() {
    if (!control_wnd) return;
    const HWND parent_wnd = GetParent(control_wnd);
    const t_display_scale scale = display_scale_of(parent_wnd);
    // The place it was given, whatever a kept aspect made of it.
    SetWindowPos(control_wnd, nullptr, scale.to_screen(x), scale.to_screen(y),
                 scale.to_screen(width), scale.to_screen(height), SWP_NOZORDER | SWP_NOACTIVATE);
    // What lay under it was taken at the old scale.
    background_.reset();
    apply_font(scale.dpi);
    InvalidateRect(control_wnd, nullptr, TRUE);
}

LRESULT CALLBACK button_object::subclass(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<button_object*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(wnd, msg, wp, lp);
    const WNDPROC original = self->class_proc_;
    // A button without a frame has nothing outside its client area to
    // paint, yet the class would take a device context for it: half a
    // millisecond a button under Wine, each time its parent is shown.
    if (msg == WM_NCPAINT && !has_frame(wnd)) return 0;
    if (msg == WM_MOUSEMOVE) {
        if (!self->hover_) {
            self->hover_ = true;
            SetCapture(wnd);
            InvalidateRect(wnd, nullptr, TRUE);
        } else {
            const int px = GET_X_LPARAM(lp), py = GET_Y_LPARAM(lp);
            RECT cr;
            GetClientRect(wnd, &cr);
            if (px < 0 || py < 0 || px >= cr.right || py >= cr.bottom) {
                self->hover_ = false;
                ReleaseCapture();
                InvalidateRect(wnd, nullptr, TRUE);
            }
        }
    }
    return CallWindowProcW(original, wnd, msg, wp, lp);
}

void button_object::capture_background(HWND button) {
    HWND parent_wnd = GetParent(button);
    RECT cr;
    GetClientRect(button, &cr);
    HRGN empty = CreateRectRgn(0, 0, 0, 0);
    SetWindowRgn(button, empty, FALSE);
    ShowWindow(button, SW_HIDE);
    send_pending_invalidations();
    UpdateWindow(parent_wnd);
    MapWindowPoints(button, parent_wnd, reinterpret_cast<POINT*>(&cr), 2);
    RECT wr, pcr;
    GetWindowRect(parent_wnd, &wr);
    GetClientRect(parent_wnd, &pcr);
    POINT client_origin{0, 0};
    ClientToScreen(parent_wnd, &client_origin);
    const int dx = client_origin.x - wr.left, dy = client_origin.y - wr.top;
    HDC wdc = GetWindowDC(parent_wnd);
    unique_hbitmap copy(CreateCompatibleBitmap(wdc, cr.right - cr.left, cr.bottom - cr.top));
    unique_hdc mem(CreateCompatibleDC(wdc));
    if (copy && mem) {
        select_guard sel(mem.get(), copy.get());
        BitBlt(mem.get(), 0, 0, cr.right - cr.left, cr.bottom - cr.top, wdc, cr.left + dx,
               cr.top + dy, SRCCOPY);
    }
    ReleaseDC(parent_wnd, wdc);
    background_ = std::move(copy);
    SetWindowRgn(button, nullptr, FALSE);
    ShowWindow(button, SW_SHOW);
}

void button_object::paint_text2(HDC dc, const DRAWITEMSTRUCT& item, RECT text_rect, RECT inner) {
    const bool disabled = item.itemState & ODS_DISABLED;
    const bool pressed = !disabled && (item.itemState & ODS_SELECTED);
    UINT frame = DFCS_BUTTONPUSH;
    COLORREF colour = GetSysColor(COLOR_BTNTEXT);
    std::string caption = text;
    bool normal_rule = !disabled;
    if (disabled) {
        colour = GetSysColor(COLOR_GRAYTEXT);
    } else if (pressed) {
        frame = DFCS_BUTTONPUSH | DFCS_PUSHED;
        if (foreground.valid) colour = grammar::gdi_colour(foreground);
        OffsetRect(&text_rect, 0, 0);
        text_rect.left += 2;
        text_rect.top += 1;
        InflateRect(&inner, -2, -2);
        if (!push.empty()) {
            caption = push;
            normal_rule = false;
        }
    }
    if (normal_rule) {
        caption = hover_ && !over.empty() ? over : text;
        if (foreground.valid) colour = grammar::gdi_colour(foreground);
        frame = DFCS_BUTTONPUSH;
        inner.left += 1;
        inner.top += 1;
        inner.right -= 2;
        inner.bottom -= 2;
    }
    RECT item_rect = item.rcItem;
    DrawFrameControl(dc, &item_rect, DFC_BUTTON, frame);
    if (background.valid) {
        unique_hbrush brush(CreateSolidBrush(grammar::gdi_colour(background)));
        FillRect(dc, &inner, brush.get());
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    if (font_handle_) SelectObject(dc, font_handle_.get());
    const std::wstring wide = cor::to_wide(caption);
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &text_rect,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
}

void button_object::draw_item(WPARAM, const DRAWITEMSTRUCT& item) {
    if (kind != kind_text2 && kind != kind_image2) return;
    const int w = item.rcItem.right - item.rcItem.left, h = item.rcItem.bottom - item.rcItem.top;
    if (w <= 0 || h <= 0) return;
    std::shared_ptr<gp_image_cache_item> picture;
    if (kind == kind_image2) {
        if (!background_) capture_background(item.hwndItem);
        const bool disabled = item.itemState & ODS_DISABLED;
        const bool pressed = !disabled && (item.itemState & ODS_SELECTED);
        const std::string& path = pressed && !push.empty()  ? push
                                  : hover_ && !over.empty() ? over
                                                            : text;
        const int dpi = display_scale_of(GetParent(item.hwndItem)).dpi;
        picture = image_of(image_cache::instance().for_dpi(path, dpi, !cache), cache);
        if (picture && !picture->image()) picture.reset();
        // Nothing over what lies beneath (a caption that names no picture):
        // it is copied as it is, with no face to compose first.
        if (!picture && background_) {
            unique_hdc src(CreateCompatibleDC(item.hDC));
            select_guard bsel(src.get(), background_.get());
            BitBlt(item.hDC, 0, 0, w, h, src.get(), 0, 0, SRCCOPY);
            return;
        }
    }
    unique_hbitmap bitmap(make_screen_bitmap(w, h));
    unique_hdc mem(CreateCompatibleDC(item.hDC));
    if (!bitmap || !mem) return;
    {
        select_guard sel(mem.get(), bitmap.get());
        if (kind == kind_image2) {
            if (background_) {
                unique_hdc src(CreateCompatibleDC(item.hDC));
                select_guard bsel(src.get(), background_.get());
                BitBlt(mem.get(), 0, 0, w, h, src.get(), 0, 0, SRCCOPY);
            }
            if (picture) {
                Gdiplus::Graphics g(mem.get());
                draw_cache_item(g, *picture, {0, 0, w, h}, std::nullopt, 255, std::nullopt,
                                keepaspect);
            }
        } else {
            paint_text2(mem.get(), item, item.rcItem, item.rcItem);
        }
        BitBlt(item.hDC, 0, 0, w, h, mem.get(), 0, 0, SRCCOPY);
    }
}

void button_object::on_command(const cor::guid& parent_id, HWND wnd, uint32_t, uint32_t code) {
    // A disabled button never clicks, whatever sent the notification.
    if (code != BN_CLICKED || (control_wnd && !IsWindowEnabled(control_wnd))) return;
    if (!script.empty() && !safe_mode()) {
        t_script_context context;
        context.wnd = reinterpret_cast<HWND__*>(wnd);
        context.window_id = parent_id;
        const std::string prepared = prepare_script(script, trim_mode());
        vesk_tf_hook hook(context);
        (void)run_script(prepared, hook);
    }
    hover_ = false;
}

}  // namespace vesk::object
