// The palette read back from its own controls as a user sees them, and the
// window-information menu read item by item and carried out.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "cfg_var.h"
#include "config/config_dialog.h"
#include "config/config_pages.h"
#include "config/palette_window.h"
#include "config/reference_text.h"
#include "config/test_folder.h"
#include "host/console_capture.h"
#include "host/host_services.h"
#include "host/identity.h"
#include "host/settings.h"
#include "menu/window_info_menu.h"
#include "object/object_manager.h"
#include "panel/panel_definitions.h"
#include "panels/panel_types.h"
#include "registry/window_registry.h"
#include "script/stored_scripts.h"
#include "support/component_host.h"
#include "support/started_ui_test.h"
#include "utf8.h"
#include "window/script_window.h"

namespace {

namespace pid = vesk::palette_id;
using strings = std::vector<std::string>;

std::string text_of(HWND wnd) {
    std::wstring buf(static_cast<size_t>(GetWindowTextLengthW(wnd)) + 1, L'\0');
    buf.resize(static_cast<size_t>(GetWindowTextW(wnd, buf.data(), int(buf.size()))));
    return cor::to_utf8(buf);
}

std::string tree_text(HWND tree, HTREEITEM item) {
    wchar_t buf[1024] = L"";
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = buf;
    tv.cchTextMax = 1024;
    TreeView_GetItem(tree, &tv);
    return cor::to_utf8(buf);
}

// A tree as indented lines ("  " per level), in the control's order.
void dump(HWND tree, HTREEITEM first, const std::string& indent, strings& out) {
    for (HTREEITEM i = first; i; i = TreeView_GetNextSibling(tree, i)) {
        out.push_back(indent + tree_text(tree, i));
        dump(tree, TreeView_GetChild(tree, i), indent + "  ", out);
    }
}
strings dump(HWND tree) {
    strings out;
    dump(tree, TreeView_GetRoot(tree), "", out);
    return out;
}

// The leaves' paths, labels joined by "/".
void leaves(HWND tree, HTREEITEM first, const std::string& prefix,
            std::multiset<std::string>& out) {
    for (HTREEITEM i = first; i; i = TreeView_GetNextSibling(tree, i)) {
        const std::string path = prefix + tree_text(tree, i);
        if (HTREEITEM child = TreeView_GetChild(tree, i))
            leaves(tree, child, path + "/", out);
        else
            out.insert(path);
    }
}

// Every level's labels in sorted order (ignoring case), each once.
bool siblings_sorted(HWND tree, HTREEITEM first) {
    strings level;
    for (HTREEITEM i = first; i; i = TreeView_GetNextSibling(tree, i)) {
        level.push_back(tree_text(tree, i));
        if (!siblings_sorted(tree, TreeView_GetChild(tree, i))) return false;
    }
    const auto lower = [](std::string t) {
        for (auto& c : t) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        return t;
    };
    for (size_t i = 1; i < level.size(); ++i)
        if (!(lower(level[i - 1]) < lower(level[i]))) return false;
    return true;
}

HTREEITEM find_item(HWND tree, const std::string& text, HTREEITEM first = nullptr) {
    for (HTREEITEM i = first ? first : TreeView_GetRoot(tree); i;
         i = TreeView_GetNextSibling(tree, i)) {
        if (tree_text(tree, i) == text) return i;
        if (HTREEITEM child = TreeView_GetChild(tree, i))
            if (HTREEITEM found = find_item(tree, text, child)) return found;
    }
    return nullptr;
}

strings list_entries(HWND list) {
    strings out;
    const auto n = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        wchar_t buf[512] = L"";
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
        out.push_back(cor::to_utf8(buf));
    }
    return out;
}

void notify(HWND palette, int control, UINT code) {
    NMHDR hdr{GetDlgItem(palette, control), static_cast<UINT_PTR>(control), code};
    SendMessageW(palette, WM_NOTIFY, control, reinterpret_cast<LPARAM>(&hdr));
}

void click(HWND palette, int control) {
    SendMessageW(palette, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(palette, control)));
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

struct t_menu_item {
    std::string text;
    UINT id;
    bool grayed, separator;
    HMENU sub;
};
std::vector<t_menu_item> menu_items(HMENU menu) {
    std::vector<t_menu_item> out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t buf[256] = L"";
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_STRING | MIIM_ID | MIIM_SUBMENU | MIIM_STATE | MIIM_FTYPE;
        mi.dwTypeData = buf;
        mi.cch = 256;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mi);
        out.push_back({cor::to_utf8(buf), mi.wID, (mi.fState & MFS_GRAYED) != 0,
                       (mi.fType & MFT_SEPARATOR) != 0, mi.hSubMenu});
    }
    return out;
}
// Items as "id text" lines ("-" a separator, "~" greyed, ">" a submenu).
strings described(HMENU menu) {
    strings out;
    for (const auto& i : menu_items(menu)) {
        if (i.separator)
            out.push_back("-");
        else
            out.push_back((i.sub ? ">" : std::to_string(i.id) + " ") + (i.grayed ? "~" : "") +
                          i.text);
    }
    return out;
}
HMENU submenu(HMENU menu, const std::string& text) {
    for (const auto& i : menu_items(menu))
        if (i.text == text) return i.sub;
    return nullptr;
}

constexpr char functions_file[] =
    "+Windows\n"
    "About windows.\n"
    "$window(id)\n"
    "\tOpens a window.\n"
    "%not_an_item%\n"
    "$closewindow(id)\n"
    "\tCloses it.\n"
    "+Apples\n"
    "$zeta()\n"
    "$Alpha()\n";
constexpr char variables_file[] = "+Window fields\n%_width%\n\tThe width.\n%_height%\n";
constexpr char readme_file[] = "+Start\n-First steps\n\tOpen the dialog.\n";

class PaletteTest : public cor_test::started_ui_test {
protected:
    void SetUp() override {
        cor::test::write_bytes(folder.file("cor_ui_vesk_functions.txt"), functions_file);
        cor::test::write_bytes(folder.file("cor_ui_vesk_variables.txt"), variables_file);
        cor::test::write_bytes(folder.file("cor_ui_vesk_readme.txt"), readme_file);
        vesk::set_reference_folder(folder.file("").wstring());
        vesk::clear_console_messages();
        start();
    }
    void TearDown() override {
        stop();
        EXPECT_FALSE(vesk::palette_window()) << "the palette outlived the main window";
        vesk::set_reference_folder({});
    }

    cor::guid define(const std::string& id, const std::string& load = "") {
        const cor::guid g = vesk::make_identity();
        const size_t i = vesk::add_definition(g, id, id);
        vesk::cfg_window_tf_load_list[i] = load;
        vesk::prepare_all();
        return g;
    }
    HWND handle_of(const std::string& id) {
        const size_t def = vesk::definition_by_id(id);
        const size_t open = vesk::open_window_by_guid(vesk::cfg_window_guid_list[def]);
        return open == vesk::no_window ? nullptr : HWND(vesk::open_windows()[open].hwnd);
    }
    HWND select_tab(HWND palette, int tab) {
        TabCtrl_SetCurSel(GetDlgItem(palette, pid::tab), tab);
        notify(palette, pid::tab, TCN_SELCHANGE);
        return palette;
    }
};

TEST_F(PaletteTest, TabsHoldTheDefinitionsReferencesAndMenusAndShowOneAtATime) {
    define("alpha");
    define("beta");
    vesk::add_panel_definition(cor::panels::console_guid, "con", "con");
    HWND palette = vesk::open_palette();
    ASSERT_TRUE(palette);
    EXPECT_EQ(vesk::open_palette(), palette) << "one palette at a time";
    EXPECT_EQ(FindWindowW(vesk::palette_class_name, L"Palette"), palette);
    EXPECT_EQ(vesk::palette_window(), palette);

    HWND tab = GetDlgItem(palette, pid::tab);
    strings tabs;
    for (int i = 0; i < TabCtrl_GetItemCount(tab); ++i) {
        wchar_t buf[32] = L"";
        TCITEMW item{TCIF_TEXT, 0, 0, buf, 32, 0, 0};
        TabCtrl_GetItem(tab, i, &item);
        tabs.push_back(cor::to_utf8(buf));
    }
    EXPECT_EQ(tabs,
              (strings{"Win", "Panel", "Vesk", "Var", "Mainmenu", "Context", "Test", "ReadMe"}));

    EXPECT_EQ(list_entries(GetDlgItem(palette, pid::windows)), (strings{"main", "alpha", "beta"}));
    EXPECT_EQ(list_entries(GetDlgItem(palette, pid::panels)), strings{"con"});
    // Groups in file order, items sorted ignoring case; "%" is body text in
    // the functions file and an item in the variables file.
    EXPECT_EQ(dump(GetDlgItem(palette, pid::functions_tree)),
              (strings{"Windows", "  $closewindow(id)", "  $window(id)", "Apples", "  $Alpha()",
                       "  $zeta()"}));
    EXPECT_EQ(dump(GetDlgItem(palette, pid::variables_tree)),
              (strings{"Window fields", "  %_height%", "  %_width%"}));
    EXPECT_EQ(dump(GetDlgItem(palette, pid::readme_tree)), (strings{"Start", "  First steps"}));
    EXPECT_EQ(dump(GetDlgItem(palette, pid::mainmenu_tree)),
              (strings{"File", "  Exit", "Test", "  Group", "    Do It", "Vesk", "  Palette"}));
    // The context tree holds every command of the Host's context menu, once.
    std::multiset<std::string> expected, shown;
    auto* context = vesk::host::contextmenu();
    ASSERT_TRUE(context);
    for (size_t i = 0; i < context->get_command_count(); ++i) {
        cor::guid id;
        cor::string_out path;
        ASSERT_TRUE(context->get_command(i, id, path));
        expected.insert(path.text);
    }
    HWND context_tree = GetDlgItem(palette, pid::context_tree);
    leaves(context_tree, TreeView_GetRoot(context_tree), "", shown);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(shown, expected);
    EXPECT_TRUE(siblings_sorted(context_tree, TreeView_GetRoot(context_tree)));

    // Only the chosen tab's controls show.
    const std::map<int, int> owner = {{pid::windows, vesk::tab_win},
                                      {pid::panels, vesk::tab_panel},
                                      {pid::functions_tree, vesk::tab_vesk},
                                      {pid::functions_text, vesk::tab_vesk},
                                      {pid::variables_tree, vesk::tab_var},
                                      {pid::mainmenu_tree, vesk::tab_mainmenu},
                                      {pid::context_tree, vesk::tab_context},
                                      {pid::test_script, vesk::tab_test},
                                      {pid::run, vesk::tab_test},
                                      {pid::clear, vesk::tab_test},
                                      {pid::readme_text, vesk::tab_readme}};
    for (int t = vesk::palette_tab_count - 1; t >= 0; --t) {
        select_tab(palette, t);
        for (const auto& [control, on] : owner)
            EXPECT_EQ(IsWindowVisible(GetDlgItem(palette, control)) != 0, on == t)
                << "tab " << t << ", control " << control;
    }

    // A selected heading shows its label, a blank line and its body.
    const struct {
        int tree, text;
        std::string label, shown;
    } entries[] = {
        {pid::functions_tree, pid::functions_text, "$window(id)",
         "$window(id)\r\n\r\nOpens a window.\r\n%not_an_item%\r\n"},
        {pid::functions_tree, pid::functions_text, "Windows", "Windows\r\n\r\nAbout windows.\r\n"},
        {pid::variables_tree, pid::variables_text, "%_height%", "%_height%\r\n\r\n"},
        {pid::readme_tree, pid::readme_text, "First steps",
         "First steps\r\n\r\nOpen the dialog.\r\n"},
    };
    for (const auto& e : entries) {
        HWND tree = GetDlgItem(palette, e.tree);
        HTREEITEM item = find_item(tree, e.label);
        ASSERT_TRUE(item) << e.label;
        TreeView_SelectItem(tree, item);
        EXPECT_EQ(text_of(GetDlgItem(palette, e.text)), e.shown);
    }
    EXPECT_TRUE(GetWindowLongPtrW(GetDlgItem(palette, pid::functions_text), GWL_STYLE) &
                ES_READONLY);
}

// Closed and opened again, the palette stands where the user left it.
TEST_F(PaletteTest, ReopensWhereItWasClosed) {
    HWND palette = vesk::open_palette();
    ASSERT_TRUE(palette);
    SetWindowPos(palette, nullptr, 30, 40, 500, 520, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(palette, WM_CLOSE, 0, 0);
    ASSERT_FALSE(IsWindow(palette));
    RECT r;
    GetWindowRect(vesk::open_palette(), &r);
    EXPECT_EQ((std::vector<long>{r.left, r.top, r.right, r.bottom}),
              (std::vector<long>{30, 40, 530, 560}));
}

TEST_F(PaletteTest, AMissingReferenceLeavesItsTreeEmpty) {
    vesk::set_reference_folder(folder.file("nowhere").wstring());
    HWND palette = vesk::open_palette();
    for (int tree : {pid::functions_tree, pid::variables_tree, pid::readme_tree})
        EXPECT_EQ(TreeView_GetCount(GetDlgItem(palette, tree)), 0u);
}

TEST_F(PaletteTest, TheTestBenchRunsPreparedScriptsAndShowsAndClearsTheConsole) {
    vesk::cfg_custom_scripts = "#define size 42 #end";
    ASSERT_TRUE(vesk::compile_stored_custom_scripts());
    HWND palette = select_tab(vesk::open_palette(), vesk::tab_test);
    const struct {
        std::string script, result;
    } runs[] = {
        {"$add(1,2)", "3"},
        {"#size#", "42"},
        {"$if(", "[COMPILATION ERROR]"},
        {"$puts(x,5)$get(x)$get(y)", "5"},  // no variables carried between runs
        {"$get(x)", ""},
    };
    for (const auto& r : runs) {
        SetWindowTextW(GetDlgItem(palette, pid::test_script), cor::to_wide(r.script).c_str());
        click(palette, pid::run);
        EXPECT_EQ(text_of(GetDlgItem(palette, pid::test_result)), r.result) << r.script;
    }

    // Sixty messages: the latest fifty, oldest first, each with its time.
    for (int i = 0; i < 60; ++i) {
        const std::string m = i == 59 ? "two\nlines" : "m" + std::to_string(i);
        vesk::capture_console_text(m.data(), m.size());
    }
    host.pump();
    const std::string view = text_of(GetDlgItem(palette, pid::test_console));
    std::string expected;
    for (int i = 10; i < 59; ++i) expected += "[tt] m" + std::to_string(i) + "\r\n";
    expected += "[tt] two\r\nlines\r\n";
    EXPECT_EQ(std::regex_replace(view, std::regex(R"(\[\d\d:\d\d:\d\d\])"), "[tt]"), expected);
    SYSTEMTIME first = vesk::console_messages().front().time;
    char stamp[16];
    snprintf(stamp, sizeof stamp, "[%02d:%02d:%02d] ", first.wHour, first.wMinute, first.wSecond);
    EXPECT_EQ(view.substr(0, 11), stamp);

    // Both read-only boxes select all and copy with the usual keys.
    const auto copy_with_keys = [&](int control) {
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            CloseClipboard();
        }
        HWND box = GetDlgItem(palette, control);
        SendMessageW(box, EM_SETSEL, 0, 0);
        // The keys as the box receives them with Ctrl held, without the
        // system's input queue that parallel test programs share.
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
        host.pump();
        std::wstring copied;
        if (OpenClipboard(nullptr)) {
            if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
                if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
                    copied = text;
                    GlobalUnlock(data);
                }
            }
            CloseClipboard();
        }
        return cor::to_utf8(copied);
    };
    EXPECT_EQ(copy_with_keys(pid::test_console), view);
    SetWindowTextW(GetDlgItem(palette, pid::test_script), L"$add(40,2)");
    click(palette, pid::run);
    EXPECT_EQ(copy_with_keys(pid::test_result), "42");

    // Hidden, it is not refreshed; shown again, it is.
    ShowWindow(palette, SW_HIDE);
    vesk::capture_console_text("later", 5);
    host.pump();
    EXPECT_EQ(text_of(GetDlgItem(palette, pid::test_console)), view);
    EXPECT_EQ(vesk::open_palette(), palette);
    host.pump();
    EXPECT_NE(text_of(GetDlgItem(palette, pid::test_console)).find("] later\r\n"),
              std::string::npos);

    click(palette, pid::clear);
    EXPECT_TRUE(vesk::console_messages().empty());
    EXPECT_EQ(text_of(GetDlgItem(palette, pid::test_console)), "");
}

TEST_F(PaletteTest, ADoubleClickInsertsTheEntryIntoTheOpenEditorOnly) {
    define("alpha");
    HWND palette = vesk::open_palette();
    const auto choose_list = [&](int list, int index) {
        SendMessageW(GetDlgItem(palette, list), LB_SETCURSEL, index, 0);
        SendMessageW(palette, WM_COMMAND, MAKEWPARAM(list, LBN_DBLCLK),
                     reinterpret_cast<LPARAM>(GetDlgItem(palette, list)));
    };
    const auto choose_tree = [&](int tree, const std::string& label) {
        TreeView_SelectItem(GetDlgItem(palette, tree), find_item(GetDlgItem(palette, tree), label));
        notify(palette, tree, NM_DBLCLK);
    };
    const struct {
        std::function<void()> act;
        std::string inserted;
    } cases[] = {
        {[&] { choose_list(pid::windows, 1); }, "alpha"},
        {[&] { choose_tree(pid::functions_tree, "$closewindow(id)"); }, "$closewindow(id)"},
        {[&] { choose_tree(pid::variables_tree, "%_width%"); }, "%_width%"},
        {[&] { choose_tree(pid::mainmenu_tree, "Do It"); }, "Test/Group/Do It"},
        {[&] { choose_tree(pid::functions_tree, "Apples"); }, ""},  // a group
        {[&] { choose_tree(pid::mainmenu_tree, "Group"); }, ""},    // not a command
    };
    // Without an editor nothing happens.
    ASSERT_FALSE(vesk::open_script_editor());
    for (const auto& c : cases) c.act();
    EXPECT_FALSE(vesk::config_dialog_open());

    const size_t def = vesk::definition_by_id("alpha");
    ASSERT_TRUE(vesk::open_config_dialog_at_script(vesk::cfg_window_guid_list[def], 1));
    HWND editor = vesk::open_script_editor();
    ASSERT_TRUE(editor);
    for (const auto& c : cases) {
        SetWindowTextW(editor, L"<>");
        SendMessageW(editor, EM_SETSEL, 1, 1);
        c.act();
        EXPECT_EQ(text_of(editor), "<" + c.inserted + ">");
    }
    EXPECT_EQ(vesk::cfg_window_tf_load_list[def], "<>");
    SetWindowTextW(editor, L"");
    choose_list(pid::windows, 0);
    EXPECT_EQ(vesk::cfg_window_tf_load_list[def], "main") << "the insertion is stored";
}

class WindowInfoMenuTest : public PaletteTest {
protected:
    void SetUp() override {
        PaletteTest::SetUp();
        define("w",
               "$text(w,a,0,0)$gp_rect(w,0,0,5,5)$gp_rect(w,0,0,6,6)$map(w)"
               "$window(kid,10,20,100,50,parent:w,embed:true)$panel(w,con,130,40,120,60)");
        define("kid", "$console(kid loaded)");
        define("spare");
        vesk::add_panel_definition(cor::panels::console_guid, "con", "con");
        vesk::add_panel_definition(cor::panels::console_guid, "free", "free");
        host.eval("$window(w,300,200,400,300)");
        host.pump();
        w = handle_of("w");
        ASSERT_TRUE(w);
        ASSERT_TRUE(handle_of("kid"));
    }
    POINT screen(HWND wnd, int x, int y) {
        POINT p{x, y};
        ClientToScreen(wnd, &p);
        return p;
    }
    HWND w = nullptr;
};

TEST_F(WindowInfoMenuTest, ItemsShowTheWindowItsObjectsAndWhatCanBeEmbedded) {
    host.eval("$group()$group()");
    RECT wr, cr;
    GetWindowRect(w, &wr);
    GetClientRect(w, &cr);
    vesk::window_info_menu info(w, screen(w, 5, 6));
    HMENU m = info.menu();
    EXPECT_EQ(described(m),
              (strings{">Script", ">Information", ">Embed", "16 Refresh", "17 Close"}));
    EXPECT_EQ(described(submenu(m, "Script")),
              (strings{"3 Load", "4 Open", "5 Close", "6 Resize", "7 Move", "8 Activate"}));
    const auto fmt = [](const char* f, auto... a) {
        char buf[128];
        snprintf(buf, sizeof buf, f, a...);
        return std::string(buf);
    };
    HMENU information = submenu(m, "Information");
    EXPECT_EQ(
        described(information),
        (strings{"10 Window ID :\tw",
                 fmt("11 Window Position :\tx=%d, y=%d", int(wr.left), int(wr.top)),
                 fmt("12 Window Size :\t%d x %d", int(wr.right - wr.left), int(wr.bottom - wr.top)),
                 fmt("13 Client Size :\t%d x %d", int(cr.right), int(cr.bottom)),
                 "14 Client Mouse Position :\tx=5, y=6", "15 Embedded:\twindows(1), panels(1)",
                 ">Objects"}));
    EXPECT_EQ(
        described(submenu(information, "Objects")),
        (strings{"1 $button(0)", "1 $combobox(0)", "1 $tooltip(0)", "1 $menubar(0)", "-",
                 "1 $text(1)", "1 $drawtext(0)", "1 $gp_text(0)", "1 $gp_image(0)", "1 $gp_line(0)",
                 "1 $gp_rect(2)", "1 $gp_roundrect(0)", "1 $gp_circle(0)", "1 $gp_pie(0)",
                 "1 $gp_polygon(0)", "1 $gp_arc(0)", "-", "1 $map(1)", "1 $group(2) *global*"}));
    // Open windows and panels in use are greyed; numbers run on across both.
    HMENU embed = submenu(m, "Embed");
    EXPECT_EQ(described(embed), (strings{">Window", ">Panel"}));
    EXPECT_EQ(described(submenu(embed, "Window")),
              (strings{"18 ~main", "19 ~w", "20 ~kid", "21 spare"}));
    EXPECT_EQ(described(submenu(embed, "Panel")), (strings{"22 ~con", "23 free"}));

    // A window with nothing embedded counts none.
    vesk::window_info_menu kid(handle_of("kid"), screen(handle_of("kid"), 1, 1));
    EXPECT_EQ(described(submenu(kid.menu(), "Information"))[5],
              "15 Embedded:\twindows(0), panels(0)");
}

TEST_F(WindowInfoMenuTest, InformationIsCopiedAsText) {
    RECT wr, cr;
    GetWindowRect(w, &wr);
    GetClientRect(w, &cr);
    vesk::window_info_menu info(w, screen(w, 7, 8));
    const auto pair = [](long a, long b) { return std::to_string(a) + "," + std::to_string(b); };
    const struct {
        UINT command;
        std::string copied;
    } cases[] = {
        {vesk::info_window_id, "w"},
        {vesk::info_position, pair(wr.left, wr.top)},
        {vesk::info_size, pair(wr.right - wr.left, wr.bottom - wr.top)},
        {vesk::info_client_size, pair(cr.right, cr.bottom)},
        {vesk::info_mouse, "7,8"},
        {vesk::info_embedded,
         "\r\n$window('kid',10,20,100,50,parent:%_id%,embed:true)"
         "\r\n$panel(%_id%,con,130,40,120,60)"},
    };
    for (const auto& c : cases) {
        info.carry_out(c.command);
        EXPECT_EQ(clipboard_text(), c.copied) << c.command;
    }
}

TEST_F(WindowInfoMenuTest, APanelUnderTheMouseAddsItsItems) {
    host.eval("$console(something to clear)");
    vesk::window_info_menu over(w, screen(w, 150, 60));
    const strings items = described(over.menu());
    ASSERT_EQ(items.size(), 7u);
    EXPECT_EQ(items[5], "-");
    EXPECT_EQ(items[6], "24 Clear") << "numbered on after the embed entries";
    const HWND list = FindWindowExW(vesk::cfg_panel_ext_list[vesk::panel_by_id("con")].wnd, nullptr,
                                    L"LISTBOX", nullptr);
    ASSERT_TRUE(list);
    EXPECT_GT(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);
    over.carry_out(24);
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);

    vesk::window_info_menu beside(w, screen(w, 5, 5));
    EXPECT_EQ(described(beside.menu()).size(), 5u);
}

TEST_F(WindowInfoMenuTest, ScriptEntriesOpenTheDialogOnlyWhenNoneIsOpen) {
    vesk::window_info_menu info(w, screen(w, 1, 1));
    info.carry_out(vesk::info_script_load + 4);  // "Move"
    ASSERT_TRUE(vesk::config_dialog_open());
    HWND page = vesk::config_page_window(vesk::config_dialog_handle(), vesk::page_script);
    const auto chosen = [&](int combo) {
        return SendMessageW(GetDlgItem(page, combo), CB_GETCURSEL, 0, 0);
    };
    const auto target = chosen(vesk::config_id::script_target);
    EXPECT_EQ(chosen(vesk::config_id::script_event), 5);
    info.carry_out(vesk::info_script_load + 3);  // "Resize": the dialog is open already
    EXPECT_EQ(chosen(vesk::config_id::script_event), 5);
    EXPECT_EQ(chosen(vesk::config_id::script_target), target);
}

TEST_F(WindowInfoMenuTest, RefreshRebuildsAndCloseCloses) {
    HWND kid = handle_of("kid");
    RECT before;
    GetWindowRect(kid, &before);
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
}

}  // namespace

namespace {

// Closes whatever an example opens modally (a message box, a popup menu),
// as a user would, from inside its loop.
void CALLBACK dismiss_modal(HWND, UINT, UINT_PTR, DWORD) {
    EndMenu();
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM) {
            wchar_t cls[16] = L"";
            GetClassNameW(w, cls, 16);
            if (std::wstring_view(cls) == L"#32770" && IsWindowVisible(w))
                PostMessageW(w, WM_COMMAND, IDOK, 0);
            return TRUE;
        },
        0);
}

std::string shipped_functions_text() {
    const char* data = std::getenv("COR_TEST_DATA");
    std::ifstream in(
        std::string(data && *data ? data : ".") + "/../reference/" + "cor_ui_vesk_functions.txt",
        std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// What a user copies from the Vesk tab runs on the test bench: every
// function's example compiles and reaches the function it shows, in the
// order of the text, one after another in the running interface.
TEST_F(PaletteTest, EveryFunctionsExampleRunsOnTheTestBench) {
    const auto parsed = vesk::parse_reference_text(shipped_functions_text(), '$');
    HWND palette = select_tab(vesk::open_palette(), vesk::tab_test);
    // These start a program that stays open until its user closes it.
    const std::set<std::string> skipped{"execute", "exec"};
    const size_t before_groups =
        vesk::object_manager::instance().list(vesk::object::type_group).size();
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
            SetWindowTextW(GetDlgItem(palette, pid::test_script), cor::to_wide(script).c_str());
            click(palette, pid::run);
            const std::string result = text_of(GetDlgItem(palette, pid::test_result));
            EXPECT_EQ(result.find("[COMPILATION ERROR]"), std::string::npos) << script;
            EXPECT_EQ(result.find("[UNKNOWN FUNCTION]"), std::string::npos) << script;
            EXPECT_EQ(result.find("SYNTAX]"), std::string::npos) << script << " -> " << result;
            ++run;
        }
    KillTimer(nullptr, timer);
    EXPECT_EQ(run + skipped.size(), 150u);
    // Groups belong to no window: the ones the examples made go by hand.
    auto& objects = vesk::object_manager::instance();
    while (objects.list(vesk::object::type_group).size() > before_groups)
        objects.remove(objects.list(vesk::object::type_group).at(before_groups)->id);
    // The interface is still whole.
    EXPECT_TRUE(IsWindow(main));
}

}  // namespace
