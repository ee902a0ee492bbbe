// "Console": the last console lines, newest at the bottom, and a button
// (and a menu item) that clears them. Settings: how many lines it shows.
#include "corvina500/player/player_core.h"
#include "panels/console_history.h"
#include "panels/panel_types.h"
#include "utf8.h"

namespace cor::panels {
namespace {

constexpr uint32_t settings_version = 1;
constexpr uint32_t default_lines = 200;
constexpr int clear_id = 101;
constexpr int button_height = 24;

class console_panel : public host_panel {
public:
    using host_panel::host_panel;

    // The button's command, offered on the context menu of the window
    // that holds the panel.
    bool get_menu_item(uint32_t index, string_sink& name, uint32_t& flags) override {
        if (index != 0) return false;
        constexpr std::string_view clear = "Clear";
        name.write(clear.data(), clear.size());
        flags = env_.console.lines().empty() ? ui_extension::menu_item_disabled : 0;
        return true;
    }
    void execute_menu_item(uint32_t index) override {
        if (index == 0) env_.console.clear();
    }

protected:
    // The window goes while this panel is still whole.
    ~console_panel() override { destroy_window(); }

    bool read_settings(std::string_view bytes) override {
        uint32_t v[1];
        if (!unpack_settings(bytes, settings_version, v, 1) || v[0] < 1 ||
            v[0] > console_history::capacity)
            return false;
        max_lines_ = v[0];
        reload();
        return true;
    }

    std::string write_settings() override { return pack_settings(settings_version, {max_lines_}); }
    std::vector<t_settings_field> settings_fields() const override {
        return {{"Lines shown", false}};
    }

    void on_created() override {
        HINSTANCE inst = GetModuleHandleW(nullptr);
        list_ = CreateWindowExW(
            WS_EX_CLIENTEDGE, L"LISTBOX", L"",
            WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_NOSEL | LBS_NOINTEGRALHEIGHT, 0,
            0, 0, 0, wnd_, nullptr, inst, nullptr);
        button_ = CreateWindowExW(0, L"BUTTON", L"Clear", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0,
                                  0, 0, 0, wnd_, reinterpret_cast<HMENU>(clear_id), inst, nullptr);
        HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SendMessageW(button_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        token_ = env_.console.listen([this](const std::string* line) {
            if (line)
                append(*line);
            else
                reload();
        });
        reload();
    }

    void on_destroying() override {
        if (token_) env_.console.unlisten(std::exchange(token_, 0));
        list_ = button_ = nullptr;
    }

    void layout(int width, int height) override {
        if (!list_) return;
        const int list_height = std::max(0, height - button_height - 4);
        MoveWindow(list_, 0, 0, width, list_height, TRUE);
        MoveWindow(button_, std::max(0, width - 80), list_height + 2, 78, button_height, TRUE);
    }

    LRESULT on_message(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_COMMAND && LOWORD(wp) == clear_id && HIWORD(wp) == BN_CLICKED) {
            execute_menu_item(0);
            return 0;
        }
        return host_panel::on_message(msg, wp, lp);
    }

private:
    void append(const std::string& line) {
        if (!list_) return;
        SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(to_wide(line).c_str()));
        while (SendMessageW(list_, LB_GETCOUNT, 0, 0) > static_cast<LRESULT>(max_lines_))
            SendMessageW(list_, LB_DELETESTRING, 0, 0);
        scroll_to_end();
    }

    void reload() {
        if (!list_) return;
        SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
        SendMessageW(list_, LB_RESETCONTENT, 0, 0);
        const auto& lines = env_.console.lines();
        const size_t first = lines.size() > max_lines_ ? lines.size() - max_lines_ : 0;
        for (size_t i = first; i < lines.size(); ++i)
            SendMessageW(list_, LB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(to_wide(lines[i]).c_str()));
        SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
        scroll_to_end();
        InvalidateRect(list_, nullptr, TRUE);
    }

    void scroll_to_end() {
        const LRESULT n = SendMessageW(list_, LB_GETCOUNT, 0, 0);
        if (n > 0) SendMessageW(list_, LB_SETTOPINDEX, static_cast<WPARAM>(n - 1), 0);
    }

    HWND list_ = nullptr;
    HWND button_ = nullptr;
    size_t token_ = 0;
    uint32_t max_lines_ = default_lines;
};

}  // namespace

ui_extension::window* make_console_panel(const t_panel_type& type, t_panel_env env) {
    return new service_impl_t<console_panel>(type, env);
}

}  // namespace cor::panels
