#include "editor/script_editor.h"

#include <commctrl.h>
#include <ole2.h>
#include <richedit.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "editor/editor_settings.h"
#include "editor/script_lexer.h"
#include "host/display_scale.h"
#include "host/file_write.h"
#include "host/gdi_handles.h"
#include "host/host_services.h"
#include "host/script_path.h"
#include "utf8.h"

namespace vesk {

namespace {

// The control's class: riched20 registers "RichEdit20W"; where only the
// newer library exists, its own class behaves the same. The library stays
// loaded: editors made from it may outlive any one caller.
const wchar_t* rich_edit_class() {
    static const wchar_t* cls = []() -> const wchar_t* {
        if (LoadLibraryW(L"riched20.dll")) return L"RichEdit20W";
        if (LoadLibraryW(L"msftedit.dll")) return L"RICHEDIT50W";
        return nullptr;
    }();
    return cls;
}

struct menu_handle {
    HMENU h = CreatePopupMenu();
    menu_handle() = default;
    menu_handle(const menu_handle&) = delete;
    menu_handle& operator=(const menu_handle&) = delete;
    ~menu_handle() {
        if (h) DestroyMenu(h);
    }
};

class script_editor {
public:
    script_editor(HWND hwnd, editor::editor_settings settings)
        : hwnd_(hwnd), settings_(std::move(settings)) {}
    ~script_editor() {
        if (ole_) OleUninitialize();
    }

    void set_up();
    void use_dpi(int dpi);
    void subclass(WNDPROC original) { original_ = original; }
    [[nodiscard]] WNDPROC original() const { return original_; }
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    void set_status(std::wstring text);
    [[nodiscard]] const std::wstring& status() const { return status_; }
    void run_command(UINT command);

private:
    [[nodiscard]] size_t text_length() const;
    [[nodiscard]] bool plain() const;
    void note_change(UINT msg, WPARAM wp);
    void refresh_text();
    void paint();
    void render(HDC target);
    void draw_lines(HDC dc, const CHARRANGE& sel);
    void measure_from(HDC dc, const wchar_t* line, size_t n, size_t k, std::vector<int>& x);
    const std::vector<int>& line_layout(HDC dc, size_t line);
    void draw_char(HDC dc, size_t pos, const editor::colour_pair& colours);
    void draw_run(HDC dc, int y, size_t begin, size_t end, const editor::colour_pair& colours);
    void draw_status(HDC dc, const RECT& client);
    void apply_format_rect();
    [[nodiscard]] POINT position_of(size_t pos) const;
    void show_menu(LPARAM where);
    void paste();
    [[nodiscard]] bool writable() const {
        return !(GetWindowLongW(hwnd_, GWL_STYLE) & ES_READONLY);
    }

    HWND hwnd_;
    WNDPROC original_ = nullptr;
    editor::editor_settings settings_;
    unique_hfont font_;
    editor::script_lines lines_;
    std::wstring status_;
    RECT insets_{};  // the control's own margins around the text
    int status_height_ = 0;
    // The cached text is right up to this character; npos: all of it.
    size_t stale_from_ = 0;
    // Where the visible lines lie, noted by the paint in progress.
    size_t first_line_ = 0, last_line_ = 0;
    POINT origin_{};
    int line_height_ = 1;
    // Each line's character positions from its start, by its text.
    // Looked up by a view of the line, so a repaint copies no text.
    struct text_hash {
        using is_transparent = void;
        size_t operator()(std::wstring_view text) const {
            return std::hash<std::wstring_view>{}(text);
        }
    };
    std::unordered_map<std::wstring, std::vector<int>, text_hash, std::equal_to<>> layouts_;
    // The line being drawn: its first character and its layout.
    size_t placed_from_ = 0;
    const std::vector<int>* placed_ = nullptr;
    std::vector<int> dx_;
    int tab_width_ = 48;
    // The control pastes and drags through OLE's clipboard, which needs
    // OLE on this thread while the editor lives.
    bool ole_ = SUCCEEDED(OleInitialize(nullptr));
};

void script_editor::set_up() {
    // Plain text only: pasted formatting would move characters away from
    // where the colouring draws them.
    SendMessageW(hwnd_, EM_SETTEXTMODE, TM_PLAINTEXT | TM_MULTILEVELUNDO | TM_MULTICODEPAGE, 0);
    SendMessageW(hwnd_, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    SendMessageW(hwnd_, EM_SETTARGETDEVICE, 0, 1);  // no word wrap: a line is a paragraph
    use_dpi(screen_dpi_of(hwnd_));
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_COLOR;
    cf.crTextColor = settings_.base().fg;
    SendMessageW(hwnd_, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&cf));
    SendMessageW(hwnd_, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
    SendMessageW(hwnd_, EM_SETBKGNDCOLOR, 0, settings_.base().bg);
    RECT client, format;
    GetClientRect(hwnd_, &client);
    SendMessageW(hwnd_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    insets_ = {format.left - client.left, format.top - client.top, client.right - format.right,
               client.bottom - format.bottom};
}

// The font and the tab stops measured for the DPI of the editor's monitor.
void script_editor::use_dpi(int dpi) {
    font_.reset(CreateFontW(-MulDiv(settings_.font_size, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                            FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, DEFAULT_PITCH,
                            cor::to_wide(settings_.font_face).c_str()));
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    // The control's default tab stops: every half inch.
    PARAFORMAT pf{};
    pf.cbSize = sizeof pf;
    SendMessageW(hwnd_, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    const LONG tab_twips = pf.cTabCount > 0 ? (pf.rgxTabs[0] & 0xFFFFFF) : 720;
    tab_width_ = std::max(MulDiv(tab_twips, dpi, 1440), 1);
}

bool script_editor::plain() const { return text_length() >= settings_.limit_text_size; }

void script_editor::apply_format_rect() {
    RECT client;
    GetClientRect(hwnd_, &client);
    RECT r{client.left + insets_.left, client.top + insets_.top, client.right - insets_.right,
           client.bottom - insets_.bottom - status_height_};
    if (r.bottom < r.top) r.bottom = r.top;
    SendMessageW(hwnd_, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&r));
}

void script_editor::set_status(std::wstring text) {
    status_ = std::move(text);
    status_height_ = 0;
    if (!status_.empty()) {
        HDC dc = GetDC(hwnd_);
        select_guard font(dc, font_.get());
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        ReleaseDC(hwnd_, dc);
        status_height_ = tm.tmHeight + 4;
    }
    apply_format_rect();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

POINT script_editor::position_of(size_t pos) const {
    POINTL pt{};
    SendMessageW(hwnd_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&pt), static_cast<LPARAM>(pos));
    return {pt.x, pt.y};
}

size_t script_editor::text_length() const {
    GETTEXTLENGTHEX gtl{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LRESULT n = SendMessageW(hwnd_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gtl), 0);
    return static_cast<size_t>(std::max<LRESULT>(n, 0));
}

// Before a message that may edit: the text from the line above the
// selection onward is read again at the next paint (the line above, since
// deleting backwards may join a line to it). Messages that can change the
// text anywhere (undo, replacing the whole text) drop all of it.
void script_editor::note_change(UINT msg, WPARAM wp) {
    size_t from = 0;
    switch (msg) {
        case WM_CHAR:
        case WM_IME_CHAR:
        case WM_IME_COMPOSITION:
        case WM_CUT:
        case WM_CLEAR:
        case EM_REPLACESEL:
            break;
        case WM_KEYDOWN:
            if (GetKeyState(VK_CONTROL) < 0 && (wp == 'Z' || wp == 'Y')) {
                stale_from_ = 0;
                return;
            }
            if (wp != VK_DELETE && wp != VK_BACK && wp != VK_RETURN && wp != VK_TAB &&
                !(GetKeyState(VK_CONTROL) < 0 && wp == 'X'))
                return;
            break;
        case WM_SETTEXT:
        case EM_SETTEXTEX:
        case EM_STREAMIN:
        case WM_UNDO:
        case EM_UNDO:
        case EM_REDO:
            stale_from_ = 0;
            return;
        default:
            return;
    }
    CHARRANGE sel{};
    SendMessageW(hwnd_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    const size_t line = lines_.line_of(
        std::min<size_t>(static_cast<size_t>(std::max<LONG>(sel.cpMin, 0)), lines_.text().size()));
    from = lines_.line_start(line > 0 ? line - 1 : 0);
    stale_from_ = std::min(stale_from_, from);
}

// Reads only what may have changed: the control gives its text slowly, in
// proportion to its length.
void script_editor::refresh_text() {
    const size_t length = text_length();
    // A change the messages did not show (a drop from another program).
    if (stale_from_ == editor::npos && length != lines_.text().size()) stale_from_ = 0;
    if (stale_from_ == editor::npos) return;
    const size_t from = std::min(stale_from_, std::min(length, lines_.text().size()));
    std::wstring text = lines_.text().substr(0, from);
    text.resize(length + 1);
    TEXTRANGEW range{{static_cast<LONG>(from), static_cast<LONG>(length)}, text.data() + from};
    const LRESULT got = SendMessageW(hwnd_, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    text.resize(from + static_cast<size_t>(std::max<LRESULT>(got, 0)));
    lines_.set_text(std::move(text));
    stale_from_ = editor::npos;
}

// Fills x[k..n] for a line of n characters, measured with this font from
// x[k] on, tabs at the control's regular stops.
void script_editor::measure_from(HDC dc, const wchar_t* line, size_t n, size_t k,
                                 std::vector<int>& x) {
    for (size_t i = k; i < n;) {
        const size_t tab = std::min<size_t>(std::wstring_view(line, n).find(L'\t', i), n);
        if (tab > i) {
            dx_.resize(tab - i);
            SIZE size{};
            GetTextExtentExPointW(dc, line + i, static_cast<int>(tab - i), 0, nullptr, dx_.data(),
                                  &size);
            for (size_t m = 0; m < tab - i; ++m) x[i + m + 1] = x[i] + dx_[m];
        }
        if (tab == n) break;
        x[tab + 1] = (x[tab] / tab_width_ + 1) * tab_width_;
        i = tab + 1;
    }
}

// Where the control puts each character of `line` (and one past the last),
// from the line's start. Drawing a run as one string would let the platform
// space its glyphs its own way (Wine's off-screen text does), so each glyph
// is drawn at its place. The control mostly measures as this font does;
// where its end of the line says otherwise, the first character it places
// elsewhere is found by halving and measuring goes on from there. Its
// questions walk the whole text, so a line's answer is kept by its text.
const std::vector<int>& script_editor::line_layout(HDC dc, size_t line) {
    const size_t start = lines_.line_start(line), n = lines_.line_end(line) - start;
    const wchar_t* chars = lines_.text().data() + start;
    const std::wstring_view key(chars, n);
    if (auto it = layouts_.find(key); it != layouts_.end()) return it->second;
    if (layouts_.size() >= 4096) layouts_.clear();
    std::vector<int> x(n + 1);
    const auto control = [&](size_t i) { return position_of(start + i).x - origin_.x; };
    measure_from(dc, chars, n, 0, x);
    // x[0] is the control's; each round moves the agreement further along.
    for (size_t agreed = 0, rounds = 0; control(n) != x[n]; ++rounds) {
        if (rounds == 32) {
            for (size_t i = agreed + 1; i <= n; ++i) x[i] = control(i);
            break;
        }
        size_t lo = agreed, hi = n;
        while (hi - lo > 1) {
            const size_t mid = lo + (hi - lo) / 2;
            (control(mid) == x[mid] ? lo : hi) = mid;
        }
        x[hi] = control(hi);
        measure_from(dc, chars, n, hi, x);
        agreed = hi;
    }
    return layouts_.emplace(std::wstring(key), std::move(x)).first->second;
}

void script_editor::draw_run(HDC dc, int y, size_t begin, size_t end,
                             const editor::colour_pair& colours) {
    if (begin >= end) return;
    SetTextColor(dc, colours.fg);
    if (colours.bg != settings_.base().bg) {
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, colours.bg);
    } else {
        SetBkMode(dc, TRANSPARENT);
    }
    const size_t n = end - begin;
    const int* x = placed_->data() + (begin - placed_from_);
    dx_.resize(n);
    for (size_t i = 0; i < n; ++i) dx_[i] = std::max(x[i + 1] - x[i], 0);
    ExtTextOutW(dc, origin_.x + x[0], y, 0, nullptr, lines_.text().data() + begin,
                static_cast<UINT>(n), dx_.data());
}

void script_editor::draw_char(HDC dc, size_t pos, const editor::colour_pair& colours) {
    const size_t line = lines_.line_of(pos);
    if (line < first_line_ || line > last_line_) return;
    const int y = origin_.y + static_cast<int>(line - first_line_) * line_height_;
    const std::vector<int>& x = line_layout(dc, line);
    const size_t i = pos - lines_.line_start(line);
    if (i + 1 >= x.size()) return;
    int dx = x[i + 1] - x[i];
    SetTextColor(dc, colours.fg);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, colours.bg);
    ExtTextOutW(dc, origin_.x + x[i], y, 0, nullptr, lines_.text().data() + pos, 1, &dx);
}

void script_editor::draw_lines(HDC dc, const CHARRANGE& sel) {
    if (lines_.text().empty()) return;
    RECT format;
    SendMessageW(hwnd_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    // Every line has the same height and starts at the same x, so two
    // positions from the control place them all.
    first_line_ = std::min(static_cast<size_t>(SendMessageW(hwnd_, EM_GETFIRSTVISIBLELINE, 0, 0)),
                           lines_.line_count() - 1);
    origin_ = position_of(lines_.line_start(first_line_));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    line_height_ = std::max<int>(tm.tmHeight, 1);
    if (first_line_ + 1 < lines_.line_count()) {
        const int next = position_of(lines_.line_start(first_line_ + 1)).y - origin_.y;
        if (next > 0) line_height_ = next;
    }
    const size_t shown = static_cast<size_t>(std::max<LONG>(format.bottom - origin_.y, 0)) /
                         static_cast<size_t>(line_height_);
    last_line_ = std::min(first_line_ + shown + 1, lines_.line_count() - 1);

    const std::wstring& text = lines_.text();
    const auto selected = [&](size_t i) {
        return static_cast<LONG>(i) >= sel.cpMin && static_cast<LONG>(i) < sel.cpMax;
    };
    for (size_t line = first_line_; line <= last_line_; ++line) {
        const int y = origin_.y + static_cast<int>(line - first_line_) * line_height_;
        placed_from_ = lines_.line_start(line);
        placed_ = &line_layout(dc, line);
        editor::lex_state st = lines_.state_at(line);
        const size_t end = lines_.line_end(line);
        size_t run = lines_.line_start(line);
        editor::colour_pair run_colours{};
        for (size_t i = run; i < end; ++i) {
            const editor::lexeme lexeme = editor::lex_char(text, i, st);
            if (text[i] == L'\t') {
                draw_run(dc, y, run, i, run_colours);
                run = i + 1;
                continue;
            }
            const editor::colour_pair& c =
                selected(i) ? settings_.selected : settings_.of(lexeme.colour);
            if (i > run && c != run_colours) {
                draw_run(dc, y, run, i, run_colours);
                run = i;
            }
            run_colours = c;
        }
        draw_run(dc, y, run, end, run_colours);
    }
    if (sel.cpMin != sel.cpMax) return;
    const editor::bracket_match m = lines_.match_at(static_cast<size_t>(sel.cpMin));
    if (m.active == editor::npos) return;
    if (m.partner == editor::npos) {
        draw_char(dc, m.active, settings_.pare_check_err);
    } else {
        draw_char(dc, m.active, settings_.pare_check_ok);
        draw_char(dc, m.partner, settings_.pare_check_ok);
    }
}

void script_editor::draw_status(HDC dc, const RECT& client) {
    if (status_.empty()) return;
    RECT strip{client.left, client.bottom - status_height_, client.right, client.bottom};
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &strip, nullptr, 0, nullptr);
    RECT rule{strip.left, strip.top, strip.right, strip.top + 1};
    SetBkColor(dc, GetSysColor(COLOR_BTNSHADOW));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rule, nullptr, 0, nullptr);
    select_guard font(dc, font_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    RECT text{strip.left + 4, strip.top + 2, strip.right - 4, strip.bottom};
    DrawTextW(dc, status_.c_str(), static_cast<int>(status_.size()), &text,
              DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void script_editor::render(HDC target) {
    RECT client;
    GetClientRect(hwnd_, &client);
    const int w = std::max<int>(client.right, 1), h = std::max<int>(client.bottom, 1);
    unique_hbitmap bitmap(make_screen_bitmap(w, h));
    unique_hdc dc(CreateCompatibleDC(target));
    {
        select_guard bitmap_in(dc.get(), bitmap.get());
        select_guard font_in(dc.get(), font_.get());
        SetBkColor(dc.get(), settings_.base().bg);
        ExtTextOutW(dc.get(), 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);

        refresh_text();

        CHARRANGE sel{};
        SendMessageW(hwnd_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
        RECT format;
        SendMessageW(hwnd_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
        const int saved = SaveDC(dc.get());
        IntersectClipRect(dc.get(), format.left, format.top, format.right, format.bottom);
        draw_lines(dc.get(), sel);
        RestoreDC(dc.get(), saved);
        draw_status(dc.get(), client);
        BitBlt(target, 0, 0, w, h, dc.get(), 0, 0, SRCCOPY);
    }
}

void script_editor::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (dc) render(dc);
    // The caret comes back over the copied picture when painting ends.
    EndPaint(hwnd_, &ps);
}

// Plain text only, through the platform's clipboard: the control's own
// paste goes through OLE and may bring formatting that would move
// characters away from where the colouring draws them.
void script_editor::paste() {
    if (!writable() || !IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(hwnd_)) return;
    std::wstring text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            text.assign(p, wcsnlen(p, GlobalSize(data) / sizeof(wchar_t)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    SendMessageW(hwnd_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void script_editor::run_command(UINT command) {
    switch (command) {
        case editor_undo:
            SendMessageW(hwnd_, EM_UNDO, 0, 0);
            break;
        case editor_redo:
            SendMessageW(hwnd_, EM_REDO, 0, 0);
            break;
        case editor_cut:
            SendMessageW(hwnd_, WM_CUT, 0, 0);
            break;
        case editor_copy:
            SendMessageW(hwnd_, WM_COPY, 0, 0);
            break;
        case editor_paste:
            paste();
            break;
        case editor_delete:
            SendMessageW(hwnd_, WM_CLEAR, 0, 0);
            break;
        case editor_select_all:
            SendMessageW(hwnd_, EM_SETSEL, 0, -1);
            break;
        default:
            return;
    }
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void script_editor::show_menu(LPARAM where) {
    CHARRANGE sel{};
    SendMessageW(hwnd_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    // A selection may reach past the text onto the closing paragraph mark.
    const LONG length = GetWindowTextLengthW(hwnd_);
    const bool selection = std::min(sel.cpMax, length) > sel.cpMin;
    const bool writable = this->writable();
    struct item {
        UINT id;
        const wchar_t* label;
        bool enabled;
    };
    const item items[] = {
        {editor_undo, L"Undo\tCtrl+Z", writable && SendMessageW(hwnd_, EM_CANUNDO, 0, 0) != 0},
        {editor_redo, L"Redo\tCtrl+Y", writable && SendMessageW(hwnd_, EM_CANREDO, 0, 0) != 0},
        {0, nullptr, false},
        {editor_cut, L"Cut\tCtrl+X", writable && selection},
        {editor_copy, L"Copy\tCtrl+C", selection},
        {editor_paste, L"Paste\tCtrl+V", writable && IsClipboardFormatAvailable(CF_UNICODETEXT)},
        {editor_delete, L"Delete", writable && selection},
        {0, nullptr, false},
        {editor_select_all, L"Select All\tCtrl+A", true},
    };
    menu_handle menu;
    if (!menu.h) return;
    for (const item& i : items) {
        if (!i.label)
            AppendMenuW(menu.h, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuW(menu.h, MF_STRING | (i.enabled ? MF_ENABLED : MF_GRAYED), i.id, i.label);
    }
    POINT at{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
    if (where == -1) {  // from the keyboard: at the caret
        GetCaretPos(&at);
        ClientToScreen(hwnd_, &at);
    }
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu.h, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr));
    if (chosen) run_command(chosen);
}

// Messages after which the text, the selection or the scroll position may
// differ: the whole picture is made again, since a bracket pair or a
// quote can recolour lines far from the change.
bool may_change_view(HWND hwnd, UINT msg, WPARAM wp) {
    switch (msg) {
        case WM_CHAR:
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_IME_CHAR:
        case WM_IME_COMPOSITION:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_VSCROLL:
        case WM_HSCROLL:
        case WM_MOUSEWHEEL:
        case WM_MOUSEHWHEEL:
        case WM_SETTEXT:
        case WM_CUT:
        case WM_PASTE:
        case WM_CLEAR:
        case WM_UNDO:
        case EM_UNDO:
        case EM_REDO:
        case EM_REPLACESEL:
        case EM_SETSEL:
        case EM_EXSETSEL:
        case EM_SETTEXTEX:
        case EM_STREAMIN:
        case EM_PASTESPECIAL:
        case EM_LINESCROLL:
        case EM_SCROLL:
        case EM_SCROLLCARET:
        case EM_SETSCROLLPOS:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case EM_SETREADONLY:
            return true;
        case WM_MOUSEMOVE:
            return (wp & MK_LBUTTON) != 0;
        case WM_TIMER:
            return GetCapture() == hwnd;  // scrolling while selecting
        default:
            return false;
    }
}

LRESULT script_editor::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT:
            if (!plain()) {
                paint();
                return 0;
            }
            if (!status_.empty()) {
                const LRESULT r = CallWindowProcW(original_, hwnd_, msg, wp, lp);
                HDC dc = GetDC(hwnd_);
                RECT client;
                GetClientRect(hwnd_, &client);
                draw_status(dc, client);
                ReleaseDC(hwnd_, dc);
                return r;
            }
            break;
        case WM_PRINTCLIENT:
            if (!plain()) {
                render(reinterpret_cast<HDC>(wp));
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            if (!plain()) return 1;
            break;
        case WM_CONTEXTMENU:
            show_menu(lp);
            return 0;
        case WM_GETDLGCODE: {
            // Scripts are indented with tabs and split over lines, so in a
            // dialog Tab and Enter stay in the editor.
            LRESULT code = CallWindowProcW(original_, hwnd_, msg, wp, lp) | DLGC_WANTTAB;
            const auto* key = reinterpret_cast<const MSG*>(lp);
            if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN)
                code |= DLGC_WANTMESSAGE;
            return code;
        }
        case WM_PASTE:
            paste();
            return 0;
        case WM_KEYDOWN: {
            const bool ctrl = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0;
            if ((wp == 'V' && ctrl && !shift) || (wp == VK_INSERT && shift && !ctrl)) {
                paste();
                return 0;
            }
            break;
        }
        case dpi_changed_after_parent: {
            const LRESULT r = CallWindowProcW(original_, hwnd_, msg, wp, lp);
            use_dpi(screen_dpi_of(hwnd_));
            InvalidateRect(hwnd_, nullptr, FALSE);
            return r;
        }
        case WM_SIZE: {
            const LRESULT r = CallWindowProcW(original_, hwnd_, msg, wp, lp);
            apply_format_rect();
            InvalidateRect(hwnd_, nullptr, FALSE);
            return r;
        }
        default:
            break;
    }
    note_change(msg, wp);
    const LRESULT r = CallWindowProcW(original_, hwnd_, msg, wp, lp);
    if (may_change_view(hwnd_, msg, wp)) InvalidateRect(hwnd_, nullptr, FALSE);
    return r;
}

// The editors alive, by control. A plain subclass with a table lookup:
// the common controls' subclass chain looks its data up in window
// properties on every message, which costs a server round trip under Wine.
std::unordered_map<HWND, script_editor*>& editors() {
    static std::unordered_map<HWND, script_editor*> all;
    return all;
}

script_editor* editor_of(HWND hwnd) {
    const auto it = editors().find(hwnd);
    return it == editors().end() ? nullptr : it->second;
}

LRESULT CALLBACK editor_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    script_editor* editor = editor_of(hwnd);
    if (!editor) return DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        const WNDPROC original = editor->original();
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        editors().erase(hwnd);
        delete editor;
        return CallWindowProcW(original, hwnd, msg, wp, lp);
    }
    try {
        return editor->handle(msg, wp, lp);
    } catch (...) {
        return CallWindowProcW(editor->original(), hwnd, msg, wp, lp);
    }
}

editor::editor_settings read_settings() {
    std::string bytes;
    if (!read_file(script_path("/tfeditor.ini"), bytes)) return {};
    return editor::parse_editor_settings(bytes);
}

}  // namespace

HWND create_script_editor(HWND parent, int control_id, const RECT& rect) {
    const wchar_t* cls = rich_edit_class();
    if (!cls) return nullptr;
    HINSTANCE instance = static_cast<HINSTANCE>(host::module_handle());
    if (!instance) instance = GetModuleHandleW(nullptr);
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL |
                        ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL |
                        ES_WANTRETURN;
    HWND hwnd = CreateWindowExW(WS_EX_CLIENTEDGE, cls, L"", style, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id)), instance,
                                nullptr);
    if (!hwnd) return nullptr;
    auto editor = std::make_unique<script_editor>(hwnd, read_settings());
    editor->set_up();
    editor->subclass(reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editor_proc))));
    editors().emplace(hwnd, editor.release());
    return hwnd;
}

void set_script_editor_status(HWND editor, std::string_view utf8_text) {
    if (script_editor* e = editor_of(editor)) e->set_status(cor::to_wide(utf8_text));
}

std::string script_editor_status(HWND editor) {
    const script_editor* e = editor_of(editor);
    return e ? cor::to_utf8(e->status()) : std::string{};
}

void run_script_editor_command(HWND editor, UINT command) {
    if (script_editor* e = editor_of(editor)) e->run_command(command);
}

}  // namespace vesk
