// Asks a running player to end from outside, as a user would while one of
// its menus or boxes is open: "close" closes its main window (what the
// tray menu's Exit does), "session" ends the user's session for it (what
// signing out does: may the session end, then it ends).
#include <windows.h>

#include <cwchar>

namespace {

HWND wait_for(const wchar_t* window_class) {
    for (int i = 0; i < 200; ++i) {
        if (HWND found = FindWindowW(window_class, nullptr)) return found;
        Sleep(50);
    }
    return nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool session = argc > 1 && std::wcscmp(argv[1], L"session") == 0;
    HWND target = wait_for(session ? L"corvina500_session" : L"cor_ui_vesk_window_class");
    if (!target) return 1;
    // Time for the player's timer to open its menu or box.
    Sleep(1200);
    if (!session) return PostMessageW(target, WM_CLOSE, 0, 0) ? 0 : 1;
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(target, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000,
                        &answer);
    SendMessageTimeoutW(target, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 20000,
                        &answer);
    return 0;
}
