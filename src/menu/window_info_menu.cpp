#include "menu/window_info_menu.h"

#include <cstdio>
#include <cstring>

#include "host/authoring.h"
#include "host/display_scale.h"
#include "host/settings.h"
#include "object/object_manager.h"
#include "panel/panel_definitions.h"
#include "panel/panel_host.h"
#include "registry/window_registry.h"
#include "utf8.h"
#include "window/script_window.h"

namespace vesk {
namespace {

struct t_sink final : cor::string_sink {
    std::string text;
    void write(const char* p, size_t n) override { text.append(p, n); }
};

template <class... Args>
std::string printf_text(const char* fmt, Args... args) {
    char buf[1024];
    const int n = std::snprintf(buf, sizeof buf, fmt, args...);
    return n < 0 ? std::string() : std::string(buf, static_cast<size_t>(std::min(n, 1023)));
}

void append(HMENU menu, UINT flags, UINT_PTR command, const std::string& text) {
    AppendMenuW(menu, MF_STRING | flags, command, cor::to_wide(text).c_str());
}

void append_popup(HMENU menu, menu_handle sub, const wchar_t* text) {
    // The parent destroys its submenus.
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub.release()), text);
}

bool is_child(HWND wnd) { return (GetWindowLongW(wnd, GWL_STYLE) & WS_CHILD) != 0; }

// A rectangle of `inner` in `outer`'s client coordinates.
RECT client_rect_of(HWND outer, HWND inner) {
    RECT r;
    GetWindowRect(inner, &r);
    MapWindowPoints(nullptr, outer, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The open script windows embedded in `wnd`, in list order.
std::vector<HWND> embedded_windows(HWND wnd) {
    std::vector<HWND> out;
    for (const auto& info : open_windows()) {
        HWND w = reinterpret_cast<HWND>(info.hwnd);
        if (w && IsWindow(w) && is_child(w) && GetParent(w) == wnd) out.push_back(w);
    }
    return out;
}

// Panel definitions whose window lies in `wnd`.
std::vector<size_t> embedded_panels(HWND wnd) {
    std::vector<size_t> out;
    for (size_t i = 0; i < cfg_panel_ext_list.size(); ++i) {
        const t_ext_param& p = cfg_panel_ext_list[i];
        if (p.wnd && IsWindow(p.wnd) && GetParent(p.wnd) == wnd) out.push_back(i);
    }
    return out;
}

void copy_to_clipboard(HWND owner, const std::string& text) {
    const std::wstring wide = cor::to_wide(text);
    if (!OpenClipboard(owner)) return;
    EmptyClipboard();
    const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* p = GlobalLock(mem)) {
            std::memcpy(p, wide.c_str(), bytes);
            GlobalUnlock(mem);
            if (!SetClipboardData(CF_UNICODETEXT, mem)) GlobalFree(mem);
        } else {
            GlobalFree(mem);
        }
    }
    CloseClipboard();
}

constexpr struct {
    uint32_t type;
    const char* format;
} object_rows[] = {
    {object::type_button, "$button(%d)"},
    {object::type_combobox, "$combobox(%d)"},
    {object::type_tooltip, "$tooltip(%d)"},
    {object::type_menubar, "$menubar(%d)"},
    {object::type_count, nullptr},
    {object::type_text, "$text(%d)"},
    {object::type_drawtext, "$drawtext(%d)"},
    {object::type_gp_text, "$gp_text(%d)"},
    {object::type_gp_image, "$gp_image(%d)"},
    {object::type_gp_line, "$gp_line(%d)"},
    {object::type_gp_rect, "$gp_rect(%d)"},
    {object::type_gp_roundrect, "$gp_roundrect(%d)"},
    {object::type_gp_circle, "$gp_circle(%d)"},
    {object::type_gp_pie, "$gp_pie(%d)"},
    {object::type_gp_polygon, "$gp_polygon(%d)"},
    {object::type_gp_arc, "$gp_arc(%d)"},
    {object::type_count, nullptr},
    {object::type_map, "$map(%d)"},
};

}  // namespace

window_info_menu::window_info_menu(HWND wnd, POINT at)
    : wnd_(wnd), at_(at), client_point_(at), menu_(CreatePopupMenu()) {
    const script_window* self = script_window::from_handle(wnd);
    if (!menu_ || !self) return;
    id_ = self->id();
    GetWindowRect(wnd, &window_);
    GetClientRect(wnd, &client_);
    ScreenToClient(wnd, &client_point_);
    // Shown and copied in skin pixels, the numbers scripts give and read.
    const t_display_scale scale = self->display_scale();
    window_ = outer_rect(scale, frame_of(wnd), window_, toward::skin);
    client_ = scale.to_skin(client_);
    client_point_ = scale.to_skin(client_point_);

    menu_handle script(CreatePopupMenu());
    const wchar_t* events[] = {L"Load", L"Open", L"Close", L"Resize", L"Move", L"Activate"};
    for (UINT i = 0; i < 6; ++i)
        AppendMenuW(script.get(), MF_STRING, info_script_load + i, events[i]);
    append_popup(menu(), std::move(script), L"Script");
    add_information(menu());
    add_embed(menu());
    AppendMenuW(menu(), MF_STRING, info_refresh, L"Refresh");
    AppendMenuW(menu(), MF_STRING, info_close, L"Close");
    add_panel_items();
}

void window_info_menu::add_information(HMENU parent) {
    menu_handle info(CreatePopupMenu());
    HMENU m = info.get();
    const int width = window_.right - window_.left, height = window_.bottom - window_.top;
    append(m, 0, info_window_id, printf_text("Window ID :\t%s", definition_name(id_).c_str()));
    append(m, 0, info_position,
           printf_text("Window Position :\tx=%d, y=%d", int(window_.left), int(window_.top)));
    append(m, 0, info_size, printf_text("Window Size :\t%d x %d", width, height));
    append(m, 0, info_client_size,
           printf_text("Client Size :\t%d x %d", int(client_.right), int(client_.bottom)));
    append(m, 0, info_mouse,
           printf_text("Client Mouse Position :\tx=%d, y=%d", int(client_point_.x),
                       int(client_point_.y)));
    append(m, 0, info_embedded,
           printf_text("Embedded:\twindows(%d), panels(%d)", int(embedded_windows(wnd_).size()),
                       int(embedded_panels(wnd_).size())));

    menu_handle objects(CreatePopupMenu());
    const object_manager& manager = object_manager::instance();
    for (const auto& row : object_rows) {
        if (!row.format)
            AppendMenuW(objects.get(), MF_SEPARATOR, 0, nullptr);
        else
            append(objects.get(), 0, info_objects,
                   printf_text(row.format, int(manager.count(id_, row.type))));
    }
    append(objects.get(), 0, info_objects,
           printf_text("$group(%d) *global*", int(manager.list(object::type_group).size())));
    append_popup(m, std::move(objects), L"Objects");
    append_popup(parent, std::move(info), L"Information");
}

void window_info_menu::add_embed(HMENU parent) {
    menu_handle embed(CreatePopupMenu()), windows(CreatePopupMenu()), panels(CreatePopupMenu());
    UINT command = info_first_embed;
    for (size_t i = 0; i < cfg_window_id_list.size(); ++i) {
        const bool open = i < cfg_window_guid_list.size() &&
                          open_window_by_guid(cfg_window_guid_list[i]) != no_window;
        append(windows.get(), open ? MF_GRAYED : 0, command++, cfg_window_id_list[i]);
        embed_windows_.push_back(cfg_window_id_list[i]);
    }
    for (size_t i = 0; i < cfg_panel_id_list.size(); ++i) {
        const t_ext_param* record = panel_record(i);
        append(panels.get(), record && record->wnd ? MF_GRAYED : 0, command++,
               cfg_panel_id_list[i]);
        embed_panels_.push_back(cfg_panel_id_list[i]);
    }
    first_panel_item_ = command;
    append_popup(embed.get(), std::move(windows), L"Window");
    append_popup(embed.get(), std::move(panels), L"Panel");
    append_popup(parent, std::move(embed), L"Embed");
}

void window_info_menu::add_panel_items() {
    for (size_t index : embedded_panels(wnd_)) {
        const t_ext_param& p = cfg_panel_ext_list[index];
        RECT r;
        if (!p.instance || !IsWindowVisible(p.wnd) || !GetWindowRect(p.wnd, &r) ||
            !PtInRect(&r, at_))
            continue;
        panel_ = index;
        for (uint32_t i = 0;; ++i) {
            t_sink name;
            uint32_t flags = 0;
            if (!p.instance->get_menu_item(i, name, flags)) break;
            if (i == 0) AppendMenuW(menu(), MF_SEPARATOR, 0, nullptr);
            if (name.text.empty()) {
                AppendMenuW(menu(), MF_SEPARATOR, 0, nullptr);
            } else {
                UINT state = 0;
                if (flags & cor::ui_extension::menu_item_checked) state |= MF_CHECKED;
                if (flags & cor::ui_extension::menu_item_disabled) state |= MF_GRAYED;
                append(menu(), state, first_panel_item_ + i, name.text);
            }
            panel_items_ = i + 1;
        }
        return;
    }
}

std::string window_info_menu::clipboard_text(UINT command) const {
    switch (command) {
        case info_window_id:
            return definition_name(id_);
        case info_position:
            return printf_text("%d,%d", int(window_.left), int(window_.top));
        case info_size:
            return printf_text("%d,%d", int(window_.right - window_.left),
                               int(window_.bottom - window_.top));
        case info_client_size:
            return printf_text("%d,%d", int(client_.right), int(client_.bottom));
        case info_mouse:
            return printf_text("%d,%d", int(client_point_.x), int(client_point_.y));
        case info_embedded: {
            // The lines that would make the same again from a load script.
            std::string out;
            for (HWND w : embedded_windows(wnd_)) {
                const size_t open = open_window_by_handle(reinterpret_cast<HWND__*>(w));
                const RECT r = client_rect_of(wnd_, w);
                out += printf_text("\r\n$window('%s',%d,%d,%d,%d,parent:%%_id%%,embed:true)",
                                   definition_name(open_windows()[open].id).c_str(), int(r.left),
                                   int(r.top), int(r.right - r.left), int(r.bottom - r.top));
            }
            for (size_t index : embedded_panels(wnd_)) {
                const RECT r = client_rect_of(wnd_, cfg_panel_ext_list[index].wnd);
                const std::string id =
                    index < cfg_panel_id_list.size() ? cfg_panel_id_list[index] : "";
                out += printf_text("\r\n$panel(%%_id%%,%s,%d,%d,%d,%d)", id.c_str(), int(r.left),
                                   int(r.top), int(r.right - r.left), int(r.bottom - r.top));
            }
            return out;
        }
        default:
            return {};
    }
}

void window_info_menu::carry_out(UINT command) {
    if (!script_window::from_handle(wnd_)) return;
    if (command >= info_script_load && command <= info_script_activate) {
        if (!authoring::page_active())
            (void)authoring::open_dialog_at_script(id_, command - info_script_load + 1);
    } else if (command >= info_window_id && command <= info_embedded) {
        copy_to_clipboard(wnd_, clipboard_text(command));
    } else if (command == info_refresh) {
        refresh();
    } else if (command == info_close) {
        SendMessageW(wnd_, WM_CLOSE, 0, 0);
    } else if (command >= info_first_embed && command < first_panel_item_) {
        if (HWND tool = embed_tool_of(wnd_); tool && IsWindowVisible(tool)) return;
        const size_t n = command - info_first_embed;
        const bool window = n < embed_windows_.size();
        (void)start_embed_tool(
            wnd_, window ? 0 : 1,
            window ? embed_windows_[n] : embed_panels_[n - embed_windows_.size()], at_);
    } else if (panel_items_ && command >= first_panel_item_ &&
               command < first_panel_item_ + panel_items_) {
        if (t_ext_param* p = panel_record(panel_); p && p->instance)
            p->instance->execute_menu_item(command - first_panel_item_);
    }
}

// Another window is opened anew as on any open without a rectangle; the
// main window keeps its platform window and starts over inside it.
void window_info_menu::refresh() { script_window::refresh_in_place(wnd_); }

void show_window_info_menu(HWND wnd, POINT at) {
    window_info_menu info(wnd, at);
    if (!info.menu()) return;
    SetForegroundWindow(wnd);
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(
        info.menu(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, wnd, nullptr));
    // Lets the menu close properly when the user clicks elsewhere.
    PostMessageW(wnd, WM_NULL, 0, 0);
    info.carry_out(chosen);
}

}  // namespace vesk
