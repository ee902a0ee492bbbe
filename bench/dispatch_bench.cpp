// The component's dispatch: a call of a component function through the
// Host's evaluator and the component's hook, with the Host and component
// started in this process as corvina500 starts them.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "bench_util.h"
#include "host/host_services.h"
#include "script/script_run.h"
#include "script/tf_hook.h"
#include "script/user_functions.h"
#include "support/component_host.h"

int main(int argc, char** argv) {
    cor_bench::print_load_average();
    const int rounds = cor_bench::rounds_argument(argc, argv);
    cor_test::component_host host;
    // Figures taken before the $hash store is filled, and after.
    cor_bench::interleaved before_fill, after_fill;
    cor_bench::interleaved* group = &before_fill;
    vesk::set_user_functions({{"userfn", "u"}});
    const auto compiler = vesk::host::compiler();

    // `calls`: how many calls one run makes, when not `repeat`.
    const auto time_script = [&](const char* label, const std::string& one, int repeat,
                                 int calls = 0) {
        std::string script;
        for (int i = 0; i < repeat; ++i) script += one;
        cor::titleformat_object* raw = nullptr;
        if (!compiler->compile(&raw, script.data(), script.size())) return;
        auto obj = cor::service_ptr_t<cor::titleformat_object>::adopt(raw);
        struct sink final : cor::string_sink {
            std::string text;
            void write(const char* p, size_t n) override { text.append(p, n); }
        };
        auto out = std::make_shared<sink>();
        auto ctx = std::make_shared<vesk::t_script_context>();
        group->add(
            label,
            [obj, out, ctx] {
                out->text.clear();
                vesk::vesk_tf_hook hook(*ctx);
                obj->run(&hook, *out);
            },
            calls ? calls : repeat);
    };
    time_script("component function $errorlevel(middle) (per call)", "$errorlevel(middle)", 20);
    time_script("component function in capitals $ERRORLEVEL(middle)", "$ERRORLEVEL(middle)", 20);
    time_script("user function $userfn() (per call; its body compiled at the first)", "$userfn()",
                20);
    time_script("unknown function $nosuchfunction() (per call)", "$nosuchfunction()", 20);
    time_script("component field %_base_x% (per field)", "%_base_x%", 20);
    time_script("local fallthrough to $hash store miss %nothing% (per field)", "%nothing%", 20);

    before_fill.run(rounds, 2e6);
    before_fill.print("ns");
    group = &after_fill;

    // Compiles and runs `script` once, printing how long that took.
    const auto time_once = [&](const char* label, const std::string& script) {
        const auto t0 = std::chrono::steady_clock::now();
        cor::titleformat_object* raw = nullptr;
        if (compiler->compile(&raw, script.data(), script.size())) {
            auto obj = cor::service_ptr_t<cor::titleformat_object>::adopt(raw);
            struct null_sink final : cor::string_sink {
                void write(const char*, size_t) override {}
            } out;
            vesk::t_script_context ctx;
            vesk::vesk_tf_hook hook(ctx);
            obj->run(&hook, out);
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count();
        std::printf("%-58s %12.1f ms\n", label, ms);
    };
    // The $hash store with 100,000 keys: filling it, then updating and
    // reading keys by exact name and as fields.
    std::string fill;
    for (int i = 0; i < 100000; ++i)
        fill += "$hash(key" + std::to_string(i) + "," + std::to_string(i) + ")";
    time_once("$hash: 100,000 new keys (compile and run)", fill);
    // Lists that scripts fill one entry at a time, each addition looking
    // for an entry of the same name first.
    time_once("$popupmenu_additem: 100,000 items in a $for loop",
              "$popupmenu_create(big)$for(i,1,100000,1,'$popupmenu_additem(big,item%i%,x)')");
    time_once("$mainmenu_set: 20,000 commands in a $for loop",
              "$for(i,1,20000,1,'$mainmenu_set(command%i%,x)')");
    time_script("$hash(key50000,v) update in a 100,000-key store", "$hash(key50000,v)", 20);
    time_script("$hash(key99999) read in a 100,000-key store", "$hash(key99999)", 20);
    time_script("%KEY99999% field from a 100,000-key store", "%KEY99999%", 20);
    time_script("$regexp(abcabc,b,X) (per call, 20 calls a hook)", "$regexp(abcabc,b,X)", 20);
    time_script("$regexp(abcabc,b) (per call, 20 calls a hook)", "$regexp(abcabc,b)", 20);
    time_script("$regexp(abcabc,b) (one call a hook)", "$regexp(abcabc,b)", 1);
    time_script("$for over 20 passes of $regexp(abcabc,b) (per pass)",
                "$for(i,1,20,1,'$regexp(abcabc,b)')", 1, 20);
    after_fill.run(rounds, 2e6);
    after_fill.print("ns");
    return 0;
}
