// The Host's panel types through the panel service, as a component sees
// them: listing, creation, settings bytes, windows and settings dialogs;
// and the "Album List" panel: its model over a known library (its views
// and filter, data/library_tree.tsv), and through its window over a small
// library of tagged files: its views (and the user's own) and filter read
// back from the tree, a double click playing a node, the panel's menus, a
// node dragged onto a Playlist View, its settings, and a rescan.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "e2e/wav_file.h"
#include "panels/host_panel.h"
#include "panels/library_tree.h"
#include "panels/panel_types.h"
#include "panels/settings_dialog.h"
#include "support/case_table.h"
#include "support/component_host.h"
#include "support/gdiplus_jpeg.h"
#include "support/pixel_names.h"
#include "support/test_folder.h"
#include "support/thread_windows.h"
#include "support/window_probe.h"
#include "utf8.h"
#include "window/window_test_util.h"

namespace {

using cor::panels::library_tree;
using cor::ui_extension::window;
using strings = std::vector<std::string>;
using window_test::pack;

inline std::string config_of(window& w) {
    cor::string_out out;
    w.get_config(out);
    return out.text;
}

// The Host's services with a plain parent window for panels made through
// the panel service, outside the component.
class HostPanels : public ::testing::Test {
protected:
    cor_test::component_host host;
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600,
                                  400, nullptr, nullptr, nullptr, nullptr);
    ~HostPanels() override { DestroyWindow(parent); }

    // A panel of `type`, with `settings` when given.
    cor::service_ptr_t<window> make(const cor::guid& type, const std::string& settings = {}) {
        window* w = nullptr;
        if (!host.panels().create_by_guid(type, &w)) return {};
        if (!settings.empty()) w->set_config(settings.data(), settings.size());
        return cor::service_ptr_t<window>::adopt(w);
    }
    // Its window in `parent`, at `x`, 0.
    HWND show(window& panel, int width, int height, int x = 0) {
        return static_cast<HWND>(
            panel.create_or_transfer_window(parent, nullptr, x, 0, width, height));
    }
};

// The service makes the five types it lists (their names, categories and
// order are checked end to end) and no other. For each: good settings come
// back byte for byte, with a window and after it is gone; damaged ones
// change nothing.
TEST_F(HostPanels, EachTypeKeepsItsSettingsAndDamagedBytesChangeNothing) {
    const struct {
        cor::guid type;
        std::string good, damaged;
    } cases[] = {
        {cor::panels::playlist_view_guid, pack({1, 30, 111, 122, 133, 44, 4, 3, 2, 1, 0}),
         pack({1, 30, 111, 122, 133, 44, 0, 0, 2, 1, 0})},  // order not a permutation
        {cor::panels::album_art_guid, pack({1, 0x336699, 12}), pack({1, 0x336699})},
        {cor::panels::console_guid, pack({1, 50}), pack({1, 0})},
        {cor::panels::peak_meter_guid, pack({1, 0x00FF00, 0x101010}), pack({2, 1, 1})},
        // The view, the views (name and pattern), then the expanded nodes' paths.
        {cor::panels::album_list_guid,
         pack({2, 1, 2, 1}) + "A" + pack({3}) + "%a%" + pack({1}) + "B" + pack({4}) + "%b%|" +
             pack({1, 3}) + "Pop",
         pack({2, 2, 2, 1}) + "A" + pack({3}) + "%a%" + pack({1}) + "B" + pack({4}) + "%b%|" +
             pack({0})},  // no such view
    };
    ASSERT_EQ(host.panels().get_panel_count(), 5u);
    for (const auto& c : cases) {
        auto panel = make(c.type);
        ASSERT_TRUE(panel);
        const std::string defaults = config_of(*panel);
        panel->set_config(c.damaged.data(), c.damaged.size());
        EXPECT_EQ(config_of(*panel), defaults);
        panel->set_config(c.good.data(), c.good.size());
        HWND wnd = show(*panel, 300, 200);
        ASSERT_NE(wnd, nullptr);
        EXPECT_EQ(config_of(*panel), c.good);
        panel->destroy_window();
        EXPECT_FALSE(IsWindow(wnd));
        panel->set_config(nullptr, 0);  // no bytes: nothing to take
        EXPECT_EQ(config_of(*panel), c.good);
    }
    EXPECT_EQ(cor::panels::host_panel::live_windows(), 0);
    cor::guid id{};
    cor::string_out name, category;
    EXPECT_FALSE(host.panels().get_panel_info(5, id, name, category));
    window* none = nullptr;
    EXPECT_FALSE(host.panels().create_by_guid(cor::guid{1, 2, 3, {4}}, &none));
    EXPECT_EQ(none, nullptr);
}

// The list view shows the active playlist with the columns its settings
// give, and what the user drags is what the settings say afterwards; a
// double click plays a row, marked while it plays.
TEST_F(HostPanels, PlaylistViewShowsTheActivePlaylistAndMarksThePlayingRow) {
    window_test::playlist_of(host, {"One", "Two", "Three"});
    auto panel =
        make(cor::panels::playlist_view_guid, pack({1, 30, 111, 122, 133, 44, 4, 3, 2, 1, 0}));
    HWND wnd = show(*panel, 500, 300);
    HWND list = FindWindowExW(wnd, nullptr, WC_LISTVIEWW, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ListView_GetColumnWidth(list, 2), 122);
    int order[5] = {};
    ASSERT_TRUE(ListView_GetColumnOrderArray(list, 5, order));
    EXPECT_EQ((std::pair{order[0], order[4]}), (std::pair{4, 0}));
    ListView_SetColumnWidth(list, 1, 250);
    EXPECT_EQ(config_of(*panel), pack({1, 30, 250, 122, 133, 44, 4, 3, 2, 1, 0}));
    ASSERT_EQ(ListView_GetItemCount(list), 3);
    const auto row = [&](int i) {
        return cor_test::cell_text(list, i, 0) + "|" + cor_test::cell_text(list, i, 1);
    };
    EXPECT_EQ(row(1), "2|Two");

    // A double click plays the row; the row is marked while it plays.
    NMITEMACTIVATE click{};
    click.hdr = {list, 0, static_cast<UINT>(NM_DBLCLK)};
    click.iItem = 1;
    SendMessageW(wnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    size_t playing_pl = cor::no_index, playing = cor::no_index;
    ASSERT_TRUE(host.player().playback().get_playing_item(&playing_pl, &playing));
    EXPECT_EQ(playing, 1u);
    EXPECT_EQ(row(0) + " " + row(1), "1|One \u25B6 2|Two");
    host.player().playback().stop();
}

// The playing track's cover beside it fills the width inside the margin,
// keeping its 4:1 aspect; without a track the placeholder comes back.
TEST_F(HostPanels, AlbumArtShowsThePlayingTracksCoverScaledToFit) {
    const cor_test::test_folder folder;
    // A silent second, and a cover of one colour beside it.
    cor_test::write_bytes(folder.file("x.wav"), cor_test::make_wav({}));
    const cor_test::gdiplus_session gdiplus;
    Gdiplus::Bitmap cover(4, 1, PixelFormat24bppRGB);
    Gdiplus::Graphics(&cover).Clear(Gdiplus::Color(255, 200, 30, 40));
    const CLSID bmp = cor_test::encoder_for(L"image/bmp");
    ASSERT_EQ(cover.Save(folder.file("cover.bmp").c_str(), &bmp, nullptr), Gdiplus::Ok);
    const size_t pl = host.playlist("A", {host.track(folder.path("x.wav"), "x", 100)});

    auto panel = make(cor::panels::album_art_guid, pack({1, 0x000000, 10}));  // black, margin 10
    HWND wnd = show(*panel, 200, 200);
    ShowWindow(wnd, SW_SHOW);
    EXPECT_FALSE(cor::panels::album_art_has_cover(panel.get()));
    host.player().playback().play_item(pl, 0);
    EXPECT_TRUE(cor::panels::album_art_has_cover(panel.get()));
    // Painted into a bitmap: the 180 by 45 band across the middle is the
    // cover, black above it and in the margin.
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const auto shot =
        cor_test::pixels_of(200, 200, [&](HDC dc) { PrintWindow(wnd, dc, PW_CLIENTONLY); });
    EXPECT_EQ(cor_test::colours_at("100,100 100,60 7,100",
                                   [&](int x, int y) { return shot[size_t(y) * 200 + x]; }),
              "#C81E28 black black");
    host.player().playback().stop();
    EXPECT_FALSE(cor::panels::album_art_has_cover(panel.get()));
}

// The settings dialog shows each value (colours as RRGGBB), and OK hands
// the typed values to the panel: text that is no value, or values the
// panel refuses, keep the dialog open with the reason and change nothing.
TEST_F(HostPanels, SettingsDialogEditsTheValuesThePanelTakes) {
    const std::string art = pack({1, 0x336699, 12}), meter = pack({1, 0x00FF00, 0x101010});
    const struct {
        cor::guid type;
        std::string start, shown, typed, error, after;  // values joined by "|"; no error: taken
    } cases[] = {
        {cor::panels::album_art_guid, art, "996633|12", "0A0B0C|7", "", pack({1, 0x0C0B0A, 7})},
        {cor::panels::album_art_guid, art, "996633|12", "0A0B0C|5000",
         "The panel does not take these values.", art},
        {cor::panels::peak_meter_guid, meter, "00FF00|101010", "00FF0|101010",
         "Bar colour: six hex digits, RRGGBB", meter},
    };
    for (const auto& c : cases) {
        auto panel = make(c.type, c.start);
        ASSERT_TRUE(panel->have_config_popup());
        std::string shown, error;
        bool still_open = false;
        cor_test::when_thread_window(L"#32770", [&](HWND dlg) {
            std::string typed = c.typed + "|";
            for (int id = cor::panels::settings_first_edit; !typed.empty(); ++id) {
                shown += (shown.empty() ? "" : "|") + cor_test::text_of(dlg, id);
                SetDlgItemTextW(dlg, id, cor::to_wide(typed.substr(0, typed.find('|'))).c_str());
                typed.erase(0, typed.find('|') + 1);
            }
            SendMessageW(dlg, WM_COMMAND, IDOK, 0);
            still_open = IsWindow(dlg) && IsWindowEnabled(GetDlgItem(dlg, IDOK));
            error = cor_test::text_of(dlg, cor::panels::settings_error_text);
            if (!c.error.empty()) SendMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(panel->show_config_popup(parent), c.error.empty());
        EXPECT_EQ(shown, c.shown);
        EXPECT_TRUE(still_open || c.error.empty());
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(config_of(*panel), c.after);
    }
}

// The Album List's model over a small known library.
const std::vector<library_tree::t_item>& library() {
    static const auto items = [] {
        const char* const tags[] = {"title", "artist", "album", "album artist", "genre", "date"};
        const char* const rows[][7] = {
            {"C:\\m\\Björk\\Post\\1.mp3", "Army of Me", "Björk", "Post", "", "Pop", "1995"},
            {"C:\\m\\Björk\\Post\\2.mp3", "Hyperballad", "Björk", "Post", "", "Pop", "1995"},
            {"C:\\m\\Various\\Mix\\1.mp3", "Café Song", "ABBA", "Mix", "Various", "Pop", "2001"},
            {"C:\\m\\Various\\Mix\\2.mp3", "Intro", "air", "Mix", "Various", "Electronic", "2001"},
            {"C:\\m\\loose.mp3", "Loose", "", "", "", "", ""},
        };
        std::vector<library_tree::t_item> out;
        for (const auto& row : rows) {
            auto t = std::make_shared<cor::t_track_info>();
            t->path = row[0];
            for (size_t i = 0; i < 6; ++i)
                if (*row[i + 1]) t->add_meta(tags[i], row[i + 1]);
            out.push_back(std::move(t));
        }
        return out;
    }();
    return items;
}

// The tree as indented labels with each node's track count, one a line.
std::string shown(const library_tree& tree, size_t node = 0, int depth = 0) {
    const auto& n = tree.nodes()[node];
    std::string out = std::string(size_t(depth) * 2, ' ') + n.label + " (" +
                      std::to_string(n.tracks.size()) + ")";
    for (size_t child : n.children) out += "\n" + shown(tree, child, depth + 1);
    return out;
}

// The views and filters of panel/data/library_tree.tsv.
TEST(LibraryTree, ViewsAndTheFilterGroupTheLibrary) {
    const auto& views = cor::panels::default_library_views();
    ASSERT_EQ(views.size(), 5u);
    library_tree tree;
    for (const auto& row : cor_test::read_case_table("panel/data/library_tree.tsv", 4)) {
        const std::string& view = row.fields[0];
        const bool index = view.size() == 1 && view[0] >= '0' && view[0] <= '4';
        tree.build(library(), index ? views[size_t(view[0] - '0')].pattern : view, row.fields[1]);
        std::string tracks;
        for (size_t t : tree.nodes()[0].tracks)
            tracks += (tracks.empty() ? "" : " ") + std::to_string(t);
        EXPECT_EQ(tracks, row.fields[2]) << row.where;
        EXPECT_EQ(shown(tree), row.fields[3]) << row.where;
    }
    // A node found again by its path, as the panel keeps expanded nodes.
    tree.build(library(), views[0].pattern, "");
    const size_t post = tree.find("björk|POST");
    ASSERT_NE(post, 0u);
    EXPECT_EQ(tree.path_of(post), "Björk|Post");
    EXPECT_EQ(tree.nodes()[post].tracks, (std::vector<size_t>{0, 1}));
    EXPECT_EQ(tree.find("Björk|Debut"), 0u);
}

class AlbumList : public HostPanels {
protected:
    cor_test::test_folder music;
    cor::service_ptr_t<window> panel;
    HWND wnd = nullptr;

    void SetUp() override {
        add("Björk/Post/1.wav", "Army of Me", "Björk", "Post", "Pop", "1995");
        add("Björk/Post/2.wav", "Hyperballad", "Björk", "Post", "Pop", "1995");
        add("Air/Moon Safari/1.wav", "La Femme d'Argent", "Air", "Moon Safari", "Electronic",
            "1998");
        host.player().set_library_folders({music.dir().string()});
        host.player().scan_library();
        host.player().wait_library_scan();
        panel = make(cor::panels::album_list_guid);
        wnd = show(*panel, 400, 300);
        ASSERT_NE(wnd, nullptr);
    }
    void TearDown() override {
        if (panel) panel->destroy_window();
    }

    void add(const std::string& name, const std::string& title, const std::string& artist,
             const std::string& album, const std::string& genre, const std::string& date) {
        std::filesystem::create_directories((music.dir() / name).parent_path());
        cor_test::t_wav_format f{8000, 1, 8, 0.5, {}};
        f.tags = {
            {"INAM", title}, {"IART", artist}, {"IPRD", album}, {"IGNR", genre}, {"ICRD", date}};
        ASSERT_TRUE(cor_test::write_bytes(music.dir() / name, cor_test::make_wav(f)));
    }
    HWND tree() { return FindWindowExW(wnd, nullptr, WC_TREEVIEWW, nullptr); }
    HTREEITEM find(const std::string& label) { return cor_test::tree_item(tree(), label); }
    // The tree's labels, indented by level, "+" before an expanded node's,
    // joined by "|".
    std::string shown() {
        strings labels;
        std::vector<HTREEITEM> items;
        cor_test::walk_tree(tree(), TreeView_GetRoot(tree()), "", labels, items);
        std::string out;
        for (size_t i = 0; i < labels.size(); ++i) {
            if (TreeView_GetItemState(tree(), items[i], TVIS_EXPANDED) & TVIS_EXPANDED)
                labels[i].insert(labels[i].find_first_not_of(' '), "+");
            out += (i ? "|" : "") + labels[i];
        }
        return out;
    }
    void choose_view(int index) {
        HWND c = GetDlgItem(wnd, 101);
        SendMessageW(c, CB_SETCURSEL, index, 0);
        SendMessageW(wnd, WM_COMMAND, MAKEWPARAM(101, CBN_SELCHANGE), LPARAM(c));
    }
    void filter(const std::string& text) { SetDlgItemTextW(wnd, 102, cor::to_wide(text).c_str()); }
    // The file names in the playlist `name`, or in the active one.
    strings playlist(const std::string& name = {}) {
        auto& lists = host.player().playlists();
        const size_t at = name.empty() ? lists.get_active_playlist()
                                       : lists.find_playlist(name.data(), name.size());
        strings out;
        for (size_t i = 0; at != cor::no_index && i < lists.playlist_get_item_count(at); ++i) {
            cor::metadb_handle* h = nullptr;
            if (!lists.playlist_get_item_handle(at, i, &h)) continue;
            cor::string_out path;
            h->get_path(path);
            out.push_back(path.text.substr(path.text.find_last_of("\\/") + 1));
            h->service_release();
        }
        return out;
    }
};

TEST_F(AlbumList, ViewsAndFilterShowTheLibraryAsATree) {
    const struct {
        int view;
        std::string filter, tree;
    } rows[] = {
        {0, "", "+All music|  Air|    Moon Safari|  Björk|    Post"},
        {2, "", "+All music|  Electronic|    Air|      Moon Safari|  Pop|    Björk|      Post"},
        {0, "femme AIR", "+All music|  Air|    Moon Safari"},
        {0, "nothing here", "All music"},  // (nothing to expand)
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.view) + " " + row.filter);
        choose_view(row.view);
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
        std::string typed, error, tree = {};  // the second view's tree
        strings views = {};
    } rows[] = {
        {"Genre only = %genre%\r\n\r\n  Decade = $div(%date%,10)0s|%album%  ",
         "",
         "+All music|  1990s|    Moon Safari|    Post",
         {"Genre only", "Decade"}},
        {"Genre only = %genre%\r\nno sign here", "Line 2: a view is written Name = pattern."},
        {"Genre = ", "Line 1: a view is written Name = pattern."},
        {" \r\n", "At least one view is needed."},
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
        choose_view(1);
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

// A right click on a node: the panel's entries (which run what its menu
// does, checked above), then the Host's commands for tracks, on that
// node's tracks.
TEST_F(AlbumList, TheContextMenuRunsPanelAndHostCommandsOnTheNodeClicked) {
    const struct {
        std::string entry;
        strings active;  // the active playlist after
        bool playing;
        bool keyboard = false;  // the menu key, on the selected node
    } rows[] = {
        {"Add to current playlist", {"1.wav"}, false},
        {"Play", {"1.wav"}, true},
        {"Add to current playlist", {"1.wav", "1.wav"}, true, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.entry);
        RECT r{};
        TreeView_EnsureVisible(tree(), find("Moon Safari"));
        TreeView_GetItemRect(tree(), find("Moon Safari"), &r, TRUE);
        POINT at{r.left + 2, r.top + 2}, under{r.left, r.bottom};
        ClientToScreen(tree(), &at);
        ClientToScreen(tree(), &under);
        // The click chooses the node; the menu key takes the selected one.
        TreeView_SelectItem(tree(), find(row.keyboard ? "Moon Safari" : "Post"));
        strings texts;
        RECT shown{};
        cor_test::when_thread_window(L"#32768", [&](HWND popup) {
            if (!popup) return (void)EndMenu();
            GetWindowRect(popup, &shown);
            // The keyboard's way to the entry: down to it, then Enter.
            bool found = false;
            for (const auto& item : cor_test::menu_items(
                     reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0)))) {
                texts.push_back(item.separator ? "---" : item.text);
                if (found || item.separator) continue;
                PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
                found = item.text == row.entry;
            }
            PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
        });
        SendMessageW(wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree()),
                     row.keyboard ? MAKELPARAM(-1, -1) : MAKELPARAM(at.x, at.y));
        ASSERT_GE(texts.size(), 6u);
        EXPECT_EQ(strings(texts.begin(), texts.begin() + 6),
                  (strings{"Send to current playlist", "Add to current playlist",
                           "New playlist from selection", "---", "Play", "Add to playback queue"}));
        if (row.keyboard) {  // below the selected node, not at the screen's corner
            EXPECT_NEAR(shown.left, under.x, 2);
            EXPECT_NEAR(shown.top, under.y, 2);
        }
        EXPECT_EQ(playlist(), row.active);
        EXPECT_EQ(host.player().playback().is_playing(), row.playing);
    }
}

// A node dragged onto a Playlist View goes before the row it is dropped
// on, or after the last; dropped anywhere else, or after Escape, it goes
// nowhere.
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
    wnd = show(*panel, 240, 200);
    auto list_panel = make(cor::panels::playlist_view_guid);
    HWND view = show(*list_panel, 200, 200, 240);
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
    const strings four{"1.wav", "1.wav", "2.wav", "1.wav"};
    const struct {
        std::string where;
        LPARAM at;
        strings after;
        bool escape = false;
    } rows[] = {
        {"on row 2", point_in(list, 10, row1.top + 2), {"1.wav", "1.wav", "2.wav"}},
        {"below the rows", point_in(list, 10, 180), four},
        {"on the panel itself", point_in(tree(), 5, 5), four},
        {"on row 2 after Escape", point_in(list, 10, row1.top + 2), four, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.where);
        NMTREEVIEWW drag{};
        drag.hdr = {tree(), 103, TVN_BEGINDRAGW};
        drag.itemNew.hItem = find("Moon Safari");
        SendMessageW(wnd, WM_NOTIFY, 103, reinterpret_cast<LPARAM>(&drag));
        EXPECT_EQ(GetCapture(), wnd);
        NMTVKEYDOWN escape{{tree(), 103, static_cast<UINT>(TVN_KEYDOWN)}, VK_ESCAPE, 0};
        if (row.escape) SendMessageW(wnd, WM_NOTIFY, 103, reinterpret_cast<LPARAM>(&escape));
        EXPECT_EQ(GetCapture(), row.escape ? nullptr : wnd);
        SendMessageW(wnd, WM_LBUTTONUP, 0, row.at);
        EXPECT_EQ(GetCapture(), nullptr);
        EXPECT_EQ(playlist(), row.after);
    }
    list_panel->destroy_window();
}

TEST_F(AlbumList, SettingsKeepTheViewAndExpandedNodesAndARescanIsFollowed) {
    choose_view(2);
    TreeView_Expand(tree(), find("Pop"), TVE_EXPAND);
    const std::string settings = config_of(*panel);
    panel->destroy_window();
    panel = make(cor::panels::album_list_guid, settings);
    wnd = show(*panel, 400, 300);
    EXPECT_EQ(shown(),
              "+All music|  Electronic|    Air|      Moon Safari|  +Pop|    Björk|      Post");
    // Damaged bytes change nothing; the first version's (no views of its
    // own) are read with the default views.
    const auto u32 = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    const struct {
        std::string bytes;
        bool taken;
    } rows[] = {
        {settings.substr(0, 4) + u32(9) + settings.substr(8), false},   // no such view
        {settings.substr(0, 8) + u32(0) + settings.substr(12), false},  // no views
        {settings.substr(0, 8) + u32(0x7fffffff) + settings.substr(12), false},
        {settings.substr(0, settings.size() - 1), false},
        {u32(1) + u32(3) + u32(0), true},
    };
    for (const auto& row : rows) {
        panel->set_config(row.bytes.data(), row.bytes.size());
        EXPECT_EQ(config_of(*panel) != settings, row.taken);
        EXPECT_EQ(cor_test::entries(wnd, 101, true).size(), 5u);
    }
    EXPECT_EQ(shown(), "+All music|  1995|    Post|  1998|    Moon Safari");
    panel->set_config(settings.data(), settings.size());

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
              "+All music|  Electronic|    Air|      Moon Safari|  +Pop|    Air|      Talkie "
              "Walkie|    Björk|      Telegram");

    // With no folders the library is empty, and the tree says where to add some.
    host.player().set_library_folders({});
    host.player().scan_library();
    EXPECT_EQ(shown(),
              "No library folders: add them in File > Preferences > Playlists and library");
}

}  // namespace
