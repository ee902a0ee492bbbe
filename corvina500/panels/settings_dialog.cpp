#include "panels/settings_dialog.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "utf8.h"

namespace cor::panels {
namespace {

constexpr int row_height = 26;
constexpr int label_width = 130;
constexpr int edit_width = 110;

struct t_dialog_state {
    const std::vector<t_settings_field>& fields;
    std::vector<uint32_t>& values;
    const std::function<bool(const std::vector<uint32_t>&)>& apply;
};

HWND add_control(HWND dlg, const wchar_t* cls, const std::wstring& text, DWORD style, int x, int y,
                 int w, int h, int id, DWORD ex_style = 0) {
    HWND c =
        CreateWindowExW(ex_style, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, dlg,
                        reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    return c;
}

void on_init(HWND dlg, t_dialog_state& state) {
    int y = 10;
    for (size_t i = 0; i < state.fields.size(); ++i, y += row_height) {
        const t_settings_field& f = state.fields[i];
        add_control(dlg, L"STATIC", to_wide(f.label), 0, 10, y + 3, label_width, 18, -1);
        add_control(dlg, L"EDIT", to_wide(settings_value_text(f, state.values[i])),
                    WS_TABSTOP | ES_AUTOHSCROLL, 10 + label_width, y, edit_width, 22,
                    settings_first_edit + static_cast<int>(i), WS_EX_CLIENTEDGE);
    }
    const int width = 20 + label_width + edit_width;
    add_control(dlg, L"STATIC", L"", 0, 10, y, width - 20, 18, settings_error_text);
    y += 24;
    add_control(dlg, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, width - 180, y, 80, 24, IDOK);
    add_control(dlg, L"BUTTON", L"Cancel", WS_TABSTOP, width - 90, y, 80, 24, IDCANCEL);
    RECT r{0, 0, width, y + 34};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_EXSTYLE)));
    RECT owner{};
    if (HWND parent = GetParent(dlg)) GetWindowRect(parent, &owner);
    SetWindowPos(dlg, nullptr, owner.left + 40, owner.top + 40, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER);
    if (!state.fields.empty()) SetFocus(GetDlgItem(dlg, settings_first_edit));
}

void on_ok(HWND dlg, t_dialog_state& state) {
    std::vector<uint32_t> chosen(state.fields.size());
    for (size_t i = 0; i < state.fields.size(); ++i) {
        wchar_t buf[64] = L"";
        GetDlgItemTextW(dlg, settings_first_edit + static_cast<int>(i), buf, 64);
        if (!parse_settings_value(state.fields[i], to_utf8(buf), chosen[i])) {
            const std::string why =
                std::string(state.fields[i].label) +
                (state.fields[i].colour ? ": six hex digits, RRGGBB" : ": a whole number");
            SetDlgItemTextW(dlg, settings_error_text, to_wide(why).c_str());
            return;
        }
    }
    if (!state.apply(chosen)) {
        SetDlgItemTextW(dlg, settings_error_text, L"The panel does not take these values.");
        return;
    }
    state.values = chosen;
    EndDialog(dlg, IDOK);
}

INT_PTR CALLBACK dialog_proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(dlg, DWLP_USER, lp);
        on_init(dlg, *reinterpret_cast<t_dialog_state*>(lp));
        return FALSE;  // the focus is set
    }
    auto* state = reinterpret_cast<t_dialog_state*>(GetWindowLongPtrW(dlg, DWLP_USER));
    if (!state || msg != WM_COMMAND) return FALSE;
    if (LOWORD(wp) == IDOK) on_ok(dlg, *state);
    if (LOWORD(wp) == IDCANCEL) EndDialog(dlg, IDCANCEL);
    return TRUE;
}

}  // namespace

std::string settings_value_text(const t_settings_field& field, uint32_t value) {
    char text[16];
    if (field.colour)
        std::snprintf(text, sizeof text, "%02X%02X%02X", GetRValue(value), GetGValue(value),
                      GetBValue(value));
    else
        std::snprintf(text, sizeof text, "%u", value);
    return text;
}

bool parse_settings_value(const t_settings_field& field, const std::string& text, uint32_t& value) {
    if (text.empty() || text.size() > (field.colour ? 6u : 10u)) return false;
    for (char c : text)
        if (field.colour ? !std::isxdigit(static_cast<unsigned char>(c))
                         : !std::isdigit(static_cast<unsigned char>(c)))
            return false;
    if (field.colour && text.size() != 6) return false;
    const unsigned long long n = std::strtoull(text.c_str(), nullptr, field.colour ? 16 : 10);
    if (n > 0xFFFFFFFFull) return false;
    value =
        field.colour ? RGB((n >> 16) & 0xFF, (n >> 8) & 0xFF, n & 0xFF) : static_cast<uint32_t>(n);
    return true;
}

namespace {

// An empty template: a captioned frame whose controls WM_INITDIALOG makes.
INT_PTR run_dialog(HWND parent, const std::string& title, DLGPROC proc, void* state) {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* tmpl = reinterpret_cast<DLGTEMPLATE*>(words.data());
    tmpl->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    tmpl->cdit = 0;
    tmpl->cx = 200;
    tmpl->cy = 100;
    words.push_back(0);  // no menu
    words.push_back(0);  // the standard dialog class
    for (wchar_t c : to_wide(title)) words.push_back(static_cast<WORD>(c));
    words.push_back(0);
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr),
                                   reinterpret_cast<DLGTEMPLATE*>(words.data()), parent, proc,
                                   reinterpret_cast<LPARAM>(state));
}

struct t_text_state {
    const std::string& label;
    std::string text;
    const std::function<std::string(const std::string&)>& apply;
    bool lines;
};

INT_PTR CALLBACK text_dialog_proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(dlg, DWLP_USER, lp);
        const auto& state = *reinterpret_cast<t_text_state*>(lp);
        const int width = state.lines ? 520 : 360, edit_height = state.lines ? 180 : 22;
        add_control(dlg, L"STATIC", to_wide(state.label), 0, 10, 10, width - 20, 36, -1);
        std::string crlf;  // the edit box breaks lines at CR LF only
        for (char c : state.text) {
            if (c == '\n') crlf += '\r';
            if (c != '\r') crlf += c;
        }
        const DWORD style = state.lines ? WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                                              ES_AUTOHSCROLL | ES_WANTRETURN
                                        : ES_AUTOHSCROLL;
        HWND edit = add_control(dlg, L"EDIT", to_wide(crlf), WS_TABSTOP | style, 10, 50, width - 20,
                                edit_height, settings_first_edit, WS_EX_CLIENTEDGE);
        if (!state.lines) SendMessageW(edit, EM_SETSEL, 0, -1);
        int y = 50 + edit_height + 6;
        add_control(dlg, L"STATIC", L"", 0, 10, y, width - 20, 18, settings_error_text);
        y += 24;
        add_control(dlg, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, width - 180, y, 80, 24,
                    IDOK);
        add_control(dlg, L"BUTTON", L"Cancel", WS_TABSTOP, width - 90, y, 80, 24, IDCANCEL);
        RECT r{0, 0, width, y + 34};
        AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_EXSTYLE)));
        SetWindowPos(dlg, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOMOVE);
        SetFocus(edit);
        return FALSE;
    }
    auto* state = reinterpret_cast<t_text_state*>(GetWindowLongPtrW(dlg, DWLP_USER));
    if (!state || msg != WM_COMMAND) return FALSE;
    if (LOWORD(wp) == IDOK) {
        HWND edit = GetDlgItem(dlg, settings_first_edit);
        std::wstring typed(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        typed.resize(static_cast<size_t>(GetWindowTextW(edit, typed.data(), int(typed.size()))));
        std::string text;
        for (char c : to_utf8(typed))
            if (c != '\r') text += c;
        const std::string why = state->apply(text);
        if (!why.empty()) {
            SetDlgItemTextW(dlg, settings_error_text, to_wide(why).c_str());
            return TRUE;
        }
        state->text = text;
        EndDialog(dlg, IDOK);
    }
    if (LOWORD(wp) == IDCANCEL) EndDialog(dlg, IDCANCEL);
    return TRUE;
}

}  // namespace

bool edit_panel_settings(HWND parent, const std::string& title,
                         const std::vector<t_settings_field>& fields, std::vector<uint32_t>& values,
                         const std::function<bool(const std::vector<uint32_t>&)>& apply) {
    t_dialog_state state{fields, values, apply};
    return run_dialog(parent, title, dialog_proc, &state) == IDOK;
}

bool edit_panel_text(HWND parent, const std::string& title, const std::string& label,
                     std::string text, const std::function<std::string(const std::string&)>& apply,
                     bool lines) {
    t_text_state state{label, std::move(text), apply, lines};
    return run_dialog(parent, title, text_dialog_proc, &state) == IDOK;
}

}  // namespace cor::panels
