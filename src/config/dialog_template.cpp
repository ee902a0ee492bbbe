#include "config/dialog_template.h"

#include <cwchar>

#include "host/host_services.h"

namespace vesk {
namespace {

void put_text(std::vector<WORD>& out, const wchar_t* text) {
    for (const wchar_t* p = text ? text : L""; *p; ++p) out.push_back(static_cast<WORD>(*p));
    out.push_back(0);
}

void align_dword(std::vector<WORD>& out) {
    if (out.size() % 2) out.push_back(0);
}

void put_dword(std::vector<WORD>& out, DWORD v) {
    out.push_back(LOWORD(v));
    out.push_back(HIWORD(v));
}

}  // namespace

std::vector<WORD> build_dialog_template(const t_dialog_layout& layout) {
    std::vector<WORD> out;
    put_dword(out, layout.style | DS_SETFONT);
    put_dword(out, 0);  // extended style
    out.push_back(static_cast<WORD>(layout.items.size()));
    out.push_back(0);
    out.push_back(0);
    out.push_back(static_cast<WORD>(layout.cx));
    out.push_back(static_cast<WORD>(layout.cy));
    out.push_back(0);  // no menu
    out.push_back(0);  // the standard dialog class
    put_text(out, layout.title);
    out.push_back(8);
    put_text(out, L"MS Shell Dlg");
    for (const t_dialog_item& item : layout.items) {
        align_dword(out);
        put_dword(out, WS_CHILD | WS_VISIBLE | item.style);
        put_dword(out, 0);
        for (short v : {item.x, item.y, item.cx, item.cy}) out.push_back(static_cast<WORD>(v));
        out.push_back(static_cast<WORD>(item.id));
        if (item.kind == control_kind::tab) {
            put_text(out, L"SysTabControl32");
        } else {
            out.push_back(0xFFFF);
            out.push_back(static_cast<WORD>(item.kind));
        }
        put_text(out, item.text);
        out.push_back(0);  // no creation data
    }
    return out;
}

HWND create_dialog(const t_dialog_layout& layout, HWND parent, DLGPROC proc, LPARAM param) {
    const std::vector<WORD> words = build_dialog_template(layout);
    return CreateDialogIndirectParamW(static_cast<HINSTANCE>(host::module_handle()),
                                      reinterpret_cast<const DLGTEMPLATE*>(words.data()), parent,
                                      proc, param);
}

}  // namespace vesk
