#include "control/menubar_object.h"

#include <windows.h>

#include <commctrl.h>

#include "host/authoring.h"
#include "host/host_services.h"
#include "menu/popup_menus.h"
#include "object/types/paint_support.h"
#include "registry/window_services.h"
#include "utf8.h"

namespace vesk::object {
namespace {

// The control-colour message of 16-bit days, still sent by some controls.
constexpr UINT old_ctlcolor = 0x0019;

constexpr DWORD toolbar_style = WS_CHILD | WS_VISIBLE | TBSTYLE_LIST | CCS_NODIVIDER | CCS_NORESIZE;

// The menubar whose menu is open, for the message hook of that menu.
struct t_open_menu {
    menubar_object* bar = nullptr;
    HWND toolbar = nullptr;
    HWND script_wnd = nullptr;
    size_t button = 0;
    HHOOK hook = nullptr;
};
t_open_menu g_open;

// The top-level entries of the Host's main menu that open submenus.
std::vector<std::string> top_level_groups(HMENU root) {
    std::vector<std::string> names;
    for (int i = 0, n = GetMenuItemCount(root); i < n; ++i) {
        wchar_t text[256] = L"";
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_STRING | MIIM_SUBMENU;
        mi.dwTypeData = text;
        mi.cch = 255;
        if (GetMenuItemInfoW(root, static_cast<UINT>(i), TRUE, &mi) && mi.hSubMenu)
            names.push_back(cor::to_utf8(text));
    }
    return names;
}

HMENU submenu_named(HMENU root, const std::string& name) {
    const std::vector<std::string> names = top_level_groups(root);
    for (int i = 0, n = GetMenuItemCount(root), g = 0; i < n; ++i) {
        HMENU sub = GetSubMenu(root, i);
        if (!sub) continue;
        if (names[static_cast<size_t>(g++)] == name) return sub;
    }
    return nullptr;
}

}  // namespace

menubar_object::~menubar_object() {
    if (g_open.bar == this) g_open.bar = nullptr;
    if (control_wnd) {
        SetWindowLongPtrW(control_wnd, GWLP_USERDATA, 0);
        if (class_proc_)
            SetWindowLongPtrW(control_wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(class_proc_));
        DestroyWindow(control_wnd);
    }
}

bool menubar_object::get_rect(RECT& r) {
    r = {x, y, x + width - 1, y + height - 1};
    return true;
}

bool menubar_object::get_property(property p, std::string& out) {
    std::string unused;
    return p != property::text && get_field_property({unused, x, y, &width, &height}, p, out);
}

void menubar_object::draw(HWND wnd, HDC dc, Gdiplus::Graphics*) {
    if (!control_wnd) create_window(wnd, dc);
}

void menubar_object::create_window(HWND parent_wnd, HDC dc) {
    window_paint_target* target = paint_target_of(parent_wnd);
    cor::mainmenu_manager* host = host::mainmenu();
    if (!target || !host) return;
    const t_mainmenu_popup popup = build_mainmenu_popup(*host);
    groups_ = top_level_groups(popup.root.get());
    // Each button's command comes to the window as a control identifier
    // of this menubar.
    command_ids.clear();
    for (size_t i = 0; i < groups_.size(); ++i)
        command_ids.push_back(static_cast<uint32_t>(target->next_control_id()));
    HWND bar = CreateToolbarEx(parent_wnd, toolbar_style, control_id, 0, nullptr, 0, nullptr, 0, 0,
                               0, 0, 0, sizeof(TBBUTTON));
    if (!bar) return;
    control_wnd = bar;
    if (font.valid && dc) {
        font_handle_.reset(paint::create_gdi_font(font, display_scale_of(parent_wnd).dpi));
        SendMessageW(bar, WM_SETFONT, reinterpret_cast<WPARAM>(font_handle_.get()), TRUE);
    }
    std::vector<TBBUTTON> buttons;
    for (size_t i = 0; i < groups_.size(); ++i) {
        std::wstring text = cor::to_wide(groups_[i]);
        text.push_back(L'\0');  // the platform reads a list ended by an empty string
        const LRESULT index =
            SendMessageW(bar, TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(text.c_str()));
        TBBUTTON b{};
        b.iBitmap = I_IMAGENONE;
        b.idCommand = static_cast<int>(command_ids[i]);
        b.fsState = TBSTATE_ENABLED;
        b.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
        b.iString = index;
        buttons.push_back(b);
    }
    if (!buttons.empty())
        SendMessageW(bar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SetWindowLongPtrW(bar, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    class_proc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&menubar_object::subclass)));
    if ((width < 1 || height < 1) && !buttons.empty()) {
        RECT first{}, last{};
        SendMessageW(bar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
        SendMessageW(bar, TB_GETITEMRECT, buttons.size() - 1, reinterpret_cast<LPARAM>(&last));
        // The buttons' extent with the toolbar's own margin on both sides.
        const t_display_scale scale = display_scale_of(parent_wnd);
        if (width < 1) width = scale.to_skin(static_cast<int>(last.right + first.left));
        if (height < 1) height = scale.to_skin(static_cast<int>(last.bottom + first.top));
    }
    const t_display_scale scale = display_scale_of(parent_wnd);
    SetWindowPos(bar, HWND_TOP, scale.to_screen(x), scale.to_screen(y), scale.to_screen(width),
                 scale.to_screen(height), visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
    SetWindowLongPtrW(bar, GWL_STYLE, GetWindowLongPtrW(bar, GWL_STYLE) | TBSTYLE_FLAT);
}

void menubar_object::erase_background(HDC dc) {
    HWND parent_wnd = GetParent(control_wnd);
    window_paint_target* target = paint_target_of(parent_wnd);
    RECT client;
    GetClientRect(control_wnd, &client);
    const int w = client.right, h = client.bottom;
    if (bg_mode == bg_colour || bg_mode == bg_alpha) {
        const COLORREF fill =
            background.valid ? grammar::gdi_colour(background) : target->background_colour();
        unique_hbrush brush(CreateSolidBrush(fill));
        FillRect(dc, &client, brush.get());
    }
    if (bg_mode == bg_colour) return;
    HDC source = target->back_buffer_dc();
    if (!source) return;
    POINT at{0, 0};
    MapWindowPoints(control_wnd, parent_wnd, &at, 1);
    if (bg_mode == bg_transparent) {
        BitBlt(dc, 0, 0, w, h, source, at.x, at.y, SRCCOPY);
    } else {
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, 0};
        GdiAlphaBlend(dc, 0, 0, w, h, source, at.x, at.y, w, h, blend);
    }
}

LRESULT CALLBACK menubar_object::subclass(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<menubar_object*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self || !self->class_proc_) return DefWindowProcW(wnd, msg, wp, lp);
    if (msg == WM_ERASEBKGND && paint_target_of(GetParent(wnd))) {
        self->erase_background(reinterpret_cast<HDC>(wp));
        return 0;
    }
    if (msg == old_ctlcolor) {
        SetTextColor(reinterpret_cast<HDC>(wp), RGB(255, 0, 0));
        return reinterpret_cast<LRESULT>(GetStockObject(HOLLOW_BRUSH));
    }
    return CallWindowProcW(self->class_proc_, wnd, msg, wp, lp);
}

LRESULT CALLBACK menubar_object::menu_hook(int code, WPARAM wp, LPARAM lp) {
    const auto* m = reinterpret_cast<const MSG*>(lp);
    if (code == MSGF_MENU && m && m->message == WM_MOUSEMOVE && g_open.bar && g_open.toolbar) {
        POINT pt;
        GetCursorPos(&pt);
        const auto& ids = g_open.bar->command_ids;
        for (size_t i = 0; i < ids.size(); ++i) {
            if (i == g_open.button) continue;
            RECT r{};
            SendMessageW(g_open.toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
            MapWindowPoints(g_open.toolbar, nullptr, reinterpret_cast<POINT*>(&r), 2);
            if (!PtInRect(&r, pt)) continue;
            PostMessageW(g_open.script_wnd, WM_CANCELMODE, 0, 0);
            PostMessageW(g_open.script_wnd, WM_COMMAND, MAKEWPARAM(ids[i], BN_CLICKED),
                         reinterpret_cast<LPARAM>(g_open.toolbar));
            g_open.bar = nullptr;
            break;
        }
    }
    return CallNextHookEx(g_open.hook, code, wp, lp);
}

void menubar_object::on_command(const cor::guid&, HWND wnd, uint32_t command, uint32_t) {
    for (size_t i = 0; i < command_ids.size(); ++i)
        if (command_ids[i] == command && i < groups_.size()) return open_menu(wnd, i);
}

void menubar_object::open_menu(HWND script_wnd, size_t button) {
    cor::mainmenu_manager* host = host::mainmenu();
    if (!host || !control_wnd || g_open.hook) return;
    const t_mainmenu_popup popup = build_mainmenu_popup(*host);
    HMENU menu = submenu_named(popup.root.get(), groups_[button]);
    if (!menu) return;
    RECT r{};
    SendMessageW(control_wnd, TB_GETITEMRECT, button, reinterpret_cast<LPARAM>(&r));
    POINT at{r.left, r.bottom};
    ClientToScreen(control_wnd, &at);
    g_open = {this, control_wnd, script_wnd, button, nullptr};
    g_open.hook =
        SetWindowsHookExW(WH_MSGFILTER, &menubar_object::menu_hook, nullptr, GetCurrentThreadId());
    const UINT chosen = track_popup_at(menu, TPM_LEFTALIGN | TPM_TOPALIGN, at, script_wnd);
    if (g_open.hook) UnhookWindowsHookEx(g_open.hook);
    g_open = {};
    // While the configuration pages are open they own the settings a
    // command could change.
    if (chosen != 0 && authoring::page_active()) {
        authoring::report_page_active(main_window_handle());
        return;
    }
    (void)run_mainmenu_choice(*host, popup, chosen);
}

}  // namespace vesk::object
