#include "app/basic_window.h"

#include <windows.h>

#include <string>

#include "app/player_core.h"
#include "titleformat/titleformat.h"
#include "utf8.h"

namespace cor {
namespace {

constexpr wchar_t class_name[] = L"corvina500_basic_window";
enum : int { id_list = 100, id_play = 101, id_stop = 102, id_status = 103 };

}  // namespace

class basic_window::impl final : public play_callback, public playlist_callback {
public:
    explicit impl(player_core& core) : core_(core) {}
    ~impl() {
        (void)core_.callbacks().unregister_play_callback(this);
        (void)core_.callbacks().unregister_playlist_callback(this);
        if (wnd_) DestroyWindow(wnd_);
    }

    bool create() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &impl::thunk;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = class_name;
        RegisterClassExW(&wc);
        wnd_ = CreateWindowExW(0, class_name, L"corvina500", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                               CW_USEDEFAULT, 520, 420, nullptr, nullptr, wc.hInstance, this);
        if (!wnd_) return false;
        (void)core_.callbacks().register_play_callback(this, play_callback::flag_all);
        (void)core_.callbacks().register_playlist_callback(this, playlist_callback::flag_all);
        refresh_list();
        refresh_status();
        ShowWindow(wnd_, SW_SHOW);
        return true;
    }
    HWND wnd_ = nullptr;

private:
    static LRESULT CALLBACK thunk(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrW(
                wnd, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
        auto* self = reinterpret_cast<impl*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
        if (!self) return DefWindowProcW(wnd, msg, wp, lp);
        if (msg == WM_NCDESTROY) {
            SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
            self->wnd_ = nullptr;
        }
        return self->proc(wnd, msg, wp, lp);
    }

    LRESULT proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        switch (msg) {
            case WM_CREATE: {
                const auto inst = GetModuleHandleW(nullptr);
                CreateWindowExW(0, L"BUTTON", L"Play/Pause", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                0, 0, 0, 0, wnd, reinterpret_cast<HMENU>(id_play), inst, nullptr);
                CreateWindowExW(0, L"BUTTON", L"Stop", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0,
                                0, 0, wnd, reinterpret_cast<HMENU>(id_stop), inst, nullptr);
                CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 0, 0,
                                0, 0, wnd, reinterpret_cast<HMENU>(id_status), inst, nullptr);
                CreateWindowExW(
                    WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                    WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, 0, 0,
                    0, wnd, reinterpret_cast<HMENU>(id_list), inst, nullptr);
                return 0;
            }
            case WM_SIZE: {
                const int w = LOWORD(lp), h = HIWORD(lp);
                MoveWindow(GetDlgItem(wnd, id_play), 8, 8, 100, 26, TRUE);
                MoveWindow(GetDlgItem(wnd, id_stop), 116, 8, 70, 26, TRUE);
                MoveWindow(GetDlgItem(wnd, id_status), 196, 13, w - 204, 20, TRUE);
                MoveWindow(GetDlgItem(wnd, id_list), 8, 42, w - 16, h - 50, TRUE);
                return 0;
            }
            case WM_COMMAND:
                if (LOWORD(wp) == id_play) core_.playback().play_or_pause();
                if (LOWORD(wp) == id_stop) core_.playback().stop();
                if (LOWORD(wp) == id_list && HIWORD(wp) == LBN_DBLCLK) {
                    const auto item = SendDlgItemMessageW(wnd, id_list, LB_GETCURSEL, 0, 0);
                    const size_t pl = core_.playlists().get_active_playlist();
                    if (item != LB_ERR && pl != no_index)
                        core_.playback().play_item(pl, static_cast<size_t>(item));
                }
                return 0;
            case WM_CLOSE:
                PostQuitMessage(0);
                return 0;
            default:
                return DefWindowProcW(wnd, msg, wp, lp);
        }
    }

    void refresh_list() {
        if (!wnd_) return;
        HWND list = GetDlgItem(wnd_, id_list);
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        SendMessageW(list, LB_RESETCONTENT, 0, 0);
        const std::string lines = core_.format_active("[%artist% - ]%title%");
        size_t start = 0;
        while (start < lines.size()) {
            const size_t end = lines.find('\n', start);
            const std::wstring line = to_wide(lines.substr(start, end - start));
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
            start = end == std::string::npos ? lines.size() : end + 1;
        }
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    }

    void refresh_status() {
        if (!wnd_) return;
        std::string text = "Stopped";
        metadb_handle* playing = nullptr;
        if (core_.playback().get_now_playing(&playing) && playing) {
            const track_ptr track = core_.tracks().adopt(playing);
            playing->service_release();
            bool ok = false;
            const auto program = tf::compile("[%artist% - ]%title%", ok);
            tf::t_format_context ctx;
            ctx.track = &track->info();
            text = core_.playback().is_paused() ? "Paused: " : "Playing: ";
            tf::run(*program, &ctx, nullptr, text);
        }
        SetDlgItemTextW(wnd_, id_status, to_wide(text).c_str());
    }

    void on_playback_starting(uint32_t, bool) override {}
    void on_playback_new_track(metadb_handle*) override { refresh_status(); }
    void on_playback_stop(uint32_t) override { refresh_status(); }
    void on_playback_seek(double) override {}
    void on_playback_pause(bool) override { refresh_status(); }
    void on_playback_edited(metadb_handle*) override { refresh_status(); }
    void on_playback_time(double) override {}
    void on_volume_change(float) override {}

    void on_items_added(size_t, size_t, size_t, metadb_handle* const*, const bool*) override {
        refresh_list();
    }
    void on_items_reordered(size_t, const size_t*, size_t) override { refresh_list(); }
    void on_items_removed(size_t, const bool*, size_t, size_t) override { refresh_list(); }
    void on_items_selection_change(size_t, const bool*, const bool*, size_t) override {}
    void on_item_focus_change(size_t, size_t, size_t) override {}
    void on_items_modified(size_t, const bool*, size_t) override { refresh_list(); }
    void on_playlist_activate(size_t, size_t) override { refresh_list(); }
    void on_playlist_created(size_t, const char*, size_t) override {}
    void on_playlists_reordered(const size_t*, size_t) override {}
    void on_playlists_removed(const bool*, size_t, size_t) override { refresh_list(); }
    void on_playlist_renamed(size_t, const char*, size_t) override {}
    void on_playback_order_changed(size_t) override {}

    player_core& core_;
};

basic_window::basic_window(player_core& core) : impl_(std::make_unique<impl>(core)) {}
basic_window::~basic_window() = default;
bool basic_window::create() { return impl_->create(); }
void* basic_window::handle() const { return impl_->wnd_; }

}  // namespace cor
