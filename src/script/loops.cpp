// $for, $break and $base.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/settings.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"
#include "script/preprocessor.h"
#include "script/script_run.h"
#include "utf8.h"

namespace vesk {
namespace {

// The leading decimal number of a text, as strtod reads it; none reads 0.
double read_double(std::string_view text) {
    const std::string s(text);
    return std::strtod(s.c_str(), nullptr);
}

std::string shortest(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

// Replaces every "%name%" ignoring case.
std::string substitute(std::string_view script, std::string_view field, std::string_view value) {
    std::string out;
    size_t i = 0;
    while (i < script.size()) {
        if (script[i] == '%' && i + field.size() < script.size() &&
            script[i + field.size()] == '%' &&
            cor::iequals_utf8(script.substr(i + 1, field.size() - 1), field.substr(1))) {
            out += value;
            i += field.size() + 1;
            continue;
        }
        out += script[i++];
    }
    return out;
}

constexpr size_t max_loop_passes = 10'000'000;
constexpr size_t max_macro_script = 64u << 20;

void fn_for(func_call& c) {
    if (!c.require_at_least(5)) return;
    const std::string variable(c.param(0));
    const double start = read_double(c.param(1)), end = read_double(c.param(2)),
                 step = read_double(c.param(3));
    if (step == 0 || (end < start && step > 0) || (start < end && step < 0)) return;
    bool escape = false, macro = false;
    for (size_t i = 5; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (auto v = option_value(p, "escape")) {
            escape = read_bool(*v);
        } else if (auto m = option_value(p, "macro")) {
            macro = read_bool(*m);
        } else {
            c.unknown_option(p);
            return;
        }
    }
    std::string script(c.param(4));
    if (escape) script = unescape_script(script);
    script = prepare_script(script, trim_mode());

    vesk_tf_hook& caller = c.hook;
    // The direction follows the step's sign, not the order of start and end:
    // with start equal to end and a negative step, comparing start with end
    // would count upwards and a falling value would never pass end.
    const bool upward = step > 0;
    const auto more = [&](double v) { return upward ? v <= end : v >= end; };
    // Guards against loops that would hold the player for good: a step lost
    // to rounding (1e20 plus 1) and a pass count beyond any real script.
    size_t passes = 0;
    const auto next = [&](double& v) {
        const double after = v + step;
        if (after == v) {
            c.fail(err_low, "%s: the step is lost to rounding at %s, loop stopped", {shortest(v)});
            return false;
        }
        if (++passes >= max_loop_passes) {
            c.fail(err_low, "%s: more than %s passes, loop stopped",
                   {std::to_string(max_loop_passes)});
            return false;
        }
        v = after;
        return true;
    };
    if (macro) {
        std::string all;
        const std::string field = "%" + variable;
        for (double v = start; more(v);) {
            all += substitute(script, field, shortest(v));
            if (all.size() > max_macro_script || !next(v)) {
                if (all.size() > max_macro_script)
                    c.fail(err_low, "%s: the expanded script passes %s bytes, loop stopped",
                           {std::to_string(max_macro_script)});
                return;
            }
        }
        bool stop = false;
        vesk_tf_hook hook(caller.context(), caller.variables(), &stop, caller.track());
        hook.share_attachment_of(caller);
        c.write(run_script(all, hook));
    } else {
        field_list vars;
        if (caller.variables())
            for (const auto& v : *caller.variables())
                if (!v.is_param) vars.push_back(v);
        vars.push_back({variable, "", true, false});
        // Compiled once for every pass; a script that does not compile
        // gives its error text on every pass, as a run of it does.
        const compiled_script compiled = compile_script(script);
        for (double v = start; more(v);) {
            vars.back().value = shortest(v);
            bool stop = false;
            vesk_tf_hook hook(caller.context(), &vars, &stop, caller.track());
            hook.share_attachment_of(caller);
            c.write(compiled ? run_compiled(*compiled, hook) : run_script(script, hook));
            if (stop || !next(v)) break;
        }
    }
    c.set_found(true);
}

void fn_break(func_call& c) {
    if (!c.require_count(0)) return;
    if (bool* flag = c.hook.break_flag()) *flag = true;
    c.set_found(true);
}

void fn_base(func_call& c) {
    if (c.count() != 0 && c.count() != 2) {
        c.fail(err_low, "%s: invalid syntax");
        return;
    }
    t_script_context& ctx = c.hook.context();
    ctx.base_x = c.count() ? static_cast<int32_t>(read_int(c.param(0))) : 0;
    ctx.base_y = c.count() ? static_cast<int32_t>(read_int(c.param(1))) : 0;
    c.set_found(true);
}

constexpr t_function_entry entries[] = {{"for", fn_for}, {"break", fn_break}, {"base", fn_base}};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
