#include "window/script_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <optional>
#include <string>
#include <vector>

#include "host/console_capture.h"
#include "host/guarded_proc.h"
#include "host/host_services.h"
#include "host/identity.h"
#include "host/invalidation.h"
#include "host/settings.h"
#include "host/ui_state.h"
#include "registry/tray_state.h"
#include "registry/window_registry.h"
#include "script/general_scripts.h"
#include "script/script_run.h"
#include "script/stored_scripts.h"
#include "script/tf_hook.h"
#include "script/timers.h"
#include "utf8.h"
#include "window/object_routing.h"
#include "window/placement_math.h"
#include "window/tray_icon.h"
#include "window/tray_windows.h"
#include "window/window_features.h"

namespace vesk {

namespace {

WINDOWPLACEMENT default_placement() {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    wp.flags = 0xFFFF;
    wp.showCmd = SW_SHOW;
    return wp;
}

bool is_child(HWND wnd) { return (GetWindowLongW(wnd, GWL_STYLE) & WS_CHILD) != 0; }

// A remembered place that lies on no monitor any more (one unplugged, a
// resolution changed) comes back onto the nearest monitor's work area.
RECT onto_a_monitor(const RECT& r) {
    if (MonitorFromRect(&r, MONITOR_DEFAULTTONULL)) return r;
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (!GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &mi)) return r;
    const t_rect in =
        bring_inside({r.left, r.top, r.right, r.bottom},
                     {mi.rcWork.left, mi.rcWork.top, mi.rcWork.right, mi.rcWork.bottom});
    return {in.left, in.top, in.right, in.bottom};
}

// A place that a display scale makes reach past its monitor's work area
// moves up and left as far as it must to show whole, never past the work
// area's top left, and keeps its size: a skin that fitted at 96 DPI stays
// in reach at 200 %.
RECT within_work_area(const RECT& r) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (!GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &mi)) return r;
    const RECT& work = mi.rcWork;
    const LONG w = r.right - r.left, h = r.bottom - r.top;
    const LONG left = std::max(work.left, std::min(r.left, work.right - w));
    const LONG top = std::max(work.top, std::min(r.top, work.bottom - h));
    return {left, top, left + w, top + h};
}

void store_placement(HWND wnd, const cor::guid& id) {
    if (ui_state().settings_imported) return;
    const size_t def = definition_by_guid(id);
    if (def == no_window) return;
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(wnd, &wp)) return;
    while (cfg_window_winp_list.size() <= def) cfg_window_winp_list.add(default_placement());
    cfg_window_winp_list[def] = placement(scale_of_window(wnd), frame_of(wnd), wp, toward::skin);
}

}  // namespace

// The services other subsystems reach windows through.

HWND main_window_handle() {
    const size_t i = open_window_by_guid(main_window_guid);
    return i == no_window ? nullptr : reinterpret_cast<HWND>(open_windows()[i].hwnd);
}

cor::guid window_event_identity(const cor::guid& window_id, int event) {
    const size_t i = open_window_by_guid(window_id);
    if (i == no_window || event < 0 || event > 6) return cor::guid_null;
    const script_window* w =
        script_window::from_handle(reinterpret_cast<HWND>(open_windows()[i].hwnd));
    return w ? w->event_identity(event) : cor::guid_null;
}

window_paint_target* paint_target_of(HWND wnd) { return script_window::from_handle(wnd); }

t_display_scale display_scale_of(HWND wnd) {
    const script_window* w = script_window::from_handle(wnd);
    return w ? w->display_scale() : scale_of_window(wnd);
}

script_window::script_window(const cor::guid& id, const cor::guid& parent, bool recovery,
                             cor::ui_message_hook hook)
    : id_(id), parent_(parent), recovery_(recovery), hook_(hook) {}

script_window::~script_window() {
    // Windows are destroyed before their objects go; one still standing is
    // only cut loose.
    if (wnd_) {
        SetWindowLongPtrW(wnd_, GWLP_USERDATA, 0);
        DestroyWindow(std::exchange(wnd_, nullptr));
    }
}

bool script_window::is_main() const { return id_ == main_window_guid; }

const cor::guid& script_window::event_identity(int event) const {
    static const cor::guid none = cor::guid_null;
    return event >= 0 && event < 7 ? event_ids_[static_cast<size_t>(event)] : none;
}

bool script_window::register_class() {
    HMODULE host = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = &script_window::thunk;
    wc.hInstance = static_cast<HINSTANCE>(host::module_handle());
    wc.hIcon = LoadIconW(host, MAKEINTRESOURCEW(105));
    wc.hIconSm = LoadIconW(host, MAKEINTRESOURCEW(10));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = window_class_name;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void script_window::unregister_class() {
    UnregisterClassW(window_class_name, static_cast<HINSTANCE>(host::module_handle()));
}

script_window* script_window::from_handle(HWND wnd) {
    if (!wnd || !IsWindow(wnd)) return nullptr;
    wchar_t name[64];
    if (!GetClassNameW(wnd, name, 64) || std::wstring_view(name) != window_class_name)
        return nullptr;
    auto* w = reinterpret_cast<script_window*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    return w && w->wnd_ == wnd ? w : nullptr;
}

bool script_window::initialise(const RECT* rect, bool hidden, bool embedded) {
    if (is_main()) {
        host::console_print("Vesk User Interface: Initialize Main Window");
        run_general_script(slot_on_init);
    }
    for (auto& id : event_ids_) id = make_identity();
    if (is_main() && !register_class()) return false;

    // Placement: the stored one, a given rectangle, or a centred square.
    const size_t def = definition_by_guid(id_);
    while (def != no_window && cfg_window_winp_list.size() <= def)
        cfg_window_winp_list.add(default_placement());
    WINDOWPLACEMENT wp = def != no_window ? cfg_window_winp_list[def] : default_placement();
    RECT r{};
    const bool remembered = wp.flags != 0xFFFF;
    if (!remembered) {
        if (rect) {
            r = *rect;
        } else {
            const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
            r = {sw / 2 - 250, sh / 2 - 250, sw / 2 + 250, sh / 2 + 250};
        }
        wp.flags = 0;
        wp.showCmd = SW_SHOW;
        wp.ptMinPosition = wp.ptMaxPosition = {r.left, r.top};
        wp.rcNormalPosition = r;
    } else if (rect) {
        r = *rect;
        wp.ptMinPosition = wp.ptMaxPosition = {r.left, r.top};
        wp.rcNormalPosition = r;
    }
    const size_t parent_open = parent_ == cor::guid_null ? no_window : open_window_by_guid(parent_);
    HWND parent_wnd = parent_open == no_window
                          ? nullptr
                          : reinterpret_cast<HWND>(open_windows()[parent_open].hwnd);
    const bool child = embedded && parent_wnd;
    // Until the window exists, the system's DPI (or its parent's) stands for
    // its monitor's; the window's own is taken when it is made.
    scale_ = scale_of_window(child ? parent_wnd : nullptr);
    const DWORD style = child ? (WS_CHILD | WS_BORDER) : (WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN);
    const DWORD ex_style = WS_EX_APPWINDOW | WS_EX_ACCEPTFILES;
    const t_frame frame =
        frame_for(style, ex_style, false, platform_dpi_of(child ? parent_wnd : nullptr));
    // Where a remembered place lands on the screen, to the pixel (through
    // skin pixels and back it could round one past the work area).
    std::optional<RECT> landed;
    if (remembered && !rect && !child) {
        // A script's own rectangle is taken as given; only a remembered one moves.
        WINDOWPLACEMENT on_screen = placement(scale_, frame, wp, toward::screen);
        on_screen.rcNormalPosition = onto_a_monitor(on_screen.rcNormalPosition);
        if (scale_.scaled()) {
            on_screen.rcNormalPosition = within_work_area(on_screen.rcNormalPosition);
            landed = on_screen.rcNormalPosition;
        }
        wp.rcNormalPosition = outer_rect(scale_, frame, on_screen.rcNormalPosition, toward::skin);
        r = wp.rcNormalPosition;
    }
    wp.length = sizeof wp;
    if (def != no_window) cfg_window_winp_list[def] = wp;
    const std::wstring title = cor::to_wide(def != no_window && def < cfg_window_display_list.size()
                                                ? cfg_window_display_list[def]
                                                : "");
    const RECT sr = landed ? *landed : outer_rect(scale_, frame, r, toward::screen);
    HWND created = CreateWindowExW(ex_style, window_class_name, title.c_str(), style, sr.left,
                                   sr.top, sr.right - sr.left, sr.bottom - sr.top, parent_wnd,
                                   nullptr, static_cast<HINSTANCE>(host::module_handle()), this);
    if (!created) return false;

    const size_t info = open_window_by_handle(reinterpret_cast<HWND__*>(created));
    if (info == no_window)
        host::console_print("init_window: CreateWindowEx INFINITE!!!");
    else
        open_windows()[info].visible = !hidden;

    if (!hidden) {
        if (cancel_flags & 1) {
            ShowWindow(created, SW_SHOW);
        } else {
            WINDOWPLACEMENT on_screen = placement(scale_, frame_of(created), wp, toward::screen);
            if (landed) on_screen.rcNormalPosition = *landed;
            SetWindowPlacement(created, &on_screen);
            if (wp.showCmd == SW_HIDE) ShowWindow(created, SW_SHOW);
        }
    }
    if (is_main() && !(cancel_flags & 2)) recover_windows();
    run_event(ev_open);
    if (!hidden && IsWindow(created)) {
        send_pending_invalidations();
        UpdateWindow(created);
    }
    return true;
}

void script_window::recover_windows() {
    const auto ids = cfg_window_recovery_list.get();
    const auto parents = cfg_window_recovery_parent_list.get();
    for (size_t i = 0; i < ids.size(); ++i) {
        if (ids[i] == main_window_guid || open_window_by_guid(ids[i]) != no_window ||
            definition_by_guid(ids[i]) == no_window)
            continue;
        (void)open_definition(ids[i], i < parents.size() ? parents[i] : cor::guid_null, true, false,
                              false, nullptr);
    }
}

bool script_window::open_definition(const cor::guid& definition, const cor::guid& parent,
                                    bool recovery, bool hidden, bool embedded, const RECT* rect) {
    const size_t open = open_window_by_guid(definition);
    if (open != no_window) {
        if (!hidden) {
            t_window_info& info = open_windows()[open];
            info.visible = true;
            ShowWindow(reinterpret_cast<HWND>(info.hwnd), SW_HIDE);
            ShowWindow(reinterpret_cast<HWND>(info.hwnd), SW_SHOW);
        }
        return true;
    }
    auto* window = new script_window(definition, parent, recovery);
    if (!window->initialise(rect, hidden, embedded)) {
        delete window;
        return false;
    }
    return true;
}

void script_window::start_over() {
    features_window_ending(wnd_, false);
    std::vector<HWND> embedded;
    for (const auto& info : open_windows()) {
        HWND w = reinterpret_cast<HWND>(info.hwnd);
        if (w != wnd_ && is_child(w) && GetParent(w) == wnd_) embedded.push_back(w);
    }
    for (HWND w : embedded)
        if (IsWindow(w)) DestroyWindow(w);
    object_routing::clear_window(id_);
    run_event(ev_load);
    redraw(true);
    run_event(ev_open);
    InvalidateRect(wnd_, nullptr, TRUE);
}

void script_window::refresh_in_place(HWND wnd) {
    script_window* self = from_handle(wnd);
    if (!self) return;
    if (self->is_main()) {
        self->start_over();
        return;
    }
    script_window* main = from_handle(main_window_handle());
    if (!main) return;
    const size_t open = open_window_by_handle(reinterpret_cast<HWND__*>(wnd));
    const bool visible = open != no_window && open_windows()[open].visible;
    const bool embedded = is_child(wnd);
    const cor::guid id = self->id_, parent = self->parent_;
    DestroyWindow(wnd);
    (void)main->open_definition(id, parent, false, !visible, embedded, nullptr);
}

void script_window::run_event(int event, field_list* variables) {
    if (event < 1 || event > 6) return;
    const size_t def = definition_by_guid(id_);
    if (def == no_window) return;
    const std::string& text = prepared_window_script(def, static_cast<size_t>(event));
    if (text.empty() || safe_mode()) return;
    t_script_context context;
    context.wnd = reinterpret_cast<HWND__*>(wnd_);
    context.window_id = id_;
    context.script_id = event_ids_[static_cast<size_t>(event)];
    bool stop = false;
    vesk_tf_hook hook(context, variables, &stop);
    (void)run_script(text, hook);
    report_undefined_window_macros(def, static_cast<size_t>(event));
}

void script_window::repaint_background() {
    if (!buffer_.ensure()) return;
    paint_background(buffer_.dc(), RECT{0, 0, buffer_.width(), buffer_.height()});
}

bool script_window::background_opaque() const {
    return (background.mode == 0 || background.mode == 2) && background.fill;
}

void script_window::paint_background(HDC dc, const RECT& area) {
    if (!dc) return;
    if (background_opaque()) {
        const COLORREF previous = SetDCBrushColor(dc, background.color);
        FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
        SetDCBrushColor(dc, previous);
    }
    if (background.mode == 1 || background.mode == 2)
        paint_parent_area(dc, area, background.mode == 2);
}

// Brings the parent's drawing under this child window into `dc`, so an
// embedded window looks transparent over its parent.
void script_window::paint_parent_area(HDC dc, const RECT& area, bool blend) {
    if (!wnd_ || !is_child(wnd_)) return;
    script_window* parent = from_handle(GetParent(wnd_));
    if (!parent || !parent->buffer_.dc()) return;
    // A parent still loading may not have painted what it holds yet.
    if (parent->loading_) parent->paint_all();
    RECT wr;
    GetWindowRect(wnd_, &wr);
    POINT origin{wr.left, wr.top};
    ScreenToClient(parent->wnd_, &origin);
    POINT client{0, 0};
    ClientToScreen(wnd_, &client);
    origin.x += client.x - wr.left;
    origin.y += client.y - wr.top;
    RECT cr;
    GetClientRect(wnd_, &cr);
    RECT r;
    if (!IntersectRect(&r, &area, &cr)) return;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (blend) {
        BLENDFUNCTION bf{AC_SRC_OVER, 0, background.alpha, 0};
        // gdi32's own blend, which AlphaBlend forwards to: no library to
        // load at start for it.
        GdiAlphaBlend(dc, r.left, r.top, w, h, parent->buffer_.dc(), origin.x + r.left,
                      origin.y + r.top, w, h, bf);
    } else {
        BitBlt(dc, r.left, r.top, w, h, parent->buffer_.dc(), origin.x + r.left, origin.y + r.top,
               SRCCOPY);
    }
}

void script_window::redraw(bool full) {
    if (full && loading_) return;
    if (full) repaint_background();
    draw_objects();
}

void script_window::paint_all() {
    repaint_background();
    draw_objects();
}

void script_window::draw_objects() {
    if (!buffer_.dc()) return;
    const skin_drawing_scope skin(buffer_.dc(), buffer_.graphics(), scale_);
    object_routing::draw(id_, wnd_, buffer_.dc(), buffer_.graphics());
}

// Comboboxes ask for the brush of what the platform paints itself: the
// margin around the selection field and the opened list below its items.
// Windows asks with the list-box message for a drop-down list, Wine with the
// edit one. Both take the window's background so the field sits in the skin.
HBRUSH script_window::combobox_brush(HWND control) {
    wchar_t name[16] = {};
    if (!control || !GetClassNameW(control, name, 16) ||
        (lstrcmpiW(name, L"ComboBox") != 0 && lstrcmpiW(name, L"ComboLBox") != 0))
        return nullptr;
    if (!combobox_brush_ || combobox_brush_colour_ != background.color) {
        combobox_brush_.reset(CreateSolidBrush(background.color));
        combobox_brush_colour_ = background.color;
    }
    return combobox_brush_.get();
}

int script_window::next_control_id() {
    for (int tries = 0; tries < 30000; ++tries) {
        const int id = next_control_;
        if (!object_routing::has_command(id_, id)) return id;
        next_control_ = next_control_ >= 30000 ? 100 : next_control_ + 1;
    }
    return next_control_;
}

LRESULT CALLBACK script_window::thunk(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CREATE) {
        auto* self =
            static_cast<script_window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->wnd_ = wnd;
    }
    auto* self = reinterpret_cast<script_window*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self || self->wnd_ != wnd) return DefWindowProcW(wnd, msg, wp, lp);
    const LRESULT result = guarded_proc(wnd, msg, wp, lp, [&] { return self->proc(msg, wp, lp); });
    if (msg == WM_DESTROY) {
        SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
        if (!self->is_main()) delete self;
    }
    return result;
}

LRESULT script_window::proc(UINT msg, WPARAM wp, LPARAM lp) {
    HWND wnd = wnd_;
    if (hook_) {
        intptr_t hook_result = 0;
        if (hook_(wnd, msg, wp, lp, &hook_result)) return hook_result;
    }
    if (LRESULT taken = 0; features_take_message(wnd, is_main(), msg, wp, lp, taken)) return taken;
    switch (msg) {
        case WM_CREATE:
            on_create();
            return 0;
        case WM_DESTROY:
            on_destroy();
            return DefWindowProcW(wnd, msg, wp, lp);
        case WM_MOVE:
            if (suppress_events) break;
            run_event(ev_move);
            if (is_main() && wnd_ && IsIconic(wnd_) && tray_hides_on_minimize() &&
                !tray_state().windows_stored)
                hide_all_windows(true);
            break;
        case WM_SIZE:
            if (!suppress_events) run_event(ev_resize);
            break;
        case WM_ACTIVATE:
            if (!suppress_events) on_activate(wp, lp);
            break;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(wnd, &ps);
            EndPaint(wnd, &ps);
            return 0;
        }
        case WM_CLOSE:
            if (is_main() && !ui_state().shutting_down) {
                run_event(ev_close);
                if (auto* menu = host::mainmenu())
                    (void)menu->execute_command(cor::mainmenu_manager::command_exit);
                return 0;
            }
            break;
        case WM_ERASEBKGND: {
            RECT cr;
            GetClientRect(wnd, &cr);
            if (buffer_.dc())
                BitBlt(reinterpret_cast<HDC>(wp), 0, 0, cr.right, cr.bottom, buffer_.dc(), 0, 0,
                       SRCCOPY);
            return 0;
        }
        case WM_GETMINMAXINFO: {
            auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
            if (!limits.captured) {
                limits.proposed = limits.in_force = *mmi;
                limits.captured = true;
            }
            *mmi = limits.in_force;
            return 0;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            if (HBRUSH brush = combobox_brush(reinterpret_cast<HWND>(lp)))
                return reinterpret_cast<LRESULT>(brush);
            break;
        case WM_DRAWITEM:
            object_routing::draw_item(id_, wp, reinterpret_cast<DRAWITEMSTRUCT*>(lp));
            return 0;
        case WM_MEASUREITEM:
            object_routing::measure_item(id_, wp, reinterpret_cast<MEASUREITEMSTRUCT*>(lp));
            return 0;
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (object_routing::notify(id_, wnd, wp, lp, result)) return result;
            break;
        }
        case WM_CONTEXTMENU:
            if (object_routing::mouse(id_, wnd, msg, wp, lp)) return 0;
            // The menu may refresh or close this window: nothing of it is
            // touched afterwards.
            {
                POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
                if (lp == -1) GetCursorPos(&at);  // from the keyboard
                features_context_menu(wnd, at);
            }
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:  // Alt+key shortcuts; what none takes keeps Alt+F4 and the rest
            if (auto* keys = host::shortcuts(); keys && keys->process_keydown(msg, wp, lp))
                return 0;
            break;
        case WM_COMMAND:
            object_routing::command(id_, wnd, wp);
            break;
        case WM_TIMER:
            if (wp >= timer_registry::first_id && wp <= timer_registry::last_id && is_main())
                on_script_timer(static_cast<uint32_t>(wp));
            else if (wp == fade_timer_id)
                fade_tick(wnd, fade);
            break;
        case WM_MOUSEMOVE:
            return on_mouse_move(wp, lp);
        case WM_LBUTTONDOWN:
            return on_lbutton_down(wp, lp);
        case WM_LBUTTONUP:
            if (object_routing::mouse(id_, wnd, msg, wp, skin_point(lp))) return 0;
            if (resizing_ != border_zone::none) {
                ReleaseCapture();
                resizing_ = border_zone::none;
            }
            break;
        case WM_DISPLAYCHANGE:
            back_buffer::screen_changed();
            break;
        case WM_DPICHANGED:
            on_dpi_changed(*reinterpret_cast<const RECT*>(lp));
            return 0;
        case WM_DROPFILES:
            on_drop_files(reinterpret_cast<HDROP>(wp));
            return 0;
        case tray_callback_message:
            if (is_main()) on_tray_callback(wnd, lp);
            return 0;
        default:
            if (tray && msg == tray_icon::taskbar_created_message()) tray->on_taskbar_created();
            if (msg >= WM_LBUTTONDBLCLK && msg <= WM_XBUTTONDBLCLK) {
                LPARAM point = lp;
                if (msg == WM_MOUSEWHEEL) {
                    POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
                    ScreenToClient(wnd, &p);
                    point = MAKELPARAM(p.x, p.y);
                }
                if (object_routing::mouse(id_, wnd, msg, wp, skin_point(point))) return 0;
            }
            break;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

void script_window::on_create() {
    scale_ = scale_of_window(wnd_);
    t_window_info info;
    info.hwnd = reinterpret_cast<HWND__*>(wnd_);
    info.id = id_;
    info.parent = parent_;
    open_windows().push_back(info);
    INITCOMMONCONTROLSEX icc{sizeof icc, 0xFF};
    InitCommonControlsEx(&icc);
    buffer_.ensure();
    if (is_main()) {
        ui_state().ui_active = true;
        tray = std::make_unique<tray_icon>(wnd_);
        if (tray_mode() == 2) tray->show();
        features_main_created(wnd_);
    }
    {
        struct loading_scope {
            bool& flag;
            explicit loading_scope(bool& f) : flag(f) { flag = true; }
            ~loading_scope() { flag = false; }
        } loading(loading_);
        run_event(ev_load);
    }
    redraw(true);
}

LPARAM script_window::skin_point(LPARAM lp) const {
    if (!scale_.scaled()) return lp;
    const POINT p = scale_.to_skin(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    return MAKELPARAM(p.x, p.y);
}

// Moved onto a monitor of another scale: the platform suggests the place
// that keeps the window's size in skin pixels; the skin is drawn again at
// the new scale. The stored placement stays in skin pixels.
void script_window::on_dpi_changed(const RECT& suggested) {
    scale_ = scale_of_window(wnd_);
    SetWindowPos(wnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    object_routing::follow_scale(id_);
    redraw(true);
    InvalidateRect(wnd_, nullptr, TRUE);
}

void script_window::on_activate(WPARAM wp, LPARAM lp) {
    field_list vars;
    vars.push_back({"_activate", std::to_string(static_cast<int>(wp)), true, false});
    const size_t other = open_window_by_handle(reinterpret_cast<HWND__*>(lp));
    if (other != no_window)
        vars.push_back({"_activateid", definition_name(open_windows()[other].id), true, false});
    else
        vars.push_back({"_activateid", "", false, false});
    run_event(ev_activate, &vars);
}

void script_window::on_destroy() {
    if (!is_main()) run_event(ev_close);
    if (fade.running()) KillTimer(wnd_, fade_timer_id);
    fade = {};
    drop_pending_invalidations(wnd_);
    buffer_.release();
    combobox_brush_.reset();
    if (resizing_ != border_zone::none) {
        ReleaseCapture();
        resizing_ = border_zone::none;
    }
    features_window_ending(wnd_, ui_state().shutting_down);
    if (is_main()) {
        if (HWND palette = palette_window(); palette && IsWindow(palette)) DestroyWindow(palette);
        // Close the other windows first, so their records go before the main window's.
        const size_t count = open_windows().size();
        for (size_t n = 0; n < count; ++n) {
            for (const auto& info : open_windows()) {
                if (info.id == main_window_guid) continue;
                HWND other = reinterpret_cast<HWND>(info.hwnd);
                if (IsWindow(other)) SendMessageW(other, WM_CLOSE, 0, 0);
                break;
            }
        }
    }
    store_placement(wnd_, id_);
    const size_t info = open_window_by_handle(reinterpret_cast<HWND__*>(wnd_));
    if (info != no_window)
        open_windows().erase(open_windows().begin() + static_cast<std::ptrdiff_t>(info));
    object_routing::clear_window(id_);
    const bool main = is_main();
    if (main) {
        tray.reset();
        features_main_destroyed();
    }
    wnd_ = nullptr;
    if (main) PostQuitMessage(0);
}

}  // namespace vesk
