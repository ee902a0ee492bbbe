// The component's hook into the Host's script language: one per evaluation.
// The Host offers it every function and field it does not know itself;
// function names find their handlers through the function table, then the
// user functions of the custom scripts.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "metadb_handle.h"
#include "script/script_context.h"
#include "titleformat.h"

namespace vesk {

class vesk_tf_hook;

// What a function keeps with an evaluation (see vesk_tf_hook::attachment).
class hook_attachment {
public:
    virtual ~hook_attachment() = default;
};

// One call of a component function: its parameters, its output and its
// found flag, with the steps every handler shares.
class func_call {
public:
    func_call(vesk_tf_hook& hook, cor::string_sink& out, cor::titleformat_params& params,
              bool& found, std::string_view folded_name, const char* display = nullptr);

    vesk_tf_hook& hook;

    [[nodiscard]] size_t count() const { return count_; }
    // The evaluated text of parameter i (empty past the end).
    [[nodiscard]] std::string_view param(size_t i);
    // "$name" as printed in messages.
    [[nodiscard]] const std::string& name() const { return name_; }

    void write(std::string_view text);
    void write_int(int64_t value);
    void set_found(bool f) { found_ = f; }
    [[nodiscard]] bool found() const { return found_; }

    // Parameter count checks; on a mismatch print "%s: invalid syntax".
    [[nodiscard]] bool require_count(size_t exact);
    [[nodiscard]] bool require_count(size_t min, size_t max);
    [[nodiscard]] bool require_at_least(size_t min);

    // Prints "$name: " + message when the level reaches `threshold`; the
    // message's first %s is the function name.
    void fail(int threshold, std::string_view fmt,
              std::initializer_list<std::string_view> rest = {});
    // "%s: unknown option '%s'"
    void unknown_option(std::string_view param);

private:
    friend class vesk_tf_hook;
    cor::string_sink& out_;
    cor::titleformat_params& params_;
    bool& found_;
    size_t count_;
    std::string name_;
    std::string written_;  // this call's output, the next _result
};

using handler_fn = void (*)(func_call&);

class vesk_tf_hook final : public cor::titleformat_hook {
public:
    vesk_tf_hook(t_script_context& context, field_list* variables = nullptr,
                 bool* break_flag = nullptr, cor::metadb_handle* track = nullptr);
    ~vesk_tf_hook();
    vesk_tf_hook(const vesk_tf_hook&) = delete;
    vesk_tf_hook& operator=(const vesk_tf_hook&) = delete;

    bool process_field(cor::string_sink& out, const char* name, size_t name_length,
                       bool& found) override;
    bool process_function(cor::string_sink& out, const char* name, size_t name_length,
                          cor::titleformat_params& params, bool& found) override;

    t_script_context& context() { return context_; }
    field_list* variables() { return variables_; }
    bool* break_flag() { return break_flag_; }
    cor::metadb_handle* track() { return track_; }
    // What a function keeps for this evaluation (the regular-expression
    // engine: most scripts never match, and making one costs far more than
    // a match), made by that function on first use.
    std::unique_ptr<hook_attachment>& attachment();
    // Nested runs of the same script (loop passes, user-function bodies)
    // use the attachment of the hook that started them.
    void share_attachment_of(vesk_tf_hook& outer) { attachment_outer_ = &outer; }

    // Runs one handler as a call of this hook: name, debug line, last result.
    void invoke(handler_fn handler, const char* display, cor::string_sink& out,
                cor::titleformat_params& params, bool& found, std::string_view folded_name);

    // What the most recent component function call wrote and reported.
    const std::string& last_result() const { return last_result_; }
    bool last_found() const { return last_found_; }

private:
    friend class func_call;
    void run_user_function(cor::string_sink& out, std::string_view folded_name,
                           const std::string& body, cor::titleformat_params& params);

    t_script_context& context_;
    field_list* variables_;
    bool* break_flag_;
    cor::metadb_handle* track_;
    std::string last_result_;
    bool last_found_ = false;
    std::unique_ptr<hook_attachment> attachment_;
    vesk_tf_hook* attachment_outer_ = nullptr;
};

// "$name" of the innermost component or user function running now, empty
// outside any; names what starts a nested run.
std::string_view running_function();

// Lower-case fold of function and field names: A-Z by hand, the rest of
// the Basic Multilingual Plane by the platform's per-character mapping.
std::string fold_name(std::string_view name);

}  // namespace vesk
