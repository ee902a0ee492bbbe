// The script editor on a 5,000-line script: a full repaint with the view
// at the top, the middle and the end, typing one character near the end
// (the keystroke and the repaint it causes), an edit at the top while the
// end is in view (every cached line state dropped), and the control's own
// plain painting of the same view for scale.
#include <windows.h>

#include <richedit.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_util.h"
#include "editor/script_editor.h"
#include "support/component_host.h"

namespace {

LRESULT CALLBACK frame_proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcW(h, m, w, l);
}

std::wstring script(int lines) {
    const wchar_t* const samples[] = {
        L"$if(%isplaying%,$puts(title,'['%artist% - ']'%title%),$puts(title,Stopped))",
        L"// the window's caption follows the playing track (and its album)",
        L"$drawtext($get(title),10,$add($get(y),4),$sub(%_width%,20),20,font-name:Tahoma,fg:"
        L"FFFFFF)",
        L"\t$puts(y,$add($get(y),[%tracknumber%]24))",
        L"$ifgreater(%playback_time_seconds%,60,'over a minute',$pad(%playback_time%,8))",
    };
    std::wstring out;
    for (int i = 0; i < lines; ++i) out += std::wstring(samples[i % 5]) + L"\r\n";
    return out;
}

void repaint(HWND editor) {
    InvalidateRect(editor, nullptr, FALSE);
    UpdateWindow(editor);
}

void show_line(HWND editor, int line) {
    const LONG at = static_cast<LONG>(SendMessageW(editor, EM_LINEINDEX, line, 0));
    SendMessageW(editor, EM_SETSEL, at, at);
    SendMessageW(editor, EM_SCROLLCARET, 0, 0);
    repaint(editor);
}

}  // namespace

int main() {
    cor_bench::print_load_average();
    cor_test::component_host host;
    WNDCLASSW wc{};
    wc.lpfnWndProc = frame_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"editor_bench_frame";
    RegisterClassW(&wc);
    HWND frame = CreateWindowExW(0, wc.lpszClassName, L"editor bench", WS_POPUP | WS_VISIBLE, 0, 0,
                                 800, 600, nullptr, nullptr, wc.hInstance, nullptr);
    const std::wstring text = script(5000);
    const RECT area{0, 0, 800, 600};

    HWND editor = vesk::create_script_editor(frame, 1, area);
    if (!editor) {
        std::printf("no editor\n");
        return 1;
    }
    SetWindowTextW(editor, text.c_str());
    std::printf("%d lines, %d characters\n",
                static_cast<int>(SendMessageW(editor, EM_GETLINECOUNT, 0, 0)),
                GetWindowTextLengthW(editor));
    const struct {
        const char* name;
        int line;
    } views[] = {{"full repaint, view at the top", 0},
                 {"full repaint, view at line 2,500", 2500},
                 {"full repaint, view at the end", 4999}};
    for (const auto& v : views) {
        show_line(editor, v.line);
        cor_bench::report(v.name, cor_bench::ns_per_iteration([&] { repaint(editor); }, 8));
    }

    // Typing near the end: one character and its repaint, then its removal.
    show_line(editor, 4990);
    const double typed = cor_bench::ns_per_iteration(
        [&] {
            SendMessageW(editor, WM_CHAR, L'x', 0);
            UpdateWindow(editor);
            SendMessageW(editor, WM_CHAR, VK_BACK, 0);
            UpdateWindow(editor);
        },
        8);
    cor_bench::report("typing one character at line 4,990, with its repaint", typed / 2);

    // An edit on the first line while the end is in view: every line state
    // after it is tokenised again once.
    show_line(editor, 4999);
    const double top_edit = cor_bench::ns_per_iteration(
        [&] {
            SendMessageW(editor, EM_SETSEL, 0, 0);
            SendMessageW(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"'"));
            show_line(editor, 4999);
            SendMessageW(editor, EM_SETSEL, 0, 1);
            SendMessageW(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
            show_line(editor, 4999);
        },
        4);
    cor_bench::report("an edit at the top, then a repaint at the end", top_edit / 2);
    DestroyWindow(editor);

    // The control's own painting of the same view: colouring off.
    std::filesystem::create_directories(L"C:\\profile");
    std::ofstream(L"C:\\profile\\tfeditor.ini") << "[editor]\nlimit_text_size=1\n";
    editor = vesk::create_script_editor(frame, 1, area);
    DeleteFileW(L"C:\\profile\\tfeditor.ini");
    SetWindowTextW(editor, text.c_str());
    show_line(editor, 4999);
    cor_bench::report("plain painting by the control, view at the end",
                      cor_bench::ns_per_iteration([&] { repaint(editor); }, 8));
    DestroyWindow(frame);
    return 0;
}
