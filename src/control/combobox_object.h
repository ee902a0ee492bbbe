// Drop-down lists whose items are drawn by scripts: a child window of the
// platform's combobox class, owner-drawn with items of variable height.
// Each item's draw script fills the item with objects drawn inside the
// combobox; its select script runs when the user confirms the item.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "object/object_base.h"

namespace vesk::object {

struct combobox_item {
    int32_t height = -1;  // 1..255; negative: the combobox's own height
    std::string draw;
    std::string select;
};

class combobox_object final : public object_base {
public:
    combobox_object() : object_base(cat_control | cat_combobox, type_combobox) {}
    ~combobox_object() override;

    int32_t x = -1, y = -1, width = -1, height = -1;
    int32_t drop_height = 600;

    [[nodiscard]] size_t item_count() const { return items_.size(); }
    // Appends an item, to the window too when it exists.
    void add_item(combobox_item item);
    // False when the window refuses the index (or does not exist).
    bool select(int64_t index);
    bool remove_item(int64_t index);

    void draw(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) override;
    void draw_item(WPARAM wp, const DRAWITEMSTRUCT& item) override;
    void measure_item(WPARAM wp, MEASUREITEMSTRUCT& item) override;
    void on_command(const cor::guid& parent_id, HWND wnd, uint32_t command, uint32_t code) override;
    bool get_rect(RECT& r) override;
    void follow_scale() override;

private:
    static LRESULT CALLBACK subclass(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    void create_window(HWND parent_wnd);
    // The closed height while empty, the drop height once there are items.
    void apply_size();
    void hide_empty_list();
    void append_to_window(combobox_item& item);
    // The skin's colours instead of the platform's theme around the
    // closed field's item: a flat frame and a flat arrow (below).
    void paint_closed(HWND wnd);
    void paint_frame(HWND wnd);
    [[nodiscard]] COLORREF fill_colour() const;

    // Stable addresses: each item is the window's data for its entry.
    std::vector<std::unique_ptr<combobox_item>> items_;
    WNDPROC class_proc_ = nullptr;
    RECT field_item_{};  // where the closed field's item was last drawn
};

}  // namespace vesk::object
