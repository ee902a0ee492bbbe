// Panels in script windows: the seven panel functions, closing through the
// panel data file, windows that close their panels, the stored records,
// windows made around a panel type, and the easy-embed tool.
#include <windows.h>

#include <commctrl.h>

#include <tuple>

#include "host/display_scale.h"
#include "host/gdi_handles.h"
#include "panel/panel_file.h"
#include "panel/panel_host.h"
#include "panels/host_panel.h"
#include "panels/panel_types.h"
#include "window/window_test_util.h"

namespace {

using namespace window_test;

class PanelTest : public WindowTest {
protected:
    void SetUp() override {
        host.start_ui();
        define("a");
        define("b");
        host.eval("$window(a)$window(b)");
        host.take_lines();
    }

    size_t add_panel(const cor::guid& type, const std::string& id) {
        return vesk::add_panel_definition(type, id, id + " / test");
    }
    vesk::t_ext_param& record(const std::string& id) {
        return vesk::cfg_panel_ext_list[vesk::panel_by_id(id)];
    }
    HWND list_view(const std::string& id) {
        return FindWindowExW(record(id).wnd, nullptr, WC_LISTVIEWW, nullptr);
    }
    // Where a panel's window is: its parent's id and its place there,
    // "hidden" when it does not show.
    std::string where(const std::string& id) {
        const HWND w = record(id).wnd, p = GetParent(w);
        return (p == handle_of("a") ? "a " : "b ") + place(w, p) +
               (IsWindowVisible(w) ? "" : " hidden");
    }
};

// One panel window throughout, whichever script window shows it.
TEST_F(PanelTest, APanelIsPlacedMovedHiddenAndQueried) {
    add_panel(cor::panels::playlist_view_guid, "list");
    const struct {
        std::string script, output, where;
    } steps[] = {
        {"$ispanelvisible(list)|$if($panel(a,list,10,20,200,100),ok)|$ispanelvisible(list)",
         "0|ok|1", "a 10,20 200x100"},
        {"$if($panel(b,list,5,6,70,80),ok)", "ok", "b 5,6 70x80"},
        // Only the given, non-empty values change; the base point moves x and
        // y; the last of the four values is the height.
        {"$if($movepanel(list,,,300),ok)$base(100,100)$movepanel(list,-1)", "ok", "b 99,6 300x80"},
        {"$if($movepanel(list,,,,90),ok)", "ok", "b 99,6 300x90"},
        {"$if($updatepanel(list,level:5),ok)$showpanel(list,0)$ispanelvisible(list)", "ok0",
         "b 99,6 300x90 hidden"},
        {"$showpanel(list,1)$ispanelvisible(list)", "1", "b 99,6 300x90"},
        // "hide" places it hidden; "mempos:" sets the map rectangle.
        {"$panel(a,list,1,2,3,4,hide,mempos:1)$ispanelvisible(list)|%_mp_left%,%_mp_top%,"
         "%_mp_right%,%_mp_bottom%",
         "0|1,2,4,6", "a 1,2 3x4 hidden"},
    };
    HWND wnd = nullptr;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.script);
        EXPECT_EQ(run(step.script), lines{step.output});
        ASSERT_TRUE(IsWindow(record("list").wnd));
        EXPECT_EQ(where("list"), step.where);
        if (!wnd) wnd = record("list").wnd;
        EXPECT_EQ(record("list").wnd, wnd);
    }
}

// Mistakes give their messages, unusable panels fail silently:
// panel/data/panel_messages.tsv.
TEST_F(PanelTest, MistakesGiveTheirMessagesAndUnusablePanelsFailSilently) {
    add_panel(cor::panels::console_guid, "con");
    const size_t gone = add_panel(cor::panels::console_guid, "gone");
    vesk::cfg_panel_ext_list[gone].instance.reset();
    vesk::cfg_panel_ext_list[gone].unavailable = true;
    vesk::set_error_level(vesk::err_high);
    host.expect_table("panel/data/panel_messages.tsv");
}

// Closing keeps the settings (here the user's column width) for the next
// show, through a fresh panel object; so does the close of the window.
TEST_F(PanelTest, ClosedPanelsComeBackAsTheyWere) {
    // The profile folder, where closing keeps the panel data file a moment.
    CreateDirectoryW(L"C:\\profile", nullptr);
    add_panel(cor::panels::playlist_view_guid, "list");
    host.eval("$panel(a,list,0,0,400,300)");
    ASSERT_NE(list_view("list"), nullptr);
    ListView_SetColumnWidth(list_view("list"), 2, 177);
    // Held, so a new object cannot take the old one's address.
    const auto first = record("list").instance;
    HWND first_wnd = record("list").wnd;

    EXPECT_EQ(run("$if($closepanel(list),ok)$ispanelvisible(list)"), lines{"ok0"});
    EXPECT_FALSE(IsWindow(first_wnd));
    EXPECT_NE(record("list").instance.get(), first.get());
    host.eval("$panel(b,list,0,0,400,300)");
    EXPECT_EQ(ListView_GetColumnWidth(list_view("list"), 2), 177);
    ListView_SetColumnWidth(list_view("list"), 3, 66);
    HWND second_wnd = record("list").wnd;
    host.eval("$closewindow(b)");
    host.pump();
    EXPECT_FALSE(IsWindow(second_wnd));
    EXPECT_EQ(record("list").wnd, nullptr);
    host.eval("$panel(a,list,0,0,400,300)");
    EXPECT_EQ(ListView_GetColumnWidth(list_view("list"), 2), 177);
    EXPECT_EQ(ListView_GetColumnWidth(list_view("list"), 3), 66);

    // No temporary panel data file is left in the profile folder.
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(L"C:\\profile\\*-*-*-*-*", &found);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
}

TEST_F(PanelTest, ClearPanelDestroysEveryPanelWindowOfTheWindowAndKeepsTheObjects) {
    add_panel(cor::panels::album_art_guid, "art");
    add_panel(cor::panels::peak_meter_guid, "meter");
    add_panel(cor::panels::console_guid, "con");
    host.eval("$panel(a,art,0,0,50,50)$panel(a,meter,60,0,50,50)$panel(b,con,0,0,50,50)");
    const HWND art = record("art").wnd, meter = record("meter").wnd;
    const auto* art_object = record("art").instance.get();
    EXPECT_EQ(
        run("$if($clearpanel(a),ok)$ispanelvisible(art)$ispanelvisible(meter)$ispanelvisible(con)"),
        lines{"ok001"});
    EXPECT_FALSE(IsWindow(art) || IsWindow(meter));
    EXPECT_EQ(record("art").instance.get(), art_object);
    EXPECT_EQ(run("$if($panel(b,art,0,0,50,50),ok)$ispanelvisible(art)"), lines{"ok1"});
}

// A stored record of a type the Host does not offer is kept with its bytes
// (end to end too, with its messages); damaged bytes keep the records read
// before the damage.
TEST_F(PanelTest, StoredRecordsKeepUnknownTypesAndPanelDataFilesReadBack) {
    const cor::guid unknown{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    const std::string meter = pack({1, 0x0000FF, 0x222222});
    std::string raw = pack({2});
    cor::raw_put_guid(raw, unknown);
    cor::raw_put_text(raw, "opaque bytes");
    cor::raw_put_guid(raw, cor::panels::peak_meter_guid);
    cor::raw_put_text(raw, meter);
    vesk::cfg_panel_guid_list.add(cor::guid{1, 0, 0, {}});
    vesk::cfg_panel_guid_list.add(cor::guid{2, 0, 0, {}});
    ASSERT_TRUE(vesk::cfg_panel_ext_list.set_raw(raw));
    vesk::repair_panel_lists();
    vesk::cfg_panel_id_list[1] = "meter";
    cor::string_out settings;
    record("meter").instance->get_config(settings);
    EXPECT_EQ(settings.text, meter);
    EXPECT_EQ(vesk::cfg_panel_ext_list.get_raw(), raw);
    EXPECT_FALSE(vesk::cfg_panel_ext_list.set_raw(raw.substr(0, raw.size() - 1)));
    EXPECT_EQ(vesk::cfg_panel_ext_list.size(), 1u);

    // The panel data file that closing keeps reads back whole; cut or padded,
    // it is refused.
    const vesk::t_panel_data data{"Peak Meter", cor::panels::peak_meter_guid, pack({1, 2, 3})};
    const std::string bytes = vesk::encode_panel_data(data);
    const auto back = vesk::decode_panel_data(bytes);
    ASSERT_TRUE(back);
    EXPECT_TRUE(std::tie(back->name, back->type, back->settings) ==
                std::tie(data.name, data.type, data.settings));
    for (size_t cut : {size_t{0}, size_t{3}, bytes.size() - 1})
        EXPECT_FALSE(vesk::decode_panel_data(bytes.substr(0, cut)));
    EXPECT_FALSE(vesk::decode_panel_data(bytes + "x"));
}

TEST_F(PanelTest, WindowsMadeAroundAPanelTypeGetUniqueIds) {
    define("Album_List");
    ASSERT_TRUE(vesk::make_window_around_panel(cor::panels::playlist_view_guid, "Album List",
                                               "Playlist views"));
    ASSERT_TRUE(vesk::make_window_around_panel(cor::panels::playlist_view_guid, "Album List",
                                               "Playlist views"));
    EXPECT_EQ(vesk::cfg_panel_id_list.get(),
              (std::vector<std::string>{"Album_List", "Album_List1"}));
    const auto& ids = vesk::cfg_window_id_list.get();
    EXPECT_EQ(std::vector<std::string>(ids.end() - 2, ids.end()),
              (std::vector<std::string>{"Album_List1", "Album_List2"}));
    // Each new window is open, shows its panel inside the 10-pixel margin
    // and keeps it there when resized.
    HWND wnd = handle_of("Album_List2");
    ASSERT_NE(wnd, nullptr);
    EXPECT_EQ(host.eval("$ispanelvisible(Album_List1)"), "1");
    EXPECT_EQ(GetParent(record("Album_List1").wnd), wnd);
    SetWindowPos(wnd, nullptr, 0, 0, 400, 300, SWP_NOZORDER | SWP_NOMOVE);
    RECT client, panel;
    GetClientRect(wnd, &client);
    GetWindowRect(record("Album_List1").wnd, &panel);
    EXPECT_EQ(panel.right - panel.left, client.right - 20);
}

TEST_F(PanelTest, TheEmbedToolCancelsOnARightClickAndAppendsOneLineOnADoubleClick) {
    add_panel(cor::panels::album_art_guid, "art");
    const HWND a = handle_of("a");
    const size_t def = vesk::definition_by_id("a");
    const auto load = [&] { return std::string(vesk::cfg_window_tf_load_list[def]); };
    const std::string before = load();
    POINT at{30, 40};
    ClientToScreen(a, &at);
    // The tool's place in the target as "x,y,width,height", in skin pixels
    // at `scale` times.
    const auto placed = [&](HWND tool, int scale) {
        RECT r{};
        GetWindowRect(tool, &r);
        MapWindowPoints(nullptr, a, reinterpret_cast<POINT*>(&r), 2);
        return std::to_string(r.left / scale) + "," + std::to_string(r.top / scale) + "," +
               std::to_string((r.right - r.left) / scale) + "," +
               std::to_string((r.bottom - r.top) / scale);
    };

    HWND tool = vesk::start_embed_tool(a, 1, "art", at);
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(vesk::start_embed_tool(a, 1, "art", at), nullptr);  // one visible tool per window
    SendMessageW(tool, WM_RBUTTONUP, 0, 0);
    EXPECT_FALSE(IsWindow(tool));
    EXPECT_EQ(load(), before);
    EXPECT_EQ(host.eval("$ispanelvisible(art)"), "0");

    tool = vesk::start_embed_tool(a, 1, "art", at);
    ASSERT_NE(tool, nullptr);
    const std::string art_line = "\r\n$panel(%_id%,'art'," + placed(tool, 1) + ")";
    SendMessageW(tool, WM_LBUTTONDBLCLK, 0, MAKELPARAM(50, 50));
    EXPECT_FALSE(IsWindow(tool));
    EXPECT_EQ(load(), before + art_line);
    EXPECT_EQ(host.eval("$ispanelvisible(art)"), "1");
    EXPECT_EQ(GetParent(record("art").wnd), a);

    // A window placed by the tool opens embedded in the target.
    define("c");
    tool = vesk::start_embed_tool(a, 0, "c", at);
    SendMessageW(tool, WM_LBUTTONDBLCLK, 0, 0);
    ASSERT_NE(handle_of("c"), nullptr);
    EXPECT_EQ(GetParent(handle_of("c")), a);
    EXPECT_NE(load().find("$window('c',"), std::string::npos);

    // In a window shown at 200 %, the tool tells and writes skin pixels.
    vesk::set_dpi_override(192);
    RECT ar{};
    GetWindowRect(a, &ar);
    ar.right = ar.left + 2 * (ar.right - ar.left);
    ar.bottom = ar.top + 2 * (ar.bottom - ar.top);
    SendMessageW(a, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&ar));
    define("d");
    tool = vesk::start_embed_tool(a, 0, "d", at);
    ASSERT_NE(tool, nullptr);
    const std::string d_line = "$window('d'," + placed(tool, 2) + ",";
    SendMessageW(tool, WM_LBUTTONDBLCLK, 0, 0);
    vesk::set_dpi_override(0);
    EXPECT_NE(load().find(d_line), std::string::npos) << load() << " has no " << d_line;
}

BOOL CALLBACK count_window(HWND wnd, LPARAM count) {
    ++*reinterpret_cast<long*>(count);
    EnumChildWindows(wnd, count_window, count);
    return TRUE;
}

long thread_window_count() {
    long count = 0;
    EnumThreadWindows(GetCurrentThreadId(), count_window, reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST_F(PanelTest, AThousandShowAndCloseCyclesLeakNoWindowsOrHandles) {
    add_panel(cor::panels::playlist_view_guid, "list");
    add_panel(cor::panels::album_art_guid, "art");
    add_panel(cor::panels::peak_meter_guid, "meter");
    host.eval("$panel(a,list,0,0,100,100)$closepanel(list)");
    host.pump();
    const long windows = thread_window_count(), handles = vesk::handle_count::live();
    // Under Wine a shown list view costs a fifth of a second to make and
    // close, so it takes part in one cycle of ten; the other panels in all.
    for (int i = 0; i < 1000; ++i) {
        if (i % 10 == 0) host.eval("$panel(a,list,0,0,100,100)$closepanel(list)");
        host.eval(
            "$panel(b,art,0,0,50,20)$panel(a,art,0,0,60,20)$panel(a,meter,0,30,60,20)"
            "$closepanel(art)$clearpanel(a)");
        if (i % 100 == 0) host.pump(1);
    }
    host.pump();
    EXPECT_EQ(thread_window_count(), windows);
    EXPECT_EQ(vesk::handle_count::live(), handles);
    EXPECT_EQ(cor::panels::host_panel::live_windows(), 0);
}

}  // namespace
