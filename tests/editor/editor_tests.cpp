// The script editor as the configuration pages use it: a real rich-edit
// control in a real window, its colours read back from painted pixels.
#include <windows.h>

#include <richedit.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
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
    void set_text(const std::wstring& text) {
        SetWindowTextW(editor, text.c_str());
    }
    void caret(LONG pos, LONG end = -2) {
        SendMessageW(editor, EM_SETSEL, pos, end == -2 ? pos : end);
    }

    // The editor's client area as painted.
    std::vector<COLORREF> capture(int& width, int& height) {
        InvalidateRect(editor, nullptr, FALSE);
        UpdateWindow(editor);
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
        {
            vesk::select_guard in(dc.get(), dib.get());
            BitBlt(dc.get(), 0, 0, width, height, screen, 0, 0, SRCCOPY);
        }
        ReleaseDC(editor, screen);
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
    int line_height() {
        POINTL a{}, b{};
        SendMessageW(editor, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&a), 0);
        SendMessageW(editor, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&b), 1);
        TEXTMETRICW tm{};
        HDC dc = GetDC(editor);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(editor, WM_GETFONT, 0, 0)));
        GetTextMetricsW(dc, &tm);
        SelectObject(dc, old);
        ReleaseDC(editor, dc);
        return tm.tmHeight;
    }
};

TEST_F(Editor, Probe) {
    make();
    set_text(L"$if(%artist%,'a,b',x)// z");
    for (LONG i = 0; i < 25; ++i) {
        std::string s;
        for (auto [c, n] : cell(i)) {
            char buf[32];
            snprintf(buf, sizeof buf, " %06lX:%d", static_cast<unsigned long>(c), n);
            s += buf;
        }
        printf("%ld%s\n", static_cast<long>(i), s.c_str());
    }
}

}  // namespace
