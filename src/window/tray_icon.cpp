#include "window/tray_icon.h"

#include <algorithm>

#include "disk_file.h"
#include "host/display_scale.h"
#include "registry/tray_state.h"
#include "utf8.h"
#include "window/script_window.h"

namespace vesk {
namespace {

constexpr size_t kept_requests = 16;

// Copies as much of `text` as fits a field of `N` characters with its
// terminator, never ending on half of a surrogate pair.
template <size_t N>
void put_text(wchar_t (&field)[N], std::string_view text) {
    const std::wstring wide = cor::to_wide(text);
    size_t n = std::min(wide.size(), N - 1);
    if (n < wide.size() && n > 0 && wide[n - 1] >= 0xD800 && wide[n - 1] <= 0xDBFF) --n;
    std::copy_n(wide.data(), n, field);
    field[n] = L'\0';
}

HICON host_icon() {
    const int side = tray_icon_side();
    auto* icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(105),
                                               IMAGE_ICON, side, side, LR_SHARED));
    // A Host without that resource still gets a visible icon.
    return icon ? icon
                : static_cast<HICON>(
                      LoadImageW(nullptr, IDI_APPLICATION, IMAGE_ICON, side, side, LR_SHARED));
}

}  // namespace

int tray_icon_side() {
    // The notification area shows small icons at the taskbar's DPI, which
    // is the system's; asked by name, as older systems have one DPI only.
    using metrics_for_dpi_t = int(WINAPI*)(int, UINT);
    static const auto fn = reinterpret_cast<metrics_for_dpi_t>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi")));
    const int side = fn ? fn(SM_CXSMICON, static_cast<UINT>(screen_dpi_of(nullptr)))
                        : GetSystemMetrics(SM_CXSMICON);
    return side > 0 ? side : 16;
}

tray_icon::tray_icon(HWND owner) : owner_(owner) {
    const std::wstring& file = tray_state().icon_file;
    if (!file.empty()) (void)load_icon(file);
}

HICON tray_icon::icon() const {
    if (!icon_) icon_ = host_icon();
    return icon_;
}

tray_icon::~tray_icon() {
    remove();
    if (own_icon_) DestroyIcon(icon_);
}

UINT tray_icon::taskbar_created_message() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

bool tray_icon::shown() const { return tray_state().icon_shown; }

NOTIFYICONDATAW tray_icon::record(UINT flags) const {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V3_SIZE;
    data.hWnd = owner_;
    data.uID = 0;
    data.uFlags = flags;
    return data;
}

bool tray_icon::send(DWORD message, NOTIFYICONDATAW data) {
    const bool accepted = Shell_NotifyIconW(message, &data) != FALSE;
    requests_.push_back({message, data, accepted});
    if (requests_.size() > kept_requests) requests_.pop_front();
    return accepted;
}

void tray_icon::show() {
    NOTIFYICONDATAW data = record(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    data.uCallbackMessage = tray_callback_message;
    data.hIcon = icon();
    put_text(data.szTip, tray_state().tip);
    data.uVersion = NOTIFYICON_VERSION;
    send(NIM_ADD, data);
    tray_state().icon_shown = true;
}

void tray_icon::remove() {
    if (!tray_state().icon_shown) return;
    send(NIM_DELETE, record(0));
    tray_state().icon_shown = false;
}

void tray_icon::on_taskbar_created() {
    if (tray_state().icon_shown) show();
}

bool tray_icon::load_icon(const std::wstring& path) {
    if (!cor::is_disk_file(path)) return false;
    auto* loaded = static_cast<HICON>(LoadImageW(
        nullptr, path.c_str(), IMAGE_ICON, tray_icon_side(), tray_icon_side(), LR_LOADFROMFILE));
    if (!loaded) return false;
    if (own_icon_) DestroyIcon(icon_);
    icon_ = loaded;
    own_icon_ = true;
    if (shown()) {
        NOTIFYICONDATAW data = record(NIF_ICON);
        data.hIcon = icon_;
        send(NIM_MODIFY, data);
    }
    return true;
}

void tray_icon::update_tip() {
    NOTIFYICONDATAW data = record(NIF_TIP);
    put_text(data.szTip, tray_state().tip);
    send(NIM_MODIFY, data);
}

void tray_icon::balloon(std::string_view title, std::string_view text, DWORD kind, bool sound) {
    NOTIFYICONDATAW data = record(NIF_INFO);
    put_text(data.szInfoTitle, title);
    put_text(data.szInfo, text);
    data.dwInfoFlags = kind | (sound ? 0 : NIIF_NOSOUND);
    send(NIM_MODIFY, data);
}

tray_icon* main_tray() {
    script_window* main = script_window::from_handle(main_window_handle());
    return main ? main->tray.get() : nullptr;
}

}  // namespace vesk
