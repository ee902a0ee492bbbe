#include "app/basic_window.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/exit_request.h"
#include "app/host_commands.h"
#include "app/window_dpi.h"
#include "corvina500/panels/menu_by_path.h"
#include "corvina500/player/player_core.h"
#include "titleformat/titleformat.h"
#include "utf8.h"

namespace cor {
namespace {

constexpr wchar_t class_name[] = L"corvina500_basic_window";
enum : int {
    id_list = 100,
    id_play = 101,
    id_stop = 102,
    id_status = 103,
    id_first_command = 1000
};

}  // namespace

class basic_window::impl final : public play_callback, public playlist_callback {
public:
    impl(player_core& core, host_commands* commands) : core_(core), commands_(commands) {}
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
        if (commands_) SetMenu(wnd_, build_menu_bar());
        SetWindowPos(wnd_, nullptr, 0, 0, px(520), px(420),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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
                dpi_ = window_dpi(wnd);
                font_.make(dpi_);
                font_.apply_to_children(wnd);
                // The focus is mostly on a child; the shortcuts must not
                // depend on which one.
                for (HWND child = GetWindow(wnd, GW_CHILD); child;
                     child = GetWindow(child, GW_HWNDNEXT))
                    SetWindowSubclass(child, &impl::child_proc, 0,
                                      reinterpret_cast<DWORD_PTR>(this));
                return 0;
            }
            case WM_KEYDOWN:
            case WM_SYSKEYDOWN:
                if (shortcut(wp)) return 0;
                return DefWindowProcW(wnd, msg, wp, lp);
            case WM_SIZE: {
                const int w = LOWORD(lp), h = HIWORD(lp);
                MoveWindow(GetDlgItem(wnd, id_play), px(8), px(8), px(100), px(26), TRUE);
                MoveWindow(GetDlgItem(wnd, id_stop), px(116), px(8), px(70), px(26), TRUE);
                MoveWindow(GetDlgItem(wnd, id_status), px(196), px(13), w - px(204), px(20), TRUE);
                MoveWindow(GetDlgItem(wnd, id_list), px(8), px(42), w - px(16), h - px(50), TRUE);
                return 0;
            }
            case WM_DPICHANGED:
                dpi_ = HIWORD(wp);
                font_.make(dpi_);
                font_.apply_to_children(wnd);
                take_suggested_rect(wnd, lp);
                return 0;
            case WM_INITMENUPOPUP:
                refresh_menu_states(reinterpret_cast<HMENU>(wp));
                return 0;
            case WM_CONTEXTMENU:
                if (reinterpret_cast<HWND>(wp) == GetDlgItem(wnd, id_list)) show_context_menu(lp);
                return 0;
            case WM_COMMAND:
                if (commands_ && LOWORD(wp) >= id_first_command &&
                    LOWORD(wp) < id_first_command + menu_ids_.size()) {
                    (void)commands_->execute(menu_ids_[LOWORD(wp) - id_first_command]);
                    return 0;
                }
                if (LOWORD(wp) == id_play) core_.playback().play_or_pause();
                if (LOWORD(wp) == id_stop) core_.playback().stop();
                if (LOWORD(wp) == id_list && HIWORD(wp) == LBN_SELCHANGE) select_listed();
                if (LOWORD(wp) == id_list && HIWORD(wp) == LBN_DBLCLK) {
                    const auto item = SendDlgItemMessageW(wnd, id_list, LB_GETCURSEL, 0, 0);
                    const size_t pl = core_.playlists().get_active_playlist();
                    if (item != LB_ERR && pl != no_index)
                        core_.playback().play_item(pl, static_cast<size_t>(item));
                }
                return 0;
            case WM_CLOSE:
                request_exit();
                return 0;
            default:
                return DefWindowProcW(wnd, msg, wp, lp);
        }
    }

    static LRESULT CALLBACK child_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                       DWORD_PTR data) {
        auto* self = reinterpret_cast<impl*>(data);
        if ((msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) && self->shortcut(wp)) return 0;
        if (msg == WM_NCDESTROY) RemoveWindowSubclass(wnd, &impl::child_proc, 0);
        return DefSubclassProc(wnd, msg, wp, lp);
    }

    bool shortcut(WPARAM key) { return commands_ && commands_->process_keydown(key); }

    // The highlighted line is the playlist's selection and focus, so the
    // selection commands (Remove, Crop) act on what the user sees.
    void select_listed() {
        const auto item = SendDlgItemMessageW(wnd_, id_list, LB_GETCURSEL, 0, 0);
        const size_t pl = core_.playlists().get_active_playlist();
        const size_t n = pl == no_index ? 0 : core_.playlists().playlist_get_item_count(pl);
        if (item == LB_ERR || static_cast<size_t>(item) >= n) return;
        const std::unique_ptr<bool[]> all(new bool[n]), state(new bool[n]);
        for (size_t i = 0; i < n; ++i) {
            all[i] = true;
            state[i] = i == static_cast<size_t>(item);
        }
        (void)core_.playlists().playlist_set_selection(pl, all.get(), state.get(), n);
        (void)core_.playlists().playlist_set_focus_item(pl, static_cast<size_t>(item));
    }

    HMENU build_menu_bar() {
        HMENU bar = CreateMenu();
        std::vector<std::pair<std::string, HMENU>> submenus;
        menu_ids_.clear();
        for (const auto& e : commands_->menus().mainmenu()) {
            add_by_path(bar, submenus, e.path,
                        id_first_command + static_cast<UINT>(menu_ids_.size()), 0);
            menu_ids_.push_back(e.id);
        }
        return bar;
    }

    // Check marks and grayed items as things stand when a menu opens.
    void refresh_menu_states(HMENU popup) {
        if (!commands_) return;
        const auto entries = commands_->menus().mainmenu();
        for (int i = 0, n = GetMenuItemCount(popup); i < n; ++i) {
            const UINT id = GetMenuItemID(popup, i);
            if (id < id_first_command || id >= id_first_command + menu_ids_.size()) continue;
            const guid& g = menu_ids_[id - id_first_command];
            for (const auto& e : entries) {
                if (e.id != g) continue;
                CheckMenuItem(
                    popup, id,
                    MF_BYCOMMAND |
                        (e.flags & mainmenu_commands::flag_checked ? MF_CHECKED : MF_UNCHECKED));
                EnableMenuItem(
                    popup, id,
                    MF_BYCOMMAND |
                        (e.flags & mainmenu_commands::flag_disabled ? MF_GRAYED : MF_ENABLED));
            }
        }
    }

    void show_context_menu(LPARAM at) {
        const auto item = SendDlgItemMessageW(wnd_, id_list, LB_GETCURSEL, 0, 0);
        const size_t pl = core_.playlists().get_active_playlist();
        metadb_handle* track = nullptr;
        if (!commands_ || item == LB_ERR || pl == no_index ||
            !core_.playlists().playlist_get_item_handle(pl, static_cast<size_t>(item), &track))
            return;
        const auto entries = commands_->menus().contextmenu();
        HMENU popup = CreatePopupMenu();
        std::vector<std::pair<std::string, HMENU>> submenus;
        for (size_t i = 0; i < entries.size(); ++i)
            add_by_path(popup, submenus, entries[i].path, static_cast<UINT>(i + 1), 0);
        POINT p{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
        // From the keyboard both coordinates are -1 (however LPARAM widens them).
        if (p.x == -1 && p.y == -1) GetCursorPos(&p);
        const UINT chosen = static_cast<UINT>(
            TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, wnd_, nullptr));
        DestroyMenu(popup);
        if (chosen >= 1 && chosen <= entries.size())
            (void)commands_->menus().execute_context(entries[chosen - 1].id, &track, 1);
        track->service_release();
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

    int px(int v) const { return scale_px(v, dpi_); }

    player_core& core_;
    host_commands* commands_;
    std::vector<guid> menu_ids_;
    // The layout's numbers are 96-DPI pixels, scaled to this.
    int dpi_ = 96;
    dpi_font font_;
};

basic_window::basic_window(player_core& core, host_commands* commands)
    : impl_(std::make_unique<impl>(core, commands)) {}
basic_window::~basic_window() = default;
bool basic_window::create() { return impl_->create(); }
void* basic_window::handle() const { return impl_->wnd_; }

}  // namespace cor
