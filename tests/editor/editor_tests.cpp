// The script editor as the configuration pages use it: a real rich-edit
// control in a real window, its colours read back from painted pixels.
#include <windows.h>

#include <richedit.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "editor/script_editor.h"
#include "host/gdi_handles.h"
#include "support/case_table.h"
#include "support/component_host.h"
#include "support/pixel_names.h"
#include "support/test_folder.h"
#include "support/window_probe.h"

namespace {

// Default colours, as the settings file documents them.
constexpr COLORREF white = RGB(255, 255, 255), base_fg = RGB(0, 0, 0), func_fg = RGB(0xC0, 0, 0x40),
                   var_fg = RGB(0, 0x40, 0xC0), comment_fg = RGB(0, 0x80, 0),
                   symbol_fg = RGB(0x99, 0, 0xFF), quot_fg = RGB(0x80, 0x80, 0xFF),
                   pare_fg = RGB(0x99, 0, 0xFF), ok_bg = RGB(0xCC, 0xFF, 0),
                   err_bg = RGB(0xFF, 0x66, 0xFF), selected_bg = RGB(0x58, 0x62, 0x62);
const wchar_t* const ini_path = L"C:\\profile\\tfeditor.ini";

class Editor : public ::testing::Test {
protected:
    cor_test::component_host host;
    HWND frame = nullptr;
    HWND editor = nullptr;
    const long handles_at_start = vesk::handle_count::live();

    void SetUp() override {
        frame = CreateWindowExW(0, L"STATIC", L"editor test", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480,
                                nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(frame);
    }
    void TearDown() override {
        DestroyWindow(frame);
        DeleteFileW(ini_path);
        EXPECT_EQ(vesk::handle_count::live(), handles_at_start);
    }

    static void write_ini(const std::string& text) {
        std::filesystem::create_directories(L"C:\\profile");
        cor_test::write_bytes(ini_path, text);
    }
    void make(RECT rect = {0, 0, 620, 460}) {
        if (editor) DestroyWindow(editor);
        editor = vesk::create_script_editor(frame, 101, rect);
        ASSERT_TRUE(editor);
    }
    void set_text(const std::wstring& text) { SetWindowTextW(editor, text.c_str()); }
    void caret(LONG pos, LONG end = -2) {
        SendMessageW(editor, EM_SETSEL, pos, end == -2 ? pos : end);
    }

    // The editor's client area as it paints it, drawn into a bitmap of the
    // test's own (WM_PRINTCLIENT), so windows of other test programs on the
    // same display cannot cover it.
    struct picture {
        std::vector<COLORREF> px;
        int w = 0, h = 0;
        bool operator==(const picture&) const = default;
    };
    picture capture() {
        RECT r;
        GetClientRect(editor, &r);
        const auto print = [&](HDC dc) {
            SendMessageW(editor, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                         PRF_CLIENT | PRF_ERASEBKGND);
        };
        return {cor_test::pixels_of(r.right, r.bottom, print), r.right, r.bottom};
    }
    // The box of one character in the control's layout; empty when the
    // next character starts another line.
    RECT box_of(LONG pos) {
        POINTL a{}, b{};
        SendMessageW(editor, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&a), pos);
        SendMessageW(editor, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&b), pos + 1);
        return b.y == a.y ? RECT{a.x, a.y, b.x, a.y + line_height()} : RECT{};
    }
    // The pixels of one character's cell, counted by colour.
    std::map<COLORREF, int> cell(LONG pos) {
        const picture p = capture();
        const RECT box = box_of(pos);
        std::map<COLORREF, int> out;
        for (int y = box.top; y < box.bottom && y < p.h; ++y)
            for (int x = box.left; x < box.right && x < p.w; ++x)
                ++out[p.px[static_cast<size_t>(y) * p.w + x]];
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
        const HGDIOBJ old = SelectObject(dc, font.get());
        GetTextMetricsW(dc, &tm);
        SelectObject(dc, old);
        ReleaseDC(editor, dc);
        return tm.tmHeight;
    }
    // A character's cell in one ink (every pixel not of the cell's most
    // common colour must be that one colour) on that most common colour.
    void expect_cell(LONG pos, COLORREF fg, COLORREF bg, const std::string& what) {
        std::map<COLORREF, int> counts = cell(pos);
        const auto back = std::max_element(counts.begin(), counts.end(),
                                           [](auto& a, auto& b) { return a.second < b.second; });
        ASSERT_NE(back, counts.end()) << what << " at " << pos;
        EXPECT_EQ(back->first, bg) << what << " at " << pos;
        counts.erase(back);
        EXPECT_EQ(counts.size(), 1u) << what << " at " << pos;
        EXPECT_EQ(counts.empty() ? CLR_INVALID : counts.begin()->first, fg)
            << what << " at " << pos;
    }
};

// Each token in its colours, from the settings file too, and the bracket at
// the caret marked: rows of data/editor-colours.tsv.
TEST_F(Editor, ColoursEachTokenAndTheBracketAtTheCaret) {
    const char* const file =
        "[editor]\nbase_bg=FFFFF0\nfunc_fg=00FF00\nfunc_bg=FFFF00\nvar_bg=0-255-255\n"
        "quot_bg=E0E0E0\ncomment_bg=101010\ncomment_fg=FFFFFF\nsymbol_fg=FF0000\npare_fg=0000FF\n";
    using colours = std::map<char, std::pair<COLORREF, COLORREF>>;
    const colours defaults = {{'b', {base_fg, white}},   {'f', {func_fg, white}},
                              {'v', {var_fg, white}},    {'c', {comment_fg, white}},
                              {'s', {symbol_fg, white}}, {'q', {quot_fg, white}},
                              {'p', {pare_fg, white}},   {'o', {base_fg, ok_bg}},
                              {'e', {base_fg, err_bg}},  {'S', {white, selected_bg}}};
    // What the file changes; symbols and brackets keep their white background.
    const colours from_file = {
        {'b', {base_fg, RGB(255, 255, 240)}}, {'f', {RGB(0, 255, 0), RGB(255, 255, 0)}},
        {'v', {var_fg, RGB(0, 255, 255)}},    {'q', {quot_fg, RGB(0xE0, 0xE0, 0xE0)}},
        {'c', {white, RGB(16, 16, 16)}},      {'s', {RGB(255, 0, 0), white}},
        {'p', {RGB(0, 0, 255), white}}};
    for (const cor_test::t_case_row& row :
         cor_test::read_case_table("editor/data/editor-colours.tsv", 5)) {
        const bool with_file = row.fields[0] == "1";
        const std::string& classes = row.fields[4];
        DeleteFileW(ini_path);
        if (with_file) write_ini(file);
        make();
        set_text(std::wstring(row.fields[1].begin(), row.fields[1].end()));
        caret(std::stoi(row.fields[2]), std::stoi(row.fields[3]));
        colours expected = with_file ? from_file : colours{};
        expected.insert(defaults.begin(), defaults.end());  // where the file changes nothing
        for (size_t i = 0; i < classes.size(); ++i) {
            if (classes[i] == ' ') continue;
            const auto [fg, bg] = expected[classes[i]];
            expect_cell(static_cast<LONG>(i), fg, bg, row.where);
        }
    }
}

TEST_F(Editor, FontAndLimitFromTheSettingsFile) {
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
TEST_F(Editor, GlyphsSitWhereTheControlPlacesThem) {
    const std::wstring text =
        L"$console(x) %title% , $if(%artist%,\t'a,b',[x])// note\r\n"
        L"  $puts(lg,$add(1,2)) %album artist%;'q'x $len(%a%)\r\n"
        L"$drawtext($get(title),10,$add($get(y),4),$sub(%_width%,20),20,font-name:Tahoma,fg:FF)";
    const char* const fonts[] = {
        "", "font_face_name=Courier New\nfont_size=20\n", "font_face_name=Arial\nfont_size=11\n",
        "font_face_name=Times New Roman\nfont_size=13\n", "font_face_name=Tahoma\nfont_size=7\n"};
    const auto picture_with = [&](const std::string& ini) {
        write_ini("[editor]\n" + ini);
        make();
        set_text(text);
        caret(14);  // inside a field: no bracket is marked
        return capture();
    };
    for (const char* font : fonts) {
        const picture coloured = picture_with(font);
        const picture plain = picture_with(std::string(font) + "limit_text_size=1\n");
        ASSERT_EQ(coloured.w, plain.w);
        for (LONG pos = 0; pos < static_cast<LONG>(text.size()); ++pos) {
            const RECT box = box_of(pos);
            int differ = 0;
            for (int y = box.top; y < box.bottom; ++y)
                for (int x = box.left; x < box.right; ++x) {
                    const size_t i = static_cast<size_t>(y) * plain.w + x;
                    differ += (coloured.px[i] != white) != (plain.px[i] != white);
                }
            EXPECT_EQ(differ, 0) << "font \"" << font << "\" character " << pos << " '"
                                 << static_cast<char>(text[static_cast<size_t>(pos)]) << "'";
        }
    }
}

// The context menu's commands edit the text, and a read-only editor takes no
// paste; a status line shows under the text.
TEST_F(Editor, MenuCommandsEditTheTextAndTheStatusLineShowsUnderIt) {
    make();
    const auto run = [&](UINT command) {
        vesk::run_script_editor_command(editor, command);
        return cor::to_wide(cor_test::text_of(editor));
    };
    SendMessageW(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"ab"));
    run(vesk::editor_select_all);
    EXPECT_EQ(run(vesk::editor_copy), L"ab");
    EXPECT_EQ(run(vesk::editor_delete), L"");
    EXPECT_EQ(run(vesk::editor_undo), L"ab");
    caret(2);
    EXPECT_EQ(run(vesk::editor_paste), L"abab");
    caret(0, 1);
    EXPECT_EQ(run(vesk::editor_cut), L"bab");
    SendMessageW(editor, EM_SETREADONLY, TRUE, 0);
    caret(0, 2);
    EXPECT_EQ(run(vesk::editor_paste), L"bab");

    // The status line: a strip under the text.
    SendMessageW(editor, EM_SETREADONLY, FALSE, 0);
    set_text(L"$a(1)\r\n$b(2)");
    // How many pixels of the four bottom rows are of colour `c`, of `rows`.
    const auto below = [&](COLORREF c) {
        const picture p = capture();
        return std::count(p.px.end() - 4 * p.w, p.px.end(), c);
    };
    const std::ptrdiff_t rows = 4 * capture().w;
    EXPECT_EQ(below(white), rows);
    vesk::set_script_editor_status(editor, "2:3 unexpected \xE2\x80\x9C)\xE2\x80\x9D");
    EXPECT_GT(below(GetSysColor(COLOR_BTNFACE)), 0);
    // The text keeps its place and colours above the strip.
    EXPECT_GT(cell(0).count(func_fg), 0u);
    vesk::set_script_editor_status(editor, "");
    EXPECT_EQ(below(white), rows);
}

TEST_F(Editor, PaintsTheEndOfALongScriptAsAWholeWalkWould) {
    // 1500 lines whose quotes, comments and brackets carry their state from
    // line to line.
    const wchar_t* const samples[] = {L"$if(%artist%,'by '%artist%,",
                                      L"  // a note (with a bracket", L"  'a quote over",
                                      L"  two lines',[%album%]", L"  $puts(x,$add(1,2)))"};
    std::wstring script;
    for (int i = 0; i < 1500; ++i) script += std::wstring(samples[i % 5]) + L"\r\n";
    script += L"$end";
    // The end of the text in view; in a new editor, whose cache starts
    // empty, when given a text.
    const auto paint_end = [&](const std::wstring& fresh = {}) {
        if (!fresh.empty()) {
            make();
            set_text(fresh);
        }
        caret(static_cast<LONG>(SendMessageW(editor, WM_GETTEXTLENGTH, 0, 0)));
        SendMessageW(editor, EM_SCROLLCARET, 0, 0);
        return capture();
    };
    const picture original = paint_end(script);
    EXPECT_GT(std::count(original.px.begin(), original.px.end(), var_fg), 0);

    // A quote opened on the first line recolours the last ones, as a whole
    // walk of the new text does.
    caret(0);
    SendMessageW(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"'"));
    const picture quoted = paint_end();
    EXPECT_NE(quoted, original);
    EXPECT_EQ(paint_end(L"'" + script), quoted);
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
    EXPECT_EQ(cor::to_wide(cor_test::text_of(editor)), L"\t\r\n");
}

}  // namespace
