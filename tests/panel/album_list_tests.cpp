// The "Album List" panel through its window, over a small library of
// tagged files: its views (and the user's own) and filter read back from
// the tree, a double click playing a node, the panel's menus, a node
// dragged onto a Playlist View, its settings, and a rescan.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "corvina500/player/player_core.h"
#include "e2e/wav_file.h"
#include "panels/panel_types.h"
#include "panels/settings_dialog.h"
#include "sdk/cfg_var.h"
#include "support/component_host.h"
#include "support/test_folder.h"
#include "support/thread_windows.h"
#include "support/window_probe.h"
#include "utf8.h"

namespace {

using cor::service_ptr_t;
using cor::ui_extension::window;
using strings = std::vector<std::string>;

class AlbumList : public ::testing::Test {
protected:
    cor_test::component_host host;
    cor_test::test_folder music;
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600,
                                  400, nullptr, nullptr, nullptr, nullptr);
    service_ptr_t<window> panel;
    HWND wnd = nullptr;

    void SetUp() override {
        add("Björk/Post/1.wav", "Army of Me", "Björk", "Post", "Pop", "1995");
        add("Björk/Post/2.wav", "Hyperballad", "Björk", "Post", "Pop", "1995");
        add("Air/Moon Safari/1.wav", "La Femme d'Argent", "Air", "Moon Safari", "Electronic",
            "1998");
        host.player().set_library_folders({music.dir().string()});
        host.player().scan_library();
        host.player().wait_library_scan();
        panel = make();
        wnd = static_cast<HWND>(panel->create_or_transfer_window(parent, nullptr, 0, 0, 400, 300));
        ASSERT_NE(wnd, nullptr);
    }
    void TearDown() override {
        if (panel) panel->destroy_window();
        DestroyWindow(parent);
    }

    void add(const std::string& name, const std::string& title, const std::string& artist,
             const std::string& album, const std::string& genre, const std::string& date) {
        std::filesystem::create_directories((music.dir() / name).parent_path());
        cor_test::t_wav_format f{8000, 1, 8, 0.5, {}};
        f.tags = {
            {"INAM", title}, {"IART", artist}, {"IPRD", album}, {"IGNR", genre}, {"ICRD", date}};
        ASSERT_TRUE(cor_test::write_bytes(music.dir() / name, cor_test::make_wav(f)));
    }
    service_ptr_t<window> make(const std::string& settings = {},
                               const cor::guid& type = cor::panels::album_list_guid) {
        window* w = nullptr;
        if (!host.panels().create_by_guid(type, &w)) return {};
        if (!settings.empty()) w->set_config(settings.data(), settings.size());
        return service_ptr_t<window>::adopt(w);
    }
    HWND tree() { return FindWindowExW(wnd, nullptr, WC_TREEVIEWW, nullptr); }
    HTREEITEM first_below(HTREEITEM item) {
        return item == TVI_ROOT ? TreeView_GetRoot(tree()) : TreeView_GetChild(tree(), item);
    }
    // The tree's labels, indented by level; "+" before an expanded node's.
    strings shown(HTREEITEM item = TVI_ROOT, int depth = -1) {
        strings out;
        if (item != TVI_ROOT)
            out.push_back(std::string(size_t(depth) * 2, ' ') +
                          (TreeView_GetItemState(tree(), item, TVIS_EXPANDED) ? "+" : "") +
                          cor_test::tree_text(tree(), item));
        for (HTREEITEM c = first_below(item); c; c = TreeView_GetNextSibling(tree(), c))
            for (auto& line : shown(c, depth + 1)) out.push_back(std::move(line));
        return out;
    }
    HTREEITEM find(const std::string& label, HTREEITEM from = TVI_ROOT) {
        for (HTREEITEM c = first_below(from); c; c = TreeView_GetNextSibling(tree(), c)) {
            if (cor_test::tree_text(tree(), c) == label) return c;
            if (HTREEITEM deeper = find(label, c)) return deeper;
        }
        return nullptr;
    }
    void choose(int control, int index) {
        HWND c = GetDlgItem(wnd, control);
        SendMessageW(c, CB_SETCURSEL, index, 0);
        SendMessageW(wnd, WM_COMMAND, MAKEWPARAM(control, CBN_SELCHANGE), LPARAM(c));
    }
    void filter(const std::string& text) { SetDlgItemTextW(wnd, 102, cor::to_wide(text).c_str()); }
    strings playlist(const std::string& name) {
        auto& lists = host.player().playlists();
        const size_t at = lists.find_playlist(name.data(), name.size());
        strings out;
        if (at == cor::no_index) return out;
        metadb_items(at, out);
        return out;
    }
    void metadb_items(size_t list, strings& out) {
        auto& lists = host.player().playlists();
        for (size_t i = 0; i < lists.playlist_get_item_count(list); ++i) {
            cor::metadb_handle* h = nullptr;
            if (!lists.playlist_get_item_handle(list, i, &h)) continue;
            cor::string_out path;
            h->get_path(path);
            out.push_back(path.text.substr(path.text.find_last_of("\\/") + 1));
            h->service_release();
        }
    }
};

TEST_F(AlbumList, ViewsAndFilterShowTheLibraryAsATree) {
    const struct {
        int view;
        std::string filter;
        strings tree;
    } rows[] = {
        {0, "", {"+All music", "  Air", "    Moon Safari", "  Björk", "    Post"}},
        {2,
         "",
         {"+All music", "  Electronic", "    Air", "      Moon Safari", "  Pop", "    Björk",
          "      Post"}},
        {3, "", {"+All music", "  1995", "    Post", "  1998", "    Moon Safari"}},
        {0, "bjork", {"+All music", "  Björk", "    Post"}},
        {0, "femme AIR", {"+All music", "  Air", "    Moon Safari"}},
        {0, "nothing here", {"All music"}},  // (nothing to expand)
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.view) + " " + row.filter);
        choose(101, row.view);
        filter(row.filter);
        EXPECT_EQ(shown(), row.tree);
    }
    // The view list and the filter box share a row as tall as the closed
    // list (its font makes it), and the tree starts below it.
    RECT view{}, box{}, below{};
    GetWindowRect(GetDlgItem(wnd, 101), &view);
    GetWindowRect(GetDlgItem(wnd, 102), &box);
    GetWindowRect(tree(), &below);
    EXPECT_EQ(box.bottom - box.top, view.bottom - view.top);
    EXPECT_GT(below.top, view.bottom);
}

// The views are the user's to write in the panel's settings dialog.
TEST_F(AlbumList, ViewsAreEditedInTheSettingsDialog) {
    ASSERT_TRUE(panel->have_config_popup());
    const struct {
        std::string typed, error;
        strings views, tree;  // the second view's tree
    } rows[] = {
        {"Genre only = %genre%\r\n\r\n  Decade = $div(%date%,10)0s|%album%  ",
         "",
         {"Genre only", "Decade"},
         {"+All music", "  1990s", "    Moon Safari", "    Post"}},
        {"Genre only = %genre%\r\nno sign here",
         "Line 2: a view is written Name = pattern.",
         {},
         {}},
        {"Genre = ", "Line 1: a view is written Name = pattern.", {}, {}},
        {" \r\n", "At least one view is needed.", {}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        std::string error, shown_first;
        cor_test::when_thread_window(L"#32770", [&](HWND dlg) {
            shown_first = cor_test::text_of(dlg, cor::panels::settings_first_edit);
            SetDlgItemTextW(dlg, cor::panels::settings_first_edit, cor::to_wide(row.typed).c_str());
            SendMessageW(dlg, WM_COMMAND, IDOK, 0);
            error = cor_test::text_of(dlg, cor::panels::settings_error_text);
            if (!error.empty()) SendMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
        });
        const strings before = cor_test::entries(wnd, 101, true);
        EXPECT_EQ(panel->show_config_popup(parent), row.error.empty());
        EXPECT_EQ(error, row.error);
        if (!row.error.empty()) {
            EXPECT_EQ(cor_test::entries(wnd, 101, true), before);
            continue;
        }
        EXPECT_EQ(shown_first.rfind("By artist and album = %artist%|%album%\r\n", 0), 0u);
        EXPECT_EQ(cor_test::entries(wnd, 101, true), row.views);
        choose(101, 1);
        EXPECT_EQ(shown(), row.tree);
    }
}

TEST_F(AlbumList, ADoubleClickPlaysANodeAndTheMenuSendsIt) {
    filter("");
    // Enter, or a double click, plays the node in "Library selection"
    // (Post's tracks stay there for the menu below).
    for (const auto& [code, node, tracks] :
         {std::tuple{NM_RETURN, "Moon Safari", strings{"1.wav"}},
          std::tuple{NM_DBLCLK, "Post", strings{"1.wav", "2.wav"}}}) {
        TreeView_SelectItem(tree(), find(node));
        NMHDR click{tree(), 103, static_cast<UINT>(code)};
        SendMessageW(wnd, WM_NOTIFY, 103, reinterpret_cast<LPARAM>(&click));
        EXPECT_EQ(playlist("Library selection"), tracks) << node;
        EXPECT_TRUE(host.player().playback().is_playing());
        host.player().playback().stop();
    }

    TreeView_SelectItem(tree(), find("Moon Safari"));
    const struct {
        uint32_t item;
        std::string list;
        strings after;
    } rows[] = {
        {1, "Library selection", {"1.wav", "2.wav", "1.wav"}},  // added to the active one
        {0, "Library selection", {"1.wav"}},                    // sent: it replaces
        {2, "Moon Safari", {"1.wav"}},                          // a new one, named after it
    };
    for (const auto& row : rows) {
        cor::string_out name;
        uint32_t flags = 1;
        ASSERT_TRUE(panel->get_menu_item(row.item, name, flags));
        EXPECT_EQ(flags, 0u) << name.text;
        panel->execute_menu_item(row.item);
        EXPECT_EQ(playlist(row.list), row.after) << name.text;
    }
}

// A right click on a node: the panel's entries, then the Host's commands
// for tracks, on that node's tracks.
TEST_F(AlbumList, TheContextMenuRunsPanelAndHostCommandsOnTheNodeClicked) {
    const struct {
        int downs;  // the keyboard's way to the entry
        std::string entry;
        strings active;  // the active playlist after
        bool playing;
        bool keyboard = false;  // the menu key, on the selected node
    } rows[] = {
        {2, "Add to current playlist", {"1.wav"}, false},
        {2, "Add to current playlist", {"1.wav", "1.wav"}, false},
        {1, "Send to current playlist", {"1.wav"}, false},
        {4, "Play", {"1.wav"}, true},
        {2, "Add to current playlist", {"1.wav", "1.wav"}, true, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.entry);
        RECT r{};
        TreeView_EnsureVisible(tree(), find("Moon Safari"));
        TreeView_GetItemRect(tree(), find("Moon Safari"), &r, TRUE);
        POINT at{r.left + 2, r.top + 2};
        ClientToScreen(tree(), &at);
        // The click chooses the node; the menu key takes the selected one.
        TreeView_SelectItem(tree(), find(row.keyboard ? "Moon Safari" : "Post"));
        std::vector<cor_test::t_menu_item> items;
        RECT shown{};
        cor_test::when_thread_window(L"#32768", [&](HWND popup) {
            if (!popup) return (void)EndMenu();
            GetWindowRect(popup, &shown);
            items = cor_test::menu_items(
                reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0)));
            for (int i = 0; i < row.downs; ++i) PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
        });
        SendMessageW(wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree()),
                     row.keyboard ? MAKELPARAM(-1, -1) : MAKELPARAM(at.x, at.y));
        ASSERT_GE(items.size(), 6u);
        if (row.keyboard) {  // below the selected node, not at the screen's corner
            RECT node{};
            TreeView_GetItemRect(tree(), find("Moon Safari"), &node, TRUE);
            POINT under{node.left, node.bottom};
            ClientToScreen(tree(), &under);
            EXPECT_NEAR(shown.left, under.x, 2);
            EXPECT_NEAR(shown.top, under.y, 2);
        }
        strings texts;
        for (size_t i = 0; i < 6; ++i) texts.push_back(items[i].text);
        EXPECT_EQ(texts,
                  (strings{"Send to current playlist", "Add to current playlist",
                           "New playlist from selection", "", "Play", "Add to playback queue"}));
        EXPECT_TRUE(items[3].separator);
        EXPECT_EQ(items[row.downs - 1 + (row.downs > 3)].text, row.entry);
        auto& lists = host.player().playlists();
        strings active;
        metadb_items(lists.get_active_playlist(), active);
        EXPECT_EQ(active, row.active);
        EXPECT_EQ(host.player().playback().is_playing(), row.playing);
    }
}

// A node dragged onto a Playlist View goes before the row it is dropped
// on, or after the last; dropped anywhere else it goes nowhere.
TEST_F(AlbumList, ANodeDraggedOntoThePlaylistViewIsInsertedWhereItIsDropped) {
    // A window of its own above the others, so the drop finds this one,
    // small and in a corner, so it covers no other suite's windows on the
    // shared display. (A static control lets points through to what is
    // under it.)
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = L"album_list_drop_test";
    RegisterClassW(&wc);
    DestroyWindow(parent);
    parent = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 790,
                             440, 220, nullptr, nullptr, nullptr, nullptr);
    wnd = static_cast<HWND>(panel->create_or_transfer_window(parent, nullptr, 0, 0, 240, 200));
    auto list_panel = make({}, cor::panels::playlist_view_guid);
    HWND view =
        static_cast<HWND>(list_panel->create_or_transfer_window(parent, nullptr, 240, 0, 200, 200));
    ASSERT_NE(view, nullptr);
    for (HWND w : {wnd, view}) ShowWindow(w, SW_SHOW);  // as a script window shows its panels
    HWND list = FindWindowExW(view, nullptr, WC_LISTVIEWW, nullptr);
    auto& lists = host.player().playlists();
    (void)lists.set_active_playlist(lists.create_playlist("Mine", 4, cor::no_index));
    host.player().add_to_active(
        {(music.dir() / "Björk/Post/1.wav").string(), (music.dir() / "Björk/Post/2.wav").string()});
    const auto point_in = [&](HWND w, int x, int y) {
        POINT p{x, y};
        MapWindowPoints(w, wnd, &p, 1);
        return MAKELPARAM(p.x, p.y);
    };
    RECT row1{};
    ListView_GetItemRect(list, 1, &row1, LVIR_BOUNDS);
    const struct {
        std::string where;
        LPARAM at;
        strings after;
    } rows[] = {
        {"on row 2", point_in(list, 10, row1.top + 2), {"1.wav", "1.wav", "2.wav"}},
        {"below the rows", point_in(list, 10, 180), {"1.wav", "1.wav", "2.wav", "1.wav"}},
        {"on the panel itself", point_in(tree(), 5, 5), {"1.wav", "1.wav", "2.wav", "1.wav"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.where);
        NMTREEVIEWW drag{};
        drag.hdr = {tree(), 103, TVN_BEGINDRAGW};
        drag.itemNew.hItem = find("Moon Safari");
        SendMessageW(wnd, WM_NOTIFY, 103, reinterpret_cast<LPARAM>(&drag));
        EXPECT_EQ(GetCapture(), wnd);
        SendMessageW(wnd, WM_LBUTTONUP, 0, row.at);
        EXPECT_EQ(GetCapture(), nullptr);
        strings active;
        metadb_items(lists.get_active_playlist(), active);
        EXPECT_EQ(active, row.after);
    }
    // Escape during a drag ends it: the button's release drops nothing.
    NMTREEVIEWW drag{};
    drag.hdr = {tree(), 103, TVN_BEGINDRAGW};
    drag.itemNew.hItem = find("Moon Safari");
    SendMessageW(wnd, WM_NOTIFY, 103, reinterpret_cast<LPARAM>(&drag));
    NMTVKEYDOWN escape{{tree(), 103, static_cast<UINT>(TVN_KEYDOWN)}, VK_ESCAPE, 0};
    SendMessageW(wnd, WM_NOTIFY, 103, reinterpret_cast<LPARAM>(&escape));
    EXPECT_EQ(GetCapture(), nullptr);
    SendMessageW(wnd, WM_LBUTTONUP, 0, rows[0].at);
    strings active;
    metadb_items(lists.get_active_playlist(), active);
    EXPECT_EQ(active, rows[2].after);
    list_panel->destroy_window();
}

TEST_F(AlbumList, SettingsKeepTheViewAndExpandedNodesAndARescanIsFollowed) {
    choose(101, 2);
    TreeView_Expand(tree(), find("Pop"), TVE_EXPAND);
    cor::string_out settings;
    panel->get_config(settings);
    panel->destroy_window();
    panel = make(settings.text);
    wnd = static_cast<HWND>(panel->create_or_transfer_window(parent, nullptr, 0, 0, 400, 300));
    EXPECT_EQ(shown(), (strings{"+All music", "  Electronic", "    Air", "      Moon Safari",
                                "  +Pop", "    Björk", "      Post"}));
    // Damaged bytes change nothing; the first version's (no views of its
    // own) are read with the default views.
    const auto u32 = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    const struct {
        std::string bytes;
        bool taken;
    } rows[] = {
        {settings.text.substr(0, 4) + u32(9) + settings.text.substr(8), false},   // no such view
        {settings.text.substr(0, 8) + u32(0) + settings.text.substr(12), false},  // no views
        {settings.text.substr(0, 8) + u32(0x7fffffff) + settings.text.substr(12), false},
        {settings.text.substr(0, settings.text.size() - 1), false},
        {u32(1) + u32(3) + u32(0), true},
    };
    for (const auto& row : rows) {
        panel->set_config(row.bytes.data(), row.bytes.size());
        cor::string_out again;
        panel->get_config(again);
        EXPECT_EQ(again.text != settings.text, row.taken);
        EXPECT_EQ(cor_test::entries(wnd, 101, true).size(), 5u);
    }
    EXPECT_EQ(shown(), (strings{"+All music", "  1995", "    Post", "  1998", "    Moon Safari"}));
    panel->set_config(settings.text.data(), settings.text.size());

    // A file added, one changed, one removed: the tree follows the scan.
    add("Air/Talkie Walkie/1.wav", "Cherry Blossom Girl", "Air", "Talkie Walkie", "Pop", "2004");
    add("Björk/Post/2.wav", "Hyperballad", "Björk", "Telegram", "Pop", "1996");
    std::filesystem::remove(music.dir() / "Björk/Post/1.wav");
    // The scan runs off the main thread; the player's tick takes it in.
    host.player().scan_library();
    EXPECT_TRUE(host.player().library_status().scanning);
    while (host.player().library_status().scanning) {
        Sleep(1);
        host.player().tick();
    }
    EXPECT_EQ(shown(),
              (strings{"+All music", "  Electronic", "    Air", "      Moon Safari", "  +Pop",
                       "    Air", "      Talkie Walkie", "    Björk", "      Telegram"}));

    // With no folders the library is empty, and the tree says where to add some.
    host.player().set_library_folders({});
    host.player().scan_library();
    EXPECT_EQ(
        shown(),
        strings{"No library folders: add them in File > Preferences > Playlists and library"});
}

}  // namespace
