// The main window's notification-area icon: one per main window, added and
// removed as the tray mode and scripts ask, re-added when the shell
// restarts. Every request made of the shell is kept (the last few), since
// the platform offers no way to read an icon back.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <deque>
#include <string>
#include <string_view>

namespace vesk {

inline constexpr UINT tray_callback_message = 0x040A;

class tray_icon {
public:
    explicit tray_icon(HWND owner);
    ~tray_icon();  // removes the icon
    tray_icon(const tray_icon&) = delete;
    tray_icon& operator=(const tray_icon&) = delete;

    void show();
    void remove();
    [[nodiscard]] bool shown() const;

    // Loads an icon file; on success it replaces the icon. False when the
    // file gave no icon.
    bool load_icon(const std::wstring& path);
    // The tip of tray_state() onto the icon.
    void update_tip();
    // kind: 0 none, 1 info, 2 warning, 3 error.
    void balloon(std::string_view title, std::string_view text, DWORD kind, bool sound);
    // The shell restarted: the icon comes back when it was shown.
    void on_taskbar_created();
    static UINT taskbar_created_message();

    struct t_request {
        DWORD message;  // NIM_ADD, NIM_MODIFY, NIM_DELETE
        NOTIFYICONDATAW data;
        bool accepted;
    };
    [[nodiscard]] const std::deque<t_request>& requests() const { return requests_; }
    // The Host's own icon unless a file gave one; looked up when first
    // needed, which for most runs is never.
    [[nodiscard]] HICON icon() const;

private:
    [[nodiscard]] NOTIFYICONDATAW record(UINT flags) const;
    bool send(DWORD message, NOTIFYICONDATAW data);

    HWND owner_;
    mutable HICON icon_ = nullptr;
    bool own_icon_ = false;  // loaded from a file, so ours to destroy
    std::deque<t_request> requests_;
};

// The open main window's tray icon, or null.
tray_icon* main_tray();

// The side of the notification area's icons, in screen pixels.
[[nodiscard]] int tray_icon_side();

}  // namespace vesk
