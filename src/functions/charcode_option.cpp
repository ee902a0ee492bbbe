#include "functions/charcode_option.h"

#include "script/error_report.h"
#include "script/options.h"
#include "script/tf_hook.h"

namespace vesk {

bool read_charcode(func_call& c, std::string_view value, bool& ansi) {
    if (is_keyword(value, "sjis")) {
        ansi = true;
    } else if (is_keyword(value, "utf8")) {
        ansi = false;
    } else {
        c.fail(err_low, "%s: unknown charcode '%s'", {value});
        return false;
    }
    return true;
}

bool read_write_mode(func_call& c, std::string_view value, bool& append) {
    if (is_keyword(value, "add")) {
        append = true;
    } else if (is_keyword(value, "write")) {
        append = false;
    } else {
        c.fail(err_low, "%s: unknown write mode '%s'", {value});
        return false;
    }
    return true;
}

}  // namespace vesk
