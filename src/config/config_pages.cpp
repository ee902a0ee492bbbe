#include "config/config_pages.h"

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

#include <string_view>
#include <vector>

#include "config/config_transfer.h"
#include "config/dialog_template.h"
#include "config/settings.h"
#include "editor/script_editor.h"
#include "functions/script_path.h"
#include "host/identity.h"
#include "host/ui_window.h"
#include "panel/panel_definitions.h"
#include "panel/panel_file.h"
#include "script/stored_scripts.h"
#include "utf8.h"
#include "window/script_window.h"
#include "window/tray_icon.h"
#include "window/tray_state.h"
#include "window/window_registry.h"
#include "window/window_services.h"

namespace vesk {

namespace id = config_id;

namespace {

std::wstring system_choose_file(HWND owner, bool save, const wchar_t* title, const wchar_t* filter,
                                const wchar_t* extension, const std::wstring& start) {
    std::wstring buffer(MAX_PATH * 4, L'\0');
    buffer.replace(0, std::min(start.size(), buffer.size() - 1), start);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = extension;
    ofn.Flags = OFN_EXPLORER | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    return ok ? std::wstring(buffer.c_str()) : std::wstring();
}

UINT system_track_menu(HMENU menu, HWND owner) {
    POINT at;
    GetCursorPos(&at);
    return static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr));
}

t_page_dialogs g_dialogs{system_choose_file, system_track_menu};

std::wstring window_text(HWND wnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(wnd)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(wnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A fresh id: `base` with blanks made "_", then a counter from 1 while the
// id is taken.
template <class Taken>
std::string unique_id(std::string base, Taken taken) {
    for (char& ch : base)
        if (ch == ' ' || ch == '\t') ch = '_';
    std::string id = base;
    for (int n = 1; taken(id); ++n) id = base + std::to_string(n);
    return id;
}

constexpr DWORD push = WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD check = WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD edit = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD group = BS_GROUPBOX;
constexpr DWORD page_style = WS_CHILD | DS_CONTROL | DS_3DLOOK;
constexpr auto button = control_kind::button;
constexpr auto label = control_kind::label;

// "Window" (111) and "Panel" (112) share their first rows.
#define DEFINITION_ROWS                                                       \
    {0, button, L"List", group, 4, 2, 126, 206},                              \
        {id::list, control_kind::list,                                        \
         L"",      WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY,          \
         10,       14,                                                        \
         114,      130},                                                      \
        {id::add, button, L"&Add", push, 10, 148, 54, 14},                    \
        {id::remove, button, L"&Remove", push, 70, 148, 54, 14},              \
        {id::show, button, L"&Show", push, 10, 166, 36, 14},                  \
        {id::hide, button, L"&Hide", push, 49, 166, 36, 14},                  \
        {id::close, button, L"&Close", push, 88, 166, 36, 14},                \
        {0, button, L"Propeties", group, 136, 2, 160, 70},                    \
        {id::id_label, label, L"ID: ", SS_LEFT, 142, 18, 36, 10},             \
        {id::id_edit, control_kind::edit, L"", edit, 180, 16, 110, 13},       \
        {id::display_label, label, L"Display: ", SS_LEFT, 142, 36, 36, 10}, { \
        id::display_edit, control_kind::edit, L"", edit, 180, 34, 110, 13     \
    }

constexpr t_dialog_item window_items[] = {DEFINITION_ROWS};
constexpr t_dialog_item panel_items[] = {
    DEFINITION_ROWS,
    {id::component_label, label, L"Component: ", SS_LEFT, 142, 54, 40, 10},
    {id::component_text, label, L"", SS_LEFT | SS_NOPREFIX, 184, 54, 106, 10},
    {id::settings, button, L"&Settings...", push, 142, 80, 60, 14},
    {id::export_panel, button, L"&Export", push, 142, 98, 60, 14},
    {id::import_panel, button, L"&Import", push, 206, 98, 60, 14},
};
#undef DEFINITION_ROWS

constexpr t_dialog_item script_items[] = {
    {id::event_label, label, L"Event: ", SS_LEFT, 4, 6, 28, 10},
    {id::script_target, control_kind::combo, L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 34, 4,
     120, 160},
    {id::script_event, control_kind::combo, L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 160, 4,
     136, 200},
};
// Where the editor goes on the "Script" page, in dialog units.
constexpr RECT editor_area{4, 22, 296, 206};

constexpr t_dialog_item option_items[] = {
    {0, button, L"Tasktray", group, 4, 2, 292, 52},
    {id::tray_none, button, L"No control (default)", WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 10,
     12, 280, 10},
    {id::tray_always, button, L"Display always icon", BS_AUTORADIOBUTTON, 10, 24, 280, 10},
    {id::tray_minimized, button,
     L"When the main window is minimized, display icon and minimize other windows",
     BS_AUTORADIOBUTTON, 10, 36, 284, 10},
    {0, button, L"Script", group | WS_GROUP, 4, 56, 292, 62},
    {id::safe_mode, button, L"Effective safe mode", check, 10, 66, 200, 10},
    {0, label, L"All work to running the vesk ui's title format script is stopped.", SS_LEFT, 22,
     78, 270, 10},
    {id::trim_mode, button, L"Trim mode", check, 10, 92, 200, 10},
    {0, label, L"Run after removing all the spaces and tabs. (outside '')", SS_LEFT, 22, 104, 270,
     10},
    {0, button, L"Backup (UI Settings and Panel datas)", group, 4, 120, 292, 88},
    {0, label, L"Autobackup", SS_LEFT, 10, 134, 50, 10},
    {id::backup_name, control_kind::edit, L"", edit, 62, 132, 178, 13},
    {id::backup_select, button, L"&Select", push, 244, 131, 46, 14},
    {id::backup_start, button, L"Startup", check, 62, 150, 50, 10},
    {id::backup_exit, button, L"Exit", check, 116, 150, 40, 10},
    {id::backup_every, button, L"every", check, 160, 150, 36, 10},
    {id::backup_minutes, control_kind::edit, L"", edit | ES_NUMBER, 198, 148, 30, 13},
    {id::backup_minutes_label, label, L"min", SS_LEFT, 232, 150, 20, 10},
    {id::export_config, button, L"&Export", push, 62, 172, 60, 14},
    {id::import_config, button, L"&Import", push, 128, 172, 60, 14},
};

constexpr t_dialog_layout page_layouts[page_count] = {
    {nullptr, page_style, 300, 212, window_items},
    {nullptr, page_style, 300, 212, panel_items},
    {nullptr, page_style, 300, 212, script_items},
    {nullptr, page_style, 300, 212, option_items},
};
constexpr const wchar_t* page_titles[page_count] = {L"Window", L"Panel", L"Script", L"Option"};

}  // namespace

t_page_dialogs set_page_dialogs(const t_page_dialogs& dialogs) {
    const t_page_dialogs old = g_dialogs;
    g_dialogs = dialogs;
    return old;
}

// One page: its dialog, and the messages it handles.
class config_page {
public:
    virtual ~config_page() = default;
    HWND wnd = nullptr;

    static INT_PTR CALLBACK proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_INITDIALOG) {
            auto* self = reinterpret_cast<config_page*>(lp);
            SetWindowLongPtrW(wnd, DWLP_USER, lp);
            self->wnd = wnd;
            self->loading_ = true;
            self->on_init();
            self->loading_ = false;
            return TRUE;
        }
        auto* self = reinterpret_cast<config_page*>(GetWindowLongPtrW(wnd, DWLP_USER));
        if (!self) return FALSE;
        if (msg == WM_COMMAND) {
            if (!self->loading_)
                self->on_command(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
            return TRUE;
        }
        return FALSE;
    }

protected:
    virtual void on_init() = 0;
    virtual void on_command(int control, int code, HWND from) = 0;

    HWND item(int control) const { return GetDlgItem(wnd, control); }
    std::string text_of(int control) const { return cor::to_utf8(window_text(item(control))); }
    // Sets a control's text without taking it for the user's edit.
    void set_text(int control, std::string_view text) {
        const bool was = std::exchange(loading_, true);
        SetWindowTextW(item(control), cor::to_wide(text).c_str());
        loading_ = was;
    }
    void set_check(int control, bool on) {
        CheckDlgButton(wnd, control, on ? BST_CHECKED : BST_UNCHECKED);
    }
    bool checked(int control) const { return IsDlgButtonChecked(wnd, control) == BST_CHECKED; }
    void enable(const std::vector<int>& controls, bool on) {
        for (int c : controls) EnableWindow(item(c), on);
    }

    bool loading_ = false;
};

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

std::array<cor::cfg_stringlist_t*, window_script_count> window_script_lists() {
    return {&cfg_window_tf_load_list,   &cfg_window_tf_open_list, &cfg_window_tf_close_list,
            &cfg_window_tf_resize_list, &cfg_window_tf_move_list, &cfg_window_tf_activate_list};
}

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
        const UINT chosen = g_dialogs.track_menu(menu, wnd);
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
                g_dialogs.choose_file(wnd, save, title, L"Panel data file(*.panel)\0*.panel\0",
                                      L"panel", cor::to_wide(id_at(i) + ".panel"));
            if (path.empty()) return;
            const cor::guid definition = cfg_panel_guid_list[i];
            if (save ? export_panel_data(wnd, path, definition)
                     : import_panel_data(wnd, path, definition))
                message_box(wnd, "Success!", cor::to_utf8(title), MB_OK | MB_ICONINFORMATION);
        }
    }
};

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

class option_page final : public config_page {
    void on_init() override {
        const int mode = cfg_tray_mode.get();
        CheckRadioButton(wnd, id::tray_none, id::tray_minimized,
                         mode == 2   ? id::tray_always
                         : mode == 3 ? id::tray_minimized
                                     : id::tray_none);
        set_check(id::safe_mode, cfg_safe_mode.get() != 0);
        set_check(id::trim_mode, cfg_trim_mode.get() != 0);
        set_text(id::backup_name, cfg_backup_name.get());
        set_check(id::backup_start, cfg_backup_at_start.get() != 0);
        set_check(id::backup_exit, cfg_backup_at_exit.get() != 0);
        set_check(id::backup_every, cfg_backup_periodic.get() != 0);
        set_text(id::backup_minutes, std::to_string(cfg_backup_interval.get()));
        enable({id::backup_minutes, id::backup_minutes_label}, cfg_backup_periodic.get() != 0);
    }

    // The icon follows the mode at once: shown for "always", gone for
    // the others unless the windows are hidden in it now.
    static void apply_tray_mode(int mode) {
        cfg_tray_mode.set(mode);
        auto* main = script_window::from_handle(main_window_handle());
        if (!main || !main->tray) return;
        if (mode == 2)
            main->tray->show();
        else if (!tray_state().windows_stored)
            main->tray->remove();
    }

    std::wstring backup_start_path() const {
        const std::string name = cfg_backup_name.get();
        return script_path(name.empty() ? std::string_view("/cor_ui_vesk.config") : name);
    }

    void on_command(int control, int code, HWND) override {
        if (code == EN_CHANGE) {
            if (control == id::backup_name) {
                cfg_backup_name.set(text_of(id::backup_name));
            } else if (control == id::backup_minutes) {
                const std::string text = text_of(id::backup_minutes);
                int minutes = 0;
                for (char ch : text) {
                    if (ch < '0' || ch > '9' || minutes > 100000) break;
                    minutes = minutes * 10 + (ch - '0');
                }
                cfg_backup_interval.set(minutes);
                restart_backup_timer(main_window_handle());
            }
            return;
        }
        if (code != BN_CLICKED) return;
        switch (control) {
            case id::tray_none:
                apply_tray_mode(0);
                break;
            case id::tray_always:
                apply_tray_mode(2);
                break;
            case id::tray_minimized:
                apply_tray_mode(3);
                break;
            case id::safe_mode:
                cfg_safe_mode.set(checked(id::safe_mode));
                break;
            case id::trim_mode:
                cfg_trim_mode.set(checked(id::trim_mode));
                prepare_all();
                break;
            case id::backup_start:
                cfg_backup_at_start.set(checked(id::backup_start));
                break;
            case id::backup_exit:
                cfg_backup_at_exit.set(checked(id::backup_exit));
                break;
            case id::backup_every:
                cfg_backup_periodic.set(checked(id::backup_every));
                enable({id::backup_minutes, id::backup_minutes_label}, checked(id::backup_every));
                restart_backup_timer(main_window_handle());
                break;
            case id::backup_select: {
                const std::wstring path = g_dialogs.choose_file(
                    wnd, true, L"Select autobackup filename", L"Config file(*.config)\0*.config\0",
                    L"config", backup_start_path());
                if (!path.empty()) SetWindowTextW(item(id::backup_name), path.c_str());
                break;
            }
            case id::export_config: {
                const std::wstring path = g_dialogs.choose_file(
                    wnd, true, L"Export config data", L"Config file(*.config)\0*.config\0",
                    L"config", backup_start_path());
                if (!path.empty()) (void)export_config_command(wnd, cor::to_utf8(path), true);
                break;
            }
            case id::import_config: {
                const std::wstring path = g_dialogs.choose_file(
                    wnd, false, L"Import config data", L"Config data file(*.config)\0*.config\0",
                    L"config", script_path("/cor_ui_vesk.config"));
                if (path.empty() ||
                    message_box(wnd, "must restart corvina500.\r\n ara you sure?",
                                "Import config data", MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
                    break;
                import_config_command(cor::to_utf8(path));
                break;
            }
            default:
                break;
        }
    }
};

}  // namespace

config_pages::config_pages(HWND host, HWND tab) : tab_(tab) {
    pages_ = {std::make_unique<window_page>(), std::make_unique<panel_page>(),
              std::make_unique<script_page>(), std::make_unique<option_page>()};
    // The tabs first: their row decides where the pages go.
    for (int i = 0; i < page_count; ++i) {
        TCITEMW tab_item{};
        tab_item.mask = TCIF_TEXT;
        tab_item.pszText = const_cast<wchar_t*>(page_titles[i]);
        SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&tab_item));
    }
    RECT area;
    GetClientRect(tab, &area);
    TabCtrl_AdjustRect(tab, FALSE, &area);
    MapWindowPoints(tab, host, reinterpret_cast<POINT*>(&area), 2);
    for (int i = 0; i < page_count; ++i) {
        HWND page = create_dialog(page_layouts[i], host, config_page::proc,
                                  reinterpret_cast<LPARAM>(pages_[i].get()));
        SetWindowPos(page, HWND_TOP, area.left, area.top, area.right - area.left,
                     area.bottom - area.top, SWP_NOACTIVATE);
    }
    select(page_window);
}

config_pages::~config_pages() {
    // The page windows die with their host; they must not reach their
    // objects afterwards.
    for (auto& p : pages_)
        if (p && IsWindow(p->wnd)) SetWindowLongPtrW(p->wnd, DWLP_USER, 0);
}

void config_pages::select(int index) {
    if (index < 0 || index >= page_count) return;
    SendMessageW(tab_, TCM_SETCURSEL, index, 0);
    for (int i = 0; i < page_count; ++i) ShowWindow(pages_[i]->wnd, i == index ? SW_SHOW : SW_HIDE);
}

void config_pages::on_tab_change() {
    select(static_cast<int>(SendMessageW(tab_, TCM_GETCURSEL, 0, 0)));
}

HWND config_pages::page(int index) const {
    return index >= 0 && index < page_count ? pages_[index]->wnd : nullptr;
}

void config_pages::show_window_script(const cor::guid& window, size_t slot) {
    static_cast<script_page*>(pages_[page_script].get())->show(window, slot);
    select(page_script);
}

}  // namespace vesk
