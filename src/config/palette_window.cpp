#include "config/palette_window.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cstdio>

#include "config/config_dialog.h"
#include "config/read_only_box.h"
#include "config/reference_text.h"
#include "functions/code_page.h"
#include "host/display_scale.h"
#include "host/file_write.h"
#include "host/gdi_handles.h"
#include "host/guarded_proc.h"
#include "host/host_services.h"
#include "host/settings.h"
#include "panel/panel_definitions.h"
#include "script/test_bench_run.h"
#include "utf8.h"

namespace vesk {

namespace id = palette_id;

namespace {

std::wstring g_reference_folder;

struct t_sink final : cor::string_sink {
    std::string text;
    void write(const char* p, size_t n) override { text.append(p, n); }
};

// The three reference tabs and the file each reads.
struct t_reference_tab {
    palette_tab tab;
    int tree, text;
    const wchar_t* file;
    char sigil;
    bool drop_sigil;
};
constexpr t_reference_tab reference_tabs[] = {
    {tab_vesk, id::functions_tree, id::functions_text, L"cor_ui_vesk_functions.txt", '$', false},
    {tab_var, id::variables_tree, id::variables_text, L"cor_ui_vesk_variables.txt", '%', false},
    {tab_readme, id::readme_tree, id::readme_text, L"cor_ui_vesk_readme.txt", '-', true},
};

constexpr const wchar_t* tab_names[palette_tab_count] = {
    L"Win", L"Panel", L"Vesk", L"Var", L"Mainmenu", L"Context", L"Test", L"ReadMe"};

std::wstring reference_folder() {
    if (!g_reference_folder.empty()) return g_reference_folder;
    wchar_t path[MAX_PATH] = L"";
    const DWORD n = GetModuleFileNameW(static_cast<HMODULE>(host::module_handle()), path, MAX_PATH);
    std::wstring folder(path, n);
    const size_t slash = folder.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
}

// The parsed file; an empty text when it cannot be read.
t_reference_text read_reference(const t_reference_tab& tab) {
    std::string bytes;
    if (!read_file(reference_folder() + L"\\" + tab.file, bytes)) return {};
    return parse_reference_text(bytes, tab.sigil, tab.drop_sigil);
}

std::wstring ansi_wide(std::string_view bytes) { return code_page_to_wide(bytes, ansi_code_page); }

// A tree item of a reference tab remembers its heading: group and item
// (0 for the group's own heading, else index + 1).
LPARAM heading_param(size_t group, size_t item) {
    return static_cast<LPARAM>((group << 16) | item);
}

HTREEITEM add_tree_item(HWND tree, HTREEITEM parent, const std::wstring& text, LPARAM param) {
    TVINSERTSTRUCTW ins{};
    ins.hParent = parent;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM;
    ins.item.pszText = const_cast<wchar_t*>(text.c_str());
    ins.item.lParam = param;
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
}

std::wstring tree_item_text(HWND tree, HTREEITEM item) {
    wchar_t buf[1024] = L"";
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = buf;
    tv.cchTextMax = 1024;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return buf;
}

void add_menu_nodes(HWND tree, HTREEITEM parent, const std::vector<t_menu_node>& nodes) {
    for (const auto& node : nodes)
        add_menu_nodes(tree, add_tree_item(tree, parent, cor::to_wide(node.label), 0),
                       node.children);
}

template <class Manager>
std::vector<std::string> command_paths(Manager* manager) {
    std::vector<std::string> paths;
    if (!manager) return paths;
    const size_t n = manager->get_command_count();
    for (size_t i = 0; i < n; ++i) {
        cor::guid command{};
        t_sink path;
        if (manager->get_command(i, command, path)) paths.push_back(std::move(path.text));
    }
    return paths;
}

bool less_ignoring_case(const std::string& a, const std::string& b) {
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return lower(x) < lower(y); });
}

class palette_frame {
public:
    static HWND create();

private:
    static LRESULT CALLBACK thunk(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT proc(UINT msg, WPARAM wp, LPARAM lp);
    void on_create();
    void make_font();
    void on_dpi_changed(int dpi, const RECT* suggested);
    void layout();
    // The layout's numbers are 96-DPI pixels.
    [[nodiscard]] int px(int v) const { return MulDiv(v, dpi_, skin_dpi); }
    void select_tab(int tab);
    HWND make(const wchar_t* cls, const wchar_t* text, DWORD style, int control, int tab,
              DWORD ex_style = 0);
    void fill_lists();
    void fill_reference(const t_reference_tab& tab);
    void fill_menu(int tree, const std::vector<std::string>& paths);
    void show_entry(const t_reference_tab& tab, HTREEITEM item);
    void refresh_console();
    void run_test();
    void clear_console();
    LRESULT on_notify(const NMHDR& hdr);
    void insert_into_editor(const std::wstring& text);
    [[nodiscard]] std::wstring double_clicked_text(int control) const;

    HWND wnd_ = nullptr;
    HWND tab_ = nullptr;
    int dpi_ = skin_dpi;
    unique_hfont font_;
    // Every control with the tab it belongs to.
    struct t_control {
        HWND wnd;
        int tab;
    };
    std::vector<t_control> controls_;
};

HWND g_palette_wnd = nullptr;
// The palette's place when it last closed, for the next one (this run only).
RECT g_last_place{};

HWND palette_frame::create() {
    HINSTANCE instance = static_cast<HINSTANCE>(host::module_handle());
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &palette_frame::thunk;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = palette_class_name;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    auto* self = new palette_frame;
    // Where the user left it, while that is still on a screen.
    RECT place{CW_USEDEFAULT, CW_USEDEFAULT, 480, 500};
    const bool known = g_last_place.right > g_last_place.left &&
                       MonitorFromRect(&g_last_place, MONITOR_DEFAULTTONULL);
    if (known)
        place = {g_last_place.left, g_last_place.top, g_last_place.right - g_last_place.left,
                 g_last_place.bottom - g_last_place.top};
    // Control parent: the player's loop moves the focus with Tab among its controls.
    HWND wnd =
        CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT, palette_class_name,
                        cor::to_wide(palette_title).c_str(),
                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, place.left,
                        place.top, place.right, place.bottom, nullptr, nullptr, instance, self);
    // Once created, the window owns the object and deletes it at its end.
    if (!wnd) delete self;
    // The first size is for the monitor's DPI; a size the user left is kept.
    if (wnd && !known)
        SetWindowPos(wnd, nullptr, 0, 0, self->px(place.right), self->px(place.bottom),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return wnd;
}

LRESULT CALLBACK palette_frame::thunk(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self =
            static_cast<palette_frame*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->wnd_ = wnd;
        SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<palette_frame*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(wnd, msg, wp, lp);
    const LRESULT result = guarded_proc(wnd, msg, wp, lp, [&] { return self->proc(msg, wp, lp); });
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
        delete self;
    }
    return result;
}

LRESULT palette_frame::proc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CREATE:
            g_palette_wnd = wnd_;
            set_palette_window(wnd_);
            on_create();
            return 0;
        case WM_DESTROY:
            if (!IsIconic(wnd_)) GetWindowRect(wnd_, &g_last_place);
            if (g_palette_wnd == wnd_) g_palette_wnd = nullptr;
            if (vesk::palette_window() == wnd_) set_palette_window(nullptr);
            break;
        case WM_SIZE:
            layout();
            return 0;
        case WM_DPICHANGED:
            on_dpi_changed(HIWORD(wp), reinterpret_cast<const RECT*>(lp));
            return 0;
        case console_refresh_message:
            refresh_console();
            return 0;
        case WM_NOTIFY:
            return on_notify(*reinterpret_cast<const NMHDR*>(lp));
        case WM_COMMAND:
            if (LOWORD(wp) == id::run && HIWORD(wp) == BN_CLICKED) {
                run_test();
            } else if (LOWORD(wp) == id::clear && HIWORD(wp) == BN_CLICKED) {
                clear_console();
            } else if ((LOWORD(wp) == id::windows || LOWORD(wp) == id::panels) &&
                       HIWORD(wp) == LBN_DBLCLK) {
                insert_into_editor(double_clicked_text(LOWORD(wp)));
            }
            return 0;
        case WM_CTLCOLORSTATIC: {
            // The read-only boxes read as text, not as disabled fields.
            HWND control = reinterpret_cast<HWND>(lp);
            if (GetWindowLongPtrW(control, GWL_STYLE) & ES_READONLY) {
                wchar_t cls[16] = L"";
                GetClassNameW(control, cls, 16);
                if (lstrcmpiW(cls, L"Edit") == 0) {
                    SetBkColor(reinterpret_cast<HDC>(wp), RGB(255, 255, 255));
                    return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
                }
            }
            break;
        }
        default:
            break;
    }
    return DefWindowProcW(wnd_, msg, wp, lp);
}

HWND palette_frame::make(const wchar_t* cls, const wchar_t* text, DWORD style, int control, int tab,
                         DWORD ex_style) {
    HWND c = CreateWindowExW(ex_style, cls, text, WS_CHILD | style, 0, 0, 0, 0, wnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(control)),
                             static_cast<HINSTANCE>(host::module_handle()), nullptr);
    if (c) {
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        controls_.push_back({c, tab});
        if (lstrcmpW(cls, L"EDIT") == 0 && (style & ES_READONLY)) make_copyable(c);
    }
    return c;
}

void palette_frame::make_font() {
    font_.reset(CreateFontW(-MulDiv(8, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                            DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Ms Shell Dlg 2"));
}

// Moved to a monitor of another scale: letters for it, then the suggested
// place, whose new size lays the controls out again.
void palette_frame::on_dpi_changed(int dpi, const RECT* suggested) {
    dpi_ = dpi;
    make_font();
    SendMessageW(tab_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    for (const auto& c : controls_)
        SendMessageW(c.wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    if (suggested)
        SetWindowPos(wnd_, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    layout();
}

void palette_frame::on_create() {
    dpi_ = screen_dpi_of(wnd_);
    make_font();
    tab_ = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0,
                           0, wnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id::tab)),
                           static_cast<HINSTANCE>(host::module_handle()), nullptr);
    SendMessageW(tab_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    for (int i = 0; i < palette_tab_count; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(tab_names[i]);
        SendMessageW(tab_, TCM_INSERTITEMW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&item));
    }

    constexpr DWORD list_style = WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
    constexpr DWORD tree_style =
        WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
    constexpr DWORD text_style =
        WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
    make(L"LISTBOX", L"", list_style, id::windows, tab_win, WS_EX_CLIENTEDGE);
    make(L"LISTBOX", L"", list_style, id::panels, tab_panel, WS_EX_CLIENTEDGE);
    for (const auto& t : reference_tabs) {
        make(WC_TREEVIEWW, L"", tree_style, t.tree, t.tab, WS_EX_CLIENTEDGE);
        make(L"EDIT", L"", text_style, t.text, t.tab, WS_EX_CLIENTEDGE);
    }
    make(WC_TREEVIEWW, L"", tree_style, id::mainmenu_tree, tab_mainmenu, WS_EX_CLIENTEDGE);
    make(WC_TREEVIEWW, L"", tree_style, id::context_tree, tab_context, WS_EX_CLIENTEDGE);
    make(L"STATIC", L"Test Script", 0, 0, tab_test);
    make(L"EDIT", L"", WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
         id::test_script, tab_test, WS_EX_CLIENTEDGE);
    make(L"STATIC", L"Result", 0, 0, tab_test);
    make(L"EDIT", L"", text_style, id::test_result, tab_test, WS_EX_CLIENTEDGE);
    make(L"STATIC", L"Console", 0, 0, tab_test);
    make(L"EDIT", L"", text_style, id::test_console, tab_test, WS_EX_CLIENTEDGE);
    make(L"BUTTON", L"Run", WS_TABSTOP | BS_PUSHBUTTON, id::run, tab_test);
    make(L"BUTTON", L"Clear", WS_TABSTOP | BS_PUSHBUTTON, id::clear, tab_test);

    fill_lists();
    for (const auto& t : reference_tabs) fill_reference(t);
    fill_menu(id::mainmenu_tree, command_paths(host::mainmenu()));
    fill_menu(id::context_tree, command_paths(host::contextmenu()));
    refresh_console();
    layout();
    select_tab(tab_win);
}

// The tab's display area, split per tab: a list or tree fills it; a
// reference tab puts its text under the tree; the test bench stacks its
// three boxes with the buttons at the bottom.
void palette_frame::layout() {
    RECT client;
    GetClientRect(wnd_, &client);
    const int edge = px(4);
    MoveWindow(tab_, edge, edge, std::max(0L, client.right - 2 * edge),
               std::max(0L, client.bottom - 2 * edge), TRUE);
    RECT area{edge, edge, client.right - edge, client.bottom - edge};
    SendMessageW(tab_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    InflateRect(&area, -px(2), -px(2));
    const int w = std::max(0L, area.right - area.left);
    const int h = std::max(0L, area.bottom - area.top);
    const auto place = [&](int control, int y, int height) {
        if (HWND c = GetDlgItem(wnd_, control))
            MoveWindow(c, area.left, area.top + y, w, std::max(0, height), TRUE);
    };
    place(id::windows, 0, h);
    place(id::panels, 0, h);
    place(id::mainmenu_tree, 0, h);
    place(id::context_tree, 0, h);
    const int tree_h = h * 11 / 20;
    for (const auto& t : reference_tabs) {
        place(t.tree, 0, tree_h);
        place(t.text, tree_h + px(4), h - tree_h - px(4));
    }
    // Test bench: label, box, label, box, label, box, buttons.
    const int label_h = px(14), button_h = px(22), gap = px(2);
    const int box_h = std::max(0, (h - 3 * (label_h + gap) - button_h - 2 * gap) / 3);
    int y = 0;
    int label = 0;
    const int boxes[] = {id::test_script, id::test_result, id::test_console};
    for (const auto& c : controls_) {
        if (c.tab != tab_test || GetDlgCtrlID(c.wnd) != 0) continue;
        MoveWindow(c.wnd, area.left, area.top + y, w, label_h, TRUE);
        place(boxes[label], y + label_h + gap, box_h);
        y += label_h + gap + box_h + gap;
        if (++label == 3) break;
    }
    if (HWND run = GetDlgItem(wnd_, id::run))
        MoveWindow(run, area.left, area.top + y, px(80), button_h, TRUE);
    if (HWND clear = GetDlgItem(wnd_, id::clear))
        MoveWindow(clear, area.left + px(86), area.top + y, px(80), button_h, TRUE);
}

void palette_frame::select_tab(int tab) {
    SendMessageW(tab_, TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
    for (const auto& c : controls_) ShowWindow(c.wnd, c.tab == tab ? SW_SHOW : SW_HIDE);
}

void palette_frame::fill_lists() {
    const auto fill = [&](int control, const cor::cfg_stringlist_t& ids) {
        HWND list = GetDlgItem(wnd_, control);
        SendMessageW(list, LB_RESETCONTENT, 0, 0);
        for (const auto& item : ids)
            SendMessageW(list, LB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(cor::to_wide(item).c_str()));
    };
    fill(id::windows, cfg_window_id_list);
    fill(id::panels, cfg_panel_id_list);
}

void palette_frame::fill_reference(const t_reference_tab& tab) {
    HWND tree = GetDlgItem(wnd_, tab.tree);
    SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    const t_reference_text text = read_reference(tab);
    for (size_t g = 0; g < text.groups.size(); ++g) {
        const auto& group = text.groups[g];
        HTREEITEM root = add_tree_item(tree, TVI_ROOT, ansi_wide(group.label), heading_param(g, 0));
        for (size_t i = 0; i < group.items.size(); ++i)
            add_tree_item(tree, root, ansi_wide(group.items[i].label), heading_param(g, i + 1));
    }
}

void palette_frame::fill_menu(int control, const std::vector<std::string>& paths) {
    HWND tree = GetDlgItem(wnd_, control);
    SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    add_menu_nodes(tree, TVI_ROOT, menu_tree(paths));
}

// The file is read again, so an edited reference shows without reopening.
void palette_frame::show_entry(const t_reference_tab& tab, HTREEITEM item) {
    TVITEMW tv{};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    if (!item ||
        !SendMessageW(GetDlgItem(wnd_, tab.tree), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv)))
        return;
    const auto group = static_cast<size_t>(tv.lParam) >> 16;
    const auto entry = static_cast<size_t>(tv.lParam) & 0xFFFF;
    const t_reference_text text = read_reference(tab);
    std::string shown;
    if (group < text.groups.size()) {
        const auto& g = text.groups[group];
        if (entry == 0)
            shown = reference_entry_text(g.label, g.body);
        else if (entry <= g.items.size())
            shown = reference_entry_text(g.items[entry - 1].label, g.items[entry - 1].body);
    }
    SetWindowTextW(GetDlgItem(wnd_, tab.text), ansi_wide(shown).c_str());
}

void palette_frame::refresh_console() {
    HWND edit = GetDlgItem(wnd_, id::test_console);
    SetWindowTextW(edit, cor::to_wide(console_view_text(console_messages())).c_str());
    const LRESULT lines = SendMessageW(edit, EM_GETLINECOUNT, 0, 0);
    SendMessageW(edit, EM_LINESCROLL, 0, lines);
}

void palette_frame::run_test() {
    HWND script = GetDlgItem(wnd_, id::test_script);
    const int n = GetWindowTextLengthW(script);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(script, text.data(), n + 1)));
    const std::string result = run_test_bench(cor::to_utf8(text));
    SetWindowTextW(GetDlgItem(wnd_, id::test_result), cor::to_wide(result).c_str());
}

void palette_frame::clear_console() {
    clear_console_messages();
    SetWindowTextW(GetDlgItem(wnd_, id::test_console), L"");
}

LRESULT palette_frame::on_notify(const NMHDR& hdr) {
    if (hdr.idFrom == id::tab && hdr.code == TCN_SELCHANGE) {
        select_tab(static_cast<int>(SendMessageW(tab_, TCM_GETCURSEL, 0, 0)));
        return 0;
    }
    if (hdr.code == TVN_SELCHANGEDW) {
        const auto& changed = reinterpret_cast<const NMTREEVIEWW&>(hdr);
        for (const auto& t : reference_tabs)
            if (static_cast<int>(hdr.idFrom) == t.tree) show_entry(t, changed.itemNew.hItem);
        return 0;
    }
    if (hdr.code == NM_DBLCLK)
        insert_into_editor(double_clicked_text(static_cast<int>(hdr.idFrom)));
    return 0;
}

// The text a double click inserts: the id of a list entry, the label of a
// reference item, or a menu command's path; empty for anything else.
std::wstring palette_frame::double_clicked_text(int control) const {
    HWND c = GetDlgItem(wnd_, control);
    if (control == id::windows || control == id::panels) {
        const LRESULT sel = SendMessageW(c, LB_GETCURSEL, 0, 0);
        if (sel < 0) return {};
        std::wstring text(static_cast<size_t>(SendMessageW(c, LB_GETTEXTLEN, sel, 0)) + 1, L'\0');
        text.resize(static_cast<size_t>(
            SendMessageW(c, LB_GETTEXT, sel, reinterpret_cast<LPARAM>(text.data()))));
        return text;
    }
    const bool reference = control == id::functions_tree || control == id::variables_tree;
    if (!reference && control != id::mainmenu_tree && control != id::context_tree) return {};
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(c, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item || SendMessageW(c, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)))
        return {};
    const auto parent = reinterpret_cast<HTREEITEM>(
        SendMessageW(c, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
    // A reference group without items is a heading, not an entry.
    if (reference) return parent ? tree_item_text(c, item) : std::wstring();
    std::wstring path = tree_item_text(c, item);
    for (HTREEITEM up = parent; up;
         up = reinterpret_cast<HTREEITEM>(
             SendMessageW(c, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(up))))
        path = tree_item_text(c, up) + L"/" + path;
    return path;
}

void palette_frame::insert_into_editor(const std::wstring& text) {
    HWND editor = open_script_editor();
    if (text.empty() || !editor || (GetWindowLongPtrW(editor, GWL_STYLE) & ES_READONLY)) return;
    SendMessageW(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace

HWND open_palette() {
    HWND wnd = g_palette_wnd;
    if (!wnd || !IsWindow(wnd)) wnd = palette_frame::create();
    if (!wnd) return nullptr;
    ShowWindow(wnd, SW_SHOW);
    SetForegroundWindow(wnd);
    // Messages captured while it was hidden show now.
    PostMessageW(wnd, console_refresh_message, 0, 0);
    return wnd;
}

void destroy_palette() {
    if (g_palette_wnd && IsWindow(g_palette_wnd)) DestroyWindow(g_palette_wnd);
    g_palette_wnd = nullptr;
}

void unregister_palette_class() {
    UnregisterClassW(palette_class_name, static_cast<HINSTANCE>(host::module_handle()));
}

void set_reference_folder(const std::wstring& folder) { g_reference_folder = folder; }

std::string console_view_text(const std::deque<t_message>& messages) {
    std::string out;
    for (const auto& m : messages) {
        char stamp[16];
        std::snprintf(stamp, sizeof stamp, "[%02u:%02u:%02u] ", m.time.wHour % 100u,
                      m.time.wMinute % 100u, m.time.wSecond % 100u);
        out += stamp;
        out += m.text;
    }
    return out;
}

std::vector<t_menu_node> menu_tree(const std::vector<std::string>& paths) {
    std::vector<t_menu_node> roots;
    for (const auto& path : paths) {
        std::vector<t_menu_node>* level = &roots;
        size_t start = 0;
        for (;;) {
            const size_t slash = path.find('/', start);
            t_menu_node node{path.substr(start, slash - start), {}};
            auto at = std::lower_bound(level->begin(), level->end(), node,
                                       [](const t_menu_node& a, const t_menu_node& b) {
                                           return less_ignoring_case(a.label, b.label);
                                       });
            if (at == level->end() || at->label != node.label) at = level->insert(at, node);
            if (slash == std::string::npos) break;
            level = &at->children;
            start = slash + 1;
        }
    }
    return roots;
}

}  // namespace vesk
