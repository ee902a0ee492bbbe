// Tooltips over a rectangle of a script window or of a control: a window
// of the platform's tooltip class with one tool, showing a text with an
// optional title and icon, or, in custom mode, a picture painted by the
// objects a script draws inside the tooltip.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <string>

#include "host/gdi_handles.h"
#include "object/grammar/values.h"
#include "object/object_base.h"

namespace vesk::object {

class tooltip_object final : public object_base {
public:
    enum target_t : int { target_window = 1, target_control = 2 };
    static constexpr int mode_auto = 0;
    static constexpr int mode_absolute = TTF_TRACK | TTF_ABSOLUTE;

    tooltip_object() : object_base(cat_control, type_tooltip) {}
    ~tooltip_object() override;
    // A custom tip's picture is drawn again at the new scale when next shown.
    void follow_scale() override { prepared_ = false; }

    int32_t x = -1, y = -1, width = -1, height = -1;  // the tool rectangle
    int target_kind = target_window;
    cor::guid target_id = cor::guid_null;
    std::string text, title;
    bool balloon = false, close = false, always = true, topmost = false;
    grammar::colour foreground, background;
    std::array<int32_t, 4> margin{-1, -1, -1, -1};
    int icon = 0;  // 0 none, 1 info, 2 warning, 3 error
    grammar::font font;
    std::array<int32_t, 2> position{0, 0};
    int mode = mode_auto;
    std::array<int32_t, 2> size{-1, -1};
    int32_t alpha = 255;
    bool custom = false;

    void draw(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) override;
    bool get_rect(RECT& r) override;
    HWND control_window() override {
        ensure_window();
        return control_wnd;
    }

    // Settings into the tip window; with redraw a custom picture is drawn
    // again. A tip waiting for its window gets it now; nothing happens
    // before its target has one.
    void apply(bool redraw);
    void activate(bool on);
    // The fixed size when set, else the tip's own after measuring.
    [[nodiscard]] SIZE tip_size();
    // The same in skin pixels (a size the script gave already is).
    [[nodiscard]] SIZE tip_skin_size();
    [[nodiscard]] bool tip_visible() const;

private:
    static LRESULT CALLBACK subclass(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    [[nodiscard]] HWND target_window_handle() const;
    // The tip window is made once the thread is idle after the paint that
    // found its target, so a window shows its first frame without waiting
    // for its tips; anything that needs the tip before that makes it at
    // once.
    void schedule_window();
    static void CALLBACK make_waiting_windows(HWND, UINT, UINT_PTR timer, DWORD);
    bool ensure_window();
    void create_window(HWND target);
    void measure();
    void draw_picture();
    void fill_tool(TTTOOLINFOW& ti);

    bool measuring_ = false, prepared_ = false, waiting_ = false;
    unique_hbitmap picture_;
    unique_hdc picture_dc_;
    HGDIOBJ picture_previous_ = nullptr;
    unique_hfont font_handle_;
    WNDPROC class_proc_ = nullptr;
    HWND tool_owner_ = nullptr;
    std::wstring tool_text_;
};

}  // namespace vesk::object
