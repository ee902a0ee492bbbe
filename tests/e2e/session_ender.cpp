// Ends the user's session for the player alone, as the platform does when
// the user signs out: once the player's session window exists and a moment
// has passed (for a box to open), it asks whether the session may end and
// then tells it that it ends.
#include <windows.h>

int main() {
    HWND session = nullptr;
    for (int i = 0; i < 200 && !session; ++i) {
        session = FindWindowW(L"corvina500_session", nullptr);
        if (!session) Sleep(50);
    }
    if (!session) return 1;
    Sleep(1200);
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(session, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000,
                        &answer);
    SendMessageTimeoutW(session, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 20000,
                        &answer);
    return 0;
}
