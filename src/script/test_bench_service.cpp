// The test bench, and the service that offers it to the Host's --eval.
#include "host/service_factory.h"
#include "host/settings.h"
#include "script/error_report.h"
#include "script/preprocessor.h"
#include "script/script_run.h"
#include "script/test_bench_run.h"
#include "test_bench.h"

namespace vesk {

std::string run_test_bench(std::string_view text) {
    t_script_context context;
    bool break_flag = false;
    vesk_tf_hook hook(context, nullptr, &break_flag, nullptr);
    const prepared_script prepared = prepare_traced(text, trim_mode());
    std::string result = run_script(prepared.text, hook);
    // After the run, so that the script's own $errorlevel counts.
    for (const std::string& name : prepared.undefined_macros)
        report(err_high, "%s: undefined macro #%s#", {"Vesk User Interface", name});
    return result;
}

namespace {

class test_bench_impl : public cor::script_test_bench {
public:
    void run_script(const char* text, size_t length, cor::string_sink& out) override {
        const std::string result = run_test_bench(std::string_view(text, length));
        out.write(result.data(), result.size());
    }
};

host::service_factory_t<cor::script_test_bench, test_bench_impl> g_test_bench_factory;

}  // namespace
}  // namespace vesk
