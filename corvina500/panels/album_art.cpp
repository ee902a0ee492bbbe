// "Album Art": the playing track's front cover, scaled to fit and keeping
// its aspect. The Host has no album-art service yet, so the cover drawn is
// a placeholder (a square record sleeve); once the service exists this
// panel asks it for the picture and draws that in the same square fitting.
// Settings: the background colour and the margin around the picture.
#include <algorithm>

#include "app/player_core.h"
#include "panels/panel_types.h"

namespace cor::panels {
namespace {

constexpr uint32_t settings_version = 1;

class album_art : public host_panel {
public:
    album_art(const t_panel_type& type, t_panel_env env)
        : host_panel(type, env), watch_([this] {
              if (wnd_) InvalidateRect(wnd_, nullptr, FALSE);
          }) {}

protected:
    // The window goes while this panel is still whole.
    ~album_art() override { destroy_window(); }

    bool read_settings(std::string_view bytes) override {
        uint32_t v[2];
        if (!unpack_settings(bytes, settings_version, v, 2) || v[0] > 0xFFFFFF || v[1] > 1000)
            return false;
        back_ = v[0];
        margin_ = v[1];
        if (wnd_) InvalidateRect(wnd_, nullptr, FALSE);
        return true;
    }

    std::string write_settings() override {
        return pack_settings(settings_version, {back_, margin_});
    }

    void on_created() override {
        watch_.start(env_.core.callbacks(),
                     play_callback::flag_new_track | play_callback::flag_stop, 0);
    }
    void on_destroying() override { watch_.stop(); }

    LRESULT on_message(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_ERASEBKGND) return 1;
        if (msg == WM_PAINT) {
            paint();
            return 0;
        }
        return host_panel::on_message(msg, wp, lp);
    }

private:
    void paint() {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd_, &ps);
        RECT cr;
        GetClientRect(wnd_, &cr);
        HBRUSH back = CreateSolidBrush(back_);
        FillRect(dc, &cr, back);
        DeleteObject(back);
        // A square picture fitted into the client area, centred.
        const int m = static_cast<int>(margin_);
        const int side = std::max(0, static_cast<int>(std::min(cr.right, cr.bottom)) - 2 * m);
        if (side > 0) {
            const int x = (cr.right - side) / 2, y = (cr.bottom - side) / 2;
            RECT sleeve{x, y, x + side, y + side};
            HBRUSH fill = CreateSolidBrush(RGB(70, 70, 80));
            FillRect(dc, &sleeve, fill);
            DeleteObject(fill);
            const bool playing = env_.core.playback().is_playing();
            HBRUSH disc = CreateSolidBrush(playing ? RGB(30, 30, 30) : RGB(110, 110, 120));
            HGDIOBJ old_brush = SelectObject(dc, disc);
            HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
            const int r = side * 3 / 8, cx = x + side / 2, cy = y + side / 2;
            Ellipse(dc, cx - r, cy - r, cx + r, cy + r);
            SelectObject(dc, GetStockObject(WHITE_BRUSH));
            Ellipse(dc, cx - r / 6, cy - r / 6, cx + r / 6, cy + r / 6);
            SelectObject(dc, old_pen);
            SelectObject(dc, old_brush);
            DeleteObject(disc);
        }
        EndPaint(wnd_, &ps);
    }

    player_watch watch_;
    uint32_t back_ = RGB(0, 0, 0);
    uint32_t margin_ = 4;
};

}  // namespace

ui_extension::window* make_album_art(const t_panel_type& type, t_panel_env env) {
    return new service_impl_t<album_art>(type, env);
}

}  // namespace cor::panels
