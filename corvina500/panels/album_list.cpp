// "Album List": the media library as a tree, grouped by a view and
// narrowed by a filter box; a double click plays the node's tracks in the
// playlist "Library selection", and the panel's menu sends them to the
// playlists. It follows every scan of the library. Settings: the view and
// the paths of the expanded nodes.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "corvina500/player/player_core.h"
#include "panels/library_tree.h"
#include "panels/panel_types.h"
#include "sdk/cfg_var.h"
#include "utf8.h"

namespace cor::panels {
namespace {

constexpr uint32_t settings_version = 1;
constexpr int view_id = 101, filter_id = 102, tree_id = 103;
constexpr int row_height = 22;
constexpr std::string_view selection_playlist = "Library selection";
constexpr const char* menu_items[] = {"Send to current playlist", "Add to current playlist",
                                      "New playlist from selection"};

class album_list : public host_panel {
public:
    using host_panel::host_panel;

    bool get_menu_item(uint32_t index, string_sink& name, uint32_t& flags) override {
        if (index >= std::size(menu_items)) return false;
        name.write(menu_items[index], std::strlen(menu_items[index]));
        flags = selected_tracks().empty() ? ui_extension::menu_item_disabled : 0;
        return true;
    }

    void execute_menu_item(uint32_t index) override {
        const std::vector<std::string> paths = selected_tracks();
        if (paths.empty() || index >= std::size(menu_items)) return;
        auto& playlists = env_.core.playlists();
        if (index == 2) {
            const std::string name = label_of(selected_node());
            const size_t made = playlists.create_playlist(name.data(), name.size(), no_index);
            (void)playlists.set_active_playlist(made);
        } else if (index == 0) {
            const size_t active = playlists.get_active_playlist();
            if (active != no_index) (void)playlists.playlist_clear(active);
        }
        (void)env_.core.add_to_active(paths);
    }

protected:
    // The window goes while this panel is still whole.
    ~album_list() override { destroy_window(); }

    bool read_settings(std::string_view bytes) override {
        raw_reader in(bytes);
        uint32_t version = 0, view = 0, count = 0;
        if (!in.read_u32(version) || version != settings_version || !in.read_u32(view) ||
            view >= default_library_views().size() || !in.read_u32(count))
            return false;
        std::set<std::string> expanded;
        for (std::string path; count-- && in.read_text(path);) expanded.insert(path);
        if (count != UINT32_MAX || !in.at_end()) return false;
        view_ = view;
        expanded_ = std::move(expanded);
        if (view_box_) SendMessageW(view_box_, CB_SETCURSEL, view_, 0);
        refill();
        return true;
    }

    std::string write_settings() override {
        std::string out;
        raw_put_u32(out, settings_version);
        raw_put_u32(out, view_);
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
        for (const auto& v : default_library_views())
            SendMessageW(view_box_, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(to_wide(v.name).c_str()));
        SendMessageW(view_box_, CB_SETCURSEL, view_, 0);
        token_ = env_.core.listen_library([this] { refill(); });
        refill();
    }

    void on_destroying() override {
        if (token_) env_.core.unlisten_library(std::exchange(token_, 0));
        view_box_ = filter_box_ = tree_view_ = nullptr;
    }

    void layout(int width, int height) override {
        if (!tree_view_) return;
        const int view_width = std::min(180, width / 2);
        MoveWindow(view_box_, 0, 0, view_width, 200, TRUE);
        MoveWindow(filter_box_, view_width + 4, 0, std::max(0, width - view_width - 4), row_height,
                   TRUE);
        MoveWindow(tree_view_, 0, row_height + 4, width, std::max(0, height - row_height - 4),
                   TRUE);
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
            if (hdr->hwndFrom == tree_view_ && hdr->code == NM_DBLCLK) {
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
        }
        return host_panel::on_message(msg, wp, lp);
    }

private:
    // The tree made again from the library, the view and the filter, with
    // the nodes expanded that were.
    void refill() {
        if (!tree_view_) return;
        const std::string filter = to_utf8(window_text(filter_box_));
        tree_.build(env_.core.library_items(), default_library_views()[view_].pattern, filter);
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
        const std::wstring text = to_wide(n.label);
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

    // The paths of the selected node's tracks, in the library's order.
    std::vector<std::string> selected_tracks() const {
        std::vector<std::string> paths;
        if (!tree_view_) return paths;
        const size_t node = selected_node();
        const auto& items = env_.core.library_items();
        if (node >= tree_.nodes().size()) return paths;
        for (size_t i : tree_.nodes()[node].tracks)
            if (i < items.size()) paths.push_back(items[i]->path);
        return paths;
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
    uint32_t view_ = 0;
    std::set<std::string> expanded_;
    size_t token_ = 0;
    bool filling_ = false;
};

}  // namespace

ui_extension::window* make_album_list(const t_panel_type& type, t_panel_env env) {
    return new service_impl_t<album_list>(type, env);
}

}  // namespace cor::panels
