#include "app/properties_window.h"

#include <windows.h>

#include <cstdio>

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

LRESULT CALLBACK properties_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SIZE:
            MoveWindow(GetDlgItem(wnd, id_rows), 8, 8, LOWORD(lp) - 16, HIWORD(lp) - 16, TRUE);
            return 0;
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
    HWND list = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"LISTBOX", L"",
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_USETABSTOPS | LBS_NOSEL, 0,
        0, 0, 0, wnd, reinterpret_cast<HMENU>(id_rows), inst, nullptr);
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
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
