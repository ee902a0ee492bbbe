// $pl_save: one line per playlist item, formatted with a script text, into
// a UTF-8 (with byte-order mark) or ANSI code-page text file.
#include <windows.h>

#include <algorithm>
#include <string>

#include "functions/charcode_option.h"
#include "functions/code_page.h"
#include "functions/playlist_access.h"
#include "host/file_write.h"
#include "host/script_path.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"

namespace vesk {
namespace {

// The item's text as one line of the file: CR LF pairs in the text become
// single line breaks, and every line break is stored as CR LF.
std::string file_line(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\n') out += '\r';
        out += text[i];
    }
    out += "\r\n";
    return out;
}

void fn_pl_save(func_call& c) {
    if (!c.require_at_least(2)) return;
    cor::playlist_manager* pm = playlist_service();
    if (!pm) return;
    const size_t pl = resolve_playlist(c, *pm, 2, true);
    if (pl == cor::no_index) return;
    bool escape = false, ansi = false, append = false;
    for (size_t i = 3; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (auto v = option_value(p, "escape")) {
            escape = read_bool(*v);
        } else if (auto cc = option_value(p, "charcode")) {
            if (!read_charcode(c, *cc, ansi)) return;
        } else if (auto m = option_value(p, "mode")) {
            if (!read_write_mode(c, *m, append)) return;
        } else {
            c.unknown_option(p);
            return;
        }
    }
    const std::string format = prepare_format(c.param(1), escape);

    std::string content;
    const size_t count = pm->playlist_get_item_count(pl);
    for (size_t i = 0; i < count; ++i) {
        std::string line = file_line(format_item(c, *pm, pl, i, format));
        content += ansi ? utf8_to_code_page(line, ansi_code_page) : line;
    }
    // Through a temporary file, so a failed write never leaves half a list.
    const std::wstring path = script_path(c.param(0));
    const std::string_view bom = ansi ? "" : "\xEF\xBB\xBF";
    const bool written =
        append ? append_file(path, bom, content) : replace_file(path, std::string(bom) + content);
    if (!written) {
        c.fail(err_low, "%s: file write error");
        return;
    }
    c.set_found(true);
}

constexpr t_function_entry entries[] = {
    {"pl_save", fn_pl_save},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
