#include "panels/host_panel.h"

#include <cstring>

#include "cfg_var.h"
#include "panels/settings_dialog.h"

namespace cor::panels {
namespace {

constexpr wchar_t class_name[] = L"corvina500_panel";
long g_live = 0;

bool register_class() {
    static bool done = false;
    if (done) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = DefWindowProcW;  // replaced per window by the thunk below
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = class_name;
    done = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return done;
}

}  // namespace

long host_panel::live_windows() { return g_live; }

host_panel::~host_panel() { destroy_window(); }

void host_panel::get_name(string_sink& out) { out.write(type_.name, std::strlen(type_.name)); }

void host_panel::get_category(string_sink& out) {
    out.write(type_.category, std::strlen(type_.category));
}

void* host_panel::create_or_transfer_window(void* parent, ui_extension::window_host* host, int x,
                                            int y, int width, int height) {
    HWND parent_wnd = static_cast<HWND>(parent);
    if (!parent_wnd || !IsWindow(parent_wnd)) return nullptr;
    if (wnd_) {
        if (host_ && host_.get() != host) host_->relinquish_ownership(wnd_);
        host_ = service_ptr_t<ui_extension::window_host>(host);
        SetParent(wnd_, parent_wnd);
        SetWindowPos(wnd_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        return wnd_;
    }
    if (!register_class()) return nullptr;
    HWND wnd = CreateWindowExW(WS_EX_CONTROLPARENT, class_name, L"",
                               WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, x, y, width, height,
                               parent_wnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!wnd) return nullptr;
    ++g_live;
    wnd_ = wnd;
    SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&host_panel::thunk));
    host_ = service_ptr_t<ui_extension::window_host>(host);
    on_created();
    RECT cr;
    GetClientRect(wnd, &cr);
    layout(cr.right, cr.bottom);
    return wnd;
}

bool host_panel::show_config_popup(void* parent) {
    const std::vector<t_settings_field> fields = settings_fields();
    const std::string before = write_settings();
    std::vector<uint32_t> values(fields.size());
    uint32_t version = 0;
    raw_reader in(before);
    if (fields.empty() || !in.read_u32(version) || in.remaining() != values.size() * 4)
        return false;
    for (uint32_t& v : values)
        if (!in.read_u32(v)) return false;
    const std::string title = std::string(type_.name) + " settings";
    return edit_panel_settings(static_cast<HWND>(parent), title, fields, values,
                               [&](const std::vector<uint32_t>& chosen) {
                                   std::string bytes;
                                   raw_put_u32(bytes, version);
                                   for (uint32_t v : chosen) raw_put_u32(bytes, v);
                                   return read_settings(bytes);
                               }) &&
           write_settings() != before;
}

void host_panel::destroy_window() {
    if (wnd_) DestroyWindow(wnd_);
}

void host_panel::set_config(const void* data, size_t length) {
    if (!data && length) return;
    try {
        (void)read_settings(std::string_view(static_cast<const char*>(data), length));
    } catch (...) {
        // Damaged settings leave the panel as it was.
    }
}

void host_panel::get_config(string_sink& out) {
    try {
        const std::string bytes = write_settings();
        out.write(bytes.data(), bytes.size());
    } catch (...) {
    }
}

LRESULT host_panel::on_message(UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(wnd_, msg, wp, lp);
}

LRESULT CALLBACK host_panel::thunk(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<host_panel*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self || self->wnd_ != wnd) return DefWindowProcW(wnd, msg, wp, lp);
    LRESULT result = 0;
    try {
        switch (msg) {
            case WM_SIZE:
                self->layout(LOWORD(lp), HIWORD(lp));
                result = DefWindowProcW(wnd, msg, wp, lp);
                break;
            case WM_DESTROY:
                self->on_destroying();
                result = DefWindowProcW(wnd, msg, wp, lp);
                break;
            case WM_NCDESTROY:
                SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
                self->wnd_ = nullptr;
                self->host_.reset();
                --g_live;
                result = DefWindowProcW(wnd, msg, wp, lp);
                break;
            default:
                result = self->on_message(msg, wp, lp);
        }
    } catch (...) {
        result = DefWindowProcW(wnd, msg, wp, lp);
    }
    return result;
}

void player_watch::start(play_callback_manager& manager, uint32_t play_flags,
                         uint32_t playlist_flags) {
    stop();
    manager_ = &manager;
    play_ = play_flags && manager.register_play_callback(this, play_flags);
    playlist_ = playlist_flags && manager.register_playlist_callback(this, playlist_flags);
}

void player_watch::stop() {
    if (!manager_) return;
    if (play_) (void)manager_->unregister_play_callback(this);
    if (playlist_) (void)manager_->unregister_playlist_callback(this);
    play_ = playlist_ = false;
    manager_ = nullptr;
}

std::string pack_settings(uint32_t version, std::initializer_list<uint32_t> values) {
    std::string out;
    raw_put_u32(out, version);
    for (uint32_t v : values) raw_put_u32(out, v);
    return out;
}

bool unpack_settings(std::string_view bytes, uint32_t version, uint32_t* values, size_t count) {
    raw_reader in(bytes);
    uint32_t v = 0;
    if (!in.read_u32(v) || v != version || in.remaining() != count * 4) return false;
    for (size_t i = 0; i < count; ++i)
        if (!in.read_u32(values[i])) return false;
    return true;
}

}  // namespace cor::panels
