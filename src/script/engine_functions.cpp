// $console, $msgbox, $errorlevel.
#include <windows.h>

#include <array>

#include "host/host_services.h"
#include "host/invalidation.h"
#include "host/quit_pending.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"
#include "utf8.h"

namespace vesk {
namespace {

void fn_console(func_call& c) {
    for (size_t i = 0; i < c.count(); ++i) host::console_print(c.param(i));
    c.set_found(true);
}

void fn_msgbox(func_call& c) {
    if (!c.require_count(3)) return;
    const std::wstring text = cor::to_wide(c.param(0));
    const std::wstring caption = cor::to_wide(c.param(1));
    const auto style = static_cast<UINT>(read_unsigned(c.param(2)));
    // The run is ending: the box is answered as if cancelled.
    if (quit_pending()) {
        c.write_int(IDCANCEL);
        c.set_found(true);
        return;
    }
    // The box's loop paints the windows under it.
    send_pending_invalidations();
    const int result = MessageBoxW(reinterpret_cast<HWND>(c.hook.context().wnd), text.c_str(),
                                   caption.c_str(), style);
    c.write_int(result);
    c.set_found(true);
}

void fn_errorlevel(func_call& c) {
    if (!c.require_count(1)) return;
    static constexpr std::array<std::pair<const char*, int>, 5> levels{{{"debug", err_debug},
                                                                        {"low", err_low},
                                                                        {"middle", err_middle},
                                                                        {"high", err_high},
                                                                        {"off", err_off}}};
    const std::string_view word = c.param(0);
    for (const auto& [name, level] : levels) {
        if (is_keyword(word, name)) {
            set_error_level(level);
            c.set_found(true);
            return;
        }
    }
    c.fail(err_low, "%s: unknown level");
}

constexpr t_function_entry entries[] = {
    {"console", fn_console},
    {"msgbox", fn_msgbox},
    {"errorlevel", fn_errorlevel},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
