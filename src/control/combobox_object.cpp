#include "control/combobox_object.h"

#include <algorithm>
#include <string>

#include "host/gdi_handles.h"
#include "host/settings.h"
#include "object/object_manager.h"
#include "registry/window_services.h"
#include "script/preprocessor.h"
#include "script/script_run.h"
#include "script/tf_hook.h"

namespace vesk::object {
namespace {

constexpr DWORD combobox_style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL |
                                 CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | CBS_NOINTEGRALHEIGHT;

HWND list_of(HWND combobox) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    return combobox && GetComboBoxInfo(combobox, &info) ? info.hwndList : nullptr;
}

void run_item_script(const std::string& prepared, t_script_context& context, field_list& vars) {
    vesk_tf_hook hook(context, &vars);
    (void)run_script(prepared, hook);
}

}  // namespace

combobox_object::~combobox_object() {
    if (control_wnd) {
        SetWindowLongPtrW(control_wnd, GWLP_USERDATA, 0);
        if (class_proc_)
            SetWindowLongPtrW(control_wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(class_proc_));
        DestroyWindow(control_wnd);
    }
    if (object_manager::alive())
        object_manager::instance().clear_parent_unlocked(id, cat_all_objects);
}

bool combobox_object::get_rect(RECT& r) {
    r = {x, y, x + width - 1, y + height - 1};
    return true;
}

void combobox_object::draw(HWND wnd, HDC, Gdiplus::Graphics*) {
    if (!control_wnd) create_window(wnd);
}

void combobox_object::create_window(HWND parent_wnd) {
    const t_display_scale scale = display_scale_of(parent_wnd);
    // Made at the height and in the state the size rule gives it (new
    // windows come at the top of their siblings), so that a window not yet
    // shown need not move it again: under Wine a move is a round trip and
    // a new frame.
    const int h = items_.empty() ? height : drop_height;
    HWND box = CreateWindowExW(
        WS_EX_TOPMOST, L"COMBOBOX", L"", visible ? combobox_style : combobox_style & ~WS_VISIBLE,
        scale.to_screen(x), scale.to_screen(y), scale.to_screen(width), scale.to_screen(h),
        parent_wnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(control_id)),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent_wnd, GWLP_HINSTANCE)), nullptr);
    if (!box) return;
    control_wnd = box;
    for (auto& item : items_) append_to_window(*item);
    // Items added before the window existed are its first items too; without
    // a selection the closed field would show no item at all.
    if (!items_.empty()) SendMessageW(box, CB_SETCURSEL, 0, 0);
    class_proc_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(box, GWLP_WNDPROC));
    SetWindowLongPtrW(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&combobox_object::subclass));
    // On a shown window its frame may have been painted before the
    // subclass took over: framed again, in the skin's colour.
    if (IsWindowVisible(parent_wnd)) apply_size();
}

LRESULT CALLBACK combobox_object::subclass(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<combobox_object*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self || !self->class_proc_) return DefWindowProcW(wnd, msg, wp, lp);
    switch (msg) {
        case WM_PAINT:
            if (!wp) {
                self->paint_closed(wnd);
                return 0;
            }
            break;
        case WM_NCPAINT:
            self->paint_frame(wnd);
            return 0;
        default:
            break;
    }
    return CallWindowProcW(self->class_proc_, wnd, msg, wp, lp);
}

COLORREF combobox_object::fill_colour() const {
    if (window_paint_target* target = paint_target_of(GetParent(control_wnd)))
        return target->background_colour();
    return 0xFFFFFF;
}

namespace {

// `c` moved a share of the way towards white on a dark colour, towards
// black on a light one: lines that read on the skin's own background.
COLORREF contrast_of(COLORREF c, int share_of_255) {
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    const int to = (r * 299 + g * 587 + b * 114) / 1000 < 128 ? 255 : 0;
    const auto mix = [&](int v) { return v + (to - v) * share_of_255 / 255; };
    return RGB(mix(r), mix(g), mix(b));
}

}  // namespace

// The class paints the closed field (its item through draw_item) into a
// picture; everything around the item is then painted again flat.
void combobox_object::paint_closed(HWND wnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    RECT client;
    GetClientRect(wnd, &client);
    const int w = client.right, h = client.bottom;
    unique_hbitmap bitmap(w > 0 && h > 0 ? make_screen_bitmap(w, h) : nullptr);
    unique_hdc mem(bitmap ? CreateCompatibleDC(dc) : nullptr);
    if (!mem) {
        EndPaint(wnd, &ps);
        return;
    }
    {
        select_guard sel(mem.get(), bitmap.get());
        field_item_ = {};
        CallWindowProcW(class_proc_, wnd, WM_PAINT, reinterpret_cast<WPARAM>(mem.get()), 0);
        const COLORREF fill = fill_colour();
        const int saved = SaveDC(mem.get());
        ExcludeClipRect(mem.get(), field_item_.left, field_item_.top, field_item_.right,
                        field_item_.bottom);
        {
            unique_hbrush brush(CreateSolidBrush(fill));
            FillRect(mem.get(), &client, brush.get());
        }
        RestoreDC(mem.get(), saved);
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        if (GetComboBoxInfo(wnd, &info)) {
            // A flat triangle pointing down, centred in the button.
            const RECT& b = info.rcButton;
            const int half =
                std::max<int>(2, std::min<int>(b.right - b.left, b.bottom - b.top) / 4);
            const int cx = (b.left + b.right) / 2, cy = (b.top + b.bottom) / 2;
            const POINT arrow[3] = {{cx - half, cy - half / 2},
                                    {cx + half + 1, cy - half / 2},
                                    {cx, cy + half / 2 + 1}};
            const COLORREF ink = contrast_of(fill, 150);
            unique_hbrush brush(CreateSolidBrush(ink));
            unique_hpen pen(CreatePen(PS_SOLID, 1, ink));
            select_guard b_in(mem.get(), brush.get());
            select_guard p_in(mem.get(), pen.get());
            Polygon(mem.get(), arrow, 3);
        }
        BitBlt(dc, 0, 0, w, h, mem.get(), 0, 0, SRCCOPY);
    }
    EndPaint(wnd, &ps);
}

// The border style's frame in a line of the skin's colour.
void combobox_object::paint_frame(HWND wnd) {
    HDC dc = GetWindowDC(wnd);
    if (!dc) return;
    RECT r;
    GetWindowRect(wnd, &r);
    OffsetRect(&r, -r.left, -r.top);
    unique_hbrush brush(CreateSolidBrush(contrast_of(fill_colour(), 60)));
    FrameRect(dc, &r, brush.get());
    ReleaseDC(wnd, dc);
}

void combobox_object::follow_scale() {
    if (!control_wnd) return;
    // The field's and the items' heights, as measured when they were added.
    const t_display_scale scale = display_scale_of(GetParent(control_wnd));
    SendMessageW(control_wnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), scale.to_screen(height));
    for (size_t i = 0; i < items_.size(); ++i) {
        const int32_t h = items_[i]->height;
        SendMessageW(control_wnd, CB_SETITEMHEIGHT, i, scale.to_screen(h < 0 ? height : h));
    }
    apply_size();
}

void combobox_object::apply_size() {
    if (!control_wnd) return;
    // A drop-down list takes its window height as the opened list's.
    const int h = items_.empty() ? height : drop_height;
    const t_display_scale scale = display_scale_of(GetParent(control_wnd));
    SetWindowPos(control_wnd, HWND_TOP, scale.to_screen(x), scale.to_screen(y),
                 scale.to_screen(width), scale.to_screen(h),
                 SWP_FRAMECHANGED | (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void combobox_object::hide_empty_list() {
    if (!items_.empty()) return;
    if (HWND list = list_of(control_wnd)) ShowWindow(list, SW_HIDE);
}

void combobox_object::append_to_window(combobox_item& item) {
    SendMessageW(control_wnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(&item));
}

void combobox_object::add_item(combobox_item item) {
    items_.push_back(std::make_unique<combobox_item>(std::move(item)));
    if (!control_wnd) return;
    append_to_window(*items_.back());
    if (items_.size() == 1) {
        SendMessageW(control_wnd, CB_SETCURSEL, 0, 0);
        apply_size();
    }
}

bool combobox_object::select(int64_t index) {
    if (!control_wnd) return false;
    return SendMessageW(control_wnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0) != CB_ERR;
}

bool combobox_object::remove_item(int64_t index) {
    if (!control_wnd) return false;
    if (SendMessageW(control_wnd, CB_DELETESTRING, static_cast<WPARAM>(index), 0) == CB_ERR)
        return false;
    if (index >= 0 && static_cast<size_t>(index) < items_.size())
        items_.erase(items_.begin() + index);
    apply_size();
    return true;
}

void combobox_object::measure_item(WPARAM, MEASUREITEMSTRUCT& m) {
    const t_display_scale scale =
        display_scale_of(control_wnd ? GetParent(control_wnd) : main_window_handle());
    if (m.itemID == static_cast<UINT>(-1)) {
        m.itemHeight = static_cast<UINT>(scale.to_screen(height));
    } else if (m.itemID < items_.size()) {
        const int32_t h = items_[m.itemID]->height;
        m.itemHeight = static_cast<UINT>(scale.to_screen(h < 0 ? height : h));
    }
    m.itemWidth = static_cast<UINT>(scale.to_screen(width));
}

void combobox_object::draw_item(WPARAM, const DRAWITEMSTRUCT& item) {
    hide_empty_list();
    if (item.itemState & ODS_COMBOBOXEDIT) field_item_ = item.rcItem;
    // Asked while objects are being painted (the window is made at its
    // parent's repaint): the item's script could make no object now, so
    // it is drawn at the control's own paint, once the pass is over.
    if (object_manager::instance().busy().held()) {
        InvalidateRect(item.hwndItem, &item.rcItem, FALSE);
        return;
    }
    const int w = item.rcItem.right - item.rcItem.left, h = item.rcItem.bottom - item.rcItem.top;
    if (w <= 0 || h <= 0) return;
    const t_display_scale scale = display_scale_of(GetParent(control_wnd));
    unique_hbitmap bitmap(make_screen_bitmap(w, h));
    unique_hdc mem(CreateCompatibleDC(item.hDC));
    if (!bitmap || !mem) return;
    select_guard sel(mem.get(), bitmap.get());
    const COLORREF fill = fill_colour();
    {
        unique_hbrush brush(CreateSolidBrush(fill));
        RECT all{0, 0, w, h};
        FillRect(mem.get(), &all, brush.get());
    }
    if (item.itemID != static_cast<UINT>(-1) && item.itemID < items_.size()) {
        auto& manager = object_manager::instance();
        manager.clear_parent(id, cat_all_objects);
        const std::string prepared = prepare_script(items_[item.itemID]->draw, trim_mode());
        if (!prepared.empty() && !safe_mode()) {
            HWND list = list_of(control_wnd);
            const LONG list_style = list ? GetWindowLongW(list, GWL_STYLE) : 0;
            t_script_context context;
            context.wnd = reinterpret_cast<HWND__*>(control_wnd);
            context.window_id = id;
            field_list vars{
                {"_objectid", identity_text(id), true, false},
                {"_index", std::to_string(item.itemID), true, false},
                {"_count", std::to_string(items_.size()), true, false},
                {"_vscroll", (list_style & WS_VSCROLL) ? "1" : "0", true, false},
                {"_hscroll", (list_style & WS_HSCROLL) ? "1" : "0", true, false},
                {"_iwidth", std::to_string(scale.to_skin(w)), true, false},
                {"_iheight", std::to_string(scale.to_skin(h)), true, false},
                {"_focus", (item.itemState & ODS_FOCUS) ? "1" : "0", true, false},
                {"_selected", (item.itemState & ODS_SELECTED) ? "1" : "0", true, false}};
            run_item_script(prepared, context, vars);
            // The item's objects are skin pixels, like its window's.
            Gdiplus::Graphics graphics(mem.get());
            const skin_drawing_scope skin(mem.get(), &graphics, scale);
            manager.draw(id, control_wnd, mem.get(), &graphics);
        }
    }
    BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, w, h, mem.get(), 0, 0, SRCCOPY);
}

void combobox_object::on_command(const cor::guid& parent_id, HWND wnd, uint32_t, uint32_t code) {
    hide_empty_list();
    if (items_.empty()) {
        if (code == CBN_DROPDOWN && control_wnd) PostMessageW(control_wnd, CB_SHOWDROPDOWN, 0, 0);
        return;
    }
    if (code != CBN_SELENDOK || !control_wnd) return;
    const LRESULT selected = SendMessageW(control_wnd, CB_GETCURSEL, 0, 0);
    if (selected < 0 || static_cast<size_t>(selected) >= items_.size()) return;
    const std::string prepared = prepare_script(items_[selected]->select, trim_mode());
    if (prepared.empty() || safe_mode()) return;
    t_script_context context;
    context.wnd = reinterpret_cast<HWND__*>(wnd);
    context.window_id = parent_id;
    field_list vars{{"_objectid", identity_text(id), true, false},
                    {"_index", std::to_string(selected), true, false},
                    {"_count", std::to_string(items_.size()), true, false}};
    run_item_script(prepared, context, vars);
}

}  // namespace vesk::object
