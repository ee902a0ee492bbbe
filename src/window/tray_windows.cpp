#include "window/tray_windows.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>
#include <type_traits>
#include <vector>

#include "host/authoring.h"
#include "host/console_capture.h"
#include "host/gdi_handles.h"
#include "host/host_services.h"
#include "registry/tray_state.h"
#include "registry/window_registry.h"
#include "window/script_window.h"
#include "window/stacking.h"
#include "window/tray_icon.h"

namespace vesk {

void hide_all_windows(bool from_minimize) {
    script_window* main = script_window::from_handle(main_window_handle());
    if (!main) return;
    main->suppress_events = true;
    main->hidden_by_minimize = from_minimize;
    for (auto& info : open_windows()) {
        info.zorder = 0;
        info.topmost =
            GetWindowLongW(reinterpret_cast<HWND>(info.hwnd), GWL_EXSTYLE) & WS_EX_TOPMOST;
    }
    // Ranked also when the main window was minimized, so that the others
    // come back in their former order then too; the main window keeps 0.
    int rank = 1;
    for (HWND w : script_windows_from_top()) {
        if (w == main->hwnd()) continue;
        const size_t open = open_window_by_handle(reinterpret_cast<HWND__*>(w));
        if (open != no_window) open_windows()[open].zorder = rank++;
    }
    if (HWND palette = palette_window(); palette && IsWindow(palette)) ShowWindow(palette, SW_HIDE);
    // Hiding may run scripts of the other windows: walk by handle.
    std::vector<HWND> handles;
    for (const auto& info : open_windows()) handles.push_back(reinterpret_cast<HWND>(info.hwnd));
    for (HWND w : handles)
        if (IsWindow(w)) ShowWindow(w, SW_HIDE);
    tray_state().windows_stored = true;
    if (from_minimize)
        if (tray_icon* tray = main->tray.get(); tray && !tray->shown()) tray->show();
}

void restore_all_windows() {
    script_window* main = script_window::from_handle(main_window_handle());
    if (!main) return;
    main->suppress_events = false;
    if (HWND palette = palette_window(); palette && IsWindow(palette)) {
        ShowWindow(palette, SW_SHOW);
        BringWindowToTop(palette);
        SetForegroundWindow(palette);
    }
    struct entry {
        HWND wnd;
        int rank;
        bool topmost, visible;
    };
    std::vector<entry> order;
    for (const auto& info : open_windows())
        order.push_back(
            {reinterpret_cast<HWND>(info.hwnd), info.zorder, info.topmost, info.visible});
    // Lowest in the stack first, so the topmost ends on top; equal ranks in list order.
    std::stable_sort(order.begin(), order.end(),
                     [](const entry& a, const entry& b) { return a.rank > b.rank; });
    for (const entry& e : order) {
        if (!e.visible || !IsWindow(e.wnd)) continue;
        ShowWindow(e.wnd, SW_SHOW);
        if (e.wnd == main->hwnd() && main->hidden_by_minimize) ShowWindow(e.wnd, SW_RESTORE);
        SetWindowPos(e.wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        if (e.topmost) SetWindowPos(e.wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        BringWindowToTop(e.wnd);
        SetForegroundWindow(e.wnd);
    }
    main->hidden_by_minimize = false;
    tray_state().windows_stored = false;
    if (tray_mode() == 3)
        if (tray_icon* tray = main->tray.get()) tray->remove();
}

namespace {

using menu_handle = std::unique_ptr<std::remove_pointer_t<HMENU>, decltype(&DestroyMenu)>;

void show_menu(HWND main) {
    cor::playback_control* pc = host::playback();
    const bool playing = pc && pc->is_playing();
    const bool paused = pc && pc->is_paused();
    menu_handle menu(CreatePopupMenu(), &DestroyMenu);
    if (!menu) return;
    const struct {
        int id;
        const wchar_t* text;
        bool checked;
    } items[] = {
        {tray_stop, L"Stop", !playing},
        {tray_pause, L"Pause", paused},
        {tray_play, L"Play", playing},
        {tray_previous, L"Previous", false},
        {tray_next, L"Next", false},
        {tray_random, L"Random", false},
        {0, nullptr, false},
        {tray_configuration, L"Vesk UI Configuration", false},
        {tray_preferences, L"Preferences", false},
        {0, nullptr, false},
        {tray_exit, L"Exit", false},
    };
    for (const auto& item : items) {
        if (!item.text)
            AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuW(menu.get(), MF_STRING | (item.checked ? MF_CHECKED : 0),
                        static_cast<UINT_PTR>(item.id), item.text);
    }
    POINT at;
    GetCursorPos(&at);
    SetForegroundWindow(main);
    const int chosen = static_cast<int>(TrackPopupMenu(
        menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, main, nullptr));
    // Lets the menu close properly when the user clicks elsewhere.
    PostMessageW(main, WM_NULL, 0, 0);
    if (chosen) run_tray_command(main, chosen);
}

}  // namespace

void run_tray_command(HWND main, int command) {
    using pc_t = cor::playback_control;
    pc_t* pc = host::playback();
    switch (command) {
        case tray_stop:
            if (pc) pc->stop();
            break;
        case tray_pause:
            // Checked while paused, so choosing it again resumes.
            if (pc) pc->toggle_pause();
            break;
        case tray_play:
            if (pc) pc->start(pc_t::track_command_play, false);
            break;
        case tray_previous:
            if (pc) pc->start(pc_t::track_command_prev, false);
            break;
        case tray_next:
            if (pc) pc->start(pc_t::track_command_next, false);
            break;
        case tray_random:
            if (pc) pc->start(pc_t::track_command_rand, false);
            break;
        case tray_configuration:
            (void)authoring::open_dialog();
            break;
        case tray_preferences:
            if (auto* menu = host::mainmenu())
                (void)menu->execute_command(cor::mainmenu_manager::command_preferences);
            break;
        case tray_exit:
            SendMessageW(main, WM_CLOSE, 0, 0);
            break;
        default:
            break;
    }
}

void on_tray_callback(HWND main, LPARAM lp) {
    switch (LOWORD(lp)) {
        case WM_LBUTTONDOWN:
            if (IsWindowVisible(main))
                hide_all_windows(false);
            else
                restore_all_windows();
            break;
        case WM_RBUTTONUP:
            show_menu(main);
            break;
        default:
            break;
    }
}

}  // namespace vesk
