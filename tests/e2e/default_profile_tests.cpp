// The default profile end to end: corvina500.exe on a copy of the committed
// profile with four tracks, used as a person would, with mouse messages on
// its own buttons and maps, and checked as a person sees it: button captions
// while it runs, then its console and the screenshot it saves at exit.
#include <windows.h>

#include <commctrl.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/process.h"
#include "e2e/wav_file.h"
#include "support/gdiplus_jpeg.h"
#include "support/test_folder.h"

namespace {

using namespace std::chrono_literals;
using steady = std::chrono::steady_clock;

constexpr double track_seconds = 30;
// Colours of the skin (the custom scripts' c_text, c_accent and c_bg).
constexpr COLORREF text_colour = RGB(236, 239, 244);
constexpr COLORREF accent_colour = RGB(88, 180, 255);
constexpr COLORREF window_colour = RGB(17, 19, 24);

// The skin's geometry as its scripts computed it: macros of the custom
// scripts and the $hash keys that ui_build fills.
struct t_layout {
    int m, seek_x, seek_w, seek_y, rows_y, row_h, width, height;
};
constexpr const wchar_t* layout_query =
    L"#m#,%ui_seek_x%,%ui_seek_w%,#seek_y#,%ui_rows_y%,#row_h#,$w(main,_cwidth),$w(main,_cheight)";
bool parse_layout(const std::string& text, t_layout& l) {
    return std::sscanf(text.c_str(), "%d,%d,%d,%d,%d,%d,%d,%d", &l.m, &l.seek_x, &l.seek_w,
                       &l.seek_y, &l.rows_y, &l.row_h, &l.width, &l.height) == 8 &&
           l.seek_w > 0 && l.row_h > 0 && l.width > 0;
}

// The visible button of the player's window with that caption.
HWND button(DWORD pid, HWND main, const std::wstring& caption, DWORD wait_ms = 15000) {
    return cor_test::wait_for_window(
        pid, main,
        [&](HWND w) {
            wchar_t text[128] = {};
            GetWindowTextW(w, text, 128);
            return caption == text && IsWindowVisible(w);
        },
        wait_ms);
}

// Entering a mouse map, pressing, releasing and leaving. The entry and the
// press are sent back to back: a map takes a press only while it is the
// one under the mouse, and other programs' windows coming and going on the
// shared display make mouse moves of their own. The press also starts a
// window drag (the player posts it); the release ends that drag without
// moving the window.
void click_map(HWND window, int x, int y) {
    const LPARAM at = MAKELPARAM(x, y);
    SendMessageW(window, WM_MOUSEMOVE, 0, at);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    std::this_thread::sleep_for(150ms);
    PostMessageW(window, WM_LBUTTONUP, 0, at);
    std::this_thread::sleep_for(60ms);
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
}

bool close_to(COLORREF a, COLORREF b, int tolerance = 24) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// The pixels of a PNG file.
struct picture {
    explicit picture(const std::wstring& path) : bitmap(path.c_str()) {}
    bool loaded() { return bitmap.GetLastStatus() == Gdiplus::Ok; }
    int width() { return int(bitmap.GetWidth()); }
    int height() { return int(bitmap.GetHeight()); }
    COLORREF at(int x, int y) {
        Gdiplus::Color c;
        bitmap.GetPixel(x, y, &c);
        return RGB(c.GetR(), c.GetG(), c.GetB());
    }
    int count(RECT r, COLORREF colour, int tolerance = 24) {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += close_to(at(x, y), colour, tolerance);
        return n;
    }
    cor_test::gdiplus_session gdiplus;  // made before the bitmap, ended after it
    Gdiplus::Bitmap bitmap;
};

// Script messages are "$function: what went wrong"; the profile raises the
// error level to high, so every such mistake of its scripts shows.
std::vector<std::string> error_lines(const std::string& console) {
    std::vector<std::string> out;
    std::stringstream in(console);
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && (line[0] == '$' || line.find("ERROR") != std::string::npos))
            out.push_back(line);
    return out;
}

// Played, seeked and paused through its own controls, then made
// narrower and taller: what the screenshot taken at exit shows, laid out as
// the next start lays the window out at the size it was left.
TEST(DefaultProfile, PlaysThroughItsOwnControlsDrawsItsRowsAndReopensAsLeft) {
    const cor_test::test_folder profile_folder, music_folder;
    const std::wstring profile = profile_folder.dir().wstring(),
                       music = music_folder.dir().wstring();
    // The store and the buttons' pictures, as the run command copies them.
    const std::wstring from = cor_test::checkout_path(L"profiles\\default");
    ASSERT_TRUE(CreateDirectoryW((profile + L"\\images").c_str(), nullptr));
    for (const wchar_t* file :
         {L"corvina500.cfgstore", L"images\\button_over.png", L"images\\button_push.png"})
        ASSERT_TRUE(
            CopyFileW((from + L"\\" + file).c_str(), (profile + L"\\" + file).c_str(), FALSE))
            << "not in the committed profile: " << std::string(from.begin(), from.end());
    // Title and artist of each track: longer than their column, in Japanese
    // and in Korean, and of unassigned code points, which every font draws
    // as its box glyph.
    std::string unassigned;
    for (int i = 0; i < 24; ++i) unassigned += "\xCD\xB8";  // U+0378
    const std::pair<std::string, std::string> tracks[] = {
        {"A Very Long Title That Goes On And On Well Past The End Of Its Column",
         "An Artist Whose Name Is Far Too Long For The Artist Column"},
        {"\u591c\u660e\u3051\u306e\u6771\u4eac\u30bf\u30ef\u30fc\u3068\u9759\u304b\u306a\u96e8"
         "\u306e\u6b4c\u3068\u9577\u3044\u984c\u540d",
         "\u5c71\u7530\u592a\u90ce"},
        {"\ubc24\ud558\ub298\uc758 \ubcc4\uc744 \ub178\ub798\ud558\ub294 \uc544\uc774\ub4e4"
         "\uacfc \uce5c\uad6c",
         "\uc544\uc774\uc720"},
        {unassigned, "Test Band"},
    };
    const int rows = int(std::size(tracks));
    for (int i = 0; i < rows; ++i) {
        cor_test::t_wav_format f{11025, 1, 8, track_seconds, {}};
        f.tags = {{"INAM", tracks[i].first},
                  {"IART", tracks[i].second},
                  {"IPRD", "Test Album"},
                  {"ITRK", std::to_string(i + 1)}};
        ASSERT_TRUE(cor_test::write_bytes(music + L"\\0" + std::to_wstring(i + 1) + L".wav",
                                          cor_test::make_wav(f)));
    }
    // A first run adds the music (kept in the profile's playlists) and its
    // folder to the library (so the library pane shows), and reads the
    // layout the skin computed for its window.
    const auto first = cor_test::run_player(
        {L"--profile", profile, L"--add", music, L"--library-add", music, L"--eval", layout_query});
    ASSERT_EQ(first.exit_code, 0) << first.err;
    t_layout layout{};
    ASSERT_TRUE(parse_layout(first.out, layout)) << first.out;

    double played = 0;
    std::vector<RECT> buttons;
    const auto use = [&](DWORD pid, HWND main) {
        const auto& l = layout;
        // Keeps the window clear of other suites' windows on the shared
        // display, so the mouse maps' own hit test finds it under the pointer.
        SetWindowPos(main, HWND_TOPMOST, 700, 480, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        std::this_thread::sleep_for(300ms);
        ASSERT_NE(button(pid, main, L"Play"), nullptr) << "the buttons row is missing";

        // The library pane shows the Album List, with the library's tree;
        // the Library button hides it, and the playlist takes the whole width.
        const auto pane = [&](DWORD wait_ms) {
            return cor_test::wait_for_window(
                pid, main,
                [](HWND w) {
                    return cor_test::class_is(w, L"corvina500_panel") && IsWindowVisible(w);
                },
                wait_ms);
        };
        HWND shown = pane(15000);
        ASSERT_NE(shown, nullptr) << "no library pane";
        EXPECT_NE(FindWindowExW(shown, nullptr, WC_TREEVIEWW, nullptr), nullptr);
        HWND library = button(pid, main, L"Library");
        ASSERT_NE(library, nullptr);
        SendMessageW(library, BM_CLICK, 0, 0);
        EXPECT_FALSE(IsWindowVisible(shown)) << "the Library button left the pane";

        // The first playlist row plays its track; the play button turns into a pause button.
        // A map takes a press only where its window is the one on top, and another suite's
        // window may come over this one on the shared display: raised again for each try.
        HWND pause = nullptr;
        for (int attempt = 0; attempt < 3 && !pause; ++attempt) {
            SetWindowPos(main, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            click_map(main, l.m + 60, l.rows_y + l.row_h / 2);
            pause = button(pid, main, L"Pause", 5000);
        }
        ASSERT_NE(pause, nullptr) << "clicking a playlist row did not start playback";

        // Half way along the seek bar, then two seconds of playing.
        click_map(main, l.seek_x + l.seek_w / 2, l.seek_y + 8);
        const auto seeked = steady::now();
        std::this_thread::sleep_for(2s);
        SendMessageW(pause, BM_CLICK, 0, 0);
        ASSERT_NE(button(pid, main, L"Play"), nullptr) << "the pause button did not pause";
        played = std::chrono::duration<double>(steady::now() - seeked).count();

        // Then the window resized, narrower so that the titles stay longer
        // than their columns.
        RECT frame{};
        GetWindowRect(main, &frame);
        SetWindowPos(main, nullptr, 60, 40, frame.right - frame.left - 30,
                     frame.bottom - frame.top + 60, SWP_NOZORDER | SWP_NOACTIVATE);
        std::this_thread::sleep_for(1s);
        for (const wchar_t* caption : {L"Prev", L"Play", L"Stop", L"Next", L"Random"}) {
            HWND b = button(pid, main, caption);
            ASSERT_NE(b, nullptr);
            RECT r;
            GetWindowRect(b, &r);
            MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
            buttons.push_back(r);
        }
    };
    // The player, closed with its window's close box once used: it ends
    // cleanly, and its console has no error lines.
    const std::wstring console = profile + L"\\console.txt";
    const auto run = cor_test::run_player(
        {L"--profile", profile, L"--console", console, L"--screenshot", profile + L"\\shot.png",
         L"--exit-after", L"120000"},
        150000, [&](unsigned long pid) {
            HWND main = cor_test::wait_for_window(
                pid, nullptr,
                [](HWND w) {
                    return IsWindowVisible(w) && cor_test::class_is(w, L"cor_ui_vesk_window_class");
                },
                30000);
            ASSERT_NE(main, nullptr);
            use(pid, main);
            PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
    EXPECT_EQ(run.exit_code, 0) << run.err;
    const std::string lines = cor_test::read_bytes(console);
    EXPECT_EQ(error_lines(lines), std::vector<std::string>{}) << lines;

    // The next start opens the window at its last size, and the layout
    // follows that size.
    const auto r = cor_test::run_player({L"--profile", profile, L"--eval", layout_query});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    t_layout l{};
    ASSERT_TRUE(parse_layout(r.out, l)) << r.out;
    EXPECT_LT(l.width, layout.width);
    EXPECT_GT(l.height, layout.height);
    EXPECT_EQ(l.seek_w, layout.seek_w + (l.width - layout.width));
    picture shot(profile + L"\\shot.png");
    ASSERT_TRUE(shot.loaded());
    ASSERT_EQ(shot.width(), l.width);
    EXPECT_EQ(shot.height(), l.height);

    // The title of the paused track is drawn in the card, in the text colour.
    EXPECT_GT(shot.count({l.m + 16, l.m + 30, l.width / 2, l.m + 56}, text_colour), 40);
    // The playing row (the first) carries the accent mark at its left edge.
    EXPECT_TRUE(close_to(shot.at(l.m + 1, l.rows_y + l.row_h / 2), accent_colour));
    // The seek bar's knob stands past the middle, where the click put it,
    // by about the time played since: the bar advanced with playback, and
    // the resize laid it out again.
    double knob = 0;
    int knob_pixels = 0;
    for (int x = l.seek_x - 8; x < l.seek_x + l.seek_w + 8; ++x)
        if (close_to(shot.at(x, l.seek_y + 8), text_colour)) knob += x, ++knob_pixels;
    ASSERT_GT(knob_pixels, 0) << "no seek knob on the bar";
    const double at = (knob / knob_pixels - l.seek_x) / l.seek_w;
    EXPECT_GT(at, 0.5 + 1.0 / track_seconds) << "played " << played << " s";
    EXPECT_LT(at, 0.5 + (played + 1.5) / track_seconds) << "played " << played << " s";

    // Long titles and artists, cut to their column, leave no piece of a
    // second line under their row. The columns as the skin lays them out
    // (ui_row): title, then artist.
    const int w = l.width - 2 * l.m;
    const int title_x = l.m + 42, title_w = w * 58 / 100 - 42;
    const int artist_x = l.m + w * 58 / 100 + 8, artist_w = w * 42 / 100 - 68;
    // Which pixels of a row's column differ from the row's own background
    // (read between the number and the title, where nothing is drawn), line
    // by line; the focus outline on the band's first and last lines left out.
    const auto ink = [&](int row, int x, int width) {
        const int y = l.rows_y + row * l.row_h;
        const COLORREF background = shot.at(l.m + 37, y + l.row_h / 2);
        std::vector<std::vector<bool>> lines(size_t(l.row_h - 2));
        for (int dy = 0; dy < l.row_h - 2; ++dy)
            for (int dx = 0; dx < width; ++dx)
                lines[dy].push_back(!close_to(shot.at(x + dx, y + 1 + dy), background, 12));
        return lines;
    };
    for (int row = 0; row < rows; ++row) {
        for (const auto& [x, width] :
             {std::pair{title_x, title_w}, std::pair{artist_x, artist_w}}) {
            SCOPED_TRACE("row " + std::to_string(row) + (x == title_x ? " title" : " artist"));
            // One line of text: the lines with ink follow each other without
            // a gap, so no piece of a second line shows under the first.
            const auto lines = ink(row, x, width);
            std::vector<int> inked;
            for (size_t y = 0; y < lines.size(); ++y)
                if (std::count(lines[y].begin(), lines[y].end(), true)) inked.push_back(int(y));
            ASSERT_FALSE(inked.empty());
            EXPECT_LE(inked.back() - inked.front() + 1, int(inked.size()) + 1)
                << "ink from line " << inked.front() << " to " << inked.back() << " of the band";
        }
    }
    // Below the last row's band there is only the window's background.
    const RECT below{l.m, l.rows_y + rows * l.row_h, l.width - l.m, l.rows_y + rows * l.row_h + 12};
    EXPECT_EQ(shot.count(below, window_colour, 12), (below.right - below.left) * 12);

    // Japanese and Korean draw in their own glyphs, through the fonts linked
    // behind the skin's face: their ink is unlike that of as many box glyphs.
    const auto boxes = ink(3, title_x, title_w);
    int box_ink = 0;
    for (const auto& line : boxes) box_ink += int(std::count(line.begin(), line.end(), true));
    ASSERT_GT(box_ink, 100) << "no box glyphs to compare with";
    for (int row : {1, 2}) {
        const auto text = ink(row, title_x, title_w);
        int differ = 0;
        for (size_t y = 0; y < text.size(); ++y)
            for (size_t x = 0; x < text[y].size(); ++x) differ += text[y][x] != boxes[y][x];
        EXPECT_GT(differ, box_ink / 2) << "row " << row << " draws as boxes";
    }

    // The button faces are the skin's flat colour up to their edges, with
    // the caption on them and no grey frame: the two lines inside each edge
    // are the face, the edge itself the face or the window's background
    // (the corners are rounded off).
    const COLORREF face = RGB(40, 45, 57), caption = RGB(226, 230, 238);
    ASSERT_EQ(buttons.size(), 5u);
    for (const RECT& b : buttons) {
        SCOPED_TRACE("button at " + std::to_string(b.left) + "," + std::to_string(b.top));
        int off_face = 0;
        const auto check = [&](int x, int y, bool edge) {
            const COLORREF c = shot.at(x, y);
            off_face += !close_to(c, face, 8) && !(edge && close_to(c, window_colour, 8));
        };
        for (int x = b.left + 7; x < b.right - 7; ++x)
            for (int d = 0; d < 3; ++d)
                check(x, b.top + d, d == 0), check(x, b.bottom - 1 - d, d == 0);
        for (int y = b.top + 7; y < b.bottom - 7; ++y)
            for (int d = 0; d < 3; ++d)
                check(b.left + d, y, d == 0), check(b.right - 1 - d, y, d == 0);
        EXPECT_EQ(off_face, 0);
        EXPECT_GT(shot.count(b, caption), 10) << "no caption";
    }
}

// Every Host command the profile's scripts run by a fixed path ("File/New
// playlist") is one of the player's: a renamed command would leave a
// skin's menu entry doing nothing.
TEST(DefaultProfile, EveryHostCommandItsScriptsRunIsThePlayers) {
    const auto listed = cor_test::run_player({L"--no-component", L"--list-commands"});
    ASSERT_EQ(listed.exit_code, 0) << listed.err;
    std::vector<std::string> paths;
    for (const auto& file : std::filesystem::directory_iterator(
             cor_test::checkout_path(L"profiles\\default\\scripts"))) {
        if (file.path().extension() != ".tf") continue;
        const std::string text = cor_test::read_bytes(file.path()), call = "$mainmenu_execute(";
        for (size_t at = text.find(call); at != std::string::npos; at = text.find(call, at + 1)) {
            const size_t from = at + call.size(), to = text.find(')', from);
            const std::string path = text.substr(from, to - from);
            if (path.find_first_of("$%") == std::string::npos) paths.push_back(path);
        }
    }
    ASSERT_GE(paths.size(), 3u);
    const std::string lines = "\n" + listed.out;
    for (const auto& path : paths)
        EXPECT_NE(lines.find("\n" + path + "\n"), std::string::npos) << path << " in\n" << lines;
}

}  // namespace
