// The script editor as the configuration pages use it: a real rich-edit
// control in a real window, its colours read back from painted pixels.
#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "editor/script_editor.h"
#include "host/gdi_handles.h"
#include "support/component_host.h"

namespace {

constexpr COLORREF white = RGB(255, 255, 255);
const wchar_t* const ini_path = L"C:\\profile\\tfeditor.ini";

LRESULT CALLBACK frame_proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcW(h, m, w, l);
}

class Editor : public ::testing::Test {
protected:
    cor_test::component_host host;
    HWND frame = nullptr;
    HWND editor = nullptr;
    long handles_at_start = 0;

    void SetUp() override {
        handles_at_start = vesk::handle_count::live();
        WNDCLASSW wc{};
        wc.lpfnWndProc = frame_proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"editor_test_frame";
        RegisterClassW(&wc);
        frame = CreateWindowExW(0, wc.lpszClassName, L"editor test", WS_POPUP | WS_VISIBLE, 0, 0,
                                640, 480, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(frame);
    }
    void TearDown() override {
        DestroyWindow(frame);
        DeleteFileW(ini_path);
        EXPECT_EQ(vesk::handle_count::live(), handles_at_start);
    }

    static void write_ini(const std::string& text) {
        std::filesystem::create_directories(L"C:\\profile");
        std::ofstream(ini_path, std::ios::binary) << text;
    }

    void make(RECT rect = {0, 0, 620, 460}) {
        if (editor) DestroyWindow(editor);
        editor = vesk::create_script_editor(frame, 101, rect);
        ASSERT_TRUE(editor);
    }
    void expect_func_at_zero() {
        const std::map<COLORREF, int> counts = cell(0);
        EXPECT_GT(counts.count(RGB(0xC0, 0, 0x40)), 0u);
    }
    void set_text(const std::wstring& text) { SetWindowTextW(editor, text.c_str()); }
    void caret(LONG pos, LONG end = -2) {
        SendMessageW(editor, EM_SETSEL, pos, end == -2 ? pos : end);
    }

    // The editor's client area as it paints it, drawn into a bitmap of the
    // test's own (WM_PRINTCLIENT), so windows of other test programs on the
    // same display cannot cover it.
    std::vector<COLORREF> capture(int& width, int& height) {
        RECT r;
        GetClientRect(editor, &r);
        width = r.right;
        height = r.bottom;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HDC screen = GetDC(editor);
        vesk::unique_hbitmap dib(CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        vesk::unique_hdc dc(CreateCompatibleDC(screen));
        ReleaseDC(editor, screen);
        {
            vesk::select_guard in(dc.get(), dib.get());
            SendMessageW(editor, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()),
                         PRF_CLIENT | PRF_ERASEBKGND);
            GdiFlush();
        }
        std::vector<COLORREF> out(static_cast<size_t>(width) * height);
        const auto* p = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = RGB(p[i] >> 16 & 0xFF, p[i] >> 8 & 0xFF, p[i] & 0xFF);
        return out;
    }
    std::vector<COLORREF> capture() {
        int w, h;
        return capture(w, h);
    }

    // The pixels of one character's cell, counted by colour.
    std::map<COLORREF, int> cell(LONG pos) {
        int w, h;
        const std::vector<COLORREF> px = capture(w, h);
        POINTL a{}, b{};
        SendMessageW(editor, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&a), pos);
        SendMessageW(editor, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&b), pos + 1);
        const int height = line_height();
        std::map<COLORREF, int> out;
        for (int y = a.y; y < a.y + height && y < h; ++y)
            for (int x = a.x; x < b.x && x < w; ++x) ++out[px[static_cast<size_t>(y) * w + x]];
        return out;
    }
    // The default character format the editor gave the control.
    CHARFORMATW format() {
        CHARFORMATW cf{};
        cf.cbSize = sizeof cf;
        SendMessageW(editor, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
        return cf;
    }
    int line_height() {
        const CHARFORMATW cf = format();
        HDC dc = GetDC(editor);
        vesk::unique_hfont font(
            CreateFontW(-MulDiv(cf.yHeight / 20, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0,
                        FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, cf.szFaceName));
        TEXTMETRICW tm{};
        {
            vesk::select_guard in(dc, font.get());
            GetTextMetricsW(dc, &tm);
        }
        ReleaseDC(editor, dc);
        return tm.tmHeight;
    }
};

// The ink of a character's cell (every pixel not of the cell's most common
// colour must be this one colour) and that most common colour.
struct cell_colours {
    COLORREF ink = CLR_INVALID, back = CLR_INVALID;
    bool one_ink = true;
};

// Default colours, as the settings file documents them.
constexpr COLORREF base_fg = RGB(0, 0, 0), func_fg = RGB(0xC0, 0, 0x40),
                   var_fg = RGB(0, 0x40, 0xC0), comment_fg = RGB(0, 0x80, 0),
                   symbol_fg = RGB(0x99, 0, 0xFF), quot_fg = RGB(0x80, 0x80, 0xFF),
                   pare_fg = RGB(0x99, 0, 0xFF), ok_bg = RGB(0xCC, 0xFF, 0),
                   err_bg = RGB(0xFF, 0x66, 0xFF), selected_bg = RGB(0x58, 0x62, 0x62);

class Painted : public Editor {
protected:
    cell_colours colours_of(LONG pos) {
        cell_colours out;
        const std::map<COLORREF, int> counts = cell(pos);
        int most = 0;
        for (auto [c, n] : counts)
            if (n > most) most = n, out.back = c;
        for (auto [c, n] : counts) {
            if (c == out.back) continue;
            if (out.ink != CLR_INVALID) out.one_ink = false;
            out.ink = c;
        }
        return out;
    }
    void expect_cell(LONG pos, COLORREF fg, COLORREF bg, const std::string& what) {
        const cell_colours c = colours_of(pos);
        EXPECT_EQ(c.back, bg) << what << " at " << pos;
        EXPECT_EQ(c.ink, fg) << what << " at " << pos;
        EXPECT_TRUE(c.one_ink) << what << " at " << pos;
    }
};

TEST_F(Painted, ColoursEachTokenFromTheSettingsFile) {
    // A function, a bracket, a field, commas in and out of quotes, a tab, a
    // comment.
    const std::wstring line = L"$if(%artist%,\t'a,b',x)// z";
    const char* const classes = "fffpvvvvvvvvs qqqqqsbpcc c";
    const struct {
        const char* name;
        const char* ini;  // null: no file
        std::map<char, std::pair<COLORREF, COLORREF>> changed;
    } cases[] = {
        {"no file", nullptr, {}},
        {"only func_fg", "[editor]\nfunc_fg=00FF00\n", {{'f', {RGB(0, 255, 0), white}}}},
        {"malformed", "[editor]\nfunc_fg=12-34\nvar_fg=GG\ncomment_fg=\nfont_size=x\n", {}},
        {"backgrounds",
         "[editor]\nbase_bg=FFFFF0\nfunc_bg=FFFF00\nvar_bg=0-255-255\nquot_bg=E0E0E0\n"
         "comment_bg=101010\ncomment_fg=FFFFFF\nsymbol_fg=FF0000\npare_fg=0000FF\n",
         {{'b', {base_fg, RGB(255, 255, 240)}},
          {'f', {func_fg, RGB(255, 255, 0)}},
          {'v', {var_fg, RGB(0, 255, 255)}},
          {'q', {quot_fg, RGB(0xE0, 0xE0, 0xE0)}},
          {'c', {white, RGB(16, 16, 16)}},
          // Their own backgrounds stay white, so white is painted.
          {'s', {RGB(255, 0, 0), white}},
          {'p', {RGB(0, 0, 255), white}}}},
    };
    for (const auto& c : cases) {
        DeleteFileW(ini_path);
        if (c.ini) write_ini(c.ini);
        make();
        set_text(line);
        std::map<char, std::pair<COLORREF, COLORREF>> expected = {
            {'b', {base_fg, white}},    {'f', {func_fg, white}},   {'v', {var_fg, white}},
            {'c', {comment_fg, white}}, {'s', {symbol_fg, white}}, {'q', {quot_fg, white}},
            {'p', {pare_fg, white}}};
        for (const auto& [k, v] : c.changed) expected[k] = v;
        for (LONG i = 0; i < static_cast<LONG>(line.size()); ++i) {
            if (classes[i] == ' ') continue;
            const auto [fg, bg] = expected[classes[i]];
            expect_cell(i, fg, bg, c.name);
        }
    }
}

TEST_F(Painted, MarksTheBracketAtTheCaret) {
    make();
    struct cell {
        LONG pos;
        COLORREF fg, bg;
    };
    const struct {
        const wchar_t* text;
        LONG from, to;  // selection; equal for a caret
        std::vector<cell> cells;
    } cases[] = {
        {L"$a(", 3, 3, {{2, base_fg, err_bg}}},
        {L"$a()", 4, 4, {{2, base_fg, ok_bg}, {3, base_fg, ok_bg}}},
        {L"(a(b)c)",
         1,
         1,
         {{0, base_fg, ok_bg}, {2, pare_fg, white}, {4, pare_fg, white}, {6, base_fg, ok_bg}}},
        {L"[x](", 0, 0, {{0, base_fg, ok_bg}, {2, base_fg, ok_bg}, {3, pare_fg, white}}},
        {L"'('", 2, 2, {{1, quot_fg, white}}},
        // The control counts a line break as one character.
        {L"(\r\n$a)", 5, 5, {{0, base_fg, ok_bg}, {3, func_fg, white}, {4, base_fg, ok_bg}}},
        // A selection shows no pair; its characters take the selected colours.
        {L"$a()", 2, 4, {{1, func_fg, white}, {2, white, selected_bg}, {3, white, selected_bg}}},
    };
    for (const auto& c : cases) {
        set_text(c.text);
        caret(c.from, c.to);
        for (const cell& x : c.cells) expect_cell(x.pos, x.fg, x.bg, std::to_string(c.from));
    }

    // Typing the partner of an unmatched bracket pairs it.
    set_text(L"$a(");
    caret(3);
    EXPECT_EQ(colours_of(2).back, err_bg);
    SendMessageW(editor, WM_CHAR, L')', 0);
    expect_cell(2, base_fg, ok_bg, "typed");
    expect_cell(3, base_fg, ok_bg, "typed");
}

TEST_F(Painted, FontAndLimitFromTheSettingsFile) {
    write_ini("[editor]\nlimit_text_size=10\n");
    make();
    // Below the limit the text is coloured; at it, the control paints it plain.
    set_text(L"$abcdefgh");
    expect_cell(0, func_fg, white, "9 characters");
    set_text(L"$abcdefghi");
    for (LONG pos : {0, 9}) {
        const std::map<COLORREF, int> counts = cell(pos);
        EXPECT_EQ(counts.count(func_fg), 0u) << pos;
        EXPECT_GT(counts.size(), 1u) << pos;  // the control drew the character
    }

    write_ini("[editor]\nfont_face_name=Courier New\nfont_size=20\n");
    make();
    const CHARFORMATW cf = format();
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(MulDiv(cf.yHeight, dpi, 1440), MulDiv(20, dpi, 72));
    EXPECT_STREQ(cf.szFaceName, L"Courier New");
}

// Every character's glyph sits where the control lays it out: the coloured
// painting and the control's own plain painting (colouring off) put ink in
// the same pixels of each character's cell, for every token class and in
// fonts whose widths do not add up as whole pixels.
TEST_F(Painted, GlyphsSitWhereTheControlPlacesThem) {
    const std::wstring text =
        L"$console(x) %title% , $if(%artist%,\t'a,b',[x])// note\r\n"
        L"  $puts(lg,$add(1,2)) %album artist%;'q'x $len(%a%)\r\n"
        L"$drawtext($get(title),10,$add($get(y),4),$sub(%_width%,20),20,font-name:Tahoma,fg:FF)";
    const char* const fonts[] = {
        "", "font_face_name=Courier New\nfont_size=20\n", "font_face_name=Arial\nfont_size=11\n",
        "font_face_name=Times New Roman\nfont_size=13\n", "font_face_name=Tahoma\nfont_size=7\n"};
    const auto ink_of = [&](const std::string& ini) {
        write_ini("[editor]\n" + ini);
        make();
        set_text(text);
        caret(14);  // inside a field: no bracket is marked
        int w, h;
        std::vector<COLORREF> px = capture(w, h);
        std::vector<bool> ink(px.size());
        for (size_t i = 0; i < px.size(); ++i) ink[i] = px[i] != white;
        return std::make_pair(ink, w);
    };
    for (const char* font : fonts) {
        const auto [coloured, w] = ink_of(font);
        const auto [plain, w2] = ink_of(std::string(font) + "limit_text_size=1\n");
        ASSERT_EQ(w, w2);
        const int height = line_height();
        for (LONG pos = 0; pos < static_cast<LONG>(text.size()); ++pos) {
            if (text[static_cast<size_t>(pos)] == L'\r' || text[static_cast<size_t>(pos)] == L'\n')
                continue;
            POINTL a{}, b{};
            SendMessageW(editor, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&a), pos);
            SendMessageW(editor, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&b), pos + 1);
            if (b.y != a.y) continue;
            int differ = 0, inked = 0;
            for (int y = a.y; y < a.y + height; ++y)
                for (int x = a.x; x < b.x; ++x) {
                    const size_t i = static_cast<size_t>(y) * w + x;
                    differ += coloured[i] != plain[i];
                    inked += plain[i];
                }
            EXPECT_EQ(differ, 0) << "font \"" << font << "\" character " << pos << " '"
                                 << static_cast<char>(text[static_cast<size_t>(pos)]) << "' of "
                                 << inked << " inked pixels";
        }
    }
}

// The context menu as the control shows it, read when it opens and closed
// at once.
struct menu_item {
    std::wstring label;  // empty for a separator
    bool enabled;
};
std::vector<menu_item>* g_seen = nullptr;

LRESULT CALLBACK menu_spy(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
    if (m == WM_INITMENUPOPUP && g_seen) {
        const auto menu = reinterpret_cast<HMENU>(w);
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[64] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
            const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
            g_seen->push_back({text, !(state & (MF_GRAYED | MF_DISABLED))});
        }
        EndMenu();
    }
    return DefSubclassProc(h, m, w, l);
}

TEST_F(Editor, ContextMenuFollowsTheControlsState) {
    make();
    SetWindowSubclass(editor, menu_spy, 1, 0);
    const auto open_menu = [&] {
        std::vector<menu_item> seen;
        g_seen = &seen;
        SendMessageW(editor, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(editor), MAKELPARAM(20, 20));
        g_seen = nullptr;
        return seen;
    };
    const auto text = [&] {
        wchar_t buf[64] = {};
        GetWindowTextW(editor, buf, 64);
        return std::wstring(buf);
    };
    ASSERT_TRUE(OpenClipboard(frame));
    EmptyClipboard();
    CloseClipboard();

    const std::vector<std::wstring> labels = {
        L"Undo\tCtrl+Z",  L"Redo\tCtrl+Y", L"", L"Cut\tCtrl+X",       L"Copy\tCtrl+C",
        L"Paste\tCtrl+V", L"Delete",       L"", L"Select All\tCtrl+A"};
    // Each step, then the enabled items (U, R, X, C, V, D, A in menu order)
    // and the text it leaves.
    const struct {
        const char* step;
        std::function<void()> act;
        const char* enabled;
        const wchar_t* text;
    } steps[] = {
        {"empty", [] {}, "------A", L""},
        {"typed",
         [&] {
             for (wchar_t c : L"ab")
                 if (c) SendMessageW(editor, WM_CHAR, c, 0);
         },
         "U-----A", L"ab"},
        {"select all", [&] { vesk::run_script_editor_command(editor, vesk::editor_select_all); },
         "U-XC-DA", L"ab"},
        {"copy", [&] { vesk::run_script_editor_command(editor, vesk::editor_copy); }, "U-XCVDA",
         L"ab"},
        {"delete", [&] { vesk::run_script_editor_command(editor, vesk::editor_delete); }, "U---V-A",
         L""},
        {"undo", [&] { vesk::run_script_editor_command(editor, vesk::editor_undo); }, "UR--V-A",
         L"ab"},
        {"paste at the end",
         [&] {
             caret(2);
             vesk::run_script_editor_command(editor, vesk::editor_paste);
         },
         "U---V-A", L"abab"},
        {"cut",
         [&] {
             caret(0, 1);
             vesk::run_script_editor_command(editor, vesk::editor_cut);
         },
         "U---V-A", L"bab"},
        // The keyboard's paste takes plain text from the clipboard too.
        {"Shift+Insert",
         [&] {
             caret(3);
             SendMessageW(editor, WM_KEYDOWN, VK_SHIFT, 0);
             BYTE keys[256] = {};
             GetKeyboardState(keys);
             keys[VK_SHIFT] = 0x80;
             SetKeyboardState(keys);
             SendMessageW(editor, WM_KEYDOWN, VK_INSERT, 0);
             keys[VK_SHIFT] = 0;
             SetKeyboardState(keys);
         },
         "U---V-A", L"baba"},
        {"read-only with a selection",
         [&] {
             SendMessageW(editor, EM_SETREADONLY, TRUE, 0);
             caret(0, 2);
             SendMessageW(editor, WM_PASTE, 0, 0);
         },
         "---C--A", L"baba"},
    };
    for (const auto& s : steps) {
        s.act();
        const std::vector<menu_item> seen = open_menu();
        ASSERT_EQ(seen.size(), labels.size()) << s.step;
        std::string enabled;
        const char letters[] = "UR XCVD A";
        for (size_t i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(seen[i].label, labels[i]) << s.step;
            if (letters[i] != ' ') enabled += seen[i].enabled ? letters[i] : '-';
        }
        EXPECT_EQ(enabled, s.enabled) << s.step;
        EXPECT_EQ(text(), s.text) << s.step;
    }
    RemoveWindowSubclass(editor, menu_spy, 1);
}

// A script of `lines` lines whose quotes, comments and brackets carry their
// state from line to line.
std::wstring long_script(int lines) {
    const wchar_t* const samples[] = {L"$if(%artist%,'by '%artist%,",
                                      L"  // a note (with a bracket", L"  'a quote over",
                                      L"  two lines',[%album%]", L"  $puts(x,$add(1,2)))"};
    std::wstring out;
    for (int i = 0; i < lines; ++i) out += std::wstring(samples[i % 5]) + L"\r\n";
    return out + L"$end";
}

TEST_F(Editor, PaintsTheEndOfALongScriptAsAWholeWalkWould) {
    const std::wstring script = long_script(1500);
    const auto paint_end = [&](const std::wstring& text, bool fresh) {
        if (fresh) make();
        if (fresh) set_text(text);
        const LONG end = static_cast<LONG>(SendMessageW(editor, WM_GETTEXTLENGTH, 0, 0));
        caret(end);
        SendMessageW(editor, EM_SCROLLCARET, 0, 0);
        return capture();
    };
    const std::vector<COLORREF> original = paint_end(script, true);
    EXPECT_GT(std::count(original.begin(), original.end(), var_fg), 0);

    // A quote opened on the first line recolours the last ones.
    caret(0);
    SendMessageW(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"'"));
    const std::vector<COLORREF> quoted = paint_end(L"", false);
    EXPECT_NE(quoted, original);
    // The same text painted by a new editor, whose cache starts empty.
    EXPECT_EQ(paint_end(L"'" + script, true), quoted);

    // Taking the quote away again gives back the first picture, and so does
    // a script without the lines above the visible ones.
    const std::vector<COLORREF> again = paint_end(script, true);
    caret(0);
    SendMessageW(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"'"));
    (void)paint_end(L"", false);
    SendMessageW(editor, EM_UNDO, 0, 0);
    EXPECT_EQ(paint_end(L"", false), original);
    EXPECT_EQ(again, original);
    EXPECT_EQ(paint_end(long_script(1000), true), original);
}

TEST_F(Editor, StatusLineUnderTheText) {
    make();
    set_text(L"$a(1)\r\n$b(2)");
    const auto bottom_rows = [&] {
        int w, h;
        const std::vector<COLORREF> px = capture(w, h);
        return std::vector<COLORREF>(px.end() - 4 * w, px.end());
    };
    const auto all_white = [](const std::vector<COLORREF>& px) {
        return std::all_of(px.begin(), px.end(), [](COLORREF c) { return c == white; });
    };
    EXPECT_TRUE(all_white(bottom_rows()));
    vesk::set_script_editor_status(editor, "2:3 unexpected \xE2\x80\x9C)\xE2\x80\x9D");
    EXPECT_EQ(vesk::script_editor_status(editor), "2:3 unexpected \xE2\x80\x9C)\xE2\x80\x9D");
    const std::vector<COLORREF> strip = bottom_rows();
    EXPECT_GT(std::count(strip.begin(), strip.end(), GetSysColor(COLOR_BTNFACE)), 0);
    // The text keeps its place and colours above the strip.
    expect_func_at_zero();
    vesk::set_script_editor_status(editor, "");
    EXPECT_EQ(vesk::script_editor_status(editor), "");
    EXPECT_TRUE(all_white(bottom_rows()));
}

// In a dialog Tab and Enter go into the script, as a host's message loop
// hands them through IsDialogMessage.
TEST_F(Editor, KeepsTabAndEnterInADialog) {
    make({0, 0, 620, 420});
    // A button after it, where Tab would move the focus and Enter would press.
    HWND button = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 430,
                                  80, 24, frame, reinterpret_cast<HMENU>(IDOK), nullptr, nullptr);
    ASSERT_TRUE(button);
    SetFocus(editor);
    for (WPARAM key : {WPARAM(VK_TAB), WPARAM(VK_RETURN)}) {
        MSG msg{editor, WM_KEYDOWN, key, 0, 0, {}};
        EXPECT_TRUE(IsDialogMessageW(frame, &msg));
        // Another test program on the display may take the activation and
        // with it the focus; the button must never get it.
        EXPECT_NE(GetFocus(), button);
        MSG queued;
        while (PeekMessageW(&queued, editor, 0, 0, PM_REMOVE)) DispatchMessageW(&queued);
    }
    wchar_t buf[16] = L"";
    GetWindowTextW(editor, buf, 16);
    EXPECT_EQ(std::wstring(buf), L"\t\r\n");
}

}  // namespace
