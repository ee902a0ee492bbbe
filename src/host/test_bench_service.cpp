// The test bench as a service, so the Host's --eval runs scripts the way
// the palette does: no window, no variables, a break flag of its own,
// the text prepared as stored scripts are.
#include "config/settings.h"
#include "host/service_factory.h"
#include "script/error_report.h"
#include "script/preprocessor.h"
#include "script/script_run.h"
#include "test_bench.h"

namespace vesk {
namespace {

class test_bench_impl : public cor::script_test_bench {
public:
    void run_script(const char* text, size_t length, cor::string_sink& out) override {
        t_script_context context;
        bool break_flag = false;
        vesk_tf_hook hook(context, nullptr, &break_flag, nullptr);
        const prepared_script prepared =
            prepare_traced(std::string_view(text, length), trim_mode());
        const std::string result = vesk::run_script(prepared.text, hook);
        out.write(result.data(), result.size());
        // After the run, so that the script's own $errorlevel counts.
        for (const std::string& name : prepared.undefined_macros)
            report(err_high, "%s: undefined macro #%s#", {"Vesk User Interface", name});
    }
};

host::service_factory_t<cor::script_test_bench, test_bench_impl> g_test_bench_factory;

}  // namespace
}  // namespace vesk
