#include "app/properties_window.h"

#include <windows.h>

#include <cstdio>

#include "app/window_dpi.h"
#include "utf8.h"

namespace cor {
namespace {

enum : int { id_rows = 100 };

std::string length_text(double seconds) {
    const auto total = static_cast<long long>(seconds + 0.5);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%lld:%02lld", total / 60, total % 60);
    return buf;
}

// What a window keeps for its DPI; freed with the window.
struct t_scaled {
    int dpi = 96;
    dpi_font font;
};

t_scaled* scaled_of(HWND wnd) {
    return reinterpret_cast<t_scaled*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
}

LRESULT CALLBACK properties_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SIZE: {
            const int margin = scale_px(8, scaled_of(wnd) ? scaled_of(wnd)->dpi : 96);
            MoveWindow(GetDlgItem(wnd, id_rows), margin, margin, LOWORD(lp) - 2 * margin,
                       HIWORD(lp) - 2 * margin, TRUE);
            return 0;
        }
        case WM_DPICHANGED:
            if (t_scaled* s = scaled_of(wnd)) {
                s->dpi = HIWORD(wp);
                s->font.make(s->dpi);
                s->font.apply_to_children(wnd);
            }
            take_suggested_rect(wnd, lp);
            return 0;
        case WM_NCDESTROY:
            delete scaled_of(wnd);
            SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
            return DefWindowProcW(wnd, msg, wp, lp);
        case WM_COMMAND:
            if (LOWORD(wp) == IDCANCEL) DestroyWindow(wnd);
            return 0;
        case WM_CLOSE:
            DestroyWindow(wnd);
            return 0;
        default:
            return DefWindowProcW(wnd, msg, wp, lp);
    }
}

}  // namespace

std::vector<std::pair<std::string, std::string>> track_property_rows(const t_track_info& track) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (const auto& m : track.meta) {
        std::string value;
        for (const auto& v : m.values) value += (value.empty() ? "" : "; ") + v;
        rows.emplace_back(m.name, value);
    }
    rows.emplace_back("path", track.path);
    if (track.length() > 0) rows.emplace_back("length", length_text(track.length()));
    if (track.file_size) rows.emplace_back("file size", std::to_string(track.file_size) + " bytes");
    for (const auto& [name, value] : track.info) rows.emplace_back(name, value);
    return rows;
}

void* show_properties_window(const t_track_info& track) {
    const HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = properties_proc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = properties_class_name;
    RegisterClassExW(&wc);
    std::string title = track.path.substr(track.path.find_last_of("\\/") + 1);
    HWND wnd = CreateWindowExW(WS_EX_DLGMODALFRAME, properties_class_name,
                               to_wide("Properties: " + title).c_str(),
                               WS_OVERLAPPEDWINDOW & ~WS_MINIMIZEBOX, CW_USEDEFAULT, CW_USEDEFAULT,
                               520, 400, nullptr, nullptr, inst, nullptr);
    if (!wnd) return nullptr;
    auto* scaled = new t_scaled;
    SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(scaled));
    scaled->dpi = window_dpi(wnd);
    scaled->font.make(scaled->dpi);
    SetWindowPos(wnd, nullptr, 0, 0, scale_px(520, scaled->dpi), scale_px(400, scaled->dpi),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    HWND list = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"LISTBOX", L"",
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_USETABSTOPS | LBS_NOSEL, 0,
        0, 0, 0, wnd, reinterpret_cast<HMENU>(id_rows), inst, nullptr);
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(scaled->font.get()), 0);
    const int tab = 80;  // dialog units: names fit, values line up
    SendMessageW(list, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tab));
    for (const auto& [name, value] : track_property_rows(track)) {
        const std::wstring row = to_wide(name + "\t" + value);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
    }
    RECT rc;
    GetClientRect(wnd, &rc);
    SendMessageW(wnd, WM_SIZE, 0, MAKELPARAM(rc.right, rc.bottom));
    ShowWindow(wnd, SW_SHOWNORMAL);
    return wnd;
}

}  // namespace cor
