// The "Window" and "Panel" pages: the lists of definitions with their
// buttons and fields.
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

// The list of definitions with its buttons and fields, for windows and panels.
class definition_page : public config_page {
protected:
    virtual size_t count() const = 0;
    virtual std::string id_at(size_t i) const = 0;
    virtual std::string display_at(size_t i) const = 0;
    virtual void store_id(size_t i, const std::string& text) = 0;
    virtual void store_display(size_t i, const std::string& text) = 0;
    virtual void add() = 0;
    virtual void remove_at(size_t i) = 0;
    virtual bool removable(size_t) const { return true; }
    virtual void act(int control, size_t i) = 0;
    virtual void on_selected(size_t) {}
    virtual std::vector<int> selection_controls() const {
        return {id::remove, id::show, id::hide, id::close, id::id_edit, id::display_edit};
    }

    void on_init() override { fill(no_window); }

    void fill(size_t select) {
        HWND list = item(id::list);
        SendMessageW(list, LB_RESETCONTENT, 0, 0);
        for (size_t i = 0; i < count(); ++i)
            SendMessageW(list, LB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(cor::to_wide(id_at(i)).c_str()));
        SendMessageW(list, LB_SETCURSEL, select == no_window ? WPARAM(-1) : select, 0);
        selection_changed();
    }

    size_t selected() const {
        const LRESULT sel = SendMessageW(item(id::list), LB_GETCURSEL, 0, 0);
        return sel == LB_ERR || static_cast<size_t>(sel) >= count() ? no_window
                                                                    : static_cast<size_t>(sel);
    }

    void selection_changed() {
        const size_t sel = selected();
        enable(selection_controls(), sel != no_window);
        if (sel != no_window) enable({id::remove}, removable(sel));
        set_text(id::id_edit, sel == no_window ? "" : id_at(sel));
        set_text(id::display_edit, sel == no_window ? "" : display_at(sel));
        on_selected(sel);
    }

    void on_command(int control, int code, HWND) override {
        const size_t sel = selected();
        if (control == id::list && code == LBN_SELCHANGE) {
            selection_changed();
        } else if (control == id::add && code == BN_CLICKED) {
            add();
        } else if (sel == no_window) {
            return;
        } else if (control == id::remove && code == BN_CLICKED) {
            if (!removable(sel) ||
                message_box(wnd, "Remove?", "Confirm",
                            MB_OKCANCEL | MB_DEFBUTTON2 | MB_ICONQUESTION) != IDOK)
                return;
            remove_at(sel);
            fill(no_window);
        } else if (control == id::id_edit && code == EN_CHANGE) {
            store_id(sel, text_of(id::id_edit));
            // The list shows ids: its line follows the edit.
            HWND list = item(id::list);
            SendMessageW(list, LB_DELETESTRING, sel, 0);
            SendMessageW(list, LB_INSERTSTRING, sel,
                         reinterpret_cast<LPARAM>(cor::to_wide(id_at(sel)).c_str()));
            SendMessageW(list, LB_SETCURSEL, sel, 0);
        } else if (control == id::display_edit && code == EN_CHANGE) {
            store_display(sel, text_of(id::display_edit));
        } else if (code == BN_CLICKED) {
            act(control, sel);
        }
    }
};

class window_page final : public definition_page {
    size_t count() const override { return cfg_window_guid_list.size(); }
    std::string id_at(size_t i) const override {
        return i < cfg_window_id_list.size() ? cfg_window_id_list[i] : std::string();
    }
    std::string display_at(size_t i) const override {
        return i < cfg_window_display_list.size() ? cfg_window_display_list[i] : std::string();
    }
    void store_id(size_t i, const std::string& text) override {
        repair_window_lists();
        cfg_window_id_list[i] = text;
    }
    void store_display(size_t i, const std::string& text) override {
        repair_window_lists();
        cfg_window_display_list[i] = text;
    }
    // The main window's definition is what every profile starts from.
    bool removable(size_t i) const override { return cfg_window_guid_list[i] != main_window_guid; }

    void add() override {
        const std::string name = unique_id(
            "WINDOW", [](const std::string& s) { return definition_by_id(s) != no_window; });
        const size_t index = add_definition(make_identity(), name, "corvina500");
        prepare_all();
        fill(index);
    }

    void remove_at(size_t i) override {
        const cor::guid gone = cfg_window_guid_list[i];
        if (const size_t open = open_window_by_guid(gone); open != no_window)
            SendMessageW(open_windows()[open].hwnd, WM_CLOSE, 0, 0);
        repair_window_lists();
        const size_t at = definition_by_guid(gone);
        if (at == no_window) return;
        cfg_window_guid_list.remove_at(at);
        cfg_window_id_list.remove_at(at);
        cfg_window_display_list.remove_at(at);
        cfg_window_winp_list.remove_at(at);
        for (auto* list : window_script_lists()) list->remove_at(at);
        prepare_all();
    }

    void act(int control, size_t i) override {
        const cor::guid target = cfg_window_guid_list[i];
        const size_t open = open_window_by_guid(target);
        if (control == id::show) {
            if (open != no_window) {
                open_windows()[open].visible = true;
                ShowWindow(open_windows()[open].hwnd, SW_SHOW);
            } else if (auto* main = script_window::from_handle(main_window_handle())) {
                (void)main->open_definition(target, cor::guid_null, false, false, false, nullptr);
            }
        } else if (control == id::hide && open != no_window) {
            open_windows()[open].visible = false;
            ShowWindow(open_windows()[open].hwnd, SW_HIDE);
        } else if (control == id::close && open != no_window) {
            SendMessageW(open_windows()[open].hwnd, WM_CLOSE, 0, 0);
        }
    }
};

class panel_page final : public definition_page {
    size_t count() const override { return cfg_panel_guid_list.size(); }
    std::string id_at(size_t i) const override {
        return i < cfg_panel_id_list.size() ? cfg_panel_id_list[i] : std::string();
    }
    std::string display_at(size_t i) const override {
        return i < cfg_panel_display_list.size() ? cfg_panel_display_list[i] : std::string();
    }
    void store_id(size_t i, const std::string& text) override {
        repair_panel_lists();
        cfg_panel_id_list[i] = text;
    }
    void store_display(size_t i, const std::string& text) override {
        repair_panel_lists();
        cfg_panel_display_list[i] = text;
    }
    std::vector<int> selection_controls() const override {
        // "&Settings..." follows whether the chosen panel has a dialog.
        return {id::remove,  id::show,         id::hide,         id::close,
                id::id_edit, id::display_edit, id::export_panel, id::import_panel};
    }

    void on_init() override {
        EnableWindow(item(id::settings), FALSE);
        definition_page::on_init();
    }

    void on_selected(size_t i) override {
        std::string text;
        if (i != no_window) {
            const t_ext_param* record = panel_record(i);
            text = record && !record->unavailable && record->instance
                       ? panel_name(record->instance.get()) + " / " +
                             panel_category(record->instance.get())
                       : "error";
        }
        set_text(id::component_text, text);
        enable({id::settings}, settings_dialog_of(i) != nullptr);
    }

    // The chosen panel's object when it has a settings dialog of its own.
    cor::ui_extension::window* settings_dialog_of(size_t i) {
        const t_ext_param* record = i == no_window ? nullptr : panel_record(i);
        return record && !record->unavailable && record->instance &&
                       record->instance->have_config_popup()
                   ? record->instance.get()
                   : nullptr;
    }

    void add() override {
        const std::vector<t_panel_type_info> types = available_panel_types();
        HMENU menu = CreatePopupMenu();
        HMENU category = nullptr;
        std::string current;
        for (size_t i = 0; i < types.size(); ++i) {
            if (!category || cor::stricmp_utf8(types[i].category, current) != 0) {
                category = CreatePopupMenu();
                current = types[i].category;
                AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(category),
                            cor::to_wide(current).c_str());
            }
            AppendMenuW(category, MF_STRING, i + 1, cor::to_wide(types[i].name).c_str());
        }
        const UINT chosen = page_dialogs().track_menu(menu, wnd);
        DestroyMenu(menu);
        if (chosen == 0 || chosen > types.size()) return;
        const t_panel_type_info& type = types[chosen - 1];
        const std::string name =
            unique_id("PANEL", [](const std::string& s) { return panel_by_id(s) != no_panel; });
        fill(add_panel_definition(type.id, name, type.name + " / " + type.category));
    }

    void remove_at(size_t i) override {
        if (const t_ext_param* record = panel_record(i); record && record->wnd)
            close_panel(i, true);
        repair_panel_lists();
        cfg_panel_guid_list.remove_at(i);
        cfg_panel_id_list.remove_at(i);
        cfg_panel_display_list.remove_at(i);
        auto& records = cfg_panel_ext_list.items();
        if (i < records.size()) {
            if (records[i].instance) records[i].instance->destroy_window();
            records.erase(records.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }

    void act(int control, size_t i) override {
        t_ext_param* record = panel_record(i);
        if (control == id::show || control == id::hide) {
            if (record && record->wnd) {
                record->visible = control == id::show;
                ShowWindow(record->wnd, record->visible ? SW_SHOW : SW_HIDE);
            }
        } else if (control == id::close) {
            if (record && record->wnd) close_panel(i, true);
        } else if (control == id::settings) {
            if (cor::ui_extension::window* panel = settings_dialog_of(i))
                (void)panel->show_config_popup(wnd);
        } else if (control == id::export_panel || control == id::import_panel) {
            const bool save = control == id::export_panel;
            const wchar_t* title = save ? L"Export panel data" : L"Import panel data";
            const std::wstring path =
                page_dialogs().choose_file(wnd, save, title, L"Panel data file(*.panel)\0*.panel\0",
                                           L"panel", cor::to_wide(id_at(i) + ".panel"));
            if (path.empty()) return;
            const cor::guid definition = cfg_panel_guid_list[i];
            if (save ? export_panel_data(wnd, path, definition)
                     : import_panel_data(wnd, path, definition))
                message_box(wnd, "Success!", cor::to_utf8(title), MB_OK | MB_ICONINFORMATION);
        }
    }
};

}  // namespace

std::array<cor::cfg_stringlist_t*, window_script_count> window_script_lists() {
    return {&cfg_window_tf_load_list,   &cfg_window_tf_open_list, &cfg_window_tf_close_list,
            &cfg_window_tf_resize_list, &cfg_window_tf_move_list, &cfg_window_tf_activate_list};
}

std::unique_ptr<config_page> make_window_page() { return std::make_unique<window_page>(); }
std::unique_ptr<config_page> make_panel_page() { return std::make_unique<panel_page>(); }

}  // namespace vesk
