// The default profile end to end: corvina500.exe starts on a copy of the
// committed profile with three tracks, and the test uses it as a person
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

namespace {

using namespace std::chrono_literals;
using steady = std::chrono::steady_clock;

constexpr double track_seconds = 30;
// Colours of the skin (the custom scripts' c_text and c_accent).
constexpr COLORREF text_colour = RGB(236, 239, 244);
constexpr COLORREF accent_colour = RGB(88, 180, 255);

std::wstring widen(const std::string& s) {
    std::wstring w(s.size(), L'\0');
    w.resize(MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), int(w.size())));
    return w;
}

// The committed default profile folder, found from the test data folder
// (the tests' source folder) or, failing that, from the build folder inside
// the checkout.
std::wstring committed_profile() {
    const wchar_t* rel = L"\\..\\profiles\\default";
    if (const char* data = std::getenv("COR_TEST_DATA"); data && *data) {
        std::wstring path = widen(data) + rel;
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
    }
    return cor_test::build_folder() + L"\\.." + rel;
}

std::vector<int> numbers(const std::string& csv) {
    std::vector<int> out;
    std::stringstream in(csv);
    std::string part;
    while (std::getline(in, part, ',')) out.push_back(std::atoi(part.c_str()));
    return out;
}

// The skin's geometry as its scripts computed it: macros of the custom
// scripts and the $hash keys that ui_build fills.
struct t_layout {
    int m, seek_x, seek_w, seek_y, rows_y, row_h, vol_x, vol_w, ctl_y, width, height;
};
constexpr const wchar_t* layout_query =
    L"#m#,%ui_seek_x%,%ui_seek_w%,#seek_y#,%ui_rows_y%,#row_h#,%ui_vol_x%,%ui_vol_w%,#ctl_y#,"
    L"$w(main,_cwidth),$w(main,_cheight)";
bool parse_layout(const std::string& text, t_layout& l) {
    const auto n = numbers(text);
    if (n.size() != 11) return false;
    l = {n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7], n[8], n[9], n[10]};
    return l.seek_w > 0 && l.row_h > 0 && l.width > 0;
}

// The windows (top-level when `parent` is null, else its children) that
// `match` accepts.
std::vector<HWND> windows_where(HWND parent, const std::function<bool(HWND)>& match) {
    struct search {
        const std::function<bool(HWND)>* match;
        std::vector<HWND> found;
    } s{&match, {}};
    const WNDENUMPROC visit = [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<search*>(p);
        if ((*s->match)(w)) s->found.push_back(w);
        return TRUE;
    };
    if (parent)
        EnumChildWindows(parent, visit, reinterpret_cast<LPARAM>(&s));
    else
        EnumWindows(visit, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// The first window `match` accepts, asking again until `timeout` passes:
// the skin makes windows again when what they show changes.
HWND wait_for_window(HWND parent, const std::function<bool(HWND)>& match,
                     std::chrono::milliseconds timeout) {
    for (const auto until = steady::now() + timeout;; std::this_thread::sleep_for(50ms)) {
        if (const auto found = windows_where(parent, match); !found.empty()) return found[0];
        if (steady::now() >= until) return nullptr;
    }
}

bool class_is(HWND w, const wchar_t* cls) {
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    return _wcsicmp(name, cls) == 0;
}

// corvina500.exe started in the background, so the test can use its windows.
class running_player {
public:
    explicit running_player(const std::vector<std::wstring>& args) {
        const std::wstring exe = cor_test::build_folder() + L"\\corvina500.exe";
        std::wstring cmd = L"\"" + exe + L"\"";
        for (const auto& a : args) cmd += L" \"" + a + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        started_ = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &si, &pi_);
    }
    ~running_player() {
        if (!started_) return;
        if (WaitForSingleObject(pi_.hProcess, 0) != WAIT_OBJECT_0)
            TerminateProcess(pi_.hProcess, 99);
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
    }
    bool started() const { return started_; }

    // The visible main window of the player, waiting for it to open.
    HWND main_window(std::chrono::milliseconds timeout = 30s) {
        const DWORD pid = pi_.dwProcessId;
        return wait_for_window(
            nullptr,
            [pid](HWND w) {
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                return owner == pid && IsWindowVisible(w) &&
                       class_is(w, L"cor_ui_vesk_window_class");
            },
            timeout);
    }

    // The visible button of the main window with that caption.
    static HWND button(HWND main, const std::wstring& caption,
                       std::chrono::milliseconds timeout = 15s) {
        return wait_for_window(
            main,
            [&](HWND w) {
                wchar_t text[128] = {};
                GetWindowTextW(w, text, 128);
                return caption == text && IsWindowVisible(w);
            },
            timeout);
    }

    int wait_exit(std::chrono::milliseconds timeout = 30s) {
        if (WaitForSingleObject(pi_.hProcess, DWORD(timeout.count())) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(pi_.hProcess, &code);
        return int(code);
    }

private:
    bool started_ = false;
    PROCESS_INFORMATION pi_{};
};

// A click on a button: BM_CLICK makes the button send itself the press and
// the release of the left button, with nothing between them.
void click_button(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

// The first child of `main` of the window class, or null.
HWND child_of_class(HWND main, const wchar_t* cls) {
    const auto found = windows_where(main, [cls](HWND w) { return class_is(w, cls); });
    return found.empty() ? nullptr : found[0];
}

// The tip windows of the player's process over `main` (a tip whose tool is
// a button belongs to the button's top-level window).
int window_tips(HWND main) {
    return int(windows_where(nullptr, [main](HWND w) {
                   return class_is(w, L"tooltips_class32") && GetWindow(w, GW_OWNER) == main;
               }).size());
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

// The pixels of a PNG file.
class picture {
public:
    explicit picture(const std::wstring& path) {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) return;
        bitmap_ = std::make_unique<Gdiplus::Bitmap>(path.c_str());
        if (bitmap_->GetLastStatus() != Gdiplus::Ok) bitmap_.reset();
    }
    ~picture() {
        bitmap_.reset();
        if (token_) Gdiplus::GdiplusShutdown(token_);
    }
    bool loaded() const { return bitmap_ != nullptr; }
    int width() const { return int(bitmap_->GetWidth()); }
    int height() const { return int(bitmap_->GetHeight()); }
    COLORREF at(int x, int y) const {
        Gdiplus::Color c;
        bitmap_->GetPixel(x, y, &c);
        return RGB(c.GetR(), c.GetG(), c.GetB());
    }
    static bool close_to(COLORREF a, COLORREF b, int tolerance = 24) {
        return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
               std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
               std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
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
    ULONG_PTR token_ = 0;
    std::unique_ptr<Gdiplus::Bitmap> bitmap_;
};

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

// Script messages are "$function: what went wrong"; the profile raises the
// error level to high, so every such mistake of its scripts shows.
std::vector<std::string> error_lines(const std::string& console) {
    std::vector<std::string> out;
    for (const auto& line : lines_of(console))
        if (!line.empty() && (line[0] == '$' || line.find("ERROR") != std::string::npos))
            out.push_back(line);
    return out;
}

class DefaultProfile : public ::testing::Test {
protected:
    void SetUp() override {
        profile = cor_test::make_temp_folder(L"default_profile");
        music = cor_test::make_temp_folder(L"default_music");
        // The store and the buttons' pictures, as the run command copies them.
        const std::wstring from = committed_profile();
        ASSERT_TRUE(CreateDirectoryW((profile + L"\\images").c_str(), nullptr));
        for (const wchar_t* file :
             {L"corvina500.cfgstore", L"images\\button_over.png", L"images\\button_push.png"})
            ASSERT_TRUE(
                CopyFileW((from + L"\\" + file).c_str(), (profile + L"\\" + file).c_str(), FALSE))
                << "not in the committed profile: " << std::string(from.begin(), from.end());
        const auto tracks = this->tracks();
        for (size_t i = 0; i < tracks.size(); ++i) {
            cor_test::t_wav_format f;
            f.sample_rate = 11025;
            f.channels = 1;
            f.bits = 8;
            f.seconds = track_seconds;
            f.tags = {{"INAM", tracks[i].first},
                      {"IART", tracks[i].second},
                      {"IPRD", "Test Album"},
                      {"ITRK", std::to_string(i + 1)}};
            ASSERT_TRUE(cor_test::write_file(music + L"\\0" + std::to_wstring(i + 1) + L".wav",
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
    void TearDown() override {
        cor_test::remove_tree(profile);
        cor_test::remove_tree(music);
    }
    // Title and artist of each track.
    virtual std::vector<std::pair<std::string, std::string>> tracks() const {
        return {{"Alpha", "Test Band"}, {"Bravo", "Test Band"}, {"Charlie", "Test Band"}};
    }
    std::vector<std::wstring> run_args() const {
        return {L"--profile",    profile,
                L"--console",    profile + L"\\console.txt",
                L"--screenshot", profile + L"\\shot.png",
                L"--exit-after", L"120000"};
    }
    // Keeps the window clear of other suites' windows on the shared display,
    // so the mouse maps' own hit test finds it under the pointer.
    static void move_aside(HWND main) {
        SetWindowPos(main, HWND_TOPMOST, 700, 480, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        std::this_thread::sleep_for(300ms);
    }
    // Closes the player with its window's close box: it ends cleanly, and
    // its console (returned) has no error lines.
    void close_player(running_player& player, HWND main, std::string& console) {
        PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_EQ(player.wait_exit(), 0);
        console = cor_test::read_file(profile + L"\\console.txt");
        EXPECT_EQ(error_lines(console), std::vector<std::string>{}) << console;
    }
    std::wstring profile, music;
    t_layout layout{};
};

TEST_F(DefaultProfile, PlaysSeeksPausesAndQuitsThroughItsOwnControls) {
    running_player player(run_args());
    ASSERT_TRUE(player.started());
    HWND main = player.main_window();
    ASSERT_NE(main, nullptr);
    move_aside(main);
    ASSERT_NE(running_player::button(main, L"Play"), nullptr) << "the buttons row is missing";
    // The playback order is a drop-down list of the seven orders, showing
    // the one in force; each transport button has its tip.
    HWND order = child_of_class(main, L"ComboBox");
    ASSERT_NE(order, nullptr) << "the playback order list is missing";
    EXPECT_EQ(SendMessageW(order, CB_GETCOUNT, 0, 0), 7);
    EXPECT_EQ(SendMessageW(order, CB_GETCURSEL, 0, 0), 0);
    // The tips come with the buttons' first paint.
    const auto tips_by = steady::now() + 10s;
    while (window_tips(main) < 5 && steady::now() < tips_by) std::this_thread::sleep_for(100ms);
    EXPECT_EQ(window_tips(main), 5);

    // The second playlist row plays its track; the play button turns into a pause button.
    const auto& l = layout;
    click_map(main, l.m + 60, l.rows_y + l.row_h + l.row_h / 2);
    HWND pause = running_player::button(main, L"Pause");
    ASSERT_NE(pause, nullptr) << "clicking a playlist row did not start playback";

    // Half way along the seek bar, then two seconds of playing.
    click_map(main, l.seek_x + l.seek_w / 2, l.seek_y + 8);
    const auto seeked = steady::now();
    std::this_thread::sleep_for(2s);
    click_button(pause);
    ASSERT_NE(running_player::button(main, L"Play"), nullptr) << "the pause button did not pause";
    const double played = std::chrono::duration<double>(steady::now() - seeked).count();

    // Two wheel notches down on the volume bar; "Repeat (track)" chosen in
    // the order list as the platform reports a choice. The list follows
    // the player's order, which the choice changed.
    wheel(main, l.vol_x + l.vol_w / 2, l.ctl_y + 15, -2);
    SendMessageW(order, CB_SETCURSEL, 2, 0);
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(order), CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(order));

    // The close box of the window ends the player.
    std::string console;
    ASSERT_NO_FATAL_FAILURE(close_player(player, main, console));
    EXPECT_NE(console.find("Vesk User Interface: Shutdown"), std::string::npos) << console;
    // The order chosen in the list is the player's, kept for the next run.
    const auto order_now =
        cor_test::run_player({L"--profile", profile, L"--eval", L"%playback_orderindex%"});
    EXPECT_EQ(order_now.out, "2");

    picture shot(profile + L"\\shot.png");
    ASSERT_TRUE(shot.loaded());
    ASSERT_EQ(shot.width(), l.width);
    // The title of the paused track is drawn in the card, in the text colour.
    EXPECT_GT(shot.count({l.m + 16, l.m + 30, l.width / 2, l.m + 56}, text_colour), 40);
    // The playing row (the second) carries the accent mark at its left edge.
    EXPECT_TRUE(
        picture::close_to(shot.at(l.m + 1, l.rows_y + l.row_h + l.row_h / 2), accent_colour));
    EXPECT_FALSE(picture::close_to(shot.at(l.m + 1, l.rows_y + l.row_h / 2), accent_colour));
    // The seek bar's knob stands past the middle, where the click put it,
    // by about the time played since: the bar advanced with playback.
    const int bar_y = l.seek_y + 8;
    const double knob = shot.centre_of(bar_y, l.seek_x - 8, l.seek_x + l.seek_w + 8, text_colour);
    ASSERT_GT(knob, 0) << "no seek knob on the bar";
    const double at = (knob - l.seek_x) / l.seek_w;
    EXPECT_GT(at, 0.5 + 1.0 / track_seconds) << "played " << played << " s";
    EXPECT_LT(at, 0.5 + (played + 1.5) / track_seconds) << "played " << played << " s";
    // The played part of the bar is in the accent colour up to the knob.
    EXPECT_TRUE(picture::close_to(shot.at(l.seek_x + l.seek_w / 4, bar_y), accent_colour));
    // Two notches of five steps each: the volume bar shows about 90 of 100.
    const int vol_end = shot.rightmost(l.ctl_y + 15, l.vol_x, l.vol_x + l.vol_w + 1, accent_colour);
    EXPECT_NEAR(double(vol_end - l.vol_x + 1) / l.vol_w, 0.9, 0.03);
}

TEST_F(DefaultProfile, LaysItselfOutAgainWhenResizedAndReopensThere) {
    {
        running_player player(run_args());
        ASSERT_TRUE(player.started());
        HWND main = player.main_window();
        ASSERT_NE(main, nullptr);
        ASSERT_NE(running_player::button(main, L"Play"), nullptr);
        SetWindowPos(main, nullptr, 60, 40, 760, 640, SWP_NOZORDER | SWP_NOACTIVATE);
        std::this_thread::sleep_for(1s);
        std::string console;
        ASSERT_NO_FATAL_FAILURE(close_player(player, main, console));
    }
    // The saved screenshot is the larger window, laid out for its new width:
    // the seek bar's track reaches near the right edge.
    picture shot(profile + L"\\shot.png");
    ASSERT_TRUE(shot.loaded());
    EXPECT_GT(shot.width(), layout.width + 200);
    const COLORREF track = RGB(38, 42, 53);
    const int right = shot.rightmost(layout.seek_y + 8, 0, shot.width(), track);
    EXPECT_GT(right, shot.width() - layout.m - 60);

    // The next start opens the window at its last place and size, and the
    // layout follows that size.
    const auto r = cor_test::run_player({L"--profile", profile, L"--eval", layout_query});
    ASSERT_EQ(r.exit_code, 0);
    t_layout again{};
    ASSERT_TRUE(parse_layout(r.out, again)) << r.out;
    EXPECT_EQ(again.width, shot.width());
    EXPECT_EQ(again.height, shot.height());
    EXPECT_EQ(again.seek_w, layout.seek_w + (again.width - layout.width));
}

// Titles a person's library has: longer than their column, and in
// Japanese, Chinese and Korean. The last track's title is as many
// unassigned code points, which every font draws as its box glyph.
class DefaultProfileTitles : public DefaultProfile {
protected:
    static constexpr int cjk_length = 24;
    std::vector<std::pair<std::string, std::string>> tracks() const override {
        std::string boxes;
        for (int i = 0; i < cjk_length; ++i) boxes += "\xCD\xB8";  // U+0378
        return {
            {"A Very Long Title That Goes On And On Well Past The End Of Its Column",
             "An Artist Whose Name Is Far Too Long For The Artist Column"},
            {"\xE5\xA4\x9C\xE6\x98\x8E\xE3\x81\x91\xE3\x81\xAE\xE6\x9D\xB1\xE4\xBA\xAC\xE3\x82\xBF"
             "\xE3\x83\xAF\xE3\x83\xBC\xE3\x81\xA8\xE9\x9D\x99\xE3\x81\x8B\xE3\x81\xAA\xE9\x9B\xA8"
             "\xE3\x81\xAE\xE6\xAD\x8C\xE3\x81\xA8\xE9\x95\xB7\xE3\x81\x84\xE9\xA1\x8C\xE5\x90\x8D",
             "\xE5\xB1\xB1\xE7\x94\xB0\xE5\xA4\xAA\xE9\x83\x8E"},  // 夜明けの東京タワーと静かな雨の歌と長い題名
            {"\xE6\x98\xA5\xE7\x9C\xA0\xE4\xB8\x8D\xE8\xA7\x89\xE6\x99\x93\xE5\xA4\x84\xE5\xA4\x84"
             "\xE9\x97\xBB\xE5\x95\xBC\xE9\xB8\x9F\xE5\xA4\x9C\xE6\x9D\xA5\xE9\xA3\x8E\xE9\x9B\xA8"
             "\xE5\xA3\xB0\xE8\x8A\xB1\xE8\x90\xBD\xE7\x9F\xA5\xE5\xA4\x9A\xE5\xB0\x91\xE6\x98\xA5"
             "\xE7\x9C\xA0\xE4\xB8\x8D",
             "\xE7\x8E\x8B\xE8\x8F\xB2"},  // 春眠不觉晓处处闻啼鸟夜来风雨声花落知多少春眠不
            {"\xEB\xB0\xA4\xED\x95\x98\xEB\x8A\x98\xEC\x9D\x98\x20\xEB\xB3\x84\xEC\x9D\x84\x20\xEB"
             "\x85\xB8\xEB\x9E\x98\xED\x95\x98\xEB\x8A\x94\x20\xEC\x95\x84\xEC\x9D\xB4\xEB\x93\xA4"
             "\xEA\xB3\xBC\x20\xEC\xB9\x9C\xEA\xB5\xAC",
             "\xEC\x95\x84\xEC\x9D\xB4\xEC\x9C\xA0"},  // 밤하늘의 별을 노래하는 아이들과 친구 (24)
            {boxes, "Test Band"},
        };
    }
};

// The ink of a playlist row's column: the pixels that differ from the row's
// own background, as a mask over the column's box.
struct t_ink {
    int left, top, width, height;
    std::vector<bool> mask;
    bool at(int x, int y) const { return mask[size_t(y) * width + x]; }
    int count() const { return int(std::count(mask.begin(), mask.end(), true)); }
    // Rows of the box that hold ink.
    std::vector<int> rows() const {
        std::vector<int> out;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (at(x, y)) {
                    out.push_back(y);
                    break;
                }
        return out;
    }
    int rightmost_column() const {
        for (int x = width - 1; x >= 0; --x)
            for (int y = 0; y < height; ++y)
                if (at(x, y)) return x;
        return -1;
    }
};

t_ink ink_of(const picture& shot, RECT box, COLORREF background) {
    t_ink ink{
        int(box.left), int(box.top), int(box.right - box.left), int(box.bottom - box.top), {}};
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            ink.mask.push_back(!picture::close_to(shot.at(x, y), background, 12));
    return ink;
}

// Whether the ink ends in an ellipsis: its last three marks (runs of
// columns with ink) are dots, each at most 3 pixels wide and all within
// the same 4 pixel rows.
bool ends_with_ellipsis(const t_ink& ink, std::string& why) {
    int marks = 0, top = ink.height, bottom = -1, width = 0, widest = 0;
    for (int x = ink.width - 1; x >= 0 && marks < 3; --x) {
        bool column = false;
        for (int y = 0; y < ink.height; ++y)
            if (ink.at(x, y)) {
                column = true;
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        if (column) {
            widest = std::max(widest, ++width);
        } else if (width) {
            ++marks;
            width = 0;
        }
    }
    std::ostringstream out;
    out << "the last " << marks << " marks are up to " << widest << " px wide and "
        << (bottom - top + 1) << " px high";
    why = out.str();
    return marks == 3 && widest <= 3 && bottom - top + 1 <= 4;
}

TEST_F(DefaultProfileTitles, DrawsLongAndCjkTitlesOnOneLineInTheirOwnGlyphsAndFlatButtons) {
    running_player player(run_args());
    ASSERT_TRUE(player.started());
    HWND main = player.main_window();
    ASSERT_NE(main, nullptr);
    // Where the buttons are, while the window is open.
    std::vector<RECT> buttons;
    for (const wchar_t* caption : {L"Prev", L"Play", L"Stop", L"Next", L"Random"}) {
        HWND b = running_player::button(main, caption);
        ASSERT_NE(b, nullptr) << "no button " << std::string(caption, caption + wcslen(caption));
        RECT r;
        GetWindowRect(b, &r);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
        buttons.push_back(r);
    }
    std::this_thread::sleep_for(500ms);
    std::string console;
    ASSERT_NO_FATAL_FAILURE(close_player(player, main, console));

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
            const auto ink_rows = ink.rows();
            ASSERT_FALSE(ink_rows.empty());
            // One line of text: the rows with ink follow each other without
            // a gap, so no piece of a second line shows under the first.
            EXPECT_LE(ink_rows.back() - ink_rows.front() + 1, int(ink_rows.size()) + 1)
                << "ink from row " << ink_rows.front() << " to " << ink_rows.back()
                << " of the band";
        }
    }
    // Below the last row's band there is only the window's background.
    const RECT below{l.m, l.rows_y + rows * l.row_h, l.width - l.m, l.rows_y + rows * l.row_h + 12};
    EXPECT_EQ(ink_of(shot, below, RGB(17, 19, 24)).count(), 0);

    // Long titles and the long artist end in an ellipsis.
    std::string why;
    for (int row : {0, 1, 2})
        EXPECT_TRUE(ends_with_ellipsis(row_ink(row, title_x, title_w), why))
            << "title of row " << row << ": " << why;
    EXPECT_TRUE(ends_with_ellipsis(row_ink(0, artist_x, artist_w), why)) << why;
    EXPECT_FALSE(ends_with_ellipsis(row_ink(4, artist_x, artist_w), why)) << "Test Band: " << why;

    // Japanese, Chinese and Korean draw in their own glyphs: their ink is
    // unlike that of the same number of box glyphs.
    const t_ink boxes = row_ink(4, title_x, title_w);
    ASSERT_GT(boxes.count(), 100) << "no box glyphs to compare with";
    for (int row : {1, 2, 3}) {
        const t_ink text = row_ink(row, title_x, title_w);
        int differ = 0;
        for (size_t i = 0; i < text.mask.size(); ++i) differ += text.mask[i] != boxes.mask[i];
        EXPECT_GT(differ, boxes.count() / 2) << "row " << row << " draws as boxes";
    }

    // The button faces are the skin's flat colour up to their edges, with
    // the caption on them and no grey frame: the two lines inside each edge
    // are the face, the edge itself the face or the window's background
    // (the corners are rounded off).
    const COLORREF face = RGB(40, 45, 57), window = RGB(17, 19, 24), caption = RGB(226, 230, 238);
    for (const RECT& b : buttons) {
        SCOPED_TRACE("button at " + std::to_string(b.left) + "," + std::to_string(b.top));
        int off_face = 0;
        const auto check = [&](int x, int y, bool edge) {
            const COLORREF c = shot.at(x, y);
            off_face +=
                !picture::close_to(c, face, 8) && !(edge && picture::close_to(c, window, 8));
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
