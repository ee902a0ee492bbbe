#include "control/tooltip_object.h"

#include <string>
#include <vector>

#include "host/settings.h"
#include "object/object_manager.h"
#include "object/types/paint_support.h"
#include "registry/window_registry.h"
#include "registry/window_services.h"
#include "script/preprocessor.h"
#include "script/script_run.h"
#include "script/tf_hook.h"
#include "utf8.h"

namespace vesk::object {
namespace {

constexpr UINT_PTR tool_id = 1;

// Tips waiting for their window, by identity: one may be removed before
// its turn comes.
std::vector<cor::guid>& waiting_tips() {
    static std::vector<cor::guid> tips;
    return tips;
}
UINT_PTR waiting_timer = 0;

}  // namespace

tooltip_object::~tooltip_object() {
    if (waiting_) {
        auto& tips = waiting_tips();
        std::erase(tips, id);
        // The timer's procedure must not outlive the objects.
        if (tips.empty() && waiting_timer) {
            KillTimer(nullptr, waiting_timer);
            waiting_timer = 0;
        }
    }
    if (control_wnd) {
        SetWindowLongPtrW(control_wnd, GWLP_USERDATA, 0);
        if (class_proc_)
            SetWindowLongPtrW(control_wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(class_proc_));
        DestroyWindow(control_wnd);
    }
    if (picture_dc_ && picture_previous_) SelectObject(picture_dc_.get(), picture_previous_);
    picture_dc_.reset();
    picture_.reset();
    if (object_manager::alive())
        object_manager::instance().clear_parent_unlocked(id, cat_all_objects);
}

bool tooltip_object::get_rect(RECT& r) {
    r = {x, y, x + width - 1, y + height - 1};
    return true;
}

HWND tooltip_object::target_window_handle() const {
    if (target_kind == target_control) {
        const object_base* target = object_manager::instance().find(target_id);
        return target ? target->control_wnd : nullptr;
    }
    const size_t open = open_window_by_guid(target_id);
    return open == no_window ? nullptr : reinterpret_cast<HWND>(open_windows()[open].hwnd);
}

void tooltip_object::draw(HWND, HDC, Gdiplus::Graphics*) {
    // A control target gets its window at its own first paint; the tip
    // waits for it.
    if (control_wnd || waiting_) return;
    if (target_window_handle()) schedule_window();
}

void tooltip_object::schedule_window() {
    waiting_ = true;
    waiting_tips().push_back(id);
    // A timer's message comes only when nothing else, paints included, is
    // left in the queue.
    if (!waiting_timer) waiting_timer = SetTimer(nullptr, 0, 0, &make_waiting_windows);
    if (!waiting_timer) ensure_window();
}

void CALLBACK tooltip_object::make_waiting_windows(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (timer == waiting_timer) waiting_timer = 0;
    std::vector<cor::guid> tips;
    tips.swap(waiting_tips());
    if (!object_manager::alive()) return;
    for (const cor::guid& tip_id : tips) {
        object_base* found = object_manager::instance().find(tip_id);
        if (found && found->type == type_tooltip)
            static_cast<tooltip_object*>(found)->ensure_window();
    }
}

bool tooltip_object::ensure_window() {
    if (!control_wnd && waiting_) {
        waiting_ = false;
        // Without a target now, the next paint that finds one asks again.
        if (HWND target = target_window_handle()) create_window(target);
    }
    return control_wnd != nullptr;
}

void tooltip_object::fill_tool(TTTOOLINFOW& ti) {
    ti = {};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = static_cast<UINT>(mode) | TTF_SUBCLASS;
    ti.hwnd = tool_owner_;
    ti.uId = tool_id;
    ti.rect = display_scale_of(tool_owner_).to_screen(RECT{x, y, x + width, y + height});
    tool_text_ = custom ? std::wstring(L" ") : cor::to_wide(text);
    ti.lpszText = tool_text_.data();
}

void tooltip_object::create_window(HWND target) {
    DWORD style = WS_POPUP | TTS_NOPREFIX;
    if (always) style |= TTS_ALWAYSTIP;
    if (balloon) style |= TTS_BALLOON;
    if (close) style |= TTS_CLOSE;
    HWND tip = CreateWindowExW(
        0, TOOLTIPS_CLASSW, nullptr, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
        CW_USEDEFAULT, target, nullptr,
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(target, GWLP_HINSTANCE)), nullptr);
    if (!tip) return;
    control_wnd = tip;
    tool_owner_ = target;
    if (font.valid) {
        font_handle_.reset(paint::create_gdi_font(font, display_scale_of(target).dpi));
        SendMessageW(tip, WM_SETFONT, reinterpret_cast<WPARAM>(font_handle_.get()), TRUE);
    }
    TTTOOLINFOW ti;
    fill_tool(ti);
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    apply(false);
    SetWindowLongPtrW(tip, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    class_proc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        tip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&tooltip_object::subclass)));
}

void tooltip_object::apply(bool redraw) {
    if (!ensure_window()) return;
    HWND tip = control_wnd;
    if (foreground.valid)
        SendMessageW(tip, TTM_SETTIPTEXTCOLOR, grammar::gdi_colour(foreground), 0);
    if (background.valid) SendMessageW(tip, TTM_SETTIPBKCOLOR, grammar::gdi_colour(background), 0);
    if (margin[0] >= 0 || margin[1] >= 0 || margin[2] >= 0 || margin[3] >= 0) {
        RECT m{margin[0], margin[1], margin[2], margin[3]};
        SendMessageW(tip, TTM_SETMARGIN, 0, reinterpret_cast<LPARAM>(&m));
    }
    if (!title.empty()) {
        const std::wstring wide = cor::to_wide(title);
        SendMessageW(tip, TTM_SETTITLEW, static_cast<WPARAM>(icon),
                     reinterpret_cast<LPARAM>(wide.c_str()));
    }
    if (custom && redraw) draw_picture();
    TTTOOLINFOW ti;
    fill_tool(ti);
    SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
    if (mode != mode_auto)
        SendMessageW(tip, TTM_TRACKPOSITION, 0,
                     MAKELPARAM(static_cast<WORD>(position[0]), static_cast<WORD>(position[1])));
    SendMessageW(tip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&ti));
}

void tooltip_object::activate(bool on) {
    if (!ensure_window()) return;
    TTTOOLINFOW ti;
    fill_tool(ti);
    SendMessageW(control_wnd, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));
    if (on) SendMessageW(control_wnd, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
}

bool tooltip_object::tip_visible() const { return control_wnd && IsWindowVisible(control_wnd); }

void tooltip_object::measure() {
    if (!ensure_window() || tip_visible()) return;
    measuring_ = true;
    activate(true);
    SendMessageW(control_wnd, TTM_UPDATE, 0, 0);
    // Measuring must not leave a hidden tracking tip active.
    activate(false);
    measuring_ = false;
}

SIZE tooltip_object::tip_skin_size() {
    if (size[0] >= 1 && size[1] >= 1) return {size[0], size[1]};
    const SIZE measured = tip_size();
    const t_display_scale scale = display_scale_of(tool_owner_);
    return {scale.to_skin(static_cast<int>(measured.cx)),
            scale.to_skin(static_cast<int>(measured.cy))};
}

SIZE tooltip_object::tip_size() {
    if (size[0] >= 1 && size[1] >= 1) return {size[0], size[1]};
    measure();
    RECT r{};
    if (control_wnd) GetWindowRect(control_wnd, &r);
    SIZE s{r.right - r.left, r.bottom - r.top};
    // An automatic tip that never showed has no size of its own yet: the
    // platform still knows how large its bubble would be.
    if ((s.cx <= 0 || s.cy <= 0) && control_wnd) {
        TTTOOLINFOW ti;
        fill_tool(ti);
        const LRESULT bubble =
            SendMessageW(control_wnd, TTM_GETBUBBLESIZE, 0, reinterpret_cast<LPARAM>(&ti));
        s = {LOWORD(bubble), HIWORD(bubble)};
    }
    return s;
}

void tooltip_object::draw_picture() {
    if (!control_wnd) return;
    prepared_ = true;
    auto& manager = object_manager::instance();
    manager.clear_parent(id, cat_all_objects);
    const std::string prepared = prepare_script(text, trim_mode());
    // A size the script gave is skin pixels, a measured one the screen's;
    // the picture has the screen's pixels and is drawn in skin pixels.
    const t_display_scale scale = display_scale_of(tool_owner_);
    const SIZE skin = tip_skin_size();
    const SIZE s{scale.to_screen(static_cast<int>(skin.cx)),
                 scale.to_screen(static_cast<int>(skin.cy))};
    if (picture_dc_ && picture_previous_) SelectObject(picture_dc_.get(), picture_previous_);
    picture_dc_.reset();
    picture_.reset();
    picture_previous_ = nullptr;
    if (s.cx <= 0 || s.cy <= 0) return;
    HDC tip_dc = GetDC(control_wnd);
    picture_.reset(make_screen_bitmap(s.cx, s.cy));
    picture_dc_.reset(CreateCompatibleDC(tip_dc));
    ReleaseDC(control_wnd, tip_dc);
    if (!picture_ || !picture_dc_) return;
    picture_previous_ = SelectObject(picture_dc_.get(), picture_.get());
    if (!prepared.empty() && !safe_mode()) {
        t_script_context context;
        context.wnd = reinterpret_cast<HWND__*>(control_wnd);
        context.window_id = id;
        field_list vars{{"_objectid", identity_text(id), true, false},
                        {"_iwidth", std::to_string(skin.cx), true, false},
                        {"_iheight", std::to_string(skin.cy), true, false}};
        vesk_tf_hook hook(context, &vars);
        (void)run_script(prepared, hook);
    }
    RECT all{0, 0, s.cx, s.cy};
    FillRect(picture_dc_.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    Gdiplus::Graphics graphics(picture_dc_.get());
    const skin_drawing_scope in_skin(picture_dc_.get(), &graphics, scale);
    manager.draw(id, control_wnd, picture_dc_.get(), &graphics);
}

LRESULT CALLBACK tooltip_object::subclass(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<tooltip_object*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self || !self->class_proc_) return DefWindowProcW(wnd, msg, wp, lp);
    if (self->measuring_) {
        // The tip works out its size without being seen.
        if (msg == WM_PAINT) {
            ValidateRect(wnd, nullptr);
            return 0;
        }
        if (msg == WM_WINDOWPOSCHANGING) {
            auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
            pos->x = GetSystemMetrics(SM_CXSCREEN) + 1;
            pos->y = GetSystemMetrics(SM_CYSCREEN) + 1;
            pos->flags = (pos->flags & ~(SWP_NOMOVE | SWP_SHOWWINDOW)) | SWP_HIDEWINDOW;
            return 0;
        }
    }
    if (msg == WM_PAINT) {
        if (self->custom && !self->prepared_) self->draw_picture();
        const t_display_scale scale = display_scale_of(self->tool_owner_);
        if (self->size[0] >= 1 && self->size[1] >= 1)
            SetWindowPos(wnd, nullptr, 0, 0, scale.to_screen(self->size[0]),
                         scale.to_screen(self->size[1]),
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
        if (self->topmost)
            SetWindowPos(wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (self->custom) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(wnd, &ps);
            RECT client;
            GetClientRect(wnd, &client);
            if (self->picture_dc_)
                BitBlt(dc, 0, 0, client.right, client.bottom, self->picture_dc_.get(), 0, 0,
                       SRCCOPY);
            EndPaint(wnd, &ps);
            return 0;
        }
    }
    if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN) {
        ShowWindow(wnd, SW_HIDE);
        return 0;
    }
    return CallWindowProcW(self->class_proc_, wnd, msg, wp, lp);
}

}  // namespace vesk::object
