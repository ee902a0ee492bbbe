// The record every script object shares, and the identity texts scripts
// use to name objects. Concrete types (text, shapes, images, controls,
// areas) derive from object_base, fix their category and type index and
// override the operations they support; the base answers "nothing done".
#pragma once

#include <windows.h>

#include <gdiplus.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "guid.h"

namespace vesk::object {

// Category bits: a type takes part in an operation when its mask and the
// operation's mask share a bit.
enum category_bits : uint32_t {
    cat_drawn = 1,     // painted in the first pass
    cat_control = 2,   // receives messages, painted even while hidden
    cat_area = 4,      // mouse maps and groups, never redrawn alone
    cat_order = 8,     // draw-order entries
    cat_combobox = 16  // carried by comboboxes only
};
inline constexpr uint32_t cat_all_objects = cat_drawn | cat_control | cat_area;
inline constexpr uint32_t cat_drawn_and_areas = cat_drawn | cat_area;

inline constexpr bool meets(uint32_t a, uint32_t b) { return (a & b) != 0; }

enum type_index : uint32_t {
    type_text = 0,
    type_drawtext,
    type_gp_image,
    type_gp_text,
    type_gp_line,
    type_gp_rect,
    type_gp_roundrect,
    type_gp_circle,
    type_gp_pie,
    type_gp_polygon,
    type_gp_arc,
    type_button,
    type_combobox,
    type_tooltip,
    type_menubar,
    type_map,
    type_group,
    type_order,
    type_count = type_order  // object types proper: 0..16
};

// The fixed category of each type index (the order type included).
constexpr uint32_t category_of(uint32_t type) {
    if (type <= type_gp_arc) return cat_drawn;
    if (type == type_combobox) return cat_control | cat_combobox;
    if (type <= type_menubar) return cat_control;
    if (type <= type_group) return cat_area;
    return cat_order;
}

// The named properties that $getparam and $setparam reach.
enum class property { text, x, y, w, h };
std::optional<property> property_by_name(std::string_view name);

// The fields behind those properties in a type that has them; a type
// without a width and height leaves those null.
struct t_property_fields {
    std::string& text;
    int32_t& x;
    int32_t& y;
    int32_t* w = nullptr;
    int32_t* h = nullptr;
};
[[nodiscard]] bool get_field_property(const t_property_fields& f, property p, std::string& out);
[[nodiscard]] bool set_field_property(const t_property_fields& f, property p, std::string_view text,
                                      int32_t number);

class object_base {
public:
    object_base(uint32_t category, uint32_t type_index);
    virtual ~object_base();
    object_base(const object_base&) = delete;
    object_base& operator=(const object_base&) = delete;

    const uint32_t category;
    const uint32_t type;
    const cor::guid id;                  // fresh from the platform's generator
    cor::guid target = cor::guid_null;   // order entries: the object stood for
    cor::guid parent = cor::guid_null;   // window GUID, or a combobox/tooltip id
    cor::guid context = cor::guid_null;  // event identity of the creating run
    HWND control_wnd = nullptr;          // child window of a control
    uint32_t control_id = 0;             // command identifier of a control
    bool visible = true;
    std::vector<uint32_t> command_ids;  // further identifiers a control owns

    // Painting: types with glow wrap draw_body in their pipeline.
    virtual void draw(HWND wnd, HDC dc, Gdiplus::Graphics* graphics);
    virtual void draw_body(HWND wnd, HDC dc, Gdiplus::Graphics* graphics);
    virtual void set_position(int32_t x, int32_t y);
    // Inclusive bounding rectangle in client coordinates.
    [[nodiscard]] virtual bool get_rect(RECT& r);

    // Controls.
    // The control's window, made now by a control that puts it off.
    virtual HWND control_window() { return control_wnd; }
    virtual void draw_item(WPARAM wp, const DRAWITEMSTRUCT& item);
    virtual void measure_item(WPARAM wp, MEASUREITEMSTRUCT& item);
    // The window's display scale changed: the control's window is placed
    // again (a control without one does nothing).
    virtual void follow_scale() {}
    virtual void on_command(const cor::guid& parent_id, HWND wnd, uint32_t command, uint32_t code);
    [[nodiscard]] virtual bool on_message(const cor::guid& parent_id, HWND wnd, WPARAM wp,
                                          LPARAM lp, LRESULT& result);

    // Areas: `state` is 1 on entering, 2 while moving, 0 otherwise.
    [[nodiscard]] virtual bool hit_test(int32_t x, int32_t y);
    virtual bool on_mouse(HWND wnd, int state, UINT message, WPARAM wp, LPARAM lp);

    // Named properties; false when the type does not offer `p`.
    [[nodiscard]] virtual bool get_property(property p, std::string& out);
    // `text` is the value as written, `number` the same read as an integer.
    [[nodiscard]] virtual bool set_property(property p, std::string_view text, int32_t number);

    [[nodiscard]] bool owns_command(uint32_t command) const;

    // Objects alive in the process, order entries included: the tests'
    // leak check after churn.
    static size_t live_count();
};

// Stands for one stored object in the draw order.
class order_object final : public object_base {
public:
    explicit order_object(const object_base& of);
};

// 36 characters, five hexadecimal groups 8-4-4-4-12; the separators are
// not examined and lower-case digits are accepted.
std::optional<cor::guid> parse_identity(std::string_view text);
// Upper case, hyphens, no braces.
std::string identity_text(const cor::guid& id);

}  // namespace vesk::object
