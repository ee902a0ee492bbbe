// $pstrsplit and $wstrsplit: lines cut by pixel width in the main window's
// drawing context, and by bytes of the ANSI code page.
#include "function_test_util.h"

#include "host/gdi_handles.h"

using namespace function_test;

namespace {

class Split : public FunctionTest {
protected:
    // The width of `text` in a font made as the drawing code makes its GDI
    // fonts: height from points and the device resolution, bold for "b".
    int width_of(const std::wstring& text, const wchar_t* face, int points, bool bold) {
        if (!main_) {
            main_ = host.start_ui();
            host.take_lines();
        }
        HWND main = main_;
        HDC dc = GetDC(main);
        LOGFONTW lf{};
        lf.lfHeight = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
        lf.lfWeight = bold ? FW_BOLD : FW_DONTCARE;
        lf.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
        HFONT font = CreateFontIndirectW(&lf);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        DeleteObject(font);
        ReleaseDC(main, dc);
        return size.cx;
    }

    static std::wstring default_face() {
        LOGFONTW lf{};
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
        return lf.lfFaceName;
    }

private:
    HWND main_ = nullptr;
};

TEST_F(Split, BytesPerLine) {
    EXPECT_EQ(run("$wstrsplit(abcdef,4,-1)|$wstrsplit(abcdef,4,0)|$wstrsplit(abcdef,4,1)"),
              "2|abcd|ef");
    EXPECT_EQ(run("[$wstrsplit(abcdef,4,2)]|$if($wstrsplit(abcdef,4,1),y,n)"), "|y");
    EXPECT_EQ(run("$wstrsplit(abcdef,6,-5)|$wstrsplit(abcdef,100,0)|$wstrsplit(,4,-1)"),
              "1|abcdef|0");
    EXPECT_EQ(run("$wstrsplit(a b c d,3,-1)|$wstrsplit(a b c d,3,1)"), "3| c ");
    EXPECT_EQ(run_lines("$wstrsplit(abc,1)$wstrsplit(abc,1,1,1)"),
              (lines{"", "$wstrsplit: invalid syntax", "$wstrsplit: invalid syntax"}));
}

TEST_F(Split, BytesOfTwoByteCharacters) {
    if (GetACP() != 932) GTEST_SKIP() << "ANSI code page " << GetACP();
    // Each full-width character is two bytes and never cut.
    EXPECT_EQ(run("$wstrsplit(\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86,3,-1)|"
                  "$wstrsplit(\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86,4,1)"),
              "3|\xE3\x81\x86");
}

TEST_F(Split, PixelsInTheGivenFont) {
    const int three = width_of(L"aaa", L"Arial", 30, true);
    ASSERT_GT(three, width_of(L"aa", L"Arial", 30, true));
    const long handles = vesk::handle_count::live();
    const std::string font = ",font-name:Arial,font-size:30,font-style:B";
    const std::string w = std::to_string(three);
    EXPECT_EQ(run("$pstrsplit(aaaaaaa," + w + ",-1" + font + ")"), "3");
    EXPECT_EQ(run("$pstrsplit(aaaaaaa," + w + ",1" + font + ")|$pstrsplit(aaaaaaa," + w + ",2" +
                  font + ")"),
              "aaa|a");
    EXPECT_EQ(run("[$pstrsplit(aaaaaaa," + w + ",3" + font + ")]|$if($pstrsplit(aaaaaaa," + w +
                  ",3" + font + "),y,n)"),
              "|n");
    // One pixel less: two to a line.
    EXPECT_EQ(run("$pstrsplit(aaaaaaa," + std::to_string(three - 1) + ",-1" + font + ")"), "4");
    // Without the options the default font, much smaller, fits all seven.
    ASSERT_LE(width_of(L"aaaaaaa", default_face().c_str(), 11, false), three);
    EXPECT_EQ(run("$pstrsplit(aaaaaaa," + w + ",-1)"), "1");
    // Every font made for measuring is gone again.
    EXPECT_EQ(vesk::handle_count::live(), handles);
}

TEST_F(Split, PixelsInTheDefaultFont) {
    const std::wstring face = default_face();
    const int all = width_of(L"abcdefgh", face.c_str(), 11, false);
    const int half = width_of(L"abcd", face.c_str(), 11, false);
    EXPECT_EQ(run("$pstrsplit(abcdefgh," + std::to_string(all) + ",-1)"), "1");
    EXPECT_EQ(run("$pstrsplit(abcdefgh," + std::to_string(all - 1) + ",-1)"), "2");
    EXPECT_EQ(run("$pstrsplit(abcdefgh," + std::to_string(half) + ",0)"), "abcd");
    EXPECT_EQ(run("$pstrsplit(abcdefgh,0x,-1)"), "0");  // no room for anything
}

TEST_F(Split, WidthErrors) {
    ASSERT_GT(width_of(L"a", L"Arial", 11, false), 1);
    vesk::set_error_level(vesk::err_middle);
    EXPECT_EQ(run_lines("$pstrsplit(abc,1,-1)"), (lines{"0", "$pstrsplit: width error"}));
    vesk::set_error_level(vesk::err_low);
    EXPECT_EQ(run_lines("$pstrsplit(abc,1,-1)"), lines{"0"});
    // A line asked for is empty when nothing fits, however far away it is.
    EXPECT_EQ(run_lines("$if($pstrsplit(abc,1,0),y,n)|$if($pstrsplit(abc,1,2000000000),y,n)"),
              lines{"y|y"});
    EXPECT_EQ(
        run_lines("$pstrsplit(abc,100,-1,font-colour:red)$pstrsplit(abc,100)"),
        (lines{"", "$pstrsplit: unknown option 'font-colour:red'", "$pstrsplit: invalid syntax"}));
}

TEST_F(Split, NothingWithoutTheMainWindow) {
    EXPECT_EQ(run_lines("$pstrsplit(abc,100,-1)|$if($pstrsplit(abc,100,0),y,n)"), lines{"|n"});
    EXPECT_EQ(run("$wstrsplit(abc,100,-1)"), "1");
}

}  // namespace
