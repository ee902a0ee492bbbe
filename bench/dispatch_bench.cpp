// The component's dispatch: a call of a component function through the
// Host's evaluator and the component's hook, with the Host and component
// started in this process as corvina500 starts them.
#include <string>

#include "bench_util.h"
#include "host/host_services.h"
#include "script/script_run.h"
#include "script/tf_hook.h"
#include "script/user_functions.h"
#include "support/component_host.h"

int main() {
    cor_test::component_host host;
    vesk::set_user_functions({{"userfn", "u"}});
    const auto compiler = vesk::host::compiler();

    const auto time_script = [&](const char* label, const std::string& one, int repeat) {
        std::string script;
        for (int i = 0; i < repeat; ++i) script += one;
        cor::titleformat_object* raw = nullptr;
        if (!compiler->compile(&raw, script.data(), script.size())) return;
        auto obj = cor::service_ptr_t<cor::titleformat_object>::adopt(raw);
        struct sink final : cor::string_sink {
            std::string text;
            void write(const char* p, size_t n) override { text.append(p, n); }
        } out;
        vesk::t_script_context ctx;
        const double ns = cor_bench::ns_per_iteration(
            [&] {
                out.text.clear();
                vesk::vesk_tf_hook hook(ctx);
                obj->run(&hook, out);
            },
            200);
        cor_bench::report(label, ns / repeat);
    };
    time_script("component function $errorlevel(middle) (per call)", "$errorlevel(middle)", 20);
    time_script("component function in capitals $ERRORLEVEL(middle)", "$ERRORLEVEL(middle)", 20);
    time_script("user function $userfn() (per call, body compiled each call)", "$userfn()", 20);
    time_script("unknown function $nosuchfunction() (per call)", "$nosuchfunction()", 20);
    time_script("component field %_base_x% (per field)", "%_base_x%", 20);
    time_script("local fallthrough to $hash store miss %nothing% (per field)", "%nothing%", 20);
    return 0;
}
