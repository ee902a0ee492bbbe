// The single owner of every script object of every window: one list per
// type index and the draw order over all of them. Windows ask it to paint
// their objects into the back buffer (drawn objects, then controls, then
// areas, each in draw order) and hand it owner-draw, command, notification
// and mouse messages, which it routes to controls and mouse maps.
//
// Contract: the order list names the objects of each parent and type in
// the order of their type list; every change keeps the two in step.
// Objects given up while the manager is calling into an object (a click
// script removing its own button) are destroyed when that call returns.
#pragma once

#include <windows.h>

#include <gdiplus.h>

#include <array>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "object/object_list.h"

namespace vesk {

class func_call;

// Before a script function runs: paints the gathered rectangles first
// unless the function leaves what they show as it is (it changes no
// drawing, or repaints all it changes, or changes an object away from
// them).
void settle_paints_before(std::string_view folded_name, func_call& call);

struct guid_hash {
    size_t operator()(const cor::guid& g) const noexcept;
};

class object_manager final : private object::object_sink {
public:
    static object_manager& instance();
    // False once the manager is being torn down: destructors of controls
    // must not reach back into it then.
    static bool alive();

    object_manager();
    ~object_manager();
    object_manager(const object_manager&) = delete;
    object_manager& operator=(const object_manager&) = delete;

    // Lookups by identity (text in the 36-character form, or GUID); none
    // for malformed texts and unknown identities.
    [[nodiscard]] object::object_base* find(std::string_view identity) const;
    [[nodiscard]] object::object_base* find(const cor::guid& id) const;
    [[nodiscard]] object::object_base* find_control(std::string_view identity) const;

    // Appends the object to its type list and its order entry to the draw
    // order (topmost of its parent). On failure the object is destroyed.
    [[nodiscard]] bool store(std::unique_ptr<object::object_base> obj);

    // Paints every object of `parent`: drawn objects, controls, areas.
    bool draw(const cor::guid& parent, HWND wnd, HDC dc, Gdiplus::Graphics* graphics,
              bool busy_held = false);
    // Repaints one object's rectangle of its window's back buffer and
    // invalidates it. The caller holds the busy flag. While a script runs
    // (an invalidation batch is open) the rectangle is gathered instead and
    // painted with the window's other gathered ones in one pass, when the
    // run ends or sooner (see settle_paints).
    bool redraw_object(const cor::guid& id);
    // redraw_object under the busy flag.
    bool update_object(const cor::guid& id);

    // Each answers whether the object was found.
    bool show(const cor::guid& id, bool visible, bool redraw);
    bool move(const cor::guid& id, int32_t x, int32_t y, bool redraw);
    [[nodiscard]] bool is_visible(const cor::guid& id) const;
    bool remove(const cor::guid& id);
    bool set_zorder(const cor::guid& id, int where, bool redraw);

    bool clear_parent(const cor::guid& parent, uint32_t mask);
    // For teardown of a window, panel, combobox or tooltip.
    bool clear_parent_unlocked(const cor::guid& parent, uint32_t mask);
    bool clear_context(const cor::guid& context, uint32_t mask);

    // Paints every gathered rectangle now: windows before the windows
    // placed in them, each in one pass.
    void paint_gathered();
    // Paints the gathered rectangles when one of them meets `area` (right
    // and bottom included) of `parent`, which is about to change without a
    // repaint of its own.
    void settle_paints(const cor::guid& parent, const RECT& area);
    [[nodiscard]] bool paints_gathered() const { return !gathered_.empty(); }

    // Message routing to the controls of `parent`.
    bool route_draw_item(const cor::guid& parent, WPARAM wp, const DRAWITEMSTRUCT& item);
    bool route_measure_item(const cor::guid& parent, WPARAM wp, MEASUREITEMSTRUCT& item);
    bool route_command(const cor::guid& parent, HWND wnd, WPARAM wp);
    [[nodiscard]] bool has_command(const cor::guid& parent, uint32_t command) const;
    // Every control of `parent` placed again at its window's new scale.
    void follow_scale(const cor::guid& parent);
    bool route_notify(const cor::guid& parent, HWND wnd, WPARAM wp, LPARAM lp, LRESULT& result);

    // Hot tracking of mouse maps. `message` is WM_MOUSEMOVE, a button or
    // wheel message (0x201-0x20D, points in client coordinates) or
    // WM_CONTEXTMENU; true when the message was taken.
    bool mouse_message(HWND wnd, const cor::guid& parent, UINT message, WPARAM wp, LPARAM lp);
    [[nodiscard]] const cor::guid& hot_object() const { return hot_; }

    // Objects per type index over all windows, and of one parent.
    [[nodiscard]] std::array<size_t, object::type_count> type_counts() const;
    [[nodiscard]] size_t count(const cor::guid& parent, uint32_t type) const;
    // Stored objects of every type (order entries not counted).
    [[nodiscard]] size_t object_count() const { return index_.size(); }

    // Read access; every change goes through the manager to keep the order.
    [[nodiscard]] const object::object_list_base& list(uint32_t type) const {
        return *lists_[type];
    }
    [[nodiscard]] const object::object_list_base& order_list() const { return order_; }
    object::busy_flag& busy() { return busy_; }

private:
    // Calls into objects run inside a delivery; what is discarded meanwhile
    // waits for the outermost one to end.
    class delivery {
    public:
        explicit delivery(object_manager& m) : m_(m) { ++m_.depth_; }
        ~delivery();
        delivery(const delivery&) = delete;
        delivery& operator=(const delivery&) = delete;

    private:
        object_manager& m_;
    };

    void discard(std::unique_ptr<object::object_base> obj) override;
    // One pass loop over the parent; with `areas` only objects whose
    // rectangle meets one of them are painted and areas never are.
    void paint(const cor::guid& parent, HWND wnd, HDC dc, Gdiplus::Graphics* graphics,
               std::optional<std::span<const RECT>> areas);
    [[nodiscard]] ptrdiff_t order_position(const cor::guid& id) const;
    bool rect_of(object::object_base& obj, RECT& r);
    // Repaints one or two rectangles (right and bottom included) of the
    // back buffer of the object's window, or gathers them while a batch is
    // open, and invalidates them.
    bool repaint(const object::object_base& obj, std::span<const RECT> places);
    // Repaints `parts` (the back buffer's pixels, right and bottom
    // excluded) of a window in one pass over the objects that meet them,
    // and invalidates them.
    void paint_parts(const cor::guid& parent, HWND wnd, std::span<const RECT> parts);
    void paint_gathered_once();
    bool remove_unlocked(const cor::guid& id);
    template <class F>
    object::object_base* first_control(const cor::guid& parent, F&& pred) const;
    bool mouse_move(HWND wnd, const cor::guid& parent, WPARAM wp, LPARAM lp);
    bool mouse_button(HWND wnd, UINT message, WPARAM wp, LPARAM lp);
    void drop_hot(HWND wnd);

    object::object_list_t<object::order_object, object::cat_order, object::type_order> order_;
    std::array<std::unique_ptr<object::object_list_base>, object::type_count> lists_;
    static constexpr uint32_t passes_[3] = {object::cat_drawn, object::cat_control,
                                            object::cat_area};
    object::busy_flag busy_;
    cor::guid hot_ = cor::guid_null;

    struct t_gathered {
        cor::guid parent;
        HWND wnd;
        std::vector<RECT> parts;  // screen pixels, right and bottom excluded
    };
    std::vector<t_gathered> gathered_;
    static constexpr size_t max_gathered_parts = 64;

    std::unordered_map<cor::guid, object::object_base*, guid_hash> index_;
    int depth_ = 0;
    std::vector<std::unique_ptr<object::object_base>> graveyard_;
};

}  // namespace vesk
