// The default profile end to end: corvina500.exe starts on a copy of the
// committed profile with four tracks, and the test uses it as a person
// would, with mouse messages on its own buttons and mouse maps. What it
// checks is what a person sees: button captions while it runs, then the
// console lines and the screenshot the player saves at exit.
#include <windows.h>

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
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
    int m, seek_x, seek_w, seek_y, rows_y, row_h, vol_x, vol_w, ctl_y, width, height;
};
constexpr const wchar_t* layout_query =
    L"#m#,%ui_seek_x%,%ui_seek_w%,#seek_y#,%ui_rows_y%,#row_h#,%ui_vol_x%,%ui_vol_w%,#ctl_y#,"
    L"$w(main,_cwidth),$w(main,_cheight)";
bool parse_layout(const std::string& text, t_layout& l) {
    std::vector<int> n;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ',');) n.push_back(std::atoi(part.c_str()));
    if (n.size() != 11) return false;
    l = {n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7], n[8], n[9], n[10]};
    return l.seek_w > 0 && l.row_h > 0 && l.width > 0;
}

// The visible button of the player's window with that caption.
HWND button(DWORD pid, HWND main, const std::wstring& caption) {
    return cor_test::wait_for_window(
        pid, main,
        [&](HWND w) {
            wchar_t text[128] = {};
            GetWindowTextW(w, text, 128);
            return caption == text && IsWindowVisible(w);
        },
        15000);
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

void wheel(HWND window, int x, int y, int notches) {
    POINT screen{x, y};
    ClientToScreen(window, &screen);
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    for (int i = 0; i < std::abs(notches); ++i)
        SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, notches < 0 ? -WHEEL_DELTA : WHEEL_DELTA),
                     MAKELPARAM(screen.x, screen.y));
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
}

bool close_to(COLORREF a, COLORREF b, int tolerance = 24) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// The pixels of a PNG file.
class picture {
public:
    explicit picture(const std::wstring& path)
        : bitmap_(std::make_unique<Gdiplus::Bitmap>(path.c_str())) {
        if (bitmap_->GetLastStatus() != Gdiplus::Ok) bitmap_.reset();
    }
    bool loaded() const { return bitmap_ != nullptr; }
    int width() const { return int(bitmap_->GetWidth()); }
    int height() const { return int(bitmap_->GetHeight()); }
    COLORREF at(int x, int y) const {
        Gdiplus::Color c;
        bitmap_->GetPixel(x, y, &c);
        return RGB(c.GetR(), c.GetG(), c.GetB());
    }
    int count(RECT r, COLORREF colour) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += close_to(at(x, y), colour);
        return n;
    }
    // Mean x of the pixels of that colour on row y between x0 and x1; -1 if none.
    double centre_of(int y, int x0, int x1, COLORREF colour) const {
        double sum = 0;
        int n = 0;
        for (int x = x0; x < x1; ++x)
            if (close_to(at(x, y), colour)) sum += x, ++n;
        return n ? sum / n : -1;
    }
    int rightmost(int y, int x0, int x1, COLORREF colour) const {
        for (int x = x1 - 1; x >= x0; --x)
            if (close_to(at(x, y), colour)) return x;
        return -1;
    }

private:
    cor_test::gdiplus_session gdiplus_;  // running while the bitmap lives
    std::unique_ptr<Gdiplus::Bitmap> bitmap_;
};

// Script messages are "$function: what went wrong"; the profile raises the
// error level to high, so every such mistake of its scripts shows.
std::vector<std::string> error_lines(const std::string& console) {
    std::vector<std::string> out;
    std::stringstream in(console);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && (line[0] == '$' || line.find("ERROR") != std::string::npos))
            out.push_back(line);
    }
    return out;
}

class DefaultProfile : public ::testing::Test {
protected:
    void SetUp() override {
        // The store and the buttons' pictures, as the run command copies them.
        const std::wstring from = cor_test::checkout_path(L"profiles\\default");
        ASSERT_TRUE(CreateDirectoryW((profile + L"\\images").c_str(), nullptr));
        for (const wchar_t* file :
             {L"corvina500.cfgstore", L"images\\button_over.png", L"images\\button_push.png"})
            ASSERT_TRUE(
                CopyFileW((from + L"\\" + file).c_str(), (profile + L"\\" + file).c_str(), FALSE))
                << "not in the committed profile: " << std::string(from.begin(), from.end());
        const auto tracks = DefaultProfile::tracks();
        for (size_t i = 0; i < tracks.size(); ++i) {
            cor_test::t_wav_format f{11025, 1, 8, track_seconds, {}};
            f.tags = {{"INAM", tracks[i].first},
                      {"IART", tracks[i].second},
                      {"IPRD", "Test Album"},
                      {"ITRK", std::to_string(i + 1)}};
            ASSERT_TRUE(cor_test::write_bytes(music + L"\\0" + std::to_wstring(i + 1) + L".wav",
                                              cor_test::make_wav(f)));
        }
        // A first run adds the music (kept in the profile's playlists) and
        // reads the layout the skin computed for its window.
        const auto r =
            cor_test::run_player({L"--profile", profile, L"--add", music, L"--eval", layout_query});
        ASSERT_EQ(r.exit_code, 0) << r.err;
        ASSERT_TRUE(parse_layout(r.out, layout)) << r.out;
        EXPECT_EQ(error_lines(r.err), std::vector<std::string>{}) << r.err;
    }
    // Title and artist of each track: longer than their column, in Japanese
    // and in Korean, and of unassigned code points, which every font draws
    // as its box glyph.
    static std::vector<std::pair<std::string, std::string>> tracks() {
        std::string boxes;
        for (int i = 0; i < 24; ++i) boxes += "\xCD\xB8";  // U+0378
        return {
            {"A Very Long Title That Goes On And On Well Past The End Of Its Column",
             "An Artist Whose Name Is Far Too Long For The Artist Column"},
            {"\u591c\u660e\u3051\u306e\u6771\u4eac\u30bf\u30ef\u30fc\u3068\u9759\u304b\u306a\u96e8"
             "\u306e\u6b4c\u3068\u9577\u3044\u984c\u540d",
             "\u5c71\u7530\u592a\u90ce"},
            {"\ubc24\ud558\ub298\uc758 \ubcc4\uc744 \ub178\ub798\ud558\ub294 \uc544\uc774\ub4e4"
             "\uacfc \uce5c\uad6c",
             "\uc544\uc774\uc720"},
            {boxes, "Test Band"},
        };
    }
    // Starts the player, hands its main window to `use` once it shows, then
    // closes it with the window's close box: it ends cleanly, and its
    // console (returned) has no error lines.
    std::string run(const std::function<void(DWORD pid, HWND main)>& use) {
        const std::wstring console = profile + L"\\console.txt";
        const auto r = cor_test::run_player(
            {L"--profile", profile, L"--console", console, L"--screenshot", profile + L"\\shot.png",
             L"--exit-after", L"120000"},
            150000, [&](unsigned long pid) {
                HWND main = cor_test::wait_for_window(
                    pid, nullptr,
                    [](HWND w) {
                        return IsWindowVisible(w) &&
                               cor_test::class_is(w, L"cor_ui_vesk_window_class");
                    },
                    30000);
                ASSERT_NE(main, nullptr);
                use(pid, main);
                PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
            });
        EXPECT_EQ(r.exit_code, 0);
        const std::string lines = cor_test::read_bytes(console);
        EXPECT_EQ(error_lines(lines), std::vector<std::string>{}) << lines;
        return lines;
    }
    const cor_test::test_folder profile_folder, music_folder;
    const std::wstring profile = profile_folder.dir().wstring(),
                       music = music_folder.dir().wstring();
    t_layout layout{};
};

// Played, seeked, paused and set through its own controls, then resized:
// what the screenshot taken at exit shows, laid out as the next start lays
// the window out at the size it was left.
TEST_F(DefaultProfile, PlaysThroughItsOwnControlsAndReopensAsLeft) {
    const auto& l = layout;
    double played = 0;
    const std::string console = run([&](DWORD pid, HWND main) {
        // Keeps the window clear of other suites' windows on the shared
        // display, so the mouse maps' own hit test finds it under the pointer.
        SetWindowPos(main, HWND_TOPMOST, 700, 480, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        std::this_thread::sleep_for(300ms);
        ASSERT_NE(button(pid, main, L"Play"), nullptr) << "the buttons row is missing";
        HWND order = cor_test::wait_for_window(
            pid, main, [](HWND w) { return cor_test::class_is(w, L"ComboBox"); });
        ASSERT_NE(order, nullptr) << "the playback order list is missing";

        // The second playlist row plays its track; the play button turns into a pause button.
        click_map(main, l.m + 60, l.rows_y + l.row_h + l.row_h / 2);
        HWND pause = button(pid, main, L"Pause");
        ASSERT_NE(pause, nullptr) << "clicking a playlist row did not start playback";

        // Half way along the seek bar, then two seconds of playing.
        click_map(main, l.seek_x + l.seek_w / 2, l.seek_y + 8);
        const auto seeked = steady::now();
        std::this_thread::sleep_for(2s);
        SendMessageW(pause, BM_CLICK, 0, 0);
        ASSERT_NE(button(pid, main, L"Play"), nullptr) << "the pause button did not pause";
        played = std::chrono::duration<double>(steady::now() - seeked).count();

        // Two wheel notches down on the volume bar; "Repeat (track)" chosen in
        // the order list as the platform reports a choice; then a larger window.
        wheel(main, l.vol_x + l.vol_w / 2, l.ctl_y + 15, -2);
        SendMessageW(order, CB_SETCURSEL, 2, 0);
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(order), CBN_SELENDOK),
                     reinterpret_cast<LPARAM>(order));
        SetWindowPos(main, nullptr, 60, 40, 760, 640, SWP_NOZORDER | SWP_NOACTIVATE);
        std::this_thread::sleep_for(1s);
    });
    EXPECT_NE(console.find("Vesk User Interface: Shutdown"), std::string::npos) << console;

    // The next start opens the window at its last size, the layout follows
    // that size, and the order chosen in the list is kept.
    const auto r = cor_test::run_player(
        {L"--profile", profile, L"--eval", L"%playback_orderindex%|" + std::wstring(layout_query)});
    ASSERT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out.substr(0, 2), "2|");
    t_layout now{};
    ASSERT_TRUE(parse_layout(r.out.substr(2), now)) << r.out;
    EXPECT_GT(now.width, l.width + 200);
    EXPECT_EQ(now.seek_w, l.seek_w + (now.width - l.width));
    picture shot(profile + L"\\shot.png");
    ASSERT_TRUE(shot.loaded());
    ASSERT_EQ(shot.width(), now.width);
    EXPECT_EQ(shot.height(), now.height);

    // The title of the paused track is drawn in the card, in the text colour.
    EXPECT_GT(shot.count({now.m + 16, now.m + 30, now.width / 2, now.m + 56}, text_colour), 40);
    // The playing row (the second) carries the accent mark at its left edge.
    EXPECT_TRUE(close_to(shot.at(now.m + 1, now.rows_y + now.row_h * 3 / 2), accent_colour));
    // The seek bar's knob stands past the middle, where the click put it,
    // by about the time played since: the bar advanced with playback, and
    // the resize laid it out again.
    const double knob =
        shot.centre_of(now.seek_y + 8, now.seek_x - 8, now.seek_x + now.seek_w + 8, text_colour);
    ASSERT_GT(knob, 0) << "no seek knob on the bar";
    const double at = (knob - now.seek_x) / now.seek_w;
    EXPECT_GT(at, 0.5 + 1.0 / track_seconds) << "played " << played << " s";
    EXPECT_LT(at, 0.5 + (played + 1.5) / track_seconds) << "played " << played << " s";
    // Two notches of five steps each: the volume bar shows about 90 of 100.
    const int vol_end =
        shot.rightmost(now.ctl_y + 15, now.vol_x, now.vol_x + now.vol_w + 1, accent_colour);
    EXPECT_NEAR(double(vol_end - now.vol_x + 1) / now.vol_w, 0.9, 0.03);
}

// The ink of a playlist row's column: the pixels that differ from the row's
// own background, as a mask over the column's box.
struct t_ink {
    int width, height;
    std::vector<bool> mask;
    bool at(int x, int y) const { return mask[size_t(y) * width + x]; }
    int count() const { return int(std::count(mask.begin(), mask.end(), true)); }
};

t_ink ink_of(const picture& shot, RECT box, COLORREF background) {
    t_ink ink{int(box.right - box.left), int(box.bottom - box.top), {}};
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            ink.mask.push_back(!close_to(shot.at(x, y), background, 12));
    return ink;
}

// Long titles and artists, cut to their column, leave no piece of a second
// line under their row; Japanese and Korean draw in their own glyphs.
TEST_F(DefaultProfile, DrawsLongAndCjkTitlesOnOneLineInTheirOwnGlyphsAndFlatButtons) {
    std::vector<RECT> buttons;
    run([&](DWORD pid, HWND main) {
        for (const wchar_t* caption : {L"Prev", L"Play", L"Stop", L"Next", L"Random"}) {
            HWND b = button(pid, main, caption);
            ASSERT_NE(b, nullptr);
            RECT r;
            GetWindowRect(b, &r);
            MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
            buttons.push_back(r);
        }
        std::this_thread::sleep_for(500ms);
    });
    picture shot(profile + L"\\shot.png");
    ASSERT_TRUE(shot.loaded());
    const auto& l = layout;
    // The columns as the skin lays them out (ui_row): title, then artist.
    const int w = l.width - 2 * l.m;
    const int title_x = l.m + 42, title_w = w * 58 / 100 - 42;
    const int artist_x = l.m + w * 58 / 100 + 8, artist_w = w * 42 / 100 - 68;
    const auto row_ink = [&](int row, int x, int width) {
        const int y = l.rows_y + row * l.row_h;
        // Between the number and the title nothing is drawn: the row's background.
        const COLORREF background = shot.at(l.m + 37, y + l.row_h / 2);
        // The focused row's outline runs along the band's first and last lines.
        return ink_of(shot, {x, y + 1, x + width, y + l.row_h - 1}, background);
    };
    const int rows = int(tracks().size());
    for (int row = 0; row < rows; ++row) {
        for (const auto& [x, width] :
             {std::pair{title_x, title_w}, std::pair{artist_x, artist_w}}) {
            SCOPED_TRACE("row " + std::to_string(row) + (x == title_x ? " title" : " artist"));
            const t_ink ink = row_ink(row, x, width);
            // One line of text: the rows with ink follow each other without
            // a gap, so no piece of a second line shows under the first.
            std::vector<int> inked;
            for (int y = 0; y < ink.height; ++y)
                for (int i = 0; i < ink.width; ++i)
                    if (ink.at(i, y)) {
                        inked.push_back(y);
                        break;
                    }
            ASSERT_FALSE(inked.empty());
            EXPECT_LE(inked.back() - inked.front() + 1, int(inked.size()) + 1)
                << "ink from row " << inked.front() << " to " << inked.back() << " of the band";
        }
    }
    // Below the last row's band there is only the window's background.
    const RECT below{l.m, l.rows_y + rows * l.row_h, l.width - l.m, l.rows_y + rows * l.row_h + 12};
    EXPECT_EQ(ink_of(shot, below, window_colour).count(), 0);

    // Japanese and Korean draw in their own glyphs, through the fonts linked
    // behind the skin's face: their ink is unlike that of as many box glyphs.
    const t_ink boxes = row_ink(3, title_x, title_w);
    ASSERT_GT(boxes.count(), 100) << "no box glyphs to compare with";
    for (int row : {1, 2}) {
        const t_ink text = row_ink(row, title_x, title_w);
        int differ = 0;
        for (size_t i = 0; i < text.mask.size(); ++i) differ += text.mask[i] != boxes.mask[i];
        EXPECT_GT(differ, boxes.count() / 2) << "row " << row << " draws as boxes";
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

}  // namespace
