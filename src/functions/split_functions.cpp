// $pstrsplit and $wstrsplit: the text cut into lines no wider than a limit,
// in pixels of a font in the main window or in bytes of the ANSI code page;
// either the number of lines or one line.
#include <windows.h>

#include <functional>
#include <limits>

#include "functions/code_page.h"
#include "object/grammar/values.h"
#include "object/types/paint_support.h"
#include "registry/window_services.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"

namespace vesk {
namespace {

struct t_split_state {
    int64_t line = 0;  // number of the current line
    std::string current;
};

size_t char_length(std::string_view text, size_t pos) {
    return is_lead_byte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

// Writes the answer: a negative `wanted` asks for the number of lines.
void answer(func_call& c, const t_split_state& s, int64_t wanted) {
    if (wanted < 0) {
        c.write_int(s.line + (s.current.empty() ? 0 : 1));
        c.set_found(true);
    } else if (s.line == wanted) {
        c.write(code_page_to_utf8(s.current, ansi_code_page));
        c.set_found(true);
    }
}

uint32_t read_width(std::string_view text) {
    const uint64_t v = read_unsigned(text);
    return v > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                    : static_cast<uint32_t>(v);
}

// Each character is added and the whole line measured again; a character
// that does not fit starts the next line.
void split_by_pixels(func_call& c, std::string_view text, uint32_t limit, int64_t wanted,
                     const std::function<int64_t(const std::string&)>& measure, t_split_state& s) {
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t len = char_length(text, pos);
        s.current.append(text.substr(pos, len));
        if (measure(s.current) <= static_cast<int64_t>(limit)) {
            pos += len;
            continue;
        }
        const bool alone = s.current.size() == len;
        s.current.resize(s.current.size() - len);
        if (alone) {
            if (wanted < 0) {
                c.fail(err_middle, "%s: width error");
                return;
            }
            // Every line from here on stays empty: the line asked for is one of them.
            s.line = wanted;
            return;
        }
        if (s.line == wanted) return;
        ++s.line;
        s.current.clear();
    }
}

void fn_pstrsplit(func_call& c) {
    if (!c.require_at_least(3)) return;
    const uint32_t limit = read_width(c.param(1));
    const int64_t wanted = read_int(c.param(2));
    grammar::font font = paint::default_font();
    for (size_t i = 3; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (!grammar::font_option(p, font)) {
            c.unknown_option(p);
            return;
        }
    }
    HWND main = main_window_handle();
    if (!main) return;
    const std::string text = utf8_to_code_page(c.param(0), ansi_code_page);
    HDC dc = GetDC(main);
    if (!dc) return;
    t_split_state state;
    const HGDIOBJ previous = GetCurrentObject(dc, OBJ_FONT);
    {
        // Measured in the font the drawing code would make of these options.
        const paint::gdi_font_scope selected(dc, font);
        const auto measure = [dc](const std::string& line) -> int64_t {
            const std::wstring wide = code_page_to_wide(line, ansi_code_page);
            SIZE size{};
            GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
            return size.cx;
        };
        split_by_pixels(c, text, limit, wanted, measure, state);
    }
    SelectObject(dc, previous);
    ReleaseDC(main, dc);
    answer(c, state, wanted);
}

void fn_wstrsplit(func_call& c) {
    if (!c.require_count(3)) return;
    const uint32_t limit = read_width(c.param(1));
    const int64_t wanted = read_int(c.param(2));
    const std::string text = utf8_to_code_page(c.param(0), ansi_code_page);
    t_split_state s;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t len = char_length(text, pos);
        // A character too long for the line ends it first, then always goes in.
        if (s.current.size() + len > limit) {
            if (s.line == wanted) break;
            ++s.line;
            s.current.clear();
        }
        s.current.append(text, pos, len);
        pos += len;
    }
    answer(c, s, wanted);
}

constexpr t_function_entry entries[] = {
    {"pstrsplit", fn_pstrsplit},
    {"wstrsplit", fn_wstrsplit},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
