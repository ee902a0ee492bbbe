// $pstrsplit: lines cut by pixel width in the main window's drawing context
// (data/split.tsv; $wstrsplit, and $pstrsplit without that window, are rows
// of data/scripts.tsv).
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

// The rows of data/split.tsv, with the widths measured here.
TEST_F(Split, PixelWidths) {
    const std::wstring face = default_face();
    const int three = width_of(L"aaa", L"Arial", 30, true);
    const int all = width_of(L"abcdefgh", face.c_str(), 11, false);
    const int half = width_of(L"abcd", face.c_str(), 11, false);
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
