// "Album List": the media library as a tree, grouped by a view and
// narrowed by a filter box; a double click plays the node's tracks in the
// playlist "Library selection", its menus send them to the playlists or run
// the Host's commands for tracks on them, and a node dragged onto a window
// that takes files (the Playlist View, a script window) is dropped there as
// its files. It follows every scan of the library. Settings: the views, the
// chosen one and the paths of the expanded nodes.
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "corvina500/player/player_core.h"
#include "panels/library_tree.h"
#include "panels/menu_by_path.h"
#include "panels/panel_types.h"
#include "panels/settings_dialog.h"
#include "sdk/cfg_var.h"
#include "sdk/component.h"
#include "sdk/menu.h"
#include "sdk/window_dpi.h"
#include "utf8.h"

namespace cor::panels {
namespace {

// 1 had no views of its own: the default ones.
constexpr uint32_t settings_version = 2;
constexpr int view_id = 101, filter_id = 102, tree_id = 103;
constexpr int row_height = 22;
constexpr std::string_view selection_playlist = "Library selection";
constexpr const char* menu_items[] = {"Send to current playlist", "Add to current playlist",
                                      "New playlist from selection"};
// Context menu ids: the entries above from 1, the Host's commands from 100.
constexpr UINT first_host_command = 100;

// The views as the settings dialog shows them: "Name = pattern" a line.
std::string views_text(const std::vector<t_library_view>& views) {
    std::string text;
    for (const auto& v : views) text += v.name + " = " + v.pattern + "\n";
    return text;
}

// Empty when the text holds views; else why not.
std::string parse_views(std::string_view text, std::vector<t_library_view>& views) {
    views.clear();
    size_t line_no = 0;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++line_no;
        const auto trim = [](std::string_view t) {
            while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
            while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
            return t;
        };
        line = trim(line);
        if (line.empty()) continue;
        const size_t eq = line.find('=');
        const std::string_view name = trim(line.substr(0, eq));
        const std::string_view pattern =
            eq == std::string_view::npos ? std::string_view() : trim(line.substr(eq + 1));
        if (name.empty() || pattern.empty())
            return "Line " + std::to_string(line_no) + ": a view is written Name = pattern.";
        views.push_back({std::string(name), std::string(pattern)});
    }
    return views.empty() ? "At least one view is needed." : std::string();
}

class album_list : public host_panel {
public:
    using host_panel::host_panel;

    bool get_menu_item(uint32_t index, string_sink& name, uint32_t& flags) override {
        if (index >= std::size(menu_items)) return false;
        name.write(menu_items[index], std::strlen(menu_items[index]));
        flags = selected_tracks().empty() ? ui_extension::menu_item_disabled : 0;
        return true;
    }

    void execute_menu_item(uint32_t index) override { send_selection(index); }

    bool have_config_popup() override { return true; }

    bool show_config_popup(void* parent) override {
        const std::string before = write_settings();
        return edit_panel_text(static_cast<HWND>(parent), "Album List settings",
                               "One view a line: Name = pattern, with | between the levels "
                               "(Artist = %artist%|%album%).",
                               views_text(views_),
                               [this](const std::string& text) {
                                   std::vector<t_library_view> views;
                                   std::string why = parse_views(text, views);
                                   if (why.empty()) set_views(std::move(views));
                                   return why;
                               }) &&
               write_settings() != before;
    }

protected:
    // The window goes while this panel is still whole.
    ~album_list() override { destroy_window(); }

    bool read_settings(std::string_view bytes) override {
        raw_reader in(bytes);
        uint32_t version = 0, view = 0, count = 0;
        if (!in.read_u32(version) || (version != 1 && version != settings_version) ||
            !in.read_u32(view))
            return false;
        std::vector<t_library_view> views = default_library_views();
        if (version == settings_version) {
            if (!in.read_u32(count) || count == 0 || count > in.remaining()) return false;
            views.assign(count, {});
            for (auto& v : views)
                if (!in.read_text(v.name) || !in.read_text(v.pattern)) return false;
        }
        if (view >= views.size() || !in.read_u32(count)) return false;
        std::set<std::string> expanded;
        for (std::string path; count-- && in.read_text(path);) expanded.insert(path);
        if (count != UINT32_MAX || !in.at_end()) return false;
        views_ = std::move(views);
        view_ = view;
        expanded_ = std::move(expanded);
        fill_views();
        refill();
        return true;
    }

    std::string write_settings() override {
        std::string out;
        raw_put_u32(out, settings_version);
        raw_put_u32(out, view_);
        raw_put_u32(out, static_cast<uint32_t>(views_.size()));
        for (const auto& v : views_) {
            raw_put_text(out, v.name);
            raw_put_text(out, v.pattern);
        }
        raw_put_u32(out, static_cast<uint32_t>(expanded_.size()));
        for (const auto& path : expanded_) raw_put_text(out, path);
        return out;
    }

    void on_created() override {
        const HINSTANCE inst = GetModuleHandleW(nullptr);
        const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
        view_box_ = CreateWindowExW(0, WC_COMBOBOXW, L"",
                                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, 0, 0, 0,
                                    0, wnd_, reinterpret_cast<HMENU>(view_id), inst, nullptr);
        filter_box_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0,
                                      0, wnd_, reinterpret_cast<HMENU>(filter_id), inst, nullptr);
        tree_view_ =
            CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS |
                                TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                            0, 0, 0, 0, wnd_, reinterpret_cast<HMENU>(tree_id), inst, nullptr);
        for (HWND c : {view_box_, filter_box_, tree_view_}) SendMessageW(c, WM_SETFONT, font, 0);
        SendMessageW(filter_box_, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"Filter"));
        fill_views();
        token_ = env_.core.listen_library([this] { refill(); });
        refill();
    }

    void on_destroying() override {
        if (token_) env_.core.unlisten_library(std::exchange(token_, 0));
        view_box_ = filter_box_ = tree_view_ = nullptr;
    }

    // The top row is as tall as the closed view list, which its font
    // makes: at a larger scale the letters, and the row, are larger.
    void layout(int width, int height) override {
        if (!tree_view_) return;
        const int dpi = monitor_dpi_of(wnd_);
        const int view_width = std::min(MulDiv(180, dpi, 96), width / 2);
        const int gap = MulDiv(4, dpi, 96);
        MoveWindow(view_box_, 0, 0, view_width, MulDiv(200, dpi, 96), TRUE);
        RECT closed{};
        GetWindowRect(view_box_, &closed);
        const int row = closed.bottom > closed.top ? int(closed.bottom - closed.top)
                                                   : MulDiv(row_height, dpi, 96);
        MoveWindow(filter_box_, view_width + gap, 0, std::max(0, width - view_width - gap), row,
                   TRUE);
        MoveWindow(tree_view_, 0, row + gap, width, std::max(0, height - row - gap), TRUE);
    }

    LRESULT on_message(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_COMMAND && LOWORD(wp) == view_id && HIWORD(wp) == CBN_SELCHANGE) {
            const auto chosen = SendMessageW(view_box_, CB_GETCURSEL, 0, 0);
            if (chosen >= 0) view_ = static_cast<uint32_t>(chosen);
            refill();
            return 0;
        }
        if (msg == WM_COMMAND && LOWORD(wp) == filter_id && HIWORD(wp) == EN_CHANGE) {
            refill();
            return 0;
        }
        if (msg == WM_NOTIFY) {
            const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
            // A double click or Enter plays the node.
            if (hdr->hwndFrom == tree_view_ && (hdr->code == NM_DBLCLK || hdr->code == NM_RETURN)) {
                play_selection();
                return TRUE;
            }
            if (hdr->hwndFrom == tree_view_ && hdr->code == TVN_ITEMEXPANDEDW && !filling_) {
                const auto* change = reinterpret_cast<const NMTREEVIEWW*>(lp);
                const std::string path = tree_.path_of(static_cast<size_t>(change->itemNew.lParam));
                if (change->action == TVE_EXPAND)
                    expanded_.insert(path);
                else
                    expanded_.erase(path);
                return 0;
            }
            // Escape drops nothing: the drag ends where it is.
            if (hdr->hwndFrom == tree_view_ && hdr->code == TVN_KEYDOWN && dragging_ &&
                reinterpret_cast<const NMTVKEYDOWN*>(lp)->wVKey == VK_ESCAPE) {
                dragging_ = false;
                ReleaseCapture();
                return 0;
            }
            if (hdr->hwndFrom == tree_view_ && hdr->code == TVN_BEGINDRAGW) {
                const auto* drag = reinterpret_cast<const NMTREEVIEWW*>(lp);
                SendMessageW(tree_view_, TVM_SELECTITEM, TVGN_CARET,
                             reinterpret_cast<LPARAM>(drag->itemNew.hItem));
                dragging_ = true;
                SetCapture(wnd_);
                return 0;
            }
        }
        if (msg == WM_CONTEXTMENU && reinterpret_cast<HWND>(wp) == tree_view_) {
            show_context_menu(lp);
            return 0;
        }
        if (dragging_ && msg == WM_MOUSEMOVE) {
            SetCursor(LoadCursorW(nullptr, drop_target(screen_point(lp)) ? IDC_ARROW : IDC_NO));
            return 0;
        }
        if (dragging_ && msg == WM_LBUTTONUP) {
            dragging_ = false;
            ReleaseCapture();
            drop(screen_point(lp));
            return 0;
        }
        if (msg == WM_CAPTURECHANGED) {
            dragging_ = false;
            return 0;
        }
        return host_panel::on_message(msg, wp, lp);
    }

private:
    void fill_views() {
        if (!view_box_) return;
        SendMessageW(view_box_, CB_RESETCONTENT, 0, 0);
        for (const auto& v : views_)
            SendMessageW(view_box_, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(to_wide(v.name).c_str()));
        SendMessageW(view_box_, CB_SETCURSEL, view_, 0);
    }

    // New views keep the chosen one by its name, else the first.
    void set_views(std::vector<t_library_view> views) {
        const std::string chosen = views_[view_].name;
        const auto same = std::find_if(views.begin(), views.end(),
                                       [&](const t_library_view& v) { return v.name == chosen; });
        view_ = same == views.end() ? 0 : static_cast<uint32_t>(same - views.begin());
        views_ = std::move(views);
        fill_views();
        refill();
    }

    // The tree made again from the library, the view and the filter, with
    // the nodes expanded that were.
    void refill() {
        if (!tree_view_) return;
        const std::string filter = to_utf8(window_text(filter_box_));
        tree_.build(env_.core.library_items(), views_[view_].pattern, filter);
        filling_ = true;
        SendMessageW(tree_view_, WM_SETREDRAW, FALSE, 0);
        SendMessageW(tree_view_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
        insert(0, TVI_ROOT);
        SendMessageW(tree_view_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(tree_view_, nullptr, TRUE);
        filling_ = false;
    }

    void insert(size_t node, HTREEITEM parent) {
        const t_tree_node& n = tree_.nodes()[node];
        // An empty library says where its folders are chosen.
        const std::wstring text =
            node == 0 && env_.core.library_folders().empty()
                ? L"No library folders: add them in File > Preferences > Playlists and library"
                : to_wide(n.label);
        TVINSERTSTRUCTW is{};
        is.hParent = parent;
        is.hInsertAfter = TVI_LAST;
        is.item.mask = TVIF_TEXT | TVIF_PARAM;
        is.item.pszText = const_cast<wchar_t*>(text.c_str());
        is.item.lParam = static_cast<LPARAM>(node);
        const auto item = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree_view_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&is)));
        for (size_t child : n.children) insert(child, item);
        if (node == 0 || expanded_.count(tree_.path_of(node)))
            SendMessageW(tree_view_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    }

    static std::wstring window_text(HWND wnd) {
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(wnd)) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(wnd, text.data(), int(text.size()))));
        return text;
    }

    size_t selected_node() const {
        if (!tree_view_) return 0;
        TVITEMW item{};
        item.mask = TVIF_PARAM;
        item.hItem =
            reinterpret_cast<HTREEITEM>(SendMessageW(tree_view_, TVM_GETNEXTITEM, TVGN_CARET, 0));
        if (!item.hItem ||
            !SendMessageW(tree_view_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
            return 0;
        return static_cast<size_t>(item.lParam);
    }

    std::string label_of(size_t node) const {
        return node < tree_.nodes().size() ? tree_.nodes()[node].label : std::string();
    }

    // The selected node's tracks, in the library's order.
    std::vector<library_tree::t_item> selected_items() const {
        std::vector<library_tree::t_item> out;
        if (!tree_view_) return out;
        const size_t node = selected_node();
        const auto& items = env_.core.library_items();
        if (node >= tree_.nodes().size()) return out;
        for (size_t i : tree_.nodes()[node].tracks)
            if (i < items.size()) out.push_back(items[i]);
        return out;
    }

    std::vector<std::string> selected_tracks() const {
        std::vector<std::string> paths;
        for (const auto& item : selected_items()) paths.push_back(item->path);
        return paths;
    }

    // Send, add, or a new playlist named after the node.
    void send_selection(uint32_t how) {
        const std::vector<std::string> paths = selected_tracks();
        if (paths.empty() || how >= std::size(menu_items)) return;
        auto& playlists = env_.core.playlists();
        if (how == 2) {
            const std::string name = label_of(selected_node());
            const size_t made = playlists.create_playlist(name.data(), name.size(), no_index);
            (void)playlists.set_active_playlist(made);
        } else if (how == 0) {
            const size_t active = playlists.get_active_playlist();
            if (active != no_index) (void)playlists.playlist_clear(active);
        }
        (void)env_.core.add_to_active(paths);
    }

    // The panel's entries, then the Host's commands for tracks, on the node
    // under the mouse (or the selected one, from the keyboard).
    void show_context_menu(LPARAM at) {
        POINT p{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
        // From the keyboard both coordinates are -1: the selected node's.
        if (p.x == -1 && p.y == -1) {
            RECT r{};
            if (auto item = reinterpret_cast<HTREEITEM>(
                    SendMessageW(tree_view_, TVM_GETNEXTITEM, TVGN_CARET, 0))) {
                std::memcpy(&r, &item, sizeof item);  // the item goes in, its place out
                SendMessageW(tree_view_, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
            }
            p = {r.left, r.bottom};
            ClientToScreen(tree_view_, &p);
        } else {
            TVHITTESTINFO hit{};
            hit.pt = p;
            ScreenToClient(tree_view_, &hit.pt);
            if (SendMessageW(tree_view_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) &&
                (hit.flags & TVHT_ONITEM))
                SendMessageW(tree_view_, TVM_SELECTITEM, TVGN_CARET,
                             reinterpret_cast<LPARAM>(hit.hItem));
        }
        const std::vector<std::string> paths = selected_tracks();
        if (paths.empty()) return;
        HMENU popup = CreatePopupMenu();
        for (UINT i = 0; i < std::size(menu_items); ++i)
            AppendMenuW(popup, MF_STRING, i + 1, to_wide(menu_items[i]).c_str());
        std::vector<guid> commands;
        const auto host_menu =
            env_.api ? env_.api->get<contextmenu_manager>() : service_ptr_t<contextmenu_manager>();
        if (host_menu) {
            std::vector<std::pair<std::string, HMENU>> submenus;
            for (size_t i = 0, n = host_menu->get_command_count(); i < n; ++i) {
                guid id{};
                string_out path;
                if (!host_menu->get_command(i, id, path)) continue;
                if (commands.empty()) AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
                add_by_path(popup, submenus, path.text,
                            first_host_command + static_cast<UINT>(commands.size()), 0);
                commands.push_back(id);
            }
        }
        const UINT chosen = static_cast<UINT>(
            TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, wnd_, nullptr));
        DestroyMenu(popup);
        if (chosen >= 1 && chosen <= std::size(menu_items)) {
            send_selection(chosen - 1);
        } else if (chosen >= first_host_command && chosen - first_host_command < commands.size()) {
            std::vector<track_ptr> tracks;
            std::vector<metadb_handle*> handles;
            for (const auto& item : selected_items()) {
                tracks.push_back(env_.core.tracks().put(*item));
                handles.push_back(tracks.back().get());
            }
            (void)host_menu->execute_command(commands[chosen - first_host_command], handles.data(),
                                             handles.size());
        }
    }

    POINT screen_point(LPARAM lp) const {
        POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        ClientToScreen(wnd_, &p);
        return p;
    }

    // The window under `p` that takes dropped files: that window or the
    // nearest that holds it, in this process and outside this panel.
    HWND drop_target(POINT p) const {
        for (HWND w = WindowFromPoint(p); w; w = GetAncestor(w, GA_PARENT)) {
            if (w == wnd_ || IsChild(wnd_, w)) return nullptr;
            if (!(GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_ACCEPTFILES)) continue;
            DWORD process = 0;
            GetWindowThreadProcessId(w, &process);
            return process == GetCurrentProcessId() ? w : nullptr;
        }
        return nullptr;
    }

    // The dragged node's files, handed over as the shell hands dropped files.
    void drop(POINT p) {
        HWND target = drop_target(p);
        const std::vector<std::string> paths =
            target ? selected_tracks() : std::vector<std::string>();
        if (paths.empty()) return;
        std::wstring files;
        for (const auto& path : paths) files += to_wide(path) + L'\0';
        files += L'\0';
        HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + files.size() * sizeof(wchar_t));
        auto* header = memory ? static_cast<DROPFILES*>(GlobalLock(memory)) : nullptr;
        if (!header) {
            if (memory) GlobalFree(memory);
            return;
        }
        ScreenToClient(target, &p);
        header->pFiles = sizeof(DROPFILES);
        header->pt = p;
        header->fWide = TRUE;
        std::memcpy(header + 1, files.data(), files.size() * sizeof(wchar_t));
        GlobalUnlock(memory);
        // The receiver frees it (DragFinish).
        SendMessageW(target, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    }

    // The node's tracks in "Library selection", from the first.
    void play_selection() {
        const std::vector<std::string> paths = selected_tracks();
        if (paths.empty()) return;
        auto& playlists = env_.core.playlists();
        size_t list = playlists.find_playlist(selection_playlist.data(), selection_playlist.size());
        if (list == no_index)
            list = playlists.create_playlist(selection_playlist.data(), selection_playlist.size(),
                                             no_index);
        (void)playlists.set_active_playlist(list);
        (void)playlists.playlist_clear(list);
        if (env_.core.add_to_active(paths)) env_.core.playback().play_item(list, 0);
    }

    HWND view_box_ = nullptr, filter_box_ = nullptr, tree_view_ = nullptr;
    library_tree tree_;
    std::vector<t_library_view> views_ = default_library_views();
    uint32_t view_ = 0;
    bool dragging_ = false;
    std::set<std::string> expanded_;
    size_t token_ = 0;
    bool filling_ = false;
};

}  // namespace

ui_extension::window* make_album_list(const t_panel_type& type, t_panel_env env) {
    return new service_impl_t<album_list>(type, env);
}

}  // namespace cor::panels
