#include "script/tf_hook.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "host/host_services.h"
#include "script/error_report.h"
#include "script/fields.h"
#include "script/function_table.h"
#include "script/script_extensions.h"
#include "script/script_run.h"
#include "script/stored_scripts.h"
#include "script/user_functions.h"
#include "utf8.h"

namespace vesk {
namespace {

const std::string* g_running = nullptr;

// Names the function running for its scope, the one before it after.
class running_scope {
public:
    explicit running_scope(const std::string& name) : before_(g_running) { g_running = &name; }
    ~running_scope() { g_running = before_; }
    running_scope(const running_scope&) = delete;
    running_scope& operator=(const running_scope&) = delete;

private:
    const std::string* before_;
};

}  // namespace

std::string_view running_function() { return g_running ? *g_running : std::string_view(); }

std::string fold_name(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    size_t pos = 0;
    while (pos < name.size()) {
        const auto byte = static_cast<unsigned char>(name[pos]);
        if (byte < 0x80) {
            out += static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + 32 : byte);
            ++pos;
            continue;
        }
        char32_t cp = cor::utf8_next(name, pos);
        if (cp < 0x10000) {
            // CharLowerW takes a single character in the low word of the pointer.
            const auto mapped = reinterpret_cast<ULONG_PTR>(
                CharLowerW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(cp))));
            cp = static_cast<char32_t>(mapped & 0xFFFF);
        }
        cor::utf8_append(out, cp);
    }
    return out;
}

func_call::func_call(vesk_tf_hook& h, cor::string_sink& out, cor::titleformat_params& params,
                     bool& found, std::string_view folded_name, const char* display)
    : hook(h), out_(out), params_(params), found_(found), count_(params.get_param_count()) {
    if (display) {
        name_ = display;
        return;
    }
    name_.reserve(folded_name.size() + 1);
    name_ += '$';
    name_ += folded_name;
}

std::string_view func_call::param(size_t i) {
    if (i >= count_) return {};
    const char* text = nullptr;
    size_t length = 0;
    params_.get_param(i, text, length);
    return text ? std::string_view(text, length) : std::string_view();
}

void func_call::write(std::string_view text) {
    out_.write(text.data(), text.size());
    written_.append(text);
}

void func_call::write_int(int64_t value) { write(std::to_string(value)); }

bool func_call::require_count(size_t exact) { return require_count(exact, exact); }

bool func_call::require_count(size_t min, size_t max) {
    if (count_ >= min && count_ <= max) return true;
    fail(err_low, "%s: invalid syntax");
    return false;
}

bool func_call::require_at_least(size_t min) { return require_count(min, SIZE_MAX); }

void func_call::fail(int threshold, std::string_view fmt,
                     std::initializer_list<std::string_view> rest) {
    if (error_level() < threshold) return;
    std::vector<std::string_view> all;
    all.reserve(rest.size() + 1);
    all.push_back(name_);
    all.insert(all.end(), rest.begin(), rest.end());
    host::console_print(format_message(fmt, all));
}

void func_call::unknown_option(std::string_view param) {
    fail(err_low, "%s: unknown option '%s'", {param});
}

vesk_tf_hook::vesk_tf_hook(t_script_context& context, field_list* variables, bool* break_flag,
                           cor::metadb_handle* track)
    : context_(context), variables_(variables), break_flag_(break_flag), track_(track) {}

vesk_tf_hook::~vesk_tf_hook() = default;

std::unique_ptr<hook_attachment>& vesk_tf_hook::attachment() {
    return attachment_outer_ ? attachment_outer_->attachment() : attachment_;
}

bool vesk_tf_hook::process_function(cor::string_sink& out, const char* name, size_t name_length,
                                    cor::titleformat_params& params, bool& found) {
    if (break_flag_ && *break_flag_) {
        found = true;
        return true;
    }
    found = false;

    // The name ends at its terminating zero; the length is not trusted.
    const std::string folded = fold_name(std::string_view(name, strnlen(name, name_length)));
    if (const t_function_entry* entry = find_function(folded)) {
        invoke(entry->handler, entry->display, out, params, found, folded);
        return true;
    }
    const std::string* body = find_user_function(folded);
    if (!body) {
        last_result_.clear();
        last_found_ = false;
        report(err_high, "%s: unknown function", {"$" + folded});
        return false;
    }
    run_user_function(out, folded, *body, params);
    found = true;
    last_found_ = true;
    return true;
}

void vesk_tf_hook::invoke(handler_fn handler, const char* display, cor::string_sink& out,
                          cor::titleformat_params& params, bool& found,
                          std::string_view folded_name) {
    found = false;
    func_call call(*this, out, params, found, folded_name, display);
    if (error_level() >= err_debug) host::console_print(call.name());
    if (const auto before = script_extensions().before_function) before(folded_name, call);
    {
        const running_scope running(call.name());
        handler(call);
    }
    // The call's own output, not what calls made while its arguments were
    // evaluated left behind.
    last_result_ = std::move(call.written_);
    last_found_ = found;
}

void vesk_tf_hook::run_user_function(cor::string_sink& out, std::string_view folded_name,
                                     const std::string& body, cor::titleformat_params& params) {
    field_list locals;
    if (variables_) {
        for (const auto& v : *variables_)
            if (!v.is_param) locals.push_back(v);
    }
    const size_t n = params.get_param_count();
    locals.push_back({"_param_count", std::to_string(n), true, true});
    for (size_t i = 0; i < n; ++i) {
        const char* text = nullptr;
        size_t length = 0;
        params.get_param(i, text, length);
        locals.push_back({"_param" + std::to_string(i + 1),
                          text ? std::string(text, length) : std::string(), true, true});
    }
    vesk_tf_hook inner(context_, &locals, break_flag_, track_);
    inner.share_attachment_of(*this);
    const std::string name = "$" + std::string(folded_name);
    const running_scope running(name);
    const compiled_script compiled = compiled_user_function(folded_name, body);
    const std::string result = compiled ? run_compiled(*compiled, inner) : run_script(body, inner);
    report_undefined_function_macros(folded_name);
    out.write(result.data(), result.size());
    last_result_ = result;
}

bool vesk_tf_hook::process_field(cor::string_sink& out, const char* name, size_t name_length,
                                 bool& found) {
    found = false;
    const std::string_view raw(name, strnlen(name, name_length));
    const std::string folded = fold_name(raw);
    t_field_value value;
    const t_script_extensions& extensions = script_extensions();
    if ((context_.wnd && extensions.window_field &&
         extensions.window_field(context_, folded, value)) ||
        resolve_player_field(folded, value) || resolve_engine_field(*this, folded, value)) {
        out.write(value.text.data(), value.text.size());
        found = value.found;
        return true;
    }
    if (variables_) {
        for (auto it = variables_->rbegin(); it != variables_->rend(); ++it) {
            if (cor::iequals_utf8(it->name, raw)) {
                out.write(it->value.data(), it->value.size());
                found = it->found;
                return true;
            }
        }
    }
    if (const std::string* stored =
            extensions.stored_value ? extensions.stored_value(folded) : nullptr) {
        out.write(stored->data(), stored->size());
        found = true;
        return true;
    }
    return false;
}

}  // namespace vesk
