// $pstrsplit: lines cut by pixel width in the main window's drawing context
// (data/split.tsv; $wstrsplit, and $pstrsplit without that window, are rows
// of data/scripts.tsv).
#include "function_test_util.h"

#include "host/gdi_handles.h"

using namespace function_test;

namespace {

using Split = FunctionTest;

// The rows of data/split.tsv, with the widths measured here in fonts made
// as the drawing code makes its GDI fonts: height from points and the
// device resolution.
TEST_F(Split, PixelWidths) {
    HWND main = host.start_ui();
    ASSERT_NE(main, nullptr);
    host.take_lines();
    const auto width_of = [&](const std::wstring& text, const wchar_t* face, int points,
                              int weight) {
        HDC dc = GetDC(main);
        LOGFONTW lf{};
        lf.lfHeight = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
        lf.lfWeight = weight;
        lf.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
        HFONT font = CreateFontIndirectW(&lf);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        DeleteObject(SelectObject(dc, old));
        ReleaseDC(main, dc);
        return size.cx;
    };
    LOGFONTW face{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
    const int three = width_of(L"aaa", L"Arial", 30, FW_BOLD);
    const int all = width_of(L"abcdefgh", face.lfFaceName, 11, FW_DONTCARE);
    const int half = width_of(L"abcd", face.lfFaceName, 11, FW_DONTCARE);
    const long handles = vesk::handle_count::live();
    expect_table("split.tsv", {{"three", std::to_string(three)},
                               {"three-1", std::to_string(three - 1)},
                               {"all", std::to_string(all)},
                               {"all-1", std::to_string(all - 1)},
                               {"half", std::to_string(half)}});
    // Every font made for measuring is gone again.
    EXPECT_EQ(vesk::handle_count::live(), handles);
}

}  // namespace
