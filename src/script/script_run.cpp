#include "script/script_run.h"

#include "host/host_services.h"
#include "script/run_depth.h"
#include "window/invalidation.h"

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
}  // namespace

std::string run_script(std::string_view text, vesk_tf_hook& hook) {
    const std::string_view who = running_function();
    const nested_run guard(who.empty() ? std::string_view("Vesk User Interface") : who);
    if (!guard.allowed()) return {};
    const invalidation_batch batch;
    const auto compiler = host::compiler();
    if (!compiler) return std::string(compilation_error_text);
    auto script = compile(*compiler, text);
    cor::string_out out;
    if (cor::metadb_handle* track = hook.track()) {
        if (!script) script = compile(*compiler, "%filename%");
        if (script) track->format_title(&hook, out, script.get());
        return std::move(out.text);
    }
    if (!script) return std::string(compilation_error_text);
    script->run(&hook, out);
    return std::move(out.text);
}

bool check_script(std::string_view text, script_error& error) {
    const auto compiler = host::compiler();
    if (!compiler) return true;
    error_capture capture(error);
    cor::titleformat_object* obj = nullptr;
    if (compiler->compile_reporting(&obj, text.data(), text.size(), capture) && obj) {
        const auto owned = cor::service_ptr_t<cor::titleformat_object>::adopt(obj);
        return true;
    }
    return false;
}

}  // namespace vesk
