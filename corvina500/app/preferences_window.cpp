#include "app/preferences_window.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/host_commands.h"
#include "app/window_dpi.h"
#include "corvina500/player/player_core.h"
#include "utf8.h"

namespace cor {
namespace {

namespace id = preferences_id;

constexpr wchar_t page_class_name[] = L"corvina500_preferences_page";
constexpr int margin = 8;
constexpr int tree_width = 200;
constexpr int button_height = 26;
constexpr float step_choices[] = {0.5f, 1.0f, 2.0f, 3.0f, 5.0f};

enum class host_page { none, playback, library, shortcuts, display };

struct t_node {
    guid id;
    guid parent;
    std::string name;
    host_page own = host_page::none;
    service_ptr_t<preferences_page> page;
};

std::vector<t_node> host_nodes() {
    return {
        {preferences_pages::playback, guid_null, "Playback", host_page::playback, {}},
        {preferences_pages::library, guid_null, "Playlists and library", host_page::library, {}},
        {preferences_pages::shortcuts, guid_null, "Keyboard shortcuts", host_page::shortcuts, {}},
        {preferences_pages::display, guid_null, "Display", host_page::display, {}},
    };
}

std::string step_text(float decibels) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g dB", static_cast<double>(decibels));
    return buf;
}

LRESULT CALLBACK window_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK page_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

void register_classes() {
    static bool done = false;
    if (done) return;
    done = true;
    INITCOMMONCONTROLSEX icc{sizeof icc,
                             ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_HOTKEY_CLASS};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpfnWndProc = window_proc;
    wc.lpszClassName = preferences_class_name;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = page_proc;
    wc.lpszClassName = page_class_name;
    RegisterClassExW(&wc);
}

}  // namespace

class preferences_window::impl {
public:
    impl(player_core& core, host_dialogs& dialogs, host_commands& commands)
        : core_(core), dialogs_(dialogs), commands_(commands) {}

    player_core& core_;
    host_dialogs& dialogs_;
    host_commands& commands_;
    // Left, top, width, height; zero width until known.
    RECT place_{};
    // Endpoint ids of the device list's rows; empty for the default.
    std::vector<std::string> device_ids_;
    std::vector<service_ptr_t<preferences_page>> pages_;
    std::vector<t_node> nodes_;
    HWND wnd_ = nullptr;
    HWND tree_ = nullptr;
    HWND page_ = nullptr;
    // The page shown last, shown again when the window reopens.
    guid last_ = preferences_pages::playback;
    // The window's DPI; the layout's numbers are 96-DPI pixels.
    int dpi_ = 96;
    dpi_font font_;

    int px(int v) const { return scale_px(v, dpi_); }

    // A control placed in 96-DPI pixels.
    HWND make_control(HWND parent, const wchar_t* cls, const std::string& text, DWORD style, int x,
                      int y, int w, int h, int control, DWORD ex_style = 0) {
        HWND c = CreateWindowExW(ex_style, cls, to_wide(text).c_str(),
                                 WS_CHILD | WS_VISIBLE | style, px(x), px(y), px(w), px(h), parent,
                                 reinterpret_cast<HMENU>(INT_PTR(control)),
                                 GetModuleHandleW(nullptr), nullptr);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), 0);
        return c;
    }

    void* open() {
        if (wnd_) {
            if (IsIconic(wnd_)) ShowWindow(wnd_, SW_RESTORE);
            SetForegroundWindow(wnd_);
            return wnd_;
        }
        register_classes();
        int x = CW_USEDEFAULT, y = CW_USEDEFAULT, w = 780, h = 560;
        const RECT screen{place_.left, place_.top, place_.left + place_.right,
                          place_.top + place_.bottom};
        // A place left on a monitor that is gone would open the window out of reach.
        if (place_.right > 0 && MonitorFromRect(&screen, MONITOR_DEFAULTTONULL)) {
            x = place_.left;
            y = place_.top;
            w = place_.right;
            h = place_.bottom;
        }
        // Made at its place first: the monitor there gives the DPI that sizes it.
        wnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, preferences_class_name, preferences_title,
                               WS_OVERLAPPEDWINDOW & ~(WS_MAXIMIZEBOX | WS_MINIMIZEBOX), x, y, w, h,
                               nullptr, nullptr, GetModuleHandleW(nullptr), this);
        if (!wnd_) return nullptr;
        dpi_ = window_dpi(wnd_);
        font_.make(dpi_);
        SetWindowPos(wnd_, nullptr, 0, 0, px(w), px(h), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        tree_ = make_control(
            wnd_, WC_TREEVIEWW, "",
            WS_TABSTOP | TVS_HASLINES | TVS_LINESATROOT | TVS_HASBUTTONS | TVS_SHOWSELALWAYS, 0, 0,
            0, 0, id::tree, WS_EX_CLIENTEDGE);
        make_control(wnd_, L"BUTTON", "Close", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, id::close);
        fill_tree();
        RECT rc;
        GetClientRect(wnd_, &rc);
        layout(rc.right, rc.bottom);
        ShowWindow(wnd_, SW_SHOWNORMAL);
        return wnd_;
    }

    // Component pages go under the page they name; a parent nobody offers
    // puts the page at the top, so it is never lost.
    void fill_tree() {
        nodes_ = host_nodes();
        for (auto& p : pages_) {
            string_out name;
            p->get_name(name);
            nodes_.push_back({p->get_guid(), p->get_parent_guid(), name.text, host_page::none, p});
        }
        std::vector<HTREEITEM> items(nodes_.size(), nullptr);
        const auto insert = [&](size_t i, HTREEITEM parent) {
            const std::wstring text = to_wide(nodes_[i].name);
            TVINSERTSTRUCTW is{};
            is.hParent = parent ? parent : TVI_ROOT;
            is.hInsertAfter = TVI_LAST;
            is.item.mask = TVIF_TEXT | TVIF_PARAM;
            is.item.pszText = const_cast<wchar_t*>(text.c_str());
            is.item.lParam = static_cast<LPARAM>(i);
            items[i] = reinterpret_cast<HTREEITEM>(
                SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&is)));
        };
        const auto parent_item = [&](size_t i, bool& known) -> HTREEITEM {
            known = nodes_[i].parent == guid_null;
            for (size_t j = 0; j < nodes_.size() && !known; ++j)
                if (j != i && nodes_[j].id == nodes_[i].parent) {
                    known = items[j] != nullptr;
                    if (known) return items[j];
                }
            return nullptr;
        };
        for (bool progress = true; progress;) {
            progress = false;
            for (size_t i = 0; i < nodes_.size(); ++i) {
                if (items[i]) continue;
                bool known = false;
                const HTREEITEM parent = parent_item(i, known);
                if (known) {
                    insert(i, parent);
                    progress = true;
                }
            }
        }
        for (size_t i = 0; i < nodes_.size(); ++i)
            if (!items[i]) insert(i, nullptr);
        for (HTREEITEM item : items) SendMessageW(tree_, TVM_EXPAND, TVE_EXPAND, LPARAM(item));
        size_t shown = 0;
        for (size_t i = 0; i < nodes_.size(); ++i)
            if (nodes_[i].id == last_) shown = i;
        SendMessageW(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(items[shown]));
        // Some tree views do not report a selection made while the window is hidden.
        if (!page_) show(shown);
    }

    RECT page_rect() const {
        RECT rc;
        GetClientRect(wnd_, &rc);
        return {px(tree_width + 2 * margin), px(margin), rc.right - px(margin),
                rc.bottom - px(button_height + 2 * margin)};
    }

    void layout(int w, int h) {
        MoveWindow(tree_, px(margin), px(margin), px(tree_width),
                   h - px(button_height + 3 * margin), TRUE);
        MoveWindow(GetDlgItem(wnd_, id::close), w - px(margin + 90), h - px(margin + button_height),
                   px(90), px(button_height), TRUE);
        if (page_) {
            const RECT r = page_rect();
            MoveWindow(page_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        }
    }

    void show(size_t index) {
        if (!wnd_ || index >= nodes_.size()) return;
        if (page_) DestroyWindow(page_);
        page_ = nullptr;
        const t_node& node = nodes_[index];
        last_ = node.id;
        const RECT r = page_rect();
        if (node.page) {
            page_ = static_cast<HWND>(node.page->create(wnd_));
        } else {
            page_ = CreateWindowExW(WS_EX_CONTROLPARENT, page_class_name, L"", WS_CHILD, 0, 0,
                                    r.right - r.left, r.bottom - r.top, wnd_, nullptr,
                                    GetModuleHandleW(nullptr), this);
            // The page is laid out in 96-DPI pixels like the rest.
            if (page_)
                fill_own_page(node.own, MulDiv(r.right - r.left, 96, dpi_),
                              MulDiv(r.bottom - r.top, 96, dpi_));
        }
        if (!page_) return;
        MoveWindow(page_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        ShowWindow(page_, SW_SHOW);
    }

    void fill_own_page(host_page which, int w, int h) {
        switch (which) {
            case host_page::playback: {
                make_control(page_, L"STATIC", "Volume step of Volume up and Volume down:", 0, 0, 4,
                             w, 18, -1);
                HWND combo = make_control(page_, WC_COMBOBOXW, "", WS_TABSTOP | CBS_DROPDOWNLIST, 0,
                                          24, 140, 200, id::volume_step);
                std::vector<float> steps(std::begin(step_choices), std::end(step_choices));
                const float current = core_.playback().volume_step();
                if (std::find(steps.begin(), steps.end(), current) == steps.end()) {
                    steps.push_back(current);
                    std::sort(steps.begin(), steps.end());
                }
                for (float s : steps) {
                    const auto i =
                        SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(to_wide(step_text(s)).c_str()));
                    SendMessageW(combo, CB_SETITEMDATA, i, static_cast<LPARAM>(s * 1000));
                    if (s == current) SendMessageW(combo, CB_SETCURSEL, i, 0);
                }
                make_control(page_, L"STATIC", "Output device:", 0, 0, 68, w, 18, -1);
                HWND devices = make_control(page_, WC_COMBOBOXW, "",
                                            WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 88,
                                            std::min(w, 420), 240, id::output_choice);
                fill_devices(devices);
                make_control(page_, L"STATIC", "Playing on:", 0, 0, 122, w, 18, -1);
                make_control(page_, L"EDIT", core_.output_name(), ES_READONLY | ES_AUTOHSCROLL, 0,
                             142, w, 22, id::output_device, WS_EX_CLIENTEDGE);
                make_control(page_, L"STATIC",
                             core_.plays_on_device()
                                 ? "A change is heard from the next track on."
                                 : "This run plays to a file or to no device; the device chosen "
                                   "here plays when the player runs on a sound device.",
                             0, 0, 170, w, 36, -1);
                break;
            }
            case host_page::library:
                make_control(page_, L"STATIC", "Folders the library is made from:", 0, 0, 4, w, 18,
                             -1);
                make_control(page_, L"LISTBOX", "",
                             WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, 0, 24, w,
                             h - 24 - button_height - 2 * margin - 18, id::folders,
                             WS_EX_CLIENTEDGE);
                make_control(page_, L"STATIC", "", SS_ENDELLIPSIS, 0,
                             h - button_height - margin - 18, w, 18, id::library_status);
                show_library_status();
                // A scan runs off the main thread; its progress is read here.
                SetTimer(page_, library_timer, 200, nullptr);
                make_control(page_, L"BUTTON", "Add...", WS_TABSTOP, 0, h - button_height, 90,
                             button_height, id::folder_add);
                make_control(page_, L"BUTTON", "Remove", WS_TABSTOP, 98, h - button_height, 90,
                             button_height, id::folder_remove);
                make_control(page_, L"BUTTON", "Rescan", WS_TABSTOP, 196, h - button_height, 90,
                             button_height, id::rescan);
                fill_folders();
                break;
            case host_page::shortcuts: {
                const int list_h = h - 2 * (button_height + margin) - 22;
                HWND list =
                    make_control(page_, WC_LISTVIEWW, "",
                                 WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0,
                                 w, list_h, id::shortcuts, WS_EX_CLIENTEDGE);
                SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                             LVS_EX_FULLROWSELECT);
                const wchar_t* titles[] = {L"Key", L"Command"};
                const int widths[] = {140, w - 160};
                for (int c = 0; c < 2; ++c) {
                    LVCOLUMNW col{};
                    col.mask = LVCF_TEXT | LVCF_WIDTH;
                    col.pszText = const_cast<wchar_t*>(titles[c]);
                    col.cx = widths[c];
                    SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&col));
                }
                int y = list_h + margin;
                make_control(page_, L"STATIC", "Command:", 0, 0, y + 4, 70, 18, -1);
                HWND combo = make_control(page_, WC_COMBOBOXW, "",
                                          WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 74, y, w - 74,
                                          300, id::shortcut_command);
                for (const auto& e : commands_.menus().mainmenu())
                    SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(to_wide(e.path).c_str()));
                y += button_height + margin;
                make_control(page_, L"STATIC", "Key:", 0, 0, y + 4, 70, 18, -1);
                make_control(page_, HOTKEY_CLASSW, "", WS_TABSTOP, 74, y, 160, 22, id::shortcut_key,
                             WS_EX_CLIENTEDGE);
                make_control(page_, L"BUTTON", "Assign", WS_TABSTOP, 242, y, 80, button_height,
                             id::shortcut_assign);
                make_control(page_, L"BUTTON", "Remove", WS_TABSTOP, 328, y, 80, button_height,
                             id::shortcut_remove);
                make_control(page_, L"BUTTON", "Reset all", WS_TABSTOP, 414, y, 80, button_height,
                             id::shortcut_reset);
                fill_shortcuts(0);
                break;
            }
            case host_page::display:
                make_control(page_, L"STATIC",
                             pages_.empty()
                                 ? "How the player looks is up to its user interface; none "
                                   "offers settings here."
                                 : "How the player looks is up to its user interface: its "
                                   "settings are on the pages below this one.",
                             0, 0, 4, w, 40, id::display_text);
                break;
            case host_page::none:
                break;
        }
    }

    // The table again, with row `selected` chosen and shown in the editors.
    void fill_shortcuts(int selected) {
        HWND list = GetDlgItem(page_, id::shortcuts);
        SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
        const auto& bindings = commands_.shortcuts().bindings();
        for (int row = 0; row < static_cast<int>(bindings.size()); ++row) {
            const t_key_binding& b = bindings[static_cast<size_t>(row)];
            std::wstring key = to_wide(shortcut_table::key_name(b.key, b.mods)),
                         path = to_wide(b.path);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.pszText = key.data();
            SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            item.iSubItem = 1;
            item.pszText = path.data();
            SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        }
        if (selected < 0 || selected >= static_cast<int>(bindings.size())) return;
        LVITEMW state{};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, selected, reinterpret_cast<LPARAM>(&state));
        SendMessageW(list, LVM_ENSUREVISIBLE, selected, FALSE);
        show_binding(selected);
    }

    // The chosen row's command and key, ready to change.
    void show_binding(int row) {
        const auto& bindings = commands_.shortcuts().bindings();
        if (row < 0 || row >= static_cast<int>(bindings.size())) return;
        const t_key_binding& b = bindings[static_cast<size_t>(row)];
        HWND combo = GetDlgItem(page_, id::shortcut_command);
        SendMessageW(
            combo, CB_SETCURSEL,
            SendMessageW(combo, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(to_wide(b.path).c_str())),
            0);
        const BYTE flags = ((b.mods & key_mods::ctrl) ? HOTKEYF_CONTROL : 0) |
                           ((b.mods & key_mods::shift) ? HOTKEYF_SHIFT : 0) |
                           ((b.mods & key_mods::alt) ? HOTKEYF_ALT : 0);
        SendDlgItemMessageW(page_, id::shortcut_key, HKM_SETHOTKEY, MAKEWORD(b.key, flags), 0);
    }

    int selected_shortcut() const {
        return static_cast<int>(
            SendDlgItemMessageW(page_, id::shortcuts, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
    }

    // The key in the key box to the command in the list; the key stops
    // running whatever it ran before.
    void assign_shortcut() {
        HWND combo = GetDlgItem(page_, id::shortcut_command);
        const auto i = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        const auto len = i < 0 ? CB_ERR : SendMessageW(combo, CB_GETLBTEXTLEN, i, 0);
        if (len == CB_ERR) return;
        std::wstring path(static_cast<size_t>(len) + 1, L'\0');
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(path.data()));
        path.resize(static_cast<size_t>(len));
        const auto hotkey = SendDlgItemMessageW(page_, id::shortcut_key, HKM_GETHOTKEY, 0, 0);
        const BYTE key = LOBYTE(LOWORD(hotkey)), flags = HIBYTE(LOWORD(hotkey));
        const uint8_t mods = ((flags & HOTKEYF_CONTROL) ? key_mods::ctrl : 0) |
                             ((flags & HOTKEYF_SHIFT) ? key_mods::shift : 0) |
                             ((flags & HOTKEYF_ALT) ? key_mods::alt : 0);
        const int row = commands_.shortcuts().assign(key, mods, to_utf8(path));
        if (row >= 0) fill_shortcuts(row);
    }

    // "System default device", every device the system has, and a chosen
    // device that is not connected now, so the choice is not lost.
    void fill_devices(HWND combo) {
        device_ids_ = {std::string()};
        std::vector<std::string> names{"System default device"};
        for (auto& d : list_output_devices()) {
            device_ids_.push_back(std::move(d.id));
            names.push_back(std::move(d.name));
        }
        const std::string chosen = core_.output_device();
        auto at = std::find(device_ids_.begin(), device_ids_.end(), chosen);
        if (at == device_ids_.end()) {
            device_ids_.push_back(chosen);
            names.push_back(chosen + " (not connected)");
            at = device_ids_.end() - 1;
        }
        for (const auto& n : names)
            SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(to_wide(n).c_str()));
        SendMessageW(combo, CB_SETCURSEL, at - device_ids_.begin(), 0);
    }

    static constexpr UINT_PTR library_timer = 1;

    void show_library_status() {
        const auto status = core_.library_status();
        char text[200];
        if (status.scanning)
            std::snprintf(text, sizeof text, "Scanning: %zu of %zu files", status.done,
                          status.total);
        else if (core_.library_folders().empty())
            std::snprintf(text, sizeof text, "No folders: the library is off.");
        else
            std::snprintf(text, sizeof text,
                          "%zu track%s. The last scan read %zu file%s and kept %zu in %.2f s.",
                          status.tracks, status.tracks == 1 ? "" : "s", status.counts.read,
                          status.counts.read == 1 ? "" : "s", status.counts.kept, status.seconds);
        const std::wstring wide = to_wide(text);
        HWND label = GetDlgItem(page_, id::library_status);
        // Set only when it changed, so the label does not flicker.
        wchar_t now[200] = L"";
        GetWindowTextW(label, now, 200);
        if (wide != now) SetWindowTextW(label, wide.c_str());
    }

    void fill_folders() {
        HWND list = GetDlgItem(page_, id::folders);
        SendMessageW(list, LB_RESETCONTENT, 0, 0);
        for (const auto& f : core_.library_folders())
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(to_wide(f).c_str()));
    }

    void on_page_command(int control, int code) {
        if (control == id::volume_step && code == CBN_SELCHANGE) {
            HWND combo = GetDlgItem(page_, id::volume_step);
            const auto i = SendMessageW(combo, CB_GETCURSEL, 0, 0);
            if (i >= 0)
                (void)core_.playback().set_volume_step(
                    static_cast<float>(SendMessageW(combo, CB_GETITEMDATA, i, 0)) / 1000.0f);
        } else if (control == id::output_choice && code == CBN_SELCHANGE) {
            const auto i = SendDlgItemMessageW(page_, id::output_choice, CB_GETCURSEL, 0, 0);
            if (i < 0 || static_cast<size_t>(i) >= device_ids_.size()) return;
            core_.set_output_device(device_ids_[static_cast<size_t>(i)]);
            SetDlgItemTextW(page_, id::output_device, to_wide(core_.output_name()).c_str());
        } else if (control == id::folder_add && code == BN_CLICKED) {
            const std::string folder = dialogs_.choose_folder("Add folder to library");
            if (folder.empty()) return;
            auto folders = core_.library_folders();
            if (std::find(folders.begin(), folders.end(), folder) != folders.end()) return;
            folders.push_back(folder);
            core_.set_library_folders(std::move(folders));
            core_.scan_library();
            fill_folders();
            show_library_status();
        } else if (control == id::folder_remove && code == BN_CLICKED) {
            const auto i = SendDlgItemMessageW(page_, id::folders, LB_GETCURSEL, 0, 0);
            auto folders = core_.library_folders();
            if (i < 0 || static_cast<size_t>(i) >= folders.size()) return;
            folders.erase(folders.begin() + i);
            core_.set_library_folders(std::move(folders));
            core_.scan_library();
            fill_folders();
            show_library_status();
        } else if (control == id::rescan && code == BN_CLICKED) {
            core_.scan_library();
            show_library_status();
        } else if (control == id::shortcut_assign && code == BN_CLICKED) {
            assign_shortcut();
        } else if (control == id::shortcut_remove && code == BN_CLICKED) {
            const int row = selected_shortcut();
            if (row < 0) return;
            commands_.shortcuts().remove(static_cast<size_t>(row));
            fill_shortcuts(
                std::min(row, static_cast<int>(commands_.shortcuts().bindings().size()) - 1));
        } else if (control == id::shortcut_reset && code == BN_CLICKED) {
            commands_.shortcuts().reset();
            fill_shortcuts(0);
        }
    }

    void remember_place() {
        WINDOWPLACEMENT wp{};
        wp.length = sizeof wp;
        if (!wnd_ || !GetWindowPlacement(wnd_, &wp)) return;
        const RECT& r = wp.rcNormalPosition;
        // The size is kept in 96-DPI pixels, so the window opens as large
        // on a monitor of another scale.
        place_ = {r.left, r.top, MulDiv(r.right - r.left, 96, dpi_),
                  MulDiv(r.bottom - r.top, 96, dpi_)};
    }

    // Moved to a monitor of another scale: the suggested place, and the
    // controls made again at the new size (a component's page only moves;
    // its dialog scales itself).
    void on_dpi_changed(int dpi, LPARAM suggested) {
        dpi_ = dpi;
        font_.make(dpi_);
        SendMessageW(tree_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
        SendDlgItemMessageW(wnd_, id::close, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()),
                            TRUE);
        take_suggested_rect(wnd_, suggested);
        for (size_t i = 0; i < nodes_.size(); ++i)
            if (nodes_[i].id == last_ && !nodes_[i].page) show(i);
    }

    void on_destroy() {
        remember_place();
        // The page goes first, while its parent still stands.
        if (page_) DestroyWindow(page_);
        page_ = nullptr;
        tree_ = nullptr;
        wnd_ = nullptr;
    }
};

namespace {

LRESULT CALLBACK window_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE)
        SetWindowLongPtrW(wnd, GWLP_USERDATA,
                          LONG_PTR(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    auto* self = reinterpret_cast<preferences_window::impl*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(wnd, msg, wp, lp);
    switch (msg) {
        case WM_SIZE:
            if (self->tree_) self->layout(LOWORD(lp), HIWORD(lp));
            return 0;
        case WM_NOTIFY: {
            const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
            if (hdr->idFrom == UINT_PTR(id::tree) && hdr->code == TVN_SELCHANGEDW)
                self->show(
                    static_cast<size_t>(reinterpret_cast<const NMTREEVIEWW*>(lp)->itemNew.lParam));
            return 0;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == id::close || LOWORD(wp) == IDCANCEL) DestroyWindow(wnd);
            return 0;
        case WM_DPICHANGED:
            self->on_dpi_changed(HIWORD(wp), lp);
            return 0;
        case WM_CLOSE:
            DestroyWindow(wnd);
            return 0;
        case WM_DESTROY:
            self->on_destroy();
            return 0;
        default:
            return DefWindowProcW(wnd, msg, wp, lp);
    }
}

LRESULT CALLBACK page_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE)
        SetWindowLongPtrW(wnd, GWLP_USERDATA,
                          LONG_PTR(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    auto* self = reinterpret_cast<preferences_window::impl*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (self && msg == WM_COMMAND) {
        self->on_page_command(LOWORD(wp), HIWORD(wp));
        return 0;
    }
    if (self && msg == WM_TIMER && wp == preferences_window::impl::library_timer) {
        self->show_library_status();
        return 0;
    }
    if (self && msg == WM_NOTIFY) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lp);
        if (change->hdr.idFrom == UINT_PTR(preferences_id::shortcuts) &&
            change->hdr.code == LVN_ITEMCHANGED && (change->uNewState & LVIS_SELECTED) &&
            !(change->uOldState & LVIS_SELECTED))
            self->show_binding(change->iItem);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace

preferences_window::preferences_window(player_core& core, host_dialogs& dialogs,
                                       host_commands& commands)
    : impl_(std::make_unique<impl>(core, dialogs, commands)) {}

preferences_window::~preferences_window() { close(); }

void preferences_window::add_page(service_ptr_t<preferences_page> page) {
    if (page) impl_->pages_.push_back(std::move(page));
}

void preferences_window::clear_pages() {
    close();
    impl_->pages_.clear();
    impl_->nodes_.clear();
}

void* preferences_window::open() { return impl_->open(); }

void preferences_window::close() {
    if (impl_->wnd_) DestroyWindow(impl_->wnd_);
}

void* preferences_window::handle() const { return impl_->wnd_; }
void* preferences_window::page_handle() const { return impl_->page_; }

std::string preferences_window::placement() const {
    impl_->remember_place();
    const RECT& p = impl_->place_;
    if (p.right <= 0) return {};
    char text[64];
    std::snprintf(text, sizeof text, "%ld %ld %ld %ld", p.left, p.top, p.right, p.bottom);
    return text;
}

bool preferences_window::set_placement(std::string_view text) {
    long v[4];
    char rest = 0;
    const std::string s(text);
    if (std::sscanf(s.c_str(), "%ld %ld %ld %ld %c", &v[0], &v[1], &v[2], &v[3], &rest) != 4)
        return false;
    // Smaller than this and the pages cannot be used; larger is no screen.
    if (v[2] < 300 || v[3] < 200 || v[2] > 16384 || v[3] > 16384) return false;
    if (v[0] < -32768 || v[0] > 32767 || v[1] < -32768 || v[1] > 32767) return false;
    impl_->place_ = {v[0], v[1], v[2], v[3]};
    return true;
}

}  // namespace cor
