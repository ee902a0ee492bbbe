// A toolbar in a script window with one button per top-level group of the
// Host's main menu; a button opens that group's commands as a popup menu,
// and moving onto another button while a menu is open switches to its menu.
#pragma once

#include <string>
#include <vector>

#include "host/gdi_handles.h"
#include "object/grammar/values.h"
#include "object/object_base.h"

namespace vesk::object {

class menubar_object final : public object_base {
public:
    enum bg_mode_t : int { bg_colour = 0, bg_transparent = 1, bg_alpha = 2 };

    menubar_object() : object_base(cat_control, type_menubar) {}
    ~menubar_object() override;

    int32_t x = -1, y = -1, width = -1, height = -1;  // below 1: fit the buttons
    grammar::colour foreground, background;
    int bg_mode = bg_colour;
    uint8_t alpha = 255;
    grammar::font font;  // valid when a font option was given

    // The groups shown, in button order, once the toolbar exists.
    [[nodiscard]] const std::vector<std::string>& groups() const { return groups_; }

    void draw(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) override;
    void on_command(const cor::guid& parent_id, HWND wnd, uint32_t command, uint32_t code) override;
    bool get_rect(RECT& r) override;
    bool get_property(property p, std::string& out) override;

private:
    static LRESULT CALLBACK subclass(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK menu_hook(int code, WPARAM wp, LPARAM lp);
    void create_window(HWND parent_wnd, HDC dc);
    void erase_background(HDC dc);
    void open_menu(HWND script_wnd, size_t button);

    std::vector<std::string> groups_;
    unique_hfont font_handle_;
    WNDPROC class_proc_ = nullptr;
};

}  // namespace vesk::object
