#include "app/exit_request.h"

#include <string_view>

namespace cor {
namespace {

bool is_modal_dialog(HWND wnd) {
    wchar_t cls[8] = L"";
    if (GetClassNameW(wnd, cls, 8) != 6 || std::wstring_view(cls) != L"#32770") return false;
    if (!IsWindowVisible(wnd)) return false;
    HWND owner = GetWindow(wnd, GW_OWNER);
    return !owner || !IsWindowEnabled(owner);
}

BOOL CALLBACK end_if_modal(HWND wnd, LPARAM) {
    if (is_modal_dialog(wnd)) EndDialog(wnd, IDCANCEL);
    return TRUE;
}

void CALLBACK exit_timer_elapsed(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    request_exit();
}

}  // namespace

void end_modal_loops() {
    EndMenu();
    EnumThreadWindows(GetCurrentThreadId(), &end_if_modal, 0);
}

void request_exit(int code) {
    end_modal_loops();
    PostQuitMessage(code);
}

UINT_PTR start_exit_timer(UINT ms) { return SetTimer(nullptr, 0, ms, &exit_timer_elapsed); }

namespace {

// The watch listening on the interface's main window (one at a time).
session_watch* g_on_ui = nullptr;

}  // namespace

session_watch::session_watch(std::function<void()> finish, bool ui_window)
    : finish_(std::move(finish)) {
    // The interface's window hears it already: a window of one's own would
    // cost a top-level window at every start.
    if (ui_window) {
        g_on_ui = this;
        return;
    }
    WNDCLASSW wc{};
    wc.lpfnWndProc = &session_watch::proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = session_window_class;
    RegisterClassW(&wc);
    wnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, session_window_class, L"", WS_POPUP, 0, 0, 0, 0,
                           nullptr, nullptr, wc.hInstance, this);
}

session_watch::~session_watch() {
    if (g_on_ui == this) g_on_ui = nullptr;
    if (wnd_) {
        SetWindowLongPtrW(wnd_, GWLP_USERDATA, 0);
        DestroyWindow(wnd_);
    }
}

bool session_watch::ui_hook(void*, uint32_t msg, uintptr_t wparam, intptr_t, intptr_t* result) {
    LRESULT r = 0;
    if (!g_on_ui || !g_on_ui->take(msg, wparam, r)) return false;
    if (result) *result = r;
    return true;
}

bool session_watch::take(UINT msg, WPARAM wp, LRESULT& result) {
    switch (msg) {
        case WM_QUERYENDSESSION:
            result = TRUE;
            return true;
        case WM_ENDSESSION:
            if (wp && finish_) {
                end_modal_loops();
                const auto finish = std::move(finish_);
                finish_ = nullptr;
                finish();
                ExitProcess(0);
            }
            result = 0;
            return true;
        default:
            return false;
    }
}

LRESULT CALLBACK session_watch::proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<session_watch*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    LRESULT result = 0;
    if (self && self->take(msg, wp, result)) return result;
    return DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace cor
