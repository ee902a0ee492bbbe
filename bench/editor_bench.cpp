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

int main(int argc, char** argv) {
    cor_bench::print_load_average();
    const int rounds = cor_bench::rounds_argument(argc, argv, 11);
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
    // The control's own painting of the same view (colouring off) is timed
    // in a second editor over the first; each figure shows its editor and
    // puts its view in place, untimed, before its round.
    std::filesystem::create_directories(L"C:\\profile");
    std::ofstream(L"C:\\profile\\tfeditor.ini") << "[editor]\nlimit_text_size=1\n";
    HWND plain = vesk::create_script_editor(frame, 2, area);
    DeleteFileW(L"C:\\profile\\tfeditor.ini");
    SetWindowTextW(plain, text.c_str());
    const auto show_only = [](HWND shown, HWND hidden, int line) {
        ShowWindow(hidden, SW_HIDE);
        ShowWindow(shown, SW_SHOW);
        show_line(shown, line);
    };
    cor_bench::interleaved all;
    const auto timed = [&](const char* name, std::function<void()> body, int line, double per) {
        cor_bench::interleaved::options o;
        o.per = per;
        o.iterations = 8;
        o.setup = [&, line] { show_only(editor, plain, line); };
        all.add(name, std::move(body), o);
    };
    const struct {
        const char* name;
        int line;
    } views[] = {{"full repaint, view at the top", 0},
                 {"full repaint, view at line 2,500", 2500},
                 {"full repaint, view at the end", 4999}};
    for (const auto& v : views)
        timed(
            v.name, [&editor] { repaint(editor); }, v.line, 1);

    // Typing near the end: one character and its repaint, then its removal.
    timed(
        "typing one character at line 4,990, with its repaint",
        [&editor] {
            SendMessageW(editor, WM_CHAR, L'x', 0);
            UpdateWindow(editor);
            SendMessageW(editor, WM_CHAR, VK_BACK, 0);
            UpdateWindow(editor);
        },
        4990, 2);

    // An edit on the first line while the end is in view: every line state
    // after it is tokenised again once.
    timed(
        "an edit at the top, then a repaint at the end",
        [&editor] {
            SendMessageW(editor, EM_SETSEL, 0, 0);
            SendMessageW(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"'"));
            show_line(editor, 4999);
            SendMessageW(editor, EM_SETSEL, 0, 1);
            SendMessageW(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
            show_line(editor, 4999);
        },
        4999, 2);

    all.add(
        "plain painting by the control, view at the end", [&plain] { repaint(plain); },
        cor_bench::interleaved::options().runs(8).before([&] { show_only(plain, editor, 4999); }));
    all.run(rounds, 0);
    all.print("ms", 1e6);
    DestroyWindow(frame);
    return 0;
}
