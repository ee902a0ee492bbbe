#include "object/object_manager.h"

#include <windowsx.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <optional>
#include <span>
#include <utility>

#include "host/gdi_handles.h"
#include "host/host_services.h"
#include "host/invalidation.h"
#include "object/types/paint_support.h"
#include "registry/window_list.h"
#include "registry/window_registry.h"
#include "registry/window_services.h"

namespace vesk {

using object::busy_scope;
using object::meets;
using object::object_base;

size_t guid_hash::operator()(const cor::guid& g) const noexcept {
    // The generator's identities are random in every field.
    uint64_t tail = 0;
    std::memcpy(&tail, g.data4, sizeof tail);
    return static_cast<size_t>((uint64_t(g.data1) << 32 | uint64_t(g.data2) << 16 | g.data3) ^
                               tail * 0x9E3779B97F4A7C15ull);
}

namespace {

template <size_t... I>
std::array<std::unique_ptr<object::object_list_base>, object::type_count> make_lists(
    std::index_sequence<I...>) {
    return {std::make_unique<
        object::object_list_t<object_base, object::category_of(I), uint32_t(I)>>()...};
}

void debug_report(const char* text) {
    host::console_print(text);
    OutputDebugStringA(text);
    OutputDebugStringA("\n");
}

// Size of the bitmap selected into `dc`; zero when there is none.
SIZE bitmap_size(HDC dc) {
    BITMAP bm{};
    const auto bitmap = static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP));
    if (!bitmap || !GetObjectW(bitmap, sizeof bm, &bm)) return {0, 0};
    return {bm.bmWidth, bm.bmHeight};
}

// Gives a context the attributes of a newly made memory context, clipped
// to an area, and puts back what it had. Saving the whole state instead
// (SaveDC, RestoreDC) costs about 8 us under Wine, a fifth of a small
// repaint. Nothing else clips the back buffer, so it goes back unclipped.
// The font is left as it is: every object that draws text selects its
// own, and the font a paint pass kept selected is most often the one the
// next repaint of a text needs (see paint_pass).
class fresh_state {
public:
    fresh_state(HDC dc, const RECT& clip)
        : dc_(dc),
          text_(SetTextColor(dc, RGB(0, 0, 0))),
          bk_(SetBkColor(dc, RGB(255, 255, 255))),
          bk_mode_(SetBkMode(dc, OPAQUE)),
          align_(SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP)),
          extra_(SetTextCharacterExtra(dc, 0)),
          rop_(SetROP2(dc, R2_COPYPEN)),
          stretch_(SetStretchBltMode(dc, BLACKONWHITE)),
          fill_(SetPolyFillMode(dc, ALTERNATE)),
          map_(SetMapMode(dc, MM_TEXT)) {
        SetBrushOrgEx(dc, 0, 0, &brush_org_);
        const int kinds[] = {WHITE_BRUSH, BLACK_PEN};
        for (size_t i = 0; i < std::size(kinds); ++i) {
            const HGDIOBJ stock = GetStockObject(kinds[i]);
            const HGDIOBJ current = GetCurrentObject(dc, GetObjectType(stock));
            if (current != stock) selected_[i] = SelectObject(dc, stock);
        }
        IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    }
    ~fresh_state() {
        SelectClipRgn(dc_, nullptr);
        for (const HGDIOBJ previous : selected_)
            if (previous) SelectObject(dc_, previous);
        SetBrushOrgEx(dc_, brush_org_.x, brush_org_.y, nullptr);
        SetMapMode(dc_, map_);
        SetPolyFillMode(dc_, fill_);
        SetStretchBltMode(dc_, stretch_);
        SetROP2(dc_, rop_);
        SetTextCharacterExtra(dc_, extra_);
        SetTextAlign(dc_, align_);
        SetBkMode(dc_, bk_mode_);
        SetBkColor(dc_, bk_);
        SetTextColor(dc_, text_);
    }
    fresh_state(const fresh_state&) = delete;
    fresh_state& operator=(const fresh_state&) = delete;

private:
    HDC dc_;
    COLORREF text_, bk_;
    int bk_mode_;
    UINT align_;
    int extra_, rop_, stretch_, fill_, map_;
    POINT brush_org_{};
    HGDIOBJ selected_[2] = {};
};

// Whether the screen window under the client point is `wnd` itself.
// `pt` in skin pixels.
bool over_window(HWND wnd, POINT pt) {
    pt = display_scale_of(wnd).to_screen(pt);
    ClientToScreen(wnd, &pt);
    return WindowFromPoint(pt) == wnd;
}

}  // namespace

namespace {
bool g_alive = false;
}  // namespace

bool object_manager::alive() { return g_alive; }

object_manager& object_manager::instance() {
    static object_manager manager;
    return manager;
}

object_manager::object_manager()
    : lists_(make_lists(std::make_index_sequence<object::type_count>())) {
    order_.set_sink(this);
    for (auto& l : lists_) l->set_sink(this);
    g_alive = true;
}

object_manager::~object_manager() {
    g_alive = false;
    // Objects first, then their entries; nothing is deferred any more.
    for (auto it = lists_.rbegin(); it != lists_.rend(); ++it) (*it)->set_sink(nullptr);
    order_.set_sink(nullptr);
    index_.clear();
}

object_manager::delivery::~delivery() {
    if (--m_.depth_ > 0 || m_.graveyard_.empty()) return;
    // A destructor may discard more objects; those die at once (depth 0).
    auto dead = std::move(m_.graveyard_);
    m_.graveyard_.clear();
    while (!dead.empty()) dead.pop_back();
}

void object_manager::discard(std::unique_ptr<object_base> obj) {
    if (!obj) return;
    if (const auto it = index_.find(obj->id); it != index_.end() && it->second == obj.get())
        index_.erase(it);
    if (depth_ > 0) graveyard_.push_back(std::move(obj));
}

object_base* object_manager::find(std::string_view identity) const {
    const auto id = object::parse_identity(identity);
    return id ? find(*id) : nullptr;
}

object_base* object_manager::find(const cor::guid& id) const {
    const auto it = index_.find(id);
    return it == index_.end() ? nullptr : it->second;
}

object_base* object_manager::find_control(std::string_view identity) const {
    object_base* obj = find(identity);
    return obj && meets(obj->category, object::cat_control) ? obj : nullptr;
}

bool object_manager::store(std::unique_ptr<object_base> obj) {
    if (!obj || obj->type >= object::type_count) return false;
    busy_scope busy(busy_);
    if (!busy.ok()) return false;
    auto entry = std::make_unique<object::order_object>(*obj);
    object_base* raw = obj.get();
    if (!lists_[obj->type]->append(std::move(obj))) return false;
    index_[raw->id] = raw;
    if (!order_.append(std::move(entry))) {
        remove_unlocked(raw->id);
        return false;
    }
    return true;
}

void object_manager::paint(const cor::guid& parent, HWND wnd, HDC dc, Gdiplus::Graphics* graphics,
                           std::optional<std::span<const RECT>> areas) {
    delivery d(*this);
    const paint::paint_pass pass(dc, graphics);
    // One cursor per type list: with the order invariant, the k-th entry
    // of a type names the k-th object of that type of the parent.
    std::array<size_t, object::type_count> cursor{};
    for (const uint32_t pass : passes_) {
        for (size_t i = 0; i < order_.size(); ++i) {
            const object_base* entry = order_.at(i);
            if (!entry || entry->parent != parent || !meets(entry->category, pass)) continue;
            if (entry->type >= object::type_count) continue;
            const auto& list = *lists_[entry->type];
            object_base* obj = nullptr;
            for (size_t& c = cursor[entry->type]; c < list.size();) {
                object_base* candidate = list.at(c++);
                if (candidate->parent == parent) {
                    obj = candidate;
                    break;
                }
            }
            if (!obj) {
                debug_report(areas ? "object_manager::redraw_object error!!"
                                   : "object_manager::draw error!!");
                continue;
            }
            const bool control = meets(obj->category, object::cat_control);
            if (!obj->visible && !control) continue;
            if (areas) {
                if (!meets(obj->category, object::cat_drawn | object::cat_control)) continue;
                RECT r{};
                if (!obj->get_rect(r)) continue;
                const RECT exclusive{r.left, r.top, r.right + 1, r.bottom + 1};
                const auto meets_it = [&exclusive](const RECT& a) {
                    RECT overlap{};
                    return IntersectRect(&overlap, &exclusive, &a) != FALSE;
                };
                if (std::none_of(areas->begin(), areas->end(), meets_it)) continue;
            }
            obj->draw(wnd, dc, graphics);
        }
    }
}

bool object_manager::draw(const cor::guid& parent, HWND wnd, HDC dc, Gdiplus::Graphics* graphics,
                          bool busy_held) {
    busy_scope busy(busy_, busy_held);
    if (!busy.ok()) return false;
    paint(parent, wnd, dc, graphics, std::nullopt);
    return true;
}

bool object_manager::redraw_object(const cor::guid& id) {
    object_base* obj = find(id);
    if (!obj) return false;
    RECT r{};
    return rect_of(*obj, r) && repaint(*obj, {&r, 1});
}

bool object_manager::rect_of(object_base& obj, RECT& r) {
    delivery d(*this);
    return obj.get_rect(r);
}

bool object_manager::repaint(const object_base& obj, std::span<const RECT> places) {
    const size_t open = open_window_by_guid(obj.parent);
    if (open == no_window) return false;
    const HWND wnd = reinterpret_cast<HWND>(open_windows()[open].hwnd);
    window_paint_target* target = paint_target_of(wnd);
    if (!target) return false;
    const HDC back = target->back_buffer_dc();
    if (!back) return false;

    // Everything drawn lies inside the back buffer; so does the copy. The
    // places are the objects' (skin pixels); the buffer, its clip and the
    // window's invalidation are the screen's.
    const t_display_scale scale = target->display_scale();
    const SIZE buffer = bitmap_size(back);
    std::array<RECT, 2> parts{};
    size_t count = 0;
    for (const RECT& r : places.first(std::min<size_t>(places.size(), parts.size()))) {
        const RECT skin{r.left, r.top, r.right + 1, r.bottom + 1};
        const RECT screen = scale.to_screen(skin);
        const RECT part{std::max<LONG>(screen.left, 0), std::max<LONG>(screen.top, 0),
                        std::min<LONG>(screen.right, buffer.cx),
                        std::min<LONG>(screen.bottom, buffer.cy)};
        if (part.right <= part.left || part.bottom <= part.top) continue;
        parts[count++] = part;
    }
    if (count == 0) return true;
    // A control is made when it is first painted, and its functions need
    // it at once.
    if (!batch_open() || !meets(obj.category, object::cat_drawn)) {
        paint_gathered();
        paint_parts(obj.parent, wnd, std::span(parts).first(count));
        return true;
    }
    // A script changes several objects in a row (a seek bar's played part,
    // its knob and the times beside it): their places are painted together
    // when the run ends, each pixel once.
    auto it = std::find_if(gathered_.begin(), gathered_.end(),
                           [wnd](const t_gathered& g) { return g.wnd == wnd; });
    // A loop over many objects paints in passes of a bounded clip.
    if (it != gathered_.end() && it->parts.size() >= max_gathered_parts) {
        paint_gathered();
        it = gathered_.end();
    }
    if (it == gathered_.end()) it = gathered_.insert(gathered_.end(), {obj.parent, wnd, {}});
    it->parts.insert(it->parts.end(), parts.begin(), parts.begin() + ptrdiff_t(count));
    return true;
}

void object_manager::paint_parts(const cor::guid& parent, HWND wnd, std::span<const RECT> parts) {
    window_paint_target* target = paint_target_of(wnd);
    const HDC back = target ? target->back_buffer_dc() : nullptr;
    if (!back || parts.empty()) return;
    const t_display_scale scale = target->display_scale();
    RECT area{};
    std::vector<RECT> skin_parts;
    skin_parts.reserve(parts.size());
    for (const RECT& part : parts) {
        UnionRect(&area, &area, &part);
        skin_parts.push_back(scale.to_skin(part));
    }

    // Painted in place, clipped to the parts: making an off-screen surface
    // with a GDI+ surface on it costs several times a small repaint.
    {
        // Each repaint starts from a newly made context's state, whatever
        // the last paint left selected or set.
        const fresh_state fresh(back, area);
        if (parts.size() > 1) {
            unique_hrgn clip(CreateRectRgnIndirect(&parts[0]));
            for (const RECT& part : parts.subspan(1)) {
                unique_hrgn more(CreateRectRgnIndirect(&part));
                if (!clip || !more ||
                    CombineRgn(clip.get(), clip.get(), more.get(), RGN_OR) == ERROR) {
                    clip.reset();
                    break;
                }
            }
            if (clip) ExtSelectClipRgn(back, clip.get(), RGN_AND);
        }
        // A GDI+ surface made now takes the context's clip as its own. The
        // window's lasting surface would need a clip set on it, and under
        // Wine every drawing on a surface with a clip of its own turns that
        // clip into a region through a scratch context made for the purpose
        // (three times the cost of a small repaint).
        std::optional<Gdiplus::Graphics> local;
        if (target->back_buffer_graphics()) local.emplace(back);
        Gdiplus::Graphics* graphics = local ? &*local : nullptr;
        // What a new surface holds where the background leaves gaps.
        if (!target->background_opaque())
            PatBlt(back, area.left, area.top, area.right - area.left, area.bottom - area.top,
                   BLACKNESS);
        target->paint_background(back, area);
        {
            const skin_drawing_scope skin(back, graphics, scale);
            paint(parent, wnd, back, graphics, std::span<const RECT>(skin_parts));
        }
        if (graphics) graphics->Flush(Gdiplus::FlushIntentionSync);
    }
    for (const RECT& part : parts) invalidate_area(wnd, part);
}

void object_manager::paint_gathered() {
    // What objects paint may run scripts (a combobox's items) that gather
    // more; a few rounds take those too.
    for (int round = 0; round < 4 && !gathered_.empty(); ++round) paint_gathered_once();
}

void object_manager::paint_gathered_once() {
    auto gathered = std::move(gathered_);
    gathered_.clear();
    // A window placed in another may show its parent's back buffer through
    // its background: parents are painted first.
    const auto depth = [](HWND wnd) {
        int d = 0;
        for (HWND w = wnd; w && (GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD); w = GetParent(w)) ++d;
        return d;
    };
    std::stable_sort(
        gathered.begin(), gathered.end(),
        [&](const t_gathered& a, const t_gathered& b) { return depth(a.wnd) < depth(b.wnd); });
    busy_scope busy(busy_, busy_.held());
    for (const t_gathered& g : gathered) {
        // The window may have closed since.
        const size_t open = open_window_by_guid(g.parent);
        if (open == no_window || reinterpret_cast<HWND>(open_windows()[open].hwnd) != g.wnd)
            continue;
        paint_parts(g.parent, g.wnd, g.parts);
    }
}

void object_manager::settle_paints(const cor::guid& parent, const RECT& area) {
    const auto meets_area = [&](const t_gathered& g) {
        if (g.parent != parent) return false;
        window_paint_target* target = paint_target_of(g.wnd);
        if (!target) return true;
        const RECT skin{area.left, area.top, area.right + 1, area.bottom + 1};
        const RECT screen = target->display_scale().to_screen(skin);
        return std::any_of(g.parts.begin(), g.parts.end(), [&](const RECT& part) {
            RECT overlap{};
            return IntersectRect(&overlap, &part, &screen) != FALSE;
        });
    };
    if (std::any_of(gathered_.begin(), gathered_.end(), meets_area)) paint_gathered();
}

bool object_manager::update_object(const cor::guid& id) {
    busy_scope busy(busy_);
    return busy.ok() && redraw_object(id);
}

bool object_manager::show(const cor::guid& id, bool visible, bool redraw) {
    busy_scope busy(busy_);
    if (!busy.ok()) return false;
    object_base* obj = find(id);
    if (!obj) return false;
    obj->visible = visible;
    if (redraw) redraw_object(id);
    return true;
}

bool object_manager::move(const cor::guid& id, int32_t x, int32_t y, bool redraw) {
    busy_scope busy(busy_);
    if (!busy.ok()) return false;
    object_base* obj = find(id);
    if (!obj) return false;
    if (!redraw || !obj->visible) {
        obj->set_position(x, y);
        return true;
    }
    // Once moved, the object paints only where it is now: repainting the
    // old place clears it. Places near each other, as in the small steps
    // of most moves, are repainted in one pass over the objects.
    RECT before{}, after{};
    const bool had = rect_of(*obj, before);
    obj->set_position(x, y);
    const bool has = rect_of(*obj, after);
    const auto size = [](const RECT& r) {
        return int64_t(r.right - r.left + 1) * int64_t(r.bottom - r.top + 1);
    };
    const RECT both{std::min(before.left, after.left), std::min(before.top, after.top),
                    std::max(before.right, after.right), std::max(before.bottom, after.bottom)};
    if (had && has && size(both) <= size(before) + size(after)) {
        const RECT places[] = {before, after};
        repaint(*obj, places);
    } else {
        if (had) repaint(*obj, {&before, 1});
        if (has) repaint(*obj, {&after, 1});
    }
    return true;
}

bool object_manager::is_visible(const cor::guid& id) const {
    const object_base* obj = find(id);
    return obj && obj->visible;
}

ptrdiff_t object_manager::order_position(const cor::guid& id) const {
    for (size_t i = order_.size(); i-- > 0;)
        if (order_.at(i)->target == id) return ptrdiff_t(i);
    return -1;
}

bool object_manager::remove_unlocked(const cor::guid& id) {
    object_base* obj = find(id);
    if (!obj) return false;
    delivery d(*this);
    if (const ptrdiff_t entry = order_position(id); entry >= 0)
        order_.remove_nth(cor::guid_null, size_t(entry));
    auto& list = *lists_[obj->type];
    if (const ptrdiff_t at = list.index_of(cor::guid_null, id); at >= 0)
        list.remove_nth(cor::guid_null, size_t(at));
    return true;
}

bool object_manager::remove(const cor::guid& id) {
    delivery d(*this);
    busy_scope busy(busy_);
    return busy.ok() && remove_unlocked(id);
}

bool object_manager::set_zorder(const cor::guid& id, int where, bool redraw) {
    busy_scope busy(busy_);
    if (!busy.ok()) return false;
    const ptrdiff_t entry = order_position(id);
    if (entry < 0) return false;
    const uint32_t type = order_.at(size_t(entry))->type;
    order_.move_nth(cor::guid_null, size_t(entry), where);
    if (type < object::type_count) {
        auto& list = *lists_[type];
        if (const ptrdiff_t at = list.index_of(cor::guid_null, id); at >= 0)
            list.move_nth(cor::guid_null, size_t(at), where);
    }
    if (redraw) redraw_object(id);
    return true;
}

bool object_manager::clear_parent(const cor::guid& parent, uint32_t mask) {
    // Destruction waits until the lists agree again and the flag is free.
    delivery d(*this);
    busy_scope busy(busy_);
    return busy.ok() && clear_parent_unlocked(parent, mask);
}

bool object_manager::clear_parent_unlocked(const cor::guid& parent, uint32_t mask) {
    delivery d(*this);
    for (auto& list : lists_)
        if (meets(list->category, mask))
            list->clear_parent_unlocked(parent, object::cat_all_objects);
    order_.clear_parent_unlocked(parent, mask);
    return true;
}

bool object_manager::clear_context(const cor::guid& context, uint32_t mask) {
    delivery d(*this);
    busy_scope busy(busy_);
    if (!busy.ok()) return false;
    for (auto& list : lists_)
        if (meets(list->category, mask)) list->clear_context(context, object::cat_all_objects);
    order_.clear_context(context, mask);
    return true;
}

template <class F>
object_base* object_manager::first_control(const cor::guid& parent, F&& pred) const {
    for (const auto& list : lists_) {
        if (!meets(list->category, object::cat_control)) continue;
        for (size_t i = 0; i < list->size(); ++i) {
            object_base* obj = list->at(i);
            if (obj->parent == parent && pred(*obj)) return obj;
        }
    }
    return nullptr;
}

bool object_manager::route_draw_item(const cor::guid& parent, WPARAM wp,
                                     const DRAWITEMSTRUCT& item) {
    std::vector<object_base*> targets;
    for (const auto& list : lists_) {
        if (!meets(list->category, object::cat_control)) continue;
        for (size_t i = 0; i < list->size(); ++i) {
            object_base* obj = list->at(i);
            if (obj->parent == parent && obj->control_id == item.CtlID) targets.push_back(obj);
        }
    }
    delivery d(*this);
    for (object_base* obj : targets) obj->draw_item(wp, item);
    return true;
}

bool object_manager::route_measure_item(const cor::guid& parent, WPARAM wp,
                                        MEASUREITEMSTRUCT& item) {
    std::vector<object_base*> targets;
    for (const auto& list : lists_) {
        if (!meets(list->category, object::cat_control)) continue;
        for (size_t i = 0; i < list->size(); ++i) {
            object_base* obj = list->at(i);
            if (obj->parent == parent && obj->control_id == item.CtlID) targets.push_back(obj);
        }
    }
    delivery d(*this);
    for (object_base* obj : targets) obj->measure_item(wp, item);
    return true;
}

bool object_manager::route_command(const cor::guid& parent, HWND wnd, WPARAM wp) {
    const uint32_t command = LOWORD(wp);
    object_base* obj =
        first_control(parent, [&](const object_base& o) { return o.owns_command(command); });
    if (!obj) return false;
    delivery d(*this);
    obj->on_command(parent, wnd, command, HIWORD(wp));
    return true;
}

void object_manager::follow_scale(const cor::guid& parent) {
    for (const auto& list : lists_) {
        if (!meets(list->category, object::cat_control)) continue;
        for (size_t i = 0; i < list->size(); ++i)
            if (object_base* obj = list->at(i); obj->parent == parent) obj->follow_scale();
    }
}

bool object_manager::has_command(const cor::guid& parent, uint32_t command) const {
    return first_control(parent, [&](const object_base& o) { return o.owns_command(command); });
}

bool object_manager::route_notify(const cor::guid& parent, HWND wnd, WPARAM wp, LPARAM lp,
                                  LRESULT& result) {
    const auto* header = reinterpret_cast<const NMHDR*>(lp);
    if (!header) return false;
    const HWND from = header->hwndFrom;
    object_base* obj = first_control(
        parent, [&](const object_base& o) { return o.control_wnd && o.control_wnd == from; });
    if (!obj) return false;
    delivery d(*this);
    return obj->on_message(parent, wnd, wp, lp, result);
}

void object_manager::drop_hot(HWND wnd) {
    hot_ = cor::guid_null;
    if (GetCapture() == wnd) ReleaseCapture();
}

bool object_manager::mouse_message(HWND wnd, const cor::guid& parent, UINT message, WPARAM wp,
                                   LPARAM lp) {
    if (message == WM_MOUSEMOVE) return mouse_move(wnd, parent, wp, lp);
    return mouse_button(wnd, message, wp, lp);
}

bool object_manager::mouse_move(HWND wnd, const cor::guid& parent, WPARAM wp, LPARAM lp) {
    const POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    delivery d(*this);
    if (hot_ == cor::guid_null) {
        auto& maps = *lists_[object::type_map];
        for (size_t i = 0; i < maps.size(); ++i) {
            object_base* map = maps.at(i);
            if (map->parent != parent || !map->visible || !map->hit_test(pt.x, pt.y)) continue;
            hot_ = map->id;
            SetCapture(wnd);
            map->on_mouse(wnd, 1, WM_MOUSEMOVE, wp, lp);
            return true;
        }
        return false;
    }
    object_base* map = find(hot_);
    if (!map) {
        // Gone with its window while the mouse was over it: the pointer
        // may be over a map of this window already.
        drop_hot(wnd);
        return mouse_move(wnd, parent, wp, lp);
    }
    if (GetCapture() != wnd) SetCapture(wnd);
    if (!map->visible) {
        drop_hot(wnd);
        return false;
    }
    if (map->hit_test(pt.x, pt.y) && over_window(wnd, pt)) {
        map->on_mouse(wnd, 2, WM_MOUSEMOVE, wp, lp);
    } else if (!(wp & MK_LBUTTON)) {
        map->on_mouse(wnd, 0, WM_MOUSEMOVE, wp, lp);
        drop_hot(wnd);
    } else {
        // Dragging keeps the map hot.
        map->on_mouse(wnd, 2, WM_MOUSEMOVE, wp, lp);
    }
    return false;
}

bool object_manager::mouse_button(HWND wnd, UINT message, WPARAM wp, LPARAM lp) {
    const bool button = message >= WM_LBUTTONDOWN && message <= WM_XBUTTONDBLCLK;
    if ((!button && message != WM_CONTEXTMENU) || hot_ == cor::guid_null) return false;
    delivery d(*this);
    object_base* map = find(hot_);
    if (!map) {
        drop_hot(wnd);
        return false;
    }
    if (message == WM_CONTEXTMENU) return true;
    if (GetCapture() != wnd) SetCapture(wnd);
    const POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    if (map->hit_test(pt.x, pt.y) && over_window(wnd, pt)) {
        if (map->visible) return map->on_mouse(wnd, 0, message, wp, lp);
        drop_hot(wnd);
        return false;
    }
    map->on_mouse(wnd, 0, WM_MOUSEMOVE, wp, lp);
    drop_hot(wnd);
    return false;
}

std::array<size_t, object::type_count> object_manager::type_counts() const {
    std::array<size_t, object::type_count> counts{};
    for (size_t t = 0; t < counts.size(); ++t) counts[t] = lists_[t]->count(cor::guid_null);
    return counts;
}

size_t object_manager::count(const cor::guid& parent, uint32_t type) const {
    return type < object::type_count ? lists_[type]->count(parent) : 0;
}

}  // namespace vesk
