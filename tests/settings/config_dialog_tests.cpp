// The settings windows driven by messages, as a user drives them: the
// "Vesk UI Configuration" dialog and the Host's preferences page, the
// palette read back from its own controls, and the window-information menu
// read item by item and carried out.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <tuple>

#include "cfg_var.h"
#include "config/config_dialog.h"
#include "config/config_pages.h"
#include "config/config_transfer.h"
#include "config/palette_window.h"
#include "config/reference_text.h"
#include "editor/script_editor.h"
#include "host/console_capture.h"
#include "host/display_scale.h"
#include "host/host_services.h"
#include "host/settings.h"
#include "menu/window_info_menu.h"
#include "object/object_manager.h"
#include "panel/panel_definitions.h"
#include "panels/panel_types.h"
#include "registry/window_registry.h"
#include "script/stored_scripts.h"
#include "support/test_folder.h"
#include "utf8.h"
#include "window/tray_windows.h"
#include "window/window_test_util.h"

namespace {

namespace id = vesk::config_id;
namespace pid = vesk::palette_id;
using cor_test::boxes;
using cor_test::click;
using cor_test::command;
using cor_test::entries;
using cor_test::shown_boxes;
using cor_test::text_of;
using cor_test::tree_labels;
using strings = std::vector<std::string>;

// The Host's file and menu choices, made by the test.
std::wstring g_chosen_file;
std::wstring choose(HWND, bool, const wchar_t*, const wchar_t*, const wchar_t*,
                    const std::wstring&) {
    return g_chosen_file;
}
UINT g_menu_choice = 0;
UINT pick(HMENU, HWND) { return g_menu_choice; }

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

void notify(HWND palette, int control, UINT code) {
    NMHDR hdr{GetDlgItem(palette, control), static_cast<UINT_PTR>(control), code};
    SendMessageW(palette, WM_NOTIFY, control, reinterpret_cast<LPARAM>(&hdr));
}

std::string clipboard_text() {
    std::string out;
    if (!OpenClipboard(nullptr)) return "<no clipboard>";
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        out = cor::to_utf8(static_cast<const wchar_t*>(GlobalLock(h)));
        GlobalUnlock(h);
    }
    CloseClipboard();
    return out;
}

// Items as "id text" lines ("-" a separator, "~" greyed, ">" a submenu).
strings described(HMENU menu) {
    strings out;
    for (const auto& i : cor_test::menu_items(menu))
        out.push_back(i.separator ? "-"
                                  : (i.submenu ? ">" : std::to_string(i.id) + " ") +
                                        (i.grayed ? "~" : "") + i.text);
    return out;
}

constexpr std::pair<const char*, const char*> reference_files[] = {
    {"functions",
     "+Windows\nAbout windows.\n$window(id)\n\tOpens a window.\n%not_an_item%\n"
     "$closewindow(id)\n\tCloses it.\n+Apples\n$zeta()\n$Alpha()\n"},
    {"variables", "+Window fields\n%_width%\n\tThe width.\n%_height%\n"},
    {"readme", "+Start\n-First steps\n\tOpen the dialog.\n"}};

// The interface started with small reference texts beside it, and the
// message boxes recorded.
class ConfigDialogTest : public window_test::WindowTest {
protected:
    cor_test::test_folder folder;
    HWND main = nullptr;

    void SetUp() override {
        for (const auto& [name, text] : reference_files)
            cor_test::write_bytes(folder.file("cor_ui_vesk_" + std::string(name) + ".txt"), text);
        vesk::set_reference_folder(folder.file("").wstring());
        vesk::clear_console_messages();
        vesk::set_message_box_handler(cor_test::record_box);
        vesk::set_page_dialogs({choose, pick});
        boxes.clear();
        main = host.start_ui();
        ASSERT_TRUE(main);
    }
    void TearDown() override {
        if (HWND d = vesk::config_dialog_handle()) DestroyWindow(d);
        host.stop_ui();
        EXPECT_FALSE(vesk::palette_window()) << "the palette outlived the main window";
        vesk::set_reference_folder({});
        vesk::set_message_box_handler(nullptr);
        cor_test::box_answer = IDOK;
    }
    HWND open_page(int index) {
        if (!vesk::config_dialog_handle()) {
            EXPECT_TRUE(vesk::open_config_dialog());
        }
        return vesk::config_page_window(vesk::config_dialog_handle(), index);
    }
    HWND select_tab(HWND palette, int tab) {
        TabCtrl_SetCurSel(GetDlgItem(palette, pid::tab), tab);
        notify(palette, pid::tab, TCN_SELCHANGE);
        return palette;
    }
};

// Both definition pages: adding without renaming counts up, a cancelled
// "Remove?" keeps the definition, renaming reaches the list and the store;
// and what each page does with the chosen definition.
TEST_F(ConfigDialogTest, DefinitionPagesAddRenameRemoveAndAct) {
    g_menu_choice = 1;  // the first panel type the Host offers
    const auto types = vesk::available_panel_types();
    struct {
        int page;
        const cor::cfg_stringlist_t &ids, &displays;
        std::string id, display;  // ids count up from `id`
    } rows[] = {
        {vesk::page_window, vesk::cfg_window_id_list, vesk::cfg_window_display_list, "WINDOW",
         "corvina500"},
        {vesk::page_panel, vesk::cfg_panel_id_list, vesk::cfg_panel_display_list, "PANEL",
         types.at(0).name + " / " + types.at(0).category},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.page);
        HWND page = open_page(row.page);
        const size_t before = row.ids.size();
        for (int i = 0; i < 3; ++i) click(page, id::add);
        ASSERT_EQ(row.ids.size(), before + 3);
        const strings added{row.id, row.id + "1", row.id + "2"};
        EXPECT_EQ(strings(row.ids.end() - 3, row.ids.end()), added);
        EXPECT_EQ(strings(row.displays.end() - 3, row.displays.end()), strings(3, row.display));
        const auto listed = entries(page, id::list);
        EXPECT_EQ(strings(listed.end() - 3, listed.end()), added);
        EXPECT_EQ(text_of(page, id::id_edit), added[2]);

        type(page, id::id_edit, "renamed");
        type(page, id::display_edit, "Shown name");
        EXPECT_EQ(row.ids[before + 2], "renamed");
        EXPECT_EQ(row.displays[before + 2], "Shown name");
        EXPECT_EQ(entries(page, id::list).back(), "renamed");

        cor_test::box_answer = IDCANCEL;
        click(page, id::remove);
        ASSERT_EQ(shown_boxes(), strings{"Confirm: Remove?"});
        EXPECT_EQ(row.ids.size(), before + 3);
        cor_test::box_answer = IDOK;
        click(page, id::remove);
        EXPECT_EQ(row.ids.size(), before + 2);
        EXPECT_EQ(entries(page, id::list).size(), before + 2);
        boxes.clear();
    }
    // Every window list stays parallel to the GUID list.
    EXPECT_EQ(vesk::cfg_window_tf_activate_list.size(), vesk::cfg_window_guid_list.size());
    EXPECT_EQ(vesk::cfg_panel_ext_list.size(), vesk::cfg_panel_guid_list.size());

    // "&Settings..." is there for the panels that have a settings dialog and
    // opens that panel's own.
    HWND page = open_page(vesk::page_panel);
    for (size_t i = 0; i < types.size(); ++i) {
        g_menu_choice = static_cast<UINT>(i + 1);
        click(page, id::add);
        const bool has_dialog = types[i].name != "Playlist View";
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(page, id::settings)) != FALSE, has_dialog)
            << types[i].name;
        if (!has_dialog) continue;
        std::string title;
        cor_test::when_thread_window(
            L"#32770",
            [&](HWND dlg) {
                title = text_of(dlg);
                SendMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
            },
            10000, vesk::config_dialog_handle());
        click(page, id::settings);
        EXPECT_EQ(title, types[i].name + " settings");
    }

    // The window page shows, hides and closes the chosen definition's window.
    page = open_page(vesk::page_window);
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

// Entries are stored as typed, listings are read-only, and a stored script
// prepares all again and reports its compile errors.
TEST_F(ConfigDialogTest, ScriptPageStoresEntriesAndShowsListingsAndErrors) {
    HWND page = open_page(vesk::page_script);
    HWND editor = GetDlgItem(page, id::editor);
    ASSERT_TRUE(editor);
    EXPECT_EQ(entries(page, id::script_target, true), (strings{"(General)", "(User)", "main"}));
    const struct {
        int target, event;
        size_t count;
        std::string chosen;
        bool editable;  // else a read-only listing
    } rows[] = {
        {0, 0, 24, "(All scripts *can't modify)", false},
        {0, 1, 24, "On Init", true},
        {1, 0, 1, "(Custom scripts)", true},
        {2, 0, 7, "(All scripts *can't modify)", false},
        {2, 1, 7, "Load", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.chosen);
        choose_entry(page, id::script_target, row.target);
        choose_entry(page, id::script_event, row.event);
        const auto events = entries(page, id::script_event, true);
        ASSERT_EQ(events.size(), row.count);
        EXPECT_EQ(events[size_t(row.event)], row.chosen);
        EXPECT_EQ((GetWindowLongPtrW(editor, GWL_STYLE) & ES_READONLY) == 0, row.editable);
    }
    // The entry of `target` (and `event`, unless -1) chosen and its script typed.
    const auto edit = [&](int target, int event, const std::string& text) {
        choose_entry(page, id::script_target, target);
        if (event >= 0) choose_entry(page, id::script_event, event);
        type(page, id::editor, text);
    };
    type(page, id::editor, "$puts(x,1)");  // the main window's Load, chosen last
    EXPECT_EQ(vesk::cfg_window_tf_load_list[0], "$puts(x,1)");
    EXPECT_EQ(vesk::script_editor_status(editor), "");
    edit(0, vesk::slot_on_init, "$puts(a,#size#)");
    EXPECT_EQ(vesk::prepared_general_script(vesk::slot_on_init), "$puts(a,#size#)");
    // A new macro in the custom scripts reaches the prepared On Init.
    edit(1, -1, "#define size 42 #end");
    EXPECT_EQ(vesk::prepared_general_script(vesk::slot_on_init), "$puts(a,42)");
    EXPECT_EQ(vesk::script_editor_status(editor), "");

    // A script that does not compile is stored all the same, and the
    // editor says where it went wrong.
    edit(0, vesk::slot_on_quit, "$puts(a,1)\r\n$if(");
    EXPECT_EQ(vesk::general_script(vesk::slot_on_quit).get(), "$puts(a,1)\r\n$if(");
    EXPECT_EQ(vesk::script_editor_status(editor).rfind("Compile error: line 2, column ", 0), 0u);
    type(page, id::editor, "$puts(a,1)");
    EXPECT_EQ(vesk::script_editor_status(editor), "");
    // So are custom scripts that do not parse.
    edit(1, -1, "#define broken");
    EXPECT_EQ(vesk::cfg_custom_scripts.get(), "#define broken");
    EXPECT_EQ(vesk::script_editor_status(editor).rfind("Compile error: line 1, column ", 0), 0u);
    // Chosen again, an entry shows what it stores.
    choose_entry(page, id::script_target, 0);
    choose_entry(page, id::script_event, vesk::slot_on_init);
    EXPECT_EQ(text_of(editor), "$puts(a,#size#)");
}

TEST_F(ConfigDialogTest, OptionPageSetsEverySwitchAndTheBackupTimer) {
    HWND page = open_page(vesk::page_option);
    const std::tuple<int, bool, const cor::cfg_int&, int> rows[] = {
        {id::tray_always, true, vesk::cfg_tray_mode, 2},
        {id::tray_minimized, true, vesk::cfg_tray_mode, 3},
        {id::tray_none, true, vesk::cfg_tray_mode, 0},
        {id::safe_mode, true, vesk::cfg_safe_mode, 1},
        {id::safe_mode, false, vesk::cfg_safe_mode, 0},
        {id::trim_mode, true, vesk::cfg_trim_mode, 1},
        {id::backup_start, true, vesk::cfg_backup_at_start, 1},
        {id::backup_exit, true, vesk::cfg_backup_at_exit, 1},
        {id::backup_exit, false, vesk::cfg_backup_at_exit, 0}};
    for (const auto& [control, on, setting, expected] : rows) {
        set_check(page, control, on);
        EXPECT_EQ(setting.get(), expected) << control << " " << on;
    }
    // Trim mode prepares every script again.
    vesk::general_script(vesk::slot_on_init).set("$puts(a, 1)");
    set_check(page, id::trim_mode, false);
    EXPECT_EQ(vesk::prepared_general_script(vesk::slot_on_init), "$puts(a, 1)");
    set_check(page, id::trim_mode, true);
    EXPECT_EQ(vesk::prepared_general_script(vesk::slot_on_init), "$puts(a,1)");

    // Every N minutes, N: a timer only for a number above 0.
    const std::tuple<bool, const char*, bool> timers[] = {
        {true, "0", false}, {true, "5", true}, {false, "5", false}, {true, "", false}};
    for (const auto& [every, minutes, timer] : timers) {
        type(page, id::backup_minutes, minutes);
        set_check(page, id::backup_every, every);
        EXPECT_EQ(vesk::cfg_backup_periodic.get(), every ? 1 : 0);
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(page, id::backup_minutes)) != 0, every);
        EXPECT_EQ(KillTimer(main, vesk::backup_timer_id) != 0, timer)
            << every << " '" << minutes << "'";
    }
    type(page, id::backup_minutes, "12");
    EXPECT_EQ(vesk::cfg_backup_interval.get(), 12);

    // "&Select" fills the name edit, which stores the name script.
    g_chosen_file = cor::to_wide(folder.path("auto.config"));
    click(page, id::backup_select);
    EXPECT_EQ(vesk::cfg_backup_name.get(), folder.path("auto.config"));

    // Export writes the file; import asks first, and only OK restarts.
    g_chosen_file = cor::to_wide(folder.path("manual.config"));
    click(page, id::export_config);
    EXPECT_TRUE(std::filesystem::exists(folder.file("manual.config")));
    EXPECT_EQ(shown_boxes(), strings{"Export config data: Success!"});
    cor_test::box_answer = IDCANCEL;
    click(page, id::import_config);
    EXPECT_EQ(vesk::cfg_pending_import.get(), "");
    EXPECT_TRUE(host.commands.empty());
    cor_test::box_answer = IDOK;
    click(page, id::import_config);
    EXPECT_EQ(boxes.back().text, "must restart corvina500.\r\n ara you sure?");
    EXPECT_EQ(vesk::cfg_pending_import.get(), folder.path("manual.config"));
    EXPECT_EQ(host.commands, std::vector<cor::guid>{cor::mainmenu_manager::command_restart});
}

// The dialog reopens where it was closed, from the tray menu too, and
// stands once; the tray's preferences item asks the Host. (How it and the
// preferences page stand one at a time: the Preferences window's tests.)
TEST_F(ConfigDialogTest, ReopensWhereItWasClosedOnceAtATime) {
    ASSERT_TRUE(vesk::open_config_dialog());
    HWND dialog = vesk::config_dialog_handle();
    SetWindowPos(dialog, nullptr, 123, 77, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_FALSE(vesk::config_dialog_open());
    vesk::run_tray_command(main, vesk::tray_configuration);
    ASSERT_TRUE(vesk::config_dialog_handle());
    RECT r;
    GetWindowRect(vesk::config_dialog_handle(), &r);
    EXPECT_EQ(std::pair(r.left, r.top), (std::pair<LONG, LONG>(123, 77)));
    EXPECT_FALSE(vesk::open_config_dialog());
    vesk::run_tray_command(main, vesk::tray_preferences);
    EXPECT_EQ(host.commands, std::vector<cor::guid>{cor::mainmenu_manager::command_preferences});
}

TEST_F(ConfigDialogTest, TabsHoldTheDefinitionsReferencesAndMenusAndShowOneAtATime) {
    define("alpha");
    define("beta");
    vesk::add_panel_definition(cor::panels::console_guid, "con", "con");
    HWND palette = vesk::open_palette();
    EXPECT_EQ(vesk::open_palette(), palette) << "one palette at a time";

    EXPECT_EQ(entries(palette, pid::windows), (strings{"main", "alpha", "beta"}));
    EXPECT_EQ(entries(palette, pid::panels), strings{"con"});
    // Groups in file order, items sorted ignoring case; "%" is body text in
    // the functions file and an item in the variables file.
    EXPECT_EQ(tree_labels(palette, pid::functions_tree),
              (strings{"Windows", "  $closewindow(id)", "  $window(id)", "Apples", "  $Alpha()",
                       "  $zeta()"}));
    EXPECT_EQ(tree_labels(palette, pid::variables_tree),
              (strings{"Window fields", "  %_height%", "  %_width%"}));
    EXPECT_EQ(tree_labels(palette, pid::readme_tree), (strings{"Start", "  First steps"}));
    EXPECT_EQ(tree_labels(palette, pid::mainmenu_tree),
              (strings{"File", "  Exit", "Test", "  Group", "    Do It", "Vesk", "  Palette"}));

    // Only the chosen tab's controls show.
    const std::pair<int, int> owner[] = {{pid::windows, vesk::tab_win},
                                         {pid::functions_text, vesk::tab_vesk},
                                         {pid::context_tree, vesk::tab_context},
                                         {pid::run, vesk::tab_test},
                                         {pid::readme_text, vesk::tab_readme}};
    for (int t = vesk::palette_tab_count - 1; t >= 0; --t) {
        select_tab(palette, t);
        for (const auto& [control, on] : owner)
            EXPECT_EQ(IsWindowVisible(GetDlgItem(palette, control)) != 0, on == t)
                << "tab " << t << ", control " << control;
    }

    // A selected heading shows its label, a blank line and its body.
    HWND functions = GetDlgItem(palette, pid::functions_tree);
    const std::pair<std::string, std::string> headings[] = {
        {"$window(id)", "$window(id)\r\n\r\nOpens a window.\r\n%not_an_item%\r\n"},
        {"Windows", "Windows\r\n\r\nAbout windows.\r\n"}};
    for (const auto& [label, shown] : headings) {
        TreeView_SelectItem(functions, cor_test::tree_item(functions, label));
        EXPECT_EQ(text_of(palette, pid::functions_text), shown) << label;
    }

    // A double click on the entry `label` of the windows list or a tree
    // inserts it into the open editor, which stores it.
    const auto double_click = [&](int control, const std::string& label) {
        HWND c = GetDlgItem(palette, control);
        if (control == pid::windows) {
            SendMessageW(c, LB_SELECTSTRING, WPARAM(-1),
                         reinterpret_cast<LPARAM>(cor::to_wide(label).c_str()));
            command(palette, control, LBN_DBLCLK);
        } else {
            TreeView_SelectItem(c, cor_test::tree_item(c, label));
            notify(palette, control, NM_DBLCLK);
        }
    };
    const std::tuple<int, std::string, std::string> clicks[] = {
        {pid::windows, "alpha", "alpha"},
        {pid::functions_tree, "$closewindow(id)", "$closewindow(id)"},
        {pid::mainmenu_tree, "Do It", "Test/Group/Do It"},
        {pid::functions_tree, "Apples", ""},  // a group
        {pid::mainmenu_tree, "Group", ""},    // not a command
    };
    const size_t def = vesk::definition_by_id("alpha");
    ASSERT_TRUE(vesk::open_config_dialog_at_script(vesk::cfg_window_guid_list[def], 1));
    HWND editor = vesk::open_script_editor();
    ASSERT_TRUE(editor);
    for (const auto& [control, label, inserted] : clicks) {
        SetWindowTextW(editor, L"<>");
        SendMessageW(editor, EM_SETSEL, 1, 1);
        double_click(control, label);
        EXPECT_EQ(text_of(editor), "<" + inserted + ">") << label;
    }
    EXPECT_EQ(vesk::cfg_window_tf_load_list[def], "<>");
    SetWindowTextW(editor, L"");
    double_click(pid::windows, "main");
    EXPECT_EQ(vesk::cfg_window_tf_load_list[def], "main") << "the insertion is stored";

    // Closed and opened again, it reads the reference again: missing, its
    // trees are empty.
    SendMessageW(palette, WM_CLOSE, 0, 0);
    ASSERT_FALSE(IsWindow(palette));
    vesk::set_reference_folder(folder.file("nowhere").wstring());
    palette = vesk::open_palette();
    for (int tree : {pid::functions_tree, pid::variables_tree, pid::readme_tree})
        EXPECT_EQ(TreeView_GetCount(GetDlgItem(palette, tree)), 0u);
}

// Closes whatever an example opens modally (a popup menu, a dialog), as a
// user would, from inside its loop.
void CALLBACK dismiss_modal(HWND, UINT, UINT_PTR, DWORD) {
    EndMenu();
    for (HWND box : cor_test::thread_windows(L"#32770")) PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// The test bench runs scripts prepared as stored ones are, shows the
// console and clears it; and what a user copies from the shipped functions
// text runs on it: every example compiles and reaches the function it
// shows, one after another in the running interface, which stays whole.
TEST_F(ConfigDialogTest, TheTestBenchRunsScriptsAndEveryFunctionsExampleAndShowsTheConsole) {
    vesk::cfg_custom_scripts = "#define size 42 #end";
    ASSERT_TRUE(vesk::compile_stored_custom_scripts());
    HWND palette = select_tab(vesk::open_palette(), vesk::tab_test);
    const auto bench = [&](const std::string& script) {
        SetWindowTextW(GetDlgItem(palette, pid::test_script), cor::to_wide(script).c_str());
        click(palette, pid::run);
        return text_of(palette, pid::test_result);
    };
    const std::pair<std::string, std::string> runs[] = {
        {"$add(1,2)", "3"},
        {"#size#", "42"},
        {"$if(", "[COMPILATION ERROR]"},
        {"$puts(x,5)$get(x)$get(y)", "5"},  // no variables carried between runs
        {"$get(x)", ""}};
    for (const auto& [script, result] : runs) EXPECT_EQ(bench(script), result) << script;

    // Sixty messages from the Host while it shows, after the refresh its
    // opening asked for: the latest fifty, oldest first, each with its time
    // and its lines ended by CR LF; a zero byte ends a message.
    host.pump();
    const auto receiver = cor_test::make_service<cor::console_receiver>();
    ASSERT_TRUE(receiver);
    const std::string last[] = {"a\nb", "a\r\nb\r\n", "one\n\ntwo", std::string("cut\0hidden", 10),
                                ""};
    for (int i = 0; i < 60; ++i) {
        const std::string m = i < 55 ? "m" + std::to_string(i) : last[i - 55];
        receiver->print(m.data(), m.size());
    }
    host.pump();
    const std::string view = text_of(palette, pid::test_console);
    std::string expected;
    for (int i = 10; i < 55; ++i) expected += "[tt] m" + std::to_string(i) + "\r\n";
    expected += "[tt] a\r\nb\r\n[tt] a\r\nb\r\n[tt] one\r\n\r\ntwo\r\n[tt] cut\r\n[tt] \r\n";
    EXPECT_EQ(std::regex_replace(view, std::regex(R"(\[\d\d:\d\d:\d\d\])"), "[tt]"), expected);

    // The read-only boxes select all and copy with Ctrl+A and Ctrl+C: the
    // keys as a box receives them, without the system's input queue that
    // parallel test programs share.
    HWND box = GetDlgItem(palette, pid::test_console);
    SendMessageW(box, EM_SETSEL, 0, 0);
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_CONTROL] = 0x80;
    SetKeyboardState(state);
    for (WPARAM key : {WPARAM('A'), WPARAM('C')}) {
        SendMessageW(box, WM_KEYDOWN, key, 1);
        SendMessageW(box, WM_CHAR, key - 'A' + 1, 1);
        SendMessageW(box, WM_KEYUP, key, 0xC0000001);
    }
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
    EXPECT_EQ(clipboard_text(), view);

    // Opened again, it shows what came while it was hidden.
    ShowWindow(palette, SW_HIDE);
    vesk::capture_console_text("later", 5);
    EXPECT_EQ(vesk::open_palette(), palette);
    host.pump();
    EXPECT_NE(text_of(palette, pid::test_console).find("] later\r\n"), std::string::npos);

    click(palette, pid::clear);
    EXPECT_TRUE(vesk::console_messages().empty());
    EXPECT_EQ(text_of(palette, pid::test_console), "");

    const char* data = std::getenv("COR_TEST_DATA");
    const auto parsed = vesk::parse_reference_text(
        cor_test::read_bytes(std::filesystem::path(data && *data ? data : ".") / ".." /
                             "reference" / "cor_ui_vesk_functions.txt"),
        '$');
    const std::set<std::string> skipped{"execute", "exec"};  // they start a program that stays
    auto& objects = vesk::object_manager::instance();
    const size_t groups = objects.list(vesk::object::type_group).size();
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, dismiss_modal);
    size_t run = 0;
    for (const auto& group : parsed.groups)
        for (const auto& item : group.items) {
            const std::string name = vesk::reference_item_name(item.label);
            const auto example = std::find_if(item.body.begin(), item.body.end(),
                                              [](auto& b) { return b.starts_with("Example: "); });
            ASSERT_NE(example, item.body.end()) << name;
            if (skipped.count(name)) continue;
            const std::string script = example->substr(9);
            EXPECT_NE(script.find("$" + name + "("), std::string::npos) << script;
            const std::string result = bench(script);
            for (const char* fault : {"[COMPILATION ERROR]", "[UNKNOWN FUNCTION]", "SYNTAX]"})
                EXPECT_EQ(result.find(fault), std::string::npos) << script << " -> " << result;
            ++run;
        }
    KillTimer(nullptr, timer);
    EXPECT_EQ(run + skipped.size(), 150u);
    // Groups belong to no window: the ones the examples made go by hand.
    while (objects.list(vesk::object::type_group).size() > groups)
        objects.remove(objects.list(vesk::object::type_group).at(groups)->id);
    EXPECT_TRUE(IsWindow(main));
}

// Items show the window and what it embeds, and copy as text; "Script"
// opens the dialog once, "Refresh" rebuilds and "Close" closes.
TEST_F(ConfigDialogTest, WindowInfoMenuItemsShowCopyAndCarryOut) {
    define("w", {"$window(kid,10,20,100,50,parent:w,embed:true)$panel(w,con,130,40,120,60)"});
    define("kid", {"$console(kid loaded)"});
    define("spare");
    vesk::add_panel_definition(cor::panels::console_guid, "con", "con");
    vesk::add_panel_definition(cor::panels::console_guid, "free", "free");
    host.eval("$window(w,300,200,400,300)");
    host.pump();
    HWND w = handle_of("w");
    ASSERT_TRUE(w);
    const auto screen = [](HWND wnd, int x, int y) {
        POINT p{x, y};
        ClientToScreen(wnd, &p);
        return p;
    };
    RECT wr, cr;
    GetWindowRect(w, &wr);
    GetClientRect(w, &cr);
    vesk::window_info_menu info(w, screen(w, 5, 6));
    HMENU m = info.menu();
    // Each information item shows a value and copies it as text (submenus are
    // taken by their places, which the menu over a panel below shows).
    const auto both = [](const char* shown, long a, long b) {
        char buf[128];
        snprintf(buf, sizeof buf, shown, int(a), int(b));
        return std::pair<std::string, std::string>(buf,
                                                   std::to_string(a) + "," + std::to_string(b));
    };
    const std::pair<std::string, std::string> items[] = {
        {"Window ID :\tw", "w"},
        both("Window Position :\tx=%d, y=%d", wr.left, wr.top),
        both("Window Size :\t%d x %d", wr.right - wr.left, wr.bottom - wr.top),
        both("Client Size :\t%d x %d", cr.right, cr.bottom),
        {"Client Mouse Position :\tx=5, y=6", "5,6"},
        {"Embedded:\twindows(1), panels(1)",
         "\r\n$window('kid',10,20,100,50,parent:%_id%,embed:true)"
         "\r\n$panel(%_id%,con,130,40,120,60)"},
    };
    HMENU information = GetSubMenu(m, 1);
    const strings shown = described(information);
    ASSERT_EQ(shown.size(), 7u);
    for (UINT i = 0; i < 6; ++i) {
        EXPECT_EQ(shown[i], std::to_string(vesk::info_window_id + i) + " " + items[i].first);
        info.carry_out(vesk::info_window_id + i);
        EXPECT_EQ(clipboard_text(), items[i].second) << items[i].first;
    }

    // A panel under the mouse adds its items, numbered on after the embed entries.
    host.eval("$console(something to clear)");
    vesk::window_info_menu over(w, screen(w, 150, 60));
    EXPECT_EQ(described(over.menu()), (strings{">Script", ">Information", ">Embed", "16 Refresh",
                                               "17 Close", "-", "24 Clear"}));
    const HWND list = FindWindowExW(vesk::cfg_panel_ext_list[vesk::panel_by_id("con")].wnd, nullptr,
                                    L"LISTBOX", nullptr);
    ASSERT_TRUE(list);
    EXPECT_GT(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);
    over.carry_out(24);
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);

    // "Move" opens the dialog at that event; "Resize" leaves an open one as it is.
    info.carry_out(vesk::info_script_load + 4);
    ASSERT_TRUE(vesk::config_dialog_open());
    HWND events =
        GetDlgItem(vesk::config_page_window(vesk::config_dialog_handle(), vesk::page_script),
                   vesk::config_id::script_event);
    EXPECT_EQ(SendMessageW(events, CB_GETCURSEL, 0, 0), 5);
    info.carry_out(vesk::info_script_load + 3);
    EXPECT_EQ(SendMessageW(events, CB_GETCURSEL, 0, 0), 5);
    DestroyWindow(vesk::config_dialog_handle());

    HWND kid = handle_of("kid");
    host.take_lines();
    vesk::window_info_menu(kid, screen(kid, 1, 1)).carry_out(vesk::info_refresh);
    host.pump();
    HWND again = handle_of("kid");
    ASSERT_TRUE(again);
    EXPECT_NE(again, kid);
    EXPECT_EQ(GetParent(again), w) << "still embedded";
    EXPECT_TRUE(GetWindowLongW(again, GWL_STYLE) & WS_CHILD);
    EXPECT_EQ(host.take_lines(), strings{"kid loaded"});

    // The main window starts over inside itself: what it embedded goes.
    vesk::cfg_window_tf_load_list[vesk::definition_by_guid(vesk::main_window_guid)] =
        "$console(main loaded)";
    vesk::prepare_all();
    host.eval("$window(spare,0,0,50,50,parent:main,embed:true)$panel(main,free,0,0,20,20)");
    ASSERT_TRUE(handle_of("spare"));
    vesk::window_info_menu(main, screen(main, 1, 1)).carry_out(vesk::info_refresh);
    host.pump();
    EXPECT_EQ(handle_of("main"), main);
    EXPECT_FALSE(handle_of("spare"));
    EXPECT_FALSE(vesk::cfg_panel_ext_list[vesk::panel_by_id("free")].wnd);
    const strings lines = host.take_lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "main loaded"), lines.end());

    vesk::window_info_menu(w, screen(w, 1, 1)).carry_out(vesk::info_close);
    host.pump();
    EXPECT_FALSE(handle_of("w"));
    EXPECT_FALSE(handle_of("kid"));

    // At 200 % the numbers are the skin's, as scripts give and read them.
    define("wide");
    vesk::set_dpi_override(192);
    host.eval("$window(wide,30,20,200,100)");
    HWND wide = handle_of("wide");
    ASSERT_TRUE(wide);
    const strings scaled =
        described(GetSubMenu(vesk::window_info_menu(wide, screen(wide, 10, 12)).menu(), 1));
    vesk::set_dpi_override(0);
    ASSERT_EQ(scaled.size(), 7u);
    EXPECT_EQ(scaled[1].substr(scaled[1].find(' ') + 1), "Window Position :\tx=30, y=20");
    EXPECT_EQ(scaled[2].substr(scaled[2].find(' ') + 1), "Window Size :\t200 x 100");
    EXPECT_EQ(scaled[4].substr(scaled[4].find(' ') + 1), "Client Mouse Position :\tx=5, y=6");
    DestroyWindow(wide);
}

}  // namespace
