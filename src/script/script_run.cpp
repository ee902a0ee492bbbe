#include "script/script_run.h"

#include "host/host_services.h"
#include "host/invalidation.h"
#include "script/run_depth.h"

namespace vesk {
namespace {
cor::service_ptr_t<cor::titleformat_object> compile(cor::titleformat_compiler& c,
                                                    std::string_view text) {
    cor::titleformat_object* obj = nullptr;
    if (!c.compile(&obj, text.data(), text.size()) || !obj) return {};
    return cor::service_ptr_t<cor::titleformat_object>::adopt(obj);
}

class error_capture final : public cor::titleformat_compile_report {
public:
    explicit error_capture(script_error& error) : error_(error) {}
    void on_error(size_t offset, size_t, size_t, const char* message, size_t length) override {
        error_.offset = offset;
        error_.message.assign(message, length);
    }

private:
    script_error& error_;
};

// The name a run is known by in the messages of the nesting bound.
std::string_view run_name() {
    const std::string_view who = running_function();
    return who.empty() ? std::string_view("Vesk User Interface") : who;
}

// Formatted against the hook's track when it has one.
std::string run_unguarded(cor::titleformat_object& script, vesk_tf_hook& hook) {
    cor::string_out out;
    if (cor::metadb_handle* track = hook.track())
        track->format_title(&hook, out, &script);
    else
        script.run(&hook, out);
    return std::move(out.text);
}

}  // namespace

std::string run_script(std::string_view text, vesk_tf_hook& hook) {
    const nested_run guard(run_name());
    if (!guard.allowed()) return {};
    const invalidation_batch batch;
    const auto compiler = host::compiler();
    if (!compiler) return std::string(compilation_error_text);
    auto script = compile(*compiler, text);
    if (!script && hook.track()) script = compile(*compiler, "%filename%");
    if (!script) return hook.track() ? std::string() : std::string(compilation_error_text);
    return run_unguarded(*script, hook);
}

compiled_script compile_script(std::string_view text) {
    const auto compiler = host::compiler();
    return compiler ? compile(*compiler, text) : compiled_script{};
}

std::string run_compiled(cor::titleformat_object& script, vesk_tf_hook& hook) {
    const nested_run guard(run_name());
    if (!guard.allowed()) return {};
    const invalidation_batch batch;
    return run_unguarded(script, hook);
}

bool check_script(std::string_view text, script_error& error) {
    compiled_script unused;
    return check_script(text, error, unused);
}

bool check_script(std::string_view text, script_error& error, compiled_script& compiled) {
    compiled = {};
    const auto compiler = host::compiler();
    if (!compiler) return true;
    error_capture capture(error);
    cor::titleformat_object* obj = nullptr;
    if (!compiler->compile_reporting(&obj, text.data(), text.size(), capture) || !obj) return false;
    compiled = cor::service_ptr_t<cor::titleformat_object>::adopt(obj);
    return true;
}

}  // namespace vesk
