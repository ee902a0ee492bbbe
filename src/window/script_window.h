// One open script window: its operating-system window, back buffer,
// background, event scripts and mouse handling. All script windows share
// the class "cor_ui_vesk_window_class" and one procedure.
#pragma once

#include <windows.h>

#include <array>
#include <memory>

#include "host/gdi_handles.h"
#include "registry/window_services.h"
#include "script/script_context.h"
#include "user_interface.h"
#include "window/back_buffer.h"
#include "window/border.h"
#include "window/fade.h"

namespace vesk {

inline constexpr wchar_t window_class_name[] = L"cor_ui_vesk_window_class";

class tray_icon;

// The platform's size-limit record as it first proposed it, and the record
// in force that every size-limit query receives.
struct t_size_limits {
    MINMAXINFO proposed{}, in_force{};
    bool captured = false;
};

struct t_background {
    bool fill = true;
    COLORREF color = 0xFFFFFF;
    int mode = 0;  // 0 colour, 1 parent's background, 2 colour blended with it
    BYTE alpha = 255;
};

class script_window final : public window_paint_target {
public:
    script_window(const cor::guid& id, const cor::guid& parent, bool recovery,
                  cor::ui_message_hook hook = nullptr);
    ~script_window();
    script_window(const script_window&) = delete;
    script_window& operator=(const script_window&) = delete;

    // Creates the window (hidden first), applies its placement, reopens the
    // last run's windows (main window), runs the open event. False when the
    // platform window could not be made.
    bool initialise(const RECT* rect, bool hidden, bool embedded);

    static bool register_class();
    static void unregister_class();
    // The script_window of an open script window, or null.
    static script_window* from_handle(HWND wnd);

    // The main window opens every other window: false when creation failed.
    bool open_definition(const cor::guid& definition, const cor::guid& parent, bool recovery,
                         bool hidden, bool embedded, const RECT* rect);

    [[nodiscard]] HWND hwnd() const { return wnd_; }
    [[nodiscard]] const cor::guid& id() const { return id_; }
    [[nodiscard]] const cor::guid& parent() const { return parent_; }
    [[nodiscard]] bool is_main() const;
    [[nodiscard]] const cor::guid& event_identity(int event) const;

    // The main window's refresh: its easy-embed tool, panels and embedded
    // windows close, its objects go, and its load and open events run
    // again inside the same platform window.
    void start_over();
    // Makes the window again from its definition where it stands (the main
    // window starts over inside itself); the window's menu's Refresh.
    static void refresh_in_place(HWND wnd);

    // Runs event script `event` (1..6) of this window.
    void run_event(int event, field_list* variables = nullptr);
    // Background into the back buffer (remade first after a screen change).
    void repaint_background();

    // window_paint_target
    HDC back_buffer_dc() override { return buffer_.dc(); }
    Gdiplus::Graphics* back_buffer_graphics() override { return buffer_.graphics(); }
    void paint_background(HDC dc, const RECT& area) override;
    [[nodiscard]] bool background_opaque() const override;
    void redraw(bool full) override;
    int next_control_id() override;
    COLORREF background_colour() const override { return background.color; }
    t_display_scale display_scale() const override { return scale_; }

    t_background background;
    t_border border;
    bool drag = true;
    bool suppress_events = false;
    int cancel_flags = 0;  // bit 0: keep placement, bit 1: no recovery
    t_size_limits limits;
    t_fade fade;
    // Main window only: the tray icon, and whether the windows went to the
    // tray because the main window was minimized.
    std::unique_ptr<tray_icon> tray;
    bool hidden_by_minimize = false;

private:
    static LRESULT CALLBACK thunk(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT proc(UINT msg, WPARAM wp, LPARAM lp);
    void on_create();
    void on_destroy();
    void on_activate(WPARAM wp, LPARAM lp);
    void on_drop_files(HDROP drop);
    LRESULT on_mouse_move(WPARAM wp, LPARAM lp);
    LRESULT on_lbutton_down(WPARAM wp, LPARAM lp);
    void paint_parent_area(HDC dc, const RECT& area, bool blend);
    void paint_all();
    void draw_objects();
    HBRUSH combobox_brush(HWND control);
    void recover_windows();
    void on_dpi_changed(const RECT& suggested);
    // Mouse messages reach the objects in skin pixels.
    LPARAM skin_point(LPARAM lp) const;

    HWND wnd_ = nullptr;
    t_display_scale scale_;
    cor::guid id_;
    cor::guid parent_;
    bool recovery_;
    cor::ui_message_hook hook_;
    std::array<cor::guid, 7> event_ids_{};
    int next_control_ = 100;
    back_buffer buffer_;
    // While the load script runs: the window is not shown yet and is
    // painted whole right after it, so full repaints asked for meanwhile
    // are left to that one.
    bool loading_ = false;
    border_zone resizing_ = border_zone::none;
    unique_hbrush combobox_brush_;
    COLORREF combobox_brush_colour_ = 0;
};

}  // namespace vesk
