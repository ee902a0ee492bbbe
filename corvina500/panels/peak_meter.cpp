// "Peak Meter": left and right levels of what the engine plays, from its
// PCM tap. A timer redraws it at most 30 times a second, and only while
// playing: stopped or paused, the timer is off and nothing is drawn.
// Settings: the bar colour and the background colour.
#include <algorithm>

#include "corvina500/player/player_core.h"
#include "panels/panel_types.h"

namespace cor::panels {
namespace {

constexpr uint32_t settings_version = 1;
constexpr UINT_PTR frame_timer = 1;
constexpr UINT frame_ms = 34;  // under 30 frames a second
// Each frame a level falls by at most this share of full scale.
constexpr double fall_per_frame = 0.06;

class peak_meter : public host_panel {
public:
    peak_meter(const t_panel_type& type, t_panel_env env)
        : host_panel(type, env), watch_([this] { follow_playback(); }) {}

    uint64_t frames() const { return frames_; }

protected:
    // The window goes while this panel is still whole.
    ~peak_meter() override { destroy_window(); }

    bool read_settings(std::string_view bytes) override {
        uint32_t v[2];
        if (!unpack_settings(bytes, settings_version, v, 2) || (v[0] | v[1]) > 0xFFFFFF)
            return false;
        bar_ = v[0];
        back_ = v[1];
        if (wnd_) InvalidateRect(wnd_, nullptr, FALSE);
        return true;
    }

    std::string write_settings() override { return pack_settings(settings_version, {bar_, back_}); }
    std::vector<t_settings_field> settings_fields() const override {
        return {{"Bar colour", true}, {"Background colour", true}};
    }

    void on_created() override {
        watch_.start(env_.core.callbacks(),
                     play_callback::flag_starting | play_callback::flag_new_track |
                         play_callback::flag_stop | play_callback::flag_pause,
                     0);
        follow_playback();
    }

    void on_destroying() override {
        watch_.stop();
        if (ticking_) KillTimer(wnd_, frame_timer);
        ticking_ = false;
    }

    LRESULT on_message(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
            case WM_TIMER:
                if (wp == frame_timer) frame();
                return 0;
            case WM_ERASEBKGND:
                return 1;
            case WM_PAINT:
                paint();
                return 0;
            default:
                return host_panel::on_message(msg, wp, lp);
        }
    }

private:
    void follow_playback() {
        if (!wnd_) return;
        playback_engine& engine = env_.core.playback();
        const bool run = engine.is_playing() && !engine.is_paused();
        if (run && !ticking_) {
            int drop_l = 0, drop_r = 0;
            env_.core.tap().take(drop_l, drop_r);  // what was played before is not shown
            ticking_ = SetTimer(wnd_, frame_timer, frame_ms, nullptr) != 0;
        } else if (!run && ticking_) {
            KillTimer(wnd_, frame_timer);
            ticking_ = false;
            left_ = right_ = 0;
            InvalidateRect(wnd_, nullptr, FALSE);
        }
    }

    void frame() {
        int l = 0, r = 0;
        env_.core.tap().take(l, r);
        left_ = std::max(l / 32768.0, left_ - fall_per_frame);
        right_ = std::max(r / 32768.0, right_ - fall_per_frame);
        ++frames_;
        InvalidateRect(wnd_, nullptr, FALSE);
    }

    void paint() {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd_, &ps);
        RECT cr;
        GetClientRect(wnd_, &cr);
        HBRUSH back = CreateSolidBrush(back_);
        HBRUSH bar = CreateSolidBrush(bar_);
        FillRect(dc, &cr, back);
        const int gap = 4, h = std::max(0, static_cast<int>(cr.bottom - 3 * gap) / 2);
        const double levels[2] = {left_, right_};
        for (int i = 0; i < 2; ++i) {
            const int top = gap + i * (h + gap);
            const int w = static_cast<int>((cr.right - 2 * gap) * std::clamp(levels[i], 0.0, 1.0));
            RECT r{gap, top, gap + w, top + h};
            if (w > 0) FillRect(dc, &r, bar);
        }
        DeleteObject(bar);
        DeleteObject(back);
        EndPaint(wnd_, &ps);
    }

    player_watch watch_;
    bool ticking_ = false;
    double left_ = 0, right_ = 0;
    uint64_t frames_ = 0;
    uint32_t bar_ = RGB(40, 200, 90);
    uint32_t back_ = RGB(20, 20, 20);
};

}  // namespace

ui_extension::window* make_peak_meter(const t_panel_type& type, t_panel_env env) {
    return new service_impl_t<peak_meter>(type, env);
}

uint64_t peak_meter_frames(ui_extension::window* meter) {
    if (!meter || meter->get_extension_guid() != peak_meter_guid) return 0;
    return static_cast<peak_meter*>(meter)->frames();
}

}  // namespace cor::panels
