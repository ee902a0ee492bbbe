// Push buttons: real child windows of the platform's button class,
// subclassed to track the mouse; text, bitmap and two owner-drawn kinds.
#pragma once

#include <string>

#include "host/gdi_handles.h"
#include "object/grammar/values.h"
#include "object/object_base.h"

namespace vesk::object {

class button_object final : public object_base {
public:
    enum kind_t : int { kind_text = 1, kind_image = 2, kind_text2 = 3, kind_image2 = 4 };

    button_object() : object_base(cat_control, type_button) {}
    ~button_object() override;

    int32_t x = -1, y = -1, width = -1, height = -1;
    std::string text, script, push, over;
    grammar::colour foreground, background;
    grammar::font font;  // valid when a font option was given
    int kind = kind_text;
    bool cache = true;
    bool keepaspect = false;

    void draw(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) override;
    void draw_item(WPARAM wp, const DRAWITEMSTRUCT& item) override;
    void on_command(const cor::guid& parent_id, HWND wnd, uint32_t command, uint32_t code) override;
    bool get_rect(RECT& r) override;
    void follow_scale() override;

    [[nodiscard]] bool hover() const { return hover_; }

private:
    static LRESULT CALLBACK subclass(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    void create_window(HWND parent_wnd, HDC dc);
    void capture_background(HWND button);
    void apply_font(int dpi);
    void paint_text2(HDC dc, const DRAWITEMSTRUCT& item, RECT text_rect, RECT inner);

    unique_hbitmap normal_;
    unique_hbitmap background_;
    unique_hfont font_handle_;
    WNDPROC class_proc_ = nullptr;
    bool hover_ = false;
};

}  // namespace vesk::object
