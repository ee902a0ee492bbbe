#include "script/script_run.h"

#include "host/host_services.h"

namespace vesk {
namespace {
cor::service_ptr_t<cor::titleformat_object> compile(cor::titleformat_compiler& c,
                                                    std::string_view text) {
    cor::titleformat_object* obj = nullptr;
    if (!c.compile(&obj, text.data(), text.size()) || !obj) return {};
    return cor::service_ptr_t<cor::titleformat_object>::adopt(obj);
}
}  // namespace

std::string run_script(std::string_view text, vesk_tf_hook& hook) {
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

}  // namespace vesk
