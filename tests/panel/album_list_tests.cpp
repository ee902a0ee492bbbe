// The "Album List" panel through its window, over a small library of
// tagged files: its views and filter read back from the tree, a double
// click playing a node, the panel's menu, its settings, and a rescan.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "corvina500/player/player_core.h"
#include "e2e/wav_file.h"
#include "panels/panel_types.h"
#include "sdk/cfg_var.h"
#include "support/component_host.h"
#include "support/test_folder.h"
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
    service_ptr_t<window> make(const std::string& settings = {}) {
        window* w = nullptr;
        if (!host.panels().create_by_guid(cor::panels::album_list_guid, &w)) return {};
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
}

TEST_F(AlbumList, ADoubleClickPlaysANodeAndTheMenuSendsIt) {
    filter("");
    TreeView_SelectItem(tree(), find("Post"));
    NMHDR click{tree(), 103, NM_DBLCLK};
    SendMessageW(wnd, WM_NOTIFY, 103, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(playlist("Library selection"), (strings{"1.wav", "2.wav"}));
    EXPECT_TRUE(host.player().playback().is_playing());

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
    // Damaged bytes change nothing.
    std::string damaged = settings.text;
    damaged[4] = 9;  // no such view
    panel->set_config(damaged.data(), damaged.size());
    cor::string_out again;
    panel->get_config(again);
    EXPECT_EQ(again.text, settings.text);

    // A file added, one changed, one removed: the tree follows the scan.
    add("Air/Talkie Walkie/1.wav", "Cherry Blossom Girl", "Air", "Talkie Walkie", "Pop", "2004");
    add("Björk/Post/2.wav", "Hyperballad", "Björk", "Telegram", "Pop", "1996");
    std::filesystem::remove(music.dir() / "Björk/Post/1.wav");
    host.player().scan_library();
    EXPECT_EQ(shown(),
              (strings{"+All music", "  Electronic", "    Air", "      Moon Safari", "  +Pop",
                       "    Air", "      Talkie Walkie", "    Björk", "      Telegram"}));
}

}  // namespace
