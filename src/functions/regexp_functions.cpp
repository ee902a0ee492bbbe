// $regexp and $regexpi: test or replace with the platform's regular
// expressions, matching case or ignoring it.
#include "functions/regexp_engine.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/tf_hook.h"

namespace vesk {
namespace {

void run_regexp(func_call& c, bool ignore_case) {
    if (c.count() < 2 || c.count() > 3) {
        c.fail(err_low, "%s: invalid syntax");
        return;
    }
    std::unique_ptr<hook_attachment>& kept = c.hook.attachment();
    if (!kept) kept = std::make_unique<regexp_engine>();
    regexp_engine& engine = static_cast<regexp_engine&>(*kept);
    if (!engine.valid() || !engine.set_ignore_case(ignore_case) || !engine.set_pattern(c.param(1)))
        return;
    if (c.count() == 2) {
        c.set_found(engine.test(c.param(0)).value_or(false));
        return;
    }
    if (const auto replaced = engine.replace(c.param(0), c.param(2))) {
        c.write(*replaced);
        c.set_found(true);
    }
}

void fn_regexp(func_call& c) { run_regexp(c, false); }
void fn_regexpi(func_call& c) { run_regexp(c, true); }

constexpr t_function_entry entries[] = {
    // Both names report as one function.
    {"regexp", fn_regexp, "$regexp(i)"},
    {"regexpi", fn_regexpi, "$regexp(i)"},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
