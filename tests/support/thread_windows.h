// This thread's own windows, told apart from those of other test programs
// on the shared display, and its message loop run until a condition holds.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cor_test {

// The visible windows of `window_class` that this thread owns (menus are
// "#32768", boxes and dialogs "#32770"), but `skip`.
inline std::vector<HWND> thread_windows(const wchar_t* window_class, HWND skip = nullptr) {
    struct t_search {
        std::wstring_view cls;
        HWND skip;
        std::vector<HWND> found;
    } search{window_class, skip, {}};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM p) {
            auto* s = reinterpret_cast<t_search*>(p);
            wchar_t cls[64] = L"";
            GetClassNameW(w, cls, 64);
            if (cls == s->cls && w != s->skip && IsWindowVisible(w)) s->found.push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}
// The first of them; null when none shows.
inline HWND visible_thread_window(const wchar_t* window_class, HWND skip = nullptr) {
    const auto found = thread_windows(window_class, skip);
    return found.empty() ? nullptr : found.front();
}

// Handles every waiting message, for at most `ms` milliseconds.
inline void pump(unsigned ms = 50) {
    const ULONGLONG until = GetTickCount64() + ms;
    MSG msg;
    do {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(1);
    } while (GetTickCount64() < until);
}
// Handles messages until `done` holds or `ms` milliseconds pass; whether it held.
inline bool pump_until(const std::function<bool()>& done, unsigned ms = 10000) {
    const ULONGLONG until = GetTickCount64() + ms;
    while (!done()) {
        if (GetTickCount64() >= until) return false;
        pump(10);
    }
    return true;
}

namespace detail {
struct t_waiting {
    std::wstring cls;
    HWND skip = nullptr;
    ULONGLONG until = 0;
    std::function<void(HWND)> act;
    UINT_PTR timer = 0;
};
inline t_waiting g_waiting;
inline void CALLBACK check_waiting(HWND, UINT, UINT_PTR, DWORD) {
    const HWND found = visible_thread_window(g_waiting.cls.c_str(), g_waiting.skip);
    if (!found && GetTickCount64() < g_waiting.until) return;
    KillTimer(nullptr, std::exchange(g_waiting.timer, 0));
    const auto act = std::move(g_waiting.act);
    if (act) act(found);
}
}  // namespace detail

// Runs `act` once on this thread's first visible window of `window_class`
// (but `skip`) from inside the modal loop that the code under test starts
// next, as a user would answer it; with null when none shows within
// `wait_ms`.
inline void when_thread_window(const wchar_t* window_class, std::function<void(HWND)> act,
                               unsigned wait_ms = 10000, HWND skip = nullptr) {
    if (detail::g_waiting.timer) KillTimer(nullptr, detail::g_waiting.timer);
    detail::g_waiting = {window_class, skip, GetTickCount64() + wait_ms, std::move(act),
                         SetTimer(nullptr, 0, 10, detail::check_waiting)};
}

}  // namespace cor_test
