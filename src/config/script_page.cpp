// The "Script" page: every stored script in the colouring editor.
#include "config/config_page.h"

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

#include <string_view>
#include <vector>

#include "config/config_transfer.h"
#include "config/dialog_template.h"
#include "editor/script_editor.h"
#include "host/host_services.h"
#include "host/identity.h"
#include "host/script_path.h"
#include "host/settings.h"
#include "panel/panel_definitions.h"
#include "panel/panel_file.h"
#include "registry/tray_state.h"
#include "registry/window_registry.h"
#include "registry/window_services.h"
#include "script/stored_scripts.h"
#include "utf8.h"
#include "window/script_window.h"
#include "window/tray_icon.h"

namespace vesk {

namespace id = config_id;

namespace {

// Where the editor goes on the "Script" page, in dialog units.
constexpr RECT editor_area{4, 22, 296, 206};

// Entries of the first list of the "Script" page.
constexpr size_t target_general = 0, target_user = 1, target_first_window = 2;

class script_page final : public config_page {
public:
    void show(const cor::guid& window, size_t slot) {
        const size_t def = definition_by_guid(window);
        if (def == no_window) return;
        SendMessageW(item(id::script_target), CB_SETCURSEL, target_first_window + def, 0);
        fill_events();
        SendMessageW(item(id::script_event), CB_SETCURSEL, std::min(slot, window_script_count), 0);
        load();
    }

private:
    void on_init() override {
        RECT area = editor_area;
        MapDialogRect(wnd, &area);
        editor_ = create_script_editor(wnd, id::editor, area);
        SendMessageW(editor_, EM_SETEVENTMASK, 0, ENM_CHANGE);
        HWND target = item(id::script_target);
        for (const wchar_t* fixed : {L"(General)", L"(User)"})
            SendMessageW(target, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fixed));
        for (const std::string& name : cfg_window_id_list.get())
            SendMessageW(target, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(cor::to_wide(name).c_str()));
        SendMessageW(target, CB_SETCURSEL, target_general, 0);
        fill_events();
        load();
    }

    size_t target() const {
        return static_cast<size_t>(SendMessageW(item(id::script_target), CB_GETCURSEL, 0, 0));
    }
    size_t event() const {
        return static_cast<size_t>(SendMessageW(item(id::script_event), CB_GETCURSEL, 0, 0));
    }

    void fill_events() {
        HWND events = item(id::script_event);
        SendMessageW(events, CB_RESETCONTENT, 0, 0);
        const auto add = [&](std::string_view text) {
            SendMessageW(events, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(cor::to_wide(text).c_str()));
        };
        const size_t t = target();
        if (t == target_user) {
            add("(Custom scripts)");
        } else if (t == target_general) {
            for (size_t slot = 0; slot <= general_script_count; ++slot)
                add(general_script_title(slot));
        } else {
            for (size_t slot = 0; slot <= window_script_count; ++slot)
                add(window_script_title(slot));
        }
        SendMessageW(events, CB_SETCURSEL, 0, 0);
    }

    // The stored text of the chosen entry; null for a listing.
    cor::cfg_string* general_target() const {
        const size_t t = target(), e = event();
        if (t == target_user) return &cfg_custom_scripts;
        if (t == target_general && e >= 1 && e <= general_script_count) return &general_script(e);
        return nullptr;
    }
    std::string* window_target() const {
        const size_t t = target(), e = event();
        if (t < target_first_window || e < 1 || e > window_script_count) return nullptr;
        const size_t def = t - target_first_window;
        repair_window_lists();
        if (def >= cfg_window_guid_list.size()) return nullptr;
        return &(*window_script_lists()[e - 1])[def];
    }

    void load() {
        std::string text;
        bool editable = true;
        if (cor::cfg_string* g = general_target()) {
            text = g->get();
        } else if (std::string* w = window_target()) {
            text = *w;
        } else {
            editable = false;
            const size_t t = target();
            text = t == target_general ? combined_general_listing()
                                       : combined_window_listing(t - target_first_window);
        }
        const bool was = std::exchange(loading_, true);
        SetWindowTextW(editor_, cor::to_wide(text).c_str());
        SendMessageW(editor_, EM_SETREADONLY, !editable, 0);
        SendMessageW(editor_, EM_SETSEL, 0, 0);
        set_script_editor_status(editor_, "");
        loading_ = was;
    }

    // A player running on a profile's folder keeps the folder's file too.
    void tell_the_folder(const std::string& text) const {
        cor::host_api* api = host::api();
        const auto sources = api ? api->get<cor::profile_sources>() : nullptr;
        if (!sources) return;
        if (cor::cfg_string* g = general_target()) {
            sources->script_stored(g->get_guid(), cor::guid_null, text.data(), text.size());
        } else if (window_target()) {
            const size_t def = target() - target_first_window;
            sources->script_stored(window_script_lists()[event() - 1]->get_guid(),
                                   cfg_window_guid_list[def], text.data(), text.size());
        }
    }

    void store() {
        const std::string text = cor::to_utf8(window_text(editor_));
        std::string error;
        if (cor::cfg_string* g = general_target()) {
            g->set(text);
            if (g == &cfg_custom_scripts) {
                (void)compile_stored_custom_scripts();
                error = custom_scripts_compile_error();
            } else {
                error = stored_script_error(text);
            }
        } else if (std::string* w = window_target()) {
            *w = text;
            error = stored_script_error(text);
        } else {
            return;
        }
        prepare_all();
        tell_the_folder(text);
        set_script_editor_status(editor_, error.empty() ? error : "Compile error: " + error);
    }

    void on_command(int control, int code, HWND) override {
        if (control == id::script_target && code == CBN_SELCHANGE) {
            fill_events();
            load();
        } else if (control == id::script_event && code == CBN_SELCHANGE) {
            load();
        } else if (control == id::editor && code == EN_CHANGE &&
                   !(GetWindowLongPtrW(editor_, GWL_STYLE) & ES_READONLY)) {
            store();
        }
    }

    HWND editor_ = nullptr;
};

}  // namespace

std::unique_ptr<config_page> make_script_page() { return std::make_unique<script_page>(); }

void show_script(config_page& page, const cor::guid& window, size_t slot) {
    static_cast<script_page&>(page).show(window, slot);
}

}  // namespace vesk
