// The easy-embed tool: a half-transparent window the user moves and sizes
// over a script window to say where a window or panel goes; a double click
// places it there and appends the line that does the same to the target's
// load script, a right click cancels.
#include <windowsx.h>

#include <map>

#include "host/guarded_proc.h"
#include "host/host_services.h"
#include "host/settings.h"
#include "panel/panel_definitions.h"
#include "panel/panel_host.h"
#include "registry/window_registry.h"
#include "registry/window_services.h"
#include "script/stored_scripts.h"
#include "utf8.h"
#include "window/border.h"
#include "window/script_window.h"

namespace vesk {
namespace {

constexpr wchar_t tool_class[] = L"cor_ui_vesk_embed";
// The tool whose window creation began: from then on its window owns it.
const void* g_entered = nullptr;

std::string printf_text(const char* fmt, auto... args) {
    char buf[1024];
    const int n = std::snprintf(buf, sizeof buf, fmt, args...);
    return n < 0 ? std::string() : std::string(buf, static_cast<size_t>(std::min(n, 1023)));
}

class embed_tool {
public:
    embed_tool(HWND target, int kind, std::string id)
        : target_(target), kind_(kind), id_(std::move(id)) {}

    static std::map<HWND, embed_tool*>& by_target() {
        static std::map<HWND, embed_tool*> tools;
        return tools;
    }

    bool create(POINT at) {
        if (!register_class()) return false;
        HWND wnd = CreateWindowExW(0, tool_class, L"", WS_VISIBLE, at.x, at.y, 360, 360, target_,
                                   nullptr, static_cast<HINSTANCE>(host::module_handle()), this);
        return wnd != nullptr;
    }

    HWND hwnd() const { return wnd_; }

private:
    static bool register_class() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = 0x000B;
        wc.lpfnWndProc = &embed_tool::thunk;
        wc.hInstance = static_cast<HINSTANCE>(host::module_handle());
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = tool_class;
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }

    static LRESULT CALLBACK thunk(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE) {
            auto* self =
                static_cast<embed_tool*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
            self->wnd_ = wnd;
            g_entered = self;
            SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            by_target()[self->target_] = self;
        }
        auto* self = reinterpret_cast<embed_tool*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
        if (!self) return DefWindowProcW(wnd, msg, wp, lp);
        const LRESULT result =
            guarded_proc(wnd, msg, wp, lp, [&] { return self->proc(msg, wp, lp); });
        if (msg == WM_NCDESTROY) {
            SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
            auto& tools = by_target();
            if (auto it = tools.find(self->target_); it != tools.end() && it->second == self)
                tools.erase(it);
            delete self;
        }
        return result;
    }

    LRESULT proc(UINT msg, WPARAM wp, LPARAM lp) {
        switch (msg) {
            case WM_CREATE:
                SetWindowLongW(wnd_, GWL_STYLE, 0x10800000);
                SetWindowLongW(wnd_, GWL_EXSTYLE, WS_EX_LAYERED);
                SetLayeredWindowAttributes(wnd_, 0, 128, LWA_ALPHA);
                SetWindowPos(wnd_, nullptr, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
                ShowWindow(wnd_, SW_SHOW);
                return 0;
            case WM_MOVE:
            case WM_SIZE:
                InvalidateRect(wnd_, nullptr, TRUE);
                break;
            case WM_PAINT:
                paint();
                return 0;
            case WM_MOUSEMOVE:
                on_mouse_move(wp, lp);
                return 0;
            case WM_LBUTTONDOWN:
                on_lbutton_down(lp);
                return 0;
            case WM_LBUTTONUP:
                if (resizing_ != border_zone::none) {
                    ReleaseCapture();
                    resizing_ = border_zone::none;
                }
                return 0;
            case WM_RBUTTONUP:
                DestroyWindow(wnd_);
                return 0;
            case WM_LBUTTONDBLCLK:
                accept();
                DestroyWindow(wnd_);
                return 0;
            case WM_KEYDOWN:
                if (auto* keys = host::shortcuts()) (void)keys->process_keydown(msg, wp, lp);
                return 0;
            default:
                break;
        }
        return DefWindowProcW(wnd_, msg, wp, lp);
    }

    // The tool's place in the target's client area: x, y, width, height,
    // on the screen and in the skin pixels the script line is written in.
    struct t_place {
        int x, y, w, h;
    };
    t_place screen_place() const {
        RECT wr;
        GetWindowRect(wnd_, &wr);
        POINT origin{wr.left, wr.top};
        ScreenToClient(target_, &origin);
        return {static_cast<int>(origin.x), static_cast<int>(origin.y),
                static_cast<int>(wr.right - wr.left), static_cast<int>(wr.bottom - wr.top)};
    }
    t_place skin_place() const {
        const t_place p = screen_place();
        const t_display_scale s = display_scale_of(target_);
        return {s.to_skin(p.x), s.to_skin(p.y), s.to_skin(p.w), s.to_skin(p.h)};
    }

    void paint() {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd_, &ps);
        const t_place at = skin_place();
        const std::string lines[] = {
            "ID: " + id_,
            printf_text("Position: x=%d, y=%d", at.x, at.y),
            printf_text("Size: %d x %d", at.w, at.h),
            "Left Dbl click = Accept",
            "Right click = Cancel",
            "Note: It is added at the end of the load script.",
        };
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        int y = 4;
        for (const auto& line : lines) {
            const std::wstring w = cor::to_wide(line);
            TextOutW(dc, 4, y, w.c_str(), static_cast<int>(w.size()));
            y += tm.tmHeight + 2;
        }
        SelectObject(dc, old);
        EndPaint(wnd_, &ps);
    }

    void on_mouse_move(WPARAM wp, LPARAM lp) {
        RECT cr;
        GetClientRect(wnd_, &cr);
        if (resizing_ == border_zone::none) {
            const border_zone zone =
                hit_zone(border_, cr.right, cr.bottom, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            LPCWSTR cursor = IDC_ARROW;
            if (zone == border_zone::left || zone == border_zone::right) cursor = IDC_SIZEWE;
            if (zone == border_zone::top || zone == border_zone::bottom) cursor = IDC_SIZENS;
            if (zone == border_zone::top_left || zone == border_zone::bottom_right)
                cursor = IDC_SIZENWSE;
            if (zone == border_zone::top_right || zone == border_zone::bottom_left)
                cursor = IDC_SIZENESW;
            SetCursor(LoadCursorW(nullptr, cursor));
            return;
        }
        if (!(wp & MK_LBUTTON)) return;
        POINT p;
        GetCursorPos(&p);
        RECT wr;
        GetWindowRect(wnd_, &wr);
        const t_rect r =
            resize_rect(border_, resizing_, {wr.left, wr.top, wr.right, wr.bottom}, p.x, p.y);
        MoveWindow(wnd_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }

    void on_lbutton_down(LPARAM lp) {
        RECT cr;
        GetClientRect(wnd_, &cr);
        const border_zone zone =
            hit_zone(border_, cr.right, cr.bottom, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        if (zone != border_zone::none) {
            resizing_ = zone;
            SetCapture(wnd_);
        } else if (!IsIconic(wnd_) && !IsZoomed(wnd_)) {
            PostMessageW(wnd_, WM_SYSCOMMAND, 0xF012, 0);
        }
    }

    void accept() {
        script_window* target = script_window::from_handle(target_);
        if (!target) return;
        const size_t target_def = definition_by_guid(target->id());
        if (target_def == no_window || target_def >= cfg_window_tf_load_list.size()) return;
        const auto [x, y, w, h] = screen_place();
        const t_place skin = skin_place();
        std::string line;
        if (kind_ == 0) {
            const size_t def = definition_by_id(id_);
            script_window* main = script_window::from_handle(main_window_handle());
            if (def == no_window || !main) return;
            const RECT rect{skin.x, skin.y, skin.x + skin.w, skin.y + skin.h};
            (void)main->open_definition(cfg_window_guid_list[def], target->id(), false, false, true,
                                        &rect);
            line = printf_text("\r\n$window('%s',%d,%d,%d,%d,parent:%%_id%%,embed:true)",
                               id_.c_str(), skin.x, skin.y, skin.w, skin.h);
        } else {
            t_ext_param* p = usable_panel(panel_by_id(id_), false);
            if (!p) return;
            auto* made = static_cast<HWND>(
                p->instance->create_or_transfer_window(target_, window_host(), x, y, w, h));
            if (!made) return;
            p->wnd = made;
            p->visible = true;
            SetWindowPos(made, nullptr, x, y, w, h, SWP_SHOWWINDOW | SWP_FRAMECHANGED);
            line = printf_text("\r\n$panel(%%_id%%,'%s',%d,%d,%d,%d)", id_.c_str(), skin.x, skin.y,
                               skin.w, skin.h);
        }
        cfg_window_tf_load_list[target_def] += line;
        prepare_all();
    }

    HWND wnd_ = nullptr;
    HWND target_;
    int kind_;
    std::string id_;
    t_border border_{4, 10, 1};
    border_zone resizing_ = border_zone::none;
};

}  // namespace

HWND start_embed_tool(HWND target, int kind, std::string_view id, POINT at) {
    if (!script_window::from_handle(target)) return nullptr;
    if (HWND old = embed_tool_of(target)) {
        if (IsWindowVisible(old)) return nullptr;
        DestroyWindow(old);
    }
    auto* tool = new embed_tool(target, kind == 0 ? 0 : 1, std::string(id));
    g_entered = nullptr;
    if (!tool->create(at)) {
        if (g_entered != tool) delete tool;
        return nullptr;
    }
    return tool->hwnd();
}

HWND embed_tool_of(HWND target) {
    const auto& tools = embed_tool::by_target();
    const auto it = tools.find(target);
    return it == tools.end() ? nullptr : it->second->hwnd();
}

void destroy_embed_tool(HWND target) {
    if (HWND tool = embed_tool_of(target)) DestroyWindow(tool);
}

void unregister_embed_tool() {
    UnregisterClassW(tool_class, static_cast<HINSTANCE>(host::module_handle()));
}

}  // namespace vesk
