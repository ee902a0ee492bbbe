// The configuration pages driven by messages, as a user drives them: in
// the "Vesk UI Configuration" dialog and in the Host's preferences page.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "cfg_var.h"
#include "config/config_dialog.h"
#include "config/config_pages.h"
#include "config/config_transfer.h"
#include "config/test_folder.h"
#include "editor/script_editor.h"
#include "host/settings.h"
#include "panel/panel_definitions.h"
#include "registry/window_registry.h"
#include "script/stored_scripts.h"
#include "support/component_host.h"
#include "support/started_ui_test.h"
#include "utf8.h"
#include "window/tray_windows.h"

namespace {

namespace id = vesk::config_id;

struct t_box {
    std::string text, caption;
    UINT flags;
};
std::vector<t_box> g_boxes;
int g_box_answer = IDOK;
int record_box(HWND, std::string_view text, std::string_view caption, UINT flags) {
    g_boxes.push_back({std::string(text), std::string(caption), flags});
    return g_box_answer;
}

std::wstring g_chosen_file;
std::vector<std::wstring> g_file_titles;
std::wstring choose(HWND, bool, const wchar_t* title, const wchar_t*, const wchar_t*,
                    const std::wstring&) {
    g_file_titles.emplace_back(title);
    return g_chosen_file;
}
UINT g_menu_choice = 0;
UINT pick(HMENU, HWND) { return g_menu_choice; }

std::string text_of(HWND wnd) {
    wchar_t buf[8192] = L"";
    GetWindowTextW(wnd, buf, 8192);
    return cor::to_utf8(buf);
}

void command(HWND page, int control, int code) {
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(control, code),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, control)));
}
void click(HWND page, int control) { command(page, control, BN_CLICKED); }
void set_check(HWND page, int control, bool on) {
    CheckDlgButton(page, control, on ? BST_CHECKED : BST_UNCHECKED);
    click(page, control);
}
void type(HWND page, int control, const std::string& text) {
    SetWindowTextW(GetDlgItem(page, control), cor::to_wide(text).c_str());
    command(page, control, EN_CHANGE);
}
void choose_entry(HWND page, int combo, int index) {
    SendMessageW(GetDlgItem(page, combo), CB_SETCURSEL, index, 0);
    command(page, combo, CBN_SELCHANGE);
}
std::vector<std::string> entries(HWND page, int control, bool combo) {
    HWND c = GetDlgItem(page, control);
    const auto n = SendMessageW(c, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    std::vector<std::string> out;
    for (LRESULT i = 0; i < n; ++i) {
        wchar_t buf[512] = L"";
        SendMessageW(c, combo ? CB_GETLBTEXT : LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
        out.push_back(cor::to_utf8(buf));
    }
    return out;
}

class ConfigDialogTest : public cor_test::started_ui_test {
protected:
    void SetUp() override {
        vesk::set_message_box_handler(record_box);
        vesk::set_page_dialogs({choose, pick});
        g_boxes.clear();
        g_file_titles.clear();
        g_box_answer = IDOK;
        start();
    }
    void TearDown() override {
        stop();
        vesk::set_message_box_handler(nullptr);
    }
    HWND open_page(int index) {
        if (!vesk::config_dialog_handle()) {
            EXPECT_TRUE(vesk::open_config_dialog());
        }
        return vesk::config_page_window(vesk::config_dialog_handle(), index);
    }
};

// Both definition pages: adding without renaming counts up, a cancelled
// "Remove?" keeps the definition, renaming reaches the list and the store.
TEST_F(ConfigDialogTest, DefinitionPagesAddRenameAndRemove) {
    g_menu_choice = 1;  // the first panel type the Host offers
    const auto panel_type = vesk::available_panel_types().at(0);
    struct {
        int page;
        const cor::cfg_stringlist_t& ids;
        const cor::cfg_stringlist_t& displays;
        std::vector<std::string> added;
        std::string display;
    } rows[] = {
        {vesk::page_window,
         vesk::cfg_window_id_list,
         vesk::cfg_window_display_list,
         {"WINDOW", "WINDOW1", "WINDOW2"},
         "corvina500"},
        {vesk::page_panel,
         vesk::cfg_panel_id_list,
         vesk::cfg_panel_display_list,
         {"PANEL", "PANEL1", "PANEL2"},
         panel_type.name + " / " + panel_type.category},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.page);
        HWND page = open_page(row.page);
        ASSERT_TRUE(page);
        const size_t before = row.ids.size();
        for (int i = 0; i < 3; ++i) click(page, id::add);
        ASSERT_EQ(row.ids.size(), before + 3);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(row.ids[before + i], row.added[i]);
            EXPECT_EQ(row.displays[before + i], row.display);
        }
        const auto listed = entries(page, id::list, false);
        EXPECT_EQ(std::vector<std::string>(listed.end() - 3, listed.end()), row.added);
        EXPECT_EQ(text_of(GetDlgItem(page, id::id_edit)), row.added[2]);
        if (row.page == vesk::page_panel) {
            EXPECT_EQ(text_of(GetDlgItem(page, id::component_text)), row.display);
        }

        type(page, id::id_edit, "renamed");
        type(page, id::display_edit, "Shown name");
        EXPECT_EQ(row.ids[before + 2], "renamed");
        EXPECT_EQ(row.displays[before + 2], "Shown name");
        EXPECT_EQ(entries(page, id::list, false).back(), "renamed");

        g_box_answer = IDCANCEL;
        click(page, id::remove);
        ASSERT_EQ(g_boxes.size(), 1u);
        EXPECT_EQ(g_boxes[0].text, "Remove?");
        EXPECT_EQ(g_boxes[0].caption, "Confirm");
        EXPECT_EQ(g_boxes[0].flags & (MB_OKCANCEL | MB_DEFBUTTON2),
                  UINT(MB_OKCANCEL | MB_DEFBUTTON2));
        EXPECT_EQ(row.ids.size(), before + 3);
        g_box_answer = IDOK;
        click(page, id::remove);
        EXPECT_EQ(row.ids.size(), before + 2);
        EXPECT_EQ(entries(page, id::list, false).size(), before + 2);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, id::remove)));
        g_boxes.clear();
    }
    // Every window list stays parallel to the GUID list.
    EXPECT_EQ(vesk::cfg_window_tf_activate_list.size(), vesk::cfg_window_guid_list.size());
    EXPECT_EQ(vesk::cfg_panel_ext_list.size(), vesk::cfg_panel_guid_list.size());
}

std::string g_settings_title;
void CALLBACK cancel_settings(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dlg = GetActiveWindow();
    wchar_t cls[16] = L"";
    GetClassNameW(dlg, cls, 16);
    if (std::wstring_view(cls) != L"#32770" || dlg == vesk::config_dialog_handle()) return;
    KillTimer(nullptr, timer);
    g_settings_title = text_of(dlg);
    SendMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
}

// "&Settings..." is there for the panels that have a settings dialog and
// opens that panel's own.
TEST_F(ConfigDialogTest, PanelSettingsOpenThePanelsOwnDialog) {
    HWND page = open_page(vesk::page_panel);
    ASSERT_TRUE(page);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, id::settings)));
    const auto types = vesk::available_panel_types();
    for (size_t i = 0; i < types.size(); ++i) {
        g_menu_choice = static_cast<UINT>(i + 1);
        click(page, id::add);
        const bool has_dialog = types[i].name != "Playlist View";
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(page, id::settings)) != FALSE, has_dialog)
            << types[i].name;
        if (!has_dialog) continue;
        g_settings_title.clear();
        SetTimer(nullptr, 0, 10, cancel_settings);
        click(page, id::settings);
        EXPECT_EQ(g_settings_title, types[i].name + " settings");
    }
}

TEST_F(ConfigDialogTest, WindowPageShowsHidesAndClosesTheSelectedWindow) {
    HWND page = open_page(vesk::page_window);
    click(page, id::add);
    const cor::guid added = vesk::cfg_window_guid_list.get().back();
    click(page, id::show);
    size_t open = vesk::open_window_by_guid(added);
    ASSERT_NE(open, vesk::no_window);
    HWND wnd = vesk::open_windows()[open].hwnd;
    EXPECT_TRUE(IsWindowVisible(wnd));
    click(page, id::hide);
    EXPECT_FALSE(IsWindowVisible(wnd));
    click(page, id::show);
    EXPECT_TRUE(IsWindowVisible(wnd));
    click(page, id::close);
    EXPECT_EQ(vesk::open_window_by_guid(added), vesk::no_window);
    // The main window's definition cannot go.
    SendMessageW(GetDlgItem(page, id::list), LB_SETCURSEL,
                 vesk::definition_by_guid(vesk::main_window_guid), 0);
    command(page, id::list, LBN_SELCHANGE);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, id::remove)));
}

TEST_F(ConfigDialogTest, ScriptPageStoresEditableEntriesAndShowsListingsReadOnly) {
    HWND page = open_page(vesk::page_script);
    HWND editor = GetDlgItem(page, id::editor);
    ASSERT_TRUE(editor);
    EXPECT_EQ(entries(page, id::script_target, true),
              (std::vector<std::string>{"(General)", "(User)", "main"}));
    struct {
        int target, event;
        size_t count;
        std::string first, chosen;
        std::function<std::string()> stored;  // empty: a read-only listing
    } rows[] = {
        {0, 0, 24, "(All scripts *can't modify)", "(All scripts *can't modify)", nullptr},
        {0, 1, 24, "(All scripts *can't modify)", "On Init",
         [] { return vesk::general_script(vesk::slot_on_init).get(); }},
        {0, 23, 24, "(All scripts *can't modify)", "On Volume Change",
         [] { return vesk::general_script(vesk::slot_volume_change).get(); }},
        {1, 0, 1, "(Custom scripts)", "(Custom scripts)",
         [] { return vesk::cfg_custom_scripts.get(); }},
        {2, 0, 7, "(All scripts *can't modify)", "(All scripts *can't modify)", nullptr},
        {2, 1, 7, "(All scripts *can't modify)", "Load",
         [] { return vesk::cfg_window_tf_load_list[0]; }},
        {2, 6, 7, "(All scripts *can't modify)", "Activate",
         [] { return vesk::cfg_window_tf_activate_list[0]; }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.chosen);
        choose_entry(page, id::script_target, row.target);
        choose_entry(page, id::script_event, row.event);
        const auto events = entries(page, id::script_event, true);
        ASSERT_EQ(events.size(), row.count);
        EXPECT_EQ(events[0], row.first);
        EXPECT_EQ(events[size_t(row.event)], row.chosen);
        const bool read_only = GetWindowLongPtrW(editor, GWL_STYLE) & ES_READONLY;
        EXPECT_EQ(read_only, !row.stored);
        const std::string before = text_of(editor);
        if (!row.stored) {
            // Typing into a listing changes neither the text nor a setting.
            const auto custom = vesk::cfg_custom_scripts.get();
            SetFocus(editor);
            SendMessageW(editor, WM_CHAR, 'x', 0);
            command(page, id::editor, EN_CHANGE);
            EXPECT_EQ(text_of(editor), before);
            EXPECT_EQ(vesk::cfg_custom_scripts.get(), custom);
            continue;
        }
        EXPECT_EQ(before, row.stored());
        // Custom scripts hold definitions; the others are scripts.
        const std::string text =
            row.target == 1 ? "#define a 1 #end" : "$puts(x," + row.chosen + ")";
        type(page, id::editor, text);
        EXPECT_EQ(row.stored(), text);
        EXPECT_EQ(vesk::script_editor_status(editor), "");
    }
}

TEST_F(ConfigDialogTest, StoringAScriptPreparesAllAgainAndReportsCompileErrors) {
    HWND page = open_page(vesk::page_script);
    HWND editor = GetDlgItem(page, id::editor);
    choose_entry(page, id::script_event, vesk::slot_on_init);
    type(page, id::editor, "$puts(a,#size#)");
    EXPECT_EQ(vesk::prepared_general_script(vesk::slot_on_init), "$puts(a,#size#)");
    // A new macro in the custom scripts reaches the prepared On Init.
    choose_entry(page, id::script_target, 1);
    type(page, id::editor, "#define size 42 #end");
    EXPECT_EQ(vesk::prepared_general_script(vesk::slot_on_init), "$puts(a,42)");
    EXPECT_EQ(vesk::script_editor_status(editor), "");

    // A script that does not compile is stored all the same, and the
    // editor says where it went wrong.
    choose_entry(page, id::script_target, 0);
    choose_entry(page, id::script_event, vesk::slot_on_quit);
    type(page, id::editor, "$puts(a,1)\r\n$if(");
    EXPECT_EQ(vesk::general_script(vesk::slot_on_quit).get(), "$puts(a,1)\r\n$if(");
    const std::string status = vesk::script_editor_status(editor);
    EXPECT_EQ(status.rfind("Compile error: line 2, column ", 0), 0u) << status;
    type(page, id::editor, "$puts(a,1)");
    EXPECT_EQ(vesk::script_editor_status(editor), "");
    // Custom scripts that do not parse print the component's line too.
    choose_entry(page, id::script_target, 1);
    host.take_lines();
    type(page, id::editor, "#define broken");
    EXPECT_EQ(vesk::cfg_custom_scripts.get(), "#define broken");
    EXPECT_EQ(vesk::script_editor_status(editor).rfind("Compile error: line 1, column ", 0), 0u);
    const auto lines = host.take_lines();
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), "Vesk User Interface: Custom scripts compile error."),
        lines.end());
}

TEST_F(ConfigDialogTest, OptionPageSetsEverySwitchAndTheBackupTimer) {
    HWND page = open_page(vesk::page_option);
    struct {
        int control;
        bool on;
        const cor::cfg_int& setting;
        int expected;
    } rows[] = {
        {id::tray_always, true, vesk::cfg_tray_mode, 2},
        {id::tray_minimized, true, vesk::cfg_tray_mode, 3},
        {id::tray_none, true, vesk::cfg_tray_mode, 0},
        {id::safe_mode, true, vesk::cfg_safe_mode, 1},
        {id::safe_mode, false, vesk::cfg_safe_mode, 0},
        {id::trim_mode, true, vesk::cfg_trim_mode, 1},
        {id::backup_start, true, vesk::cfg_backup_at_start, 1},
        {id::backup_exit, true, vesk::cfg_backup_at_exit, 1},
        {id::backup_exit, false, vesk::cfg_backup_at_exit, 0},
    };
    for (const auto& row : rows) {
        set_check(page, row.control, row.on);
        EXPECT_EQ(row.setting.get(), row.expected) << row.control << " " << row.on;
    }
    // Trim mode prepares every script again.
    vesk::general_script(vesk::slot_on_init).set("$puts(a, 1)");
    set_check(page, id::trim_mode, false);
    EXPECT_EQ(vesk::prepared_general_script(vesk::slot_on_init), "$puts(a, 1)");
    set_check(page, id::trim_mode, true);
    EXPECT_EQ(vesk::prepared_general_script(vesk::slot_on_init), "$puts(a,1)");

    struct {
        bool every;
        const char* minutes;
        bool timer;
    } timers[] = {{true, "0", false}, {true, "5", true}, {false, "5", false}, {true, "", false}};
    for (const auto& t : timers) {
        type(page, id::backup_minutes, t.minutes);
        set_check(page, id::backup_every, t.every);
        EXPECT_EQ(vesk::cfg_backup_periodic.get(), t.every ? 1 : 0);
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(page, id::backup_minutes)) != 0, t.every);
        EXPECT_EQ(KillTimer(main, vesk::backup_timer_id) != 0, t.timer)
            << t.every << " '" << t.minutes << "'";
    }
    type(page, id::backup_minutes, "12");
    EXPECT_EQ(vesk::cfg_backup_interval.get(), 12);

    // "&Select" fills the name edit, which stores the name script.
    g_chosen_file = cor::to_wide(folder.path("auto.config"));
    click(page, id::backup_select);
    EXPECT_EQ(vesk::cfg_backup_name.get(), folder.path("auto.config"));
    command(page, id::backup_name, EN_CHANGE);
    EXPECT_EQ(text_of(GetDlgItem(page, id::backup_name)), folder.path("auto.config"));

    // Export writes the file; import asks first, and only OK restarts.
    g_chosen_file = cor::to_wide(folder.path("manual.config"));
    click(page, id::export_config);
    EXPECT_TRUE(std::filesystem::exists(folder.file("manual.config")));
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, "Success!");
    g_box_answer = IDCANCEL;
    click(page, id::import_config);
    EXPECT_EQ(vesk::cfg_pending_import.get(), "");
    EXPECT_TRUE(host.commands.empty());
    g_box_answer = IDOK;
    click(page, id::import_config);
    EXPECT_EQ(g_boxes.back().text, "must restart corvina500.\r\n ara you sure?");
    EXPECT_EQ(vesk::cfg_pending_import.get(), folder.path("manual.config"));
    EXPECT_EQ(host.commands, std::vector<cor::guid>{cor::mainmenu_manager::command_restart});
    EXPECT_EQ(g_file_titles,
              (std::vector<std::wstring>{L"Select autobackup filename", L"Export config data",
                                         L"Import config data", L"Import config data"}));
}

TEST_F(ConfigDialogTest, OnlyOneHostOfThePagesIsOpenAtATime) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 600, 500, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_TRUE(vesk::open_config_dialog());
    EXPECT_FALSE(vesk::open_config_dialog());
    EXPECT_EQ(text_of(vesk::config_dialog_handle()), "Vesk UI Configuration");
    // The preferences page offers only "Safe mode" meanwhile.
    HWND blocked = vesk::create_preferences_page(parent);
    ASSERT_TRUE(blocked);
    EXPECT_EQ(text_of(GetDlgItem(blocked, id::blocked_text)), "Configuration dialog is active.");
    EXPECT_FALSE(GetDlgItem(blocked, id::tab));
    EXPECT_EQ(text_of(GetDlgItem(blocked, id::blocked_safe_mode)), "Safe mode");
    set_check(blocked, id::blocked_safe_mode, true);
    EXPECT_EQ(vesk::cfg_safe_mode.get(), 1);
    DestroyWindow(blocked);
    EXPECT_FALSE(vesk::preferences_page_open());

    // "&Close" closes the dialog; then the page shows the four pages, and
    // the dialog cannot open while it stands.
    click(vesk::config_dialog_handle(), id::close);
    EXPECT_FALSE(vesk::config_dialog_open());
    HWND full = vesk::create_preferences_page(parent);
    ASSERT_TRUE(full);
    EXPECT_TRUE(vesk::config_page_active());
    HWND tab = GetDlgItem(full, id::tab);
    ASSERT_TRUE(tab);
    EXPECT_EQ(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_TRUE(vesk::config_page_window(full, vesk::page_option));
    EXPECT_FALSE(vesk::open_config_dialog());
    vesk::report_config_page_active(main);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, "Configuraton page is active.");
    EXPECT_EQ(g_boxes[0].caption, "Vesk User Interface");
    DestroyWindow(full);
    EXPECT_FALSE(vesk::config_page_active());

    // Without the component's interface running, the page says so.
    host.stop_ui();
    blocked = vesk::create_preferences_page(parent);
    EXPECT_EQ(text_of(GetDlgItem(blocked, id::blocked_text)), "Another user interface is active.");
    DestroyWindow(blocked);
    DestroyWindow(parent);
}

TEST_F(ConfigDialogTest, TheDialogReopensWhereItWasClosed) {
    ASSERT_TRUE(vesk::open_config_dialog());
    HWND dialog = vesk::config_dialog_handle();
    RECT r;
    GetWindowRect(dialog, &r);
    MoveWindow(dialog, 123, 77, r.right - r.left, r.bottom - r.top, TRUE);
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_FALSE(vesk::config_dialog_open());
    EXPECT_EQ(vesk::cfg_config_dialog_placement.get().rcNormalPosition.left, 123);
    ASSERT_TRUE(vesk::open_config_dialog());
    GetWindowRect(vesk::config_dialog_handle(), &r);
    EXPECT_EQ(r.left, 123);
    EXPECT_EQ(r.top, 77);
    // The tray menu's entry opens it too, once.
    DestroyWindow(vesk::config_dialog_handle());
    vesk::run_tray_command(main, vesk::tray_configuration);
    HWND again = vesk::config_dialog_handle();
    EXPECT_TRUE(again);
    vesk::run_tray_command(main, vesk::tray_configuration);
    EXPECT_EQ(vesk::config_dialog_handle(), again);
    vesk::run_tray_command(main, vesk::tray_preferences);
    EXPECT_EQ(host.commands, std::vector<cor::guid>{cor::mainmenu_manager::command_preferences});
}

}  // namespace
