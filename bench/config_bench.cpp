// Settings files: export and import of a configuration with 200 window
// definitions and 1 MB of scripts, through the component's own calls (the
// work of the options page's buttons and of --export-config and
// --import-config), in interleaved rounds.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_util.h"
#include "config/config_transfer.h"
#include "host/identity.h"
#include "host/settings.h"
#include "registry/window_registry.h"
#include "script/stored_scripts.h"
#include "support/component_host.h"

int main(int argc, char** argv) {
    cor_bench::print_load_average();
    const int rounds = cor_bench::rounds_argument(argc, argv, 11);
    cor_test::component_host host;
    // 200 windows, each with six event scripts of about 830 bytes: 1 MB.
    const std::string line = "$puts(%_width%)$gp_text(%_id%,#str#,10,10,0,0,font-size:12)\r\n";
    std::string script;
    while (script.size() < 830) script += line;
    for (int i = 0; i < 200; ++i) {
        const size_t def =
            vesk::add_definition(vesk::make_identity(), "w" + std::to_string(i), "window");
        for (auto* list : {&vesk::cfg_window_tf_load_list, &vesk::cfg_window_tf_open_list,
                           &vesk::cfg_window_tf_close_list, &vesk::cfg_window_tf_resize_list,
                           &vesk::cfg_window_tf_move_list, &vesk::cfg_window_tf_activate_list})
            (*list)[def] = script;
    }
    const auto folder = std::filesystem::temp_directory_path() / "cor-config-bench";
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "big.config").string();
    (void)vesk::export_config(nullptr, path, false);
    std::printf("200 windows, %.2f MB file\n", double(std::filesystem::file_size(path)) / 1e6);
    cor_bench::interleaved all;
    all.add(
        "export", [&] { (void)vesk::export_config(nullptr, path, false); },
        cor_bench::interleaved::options().runs(1));
    all.add(
        "import of the same file", [&] { (void)vesk::import_config(nullptr, path, false); },
        cor_bench::interleaved::options().runs(1));
    all.run(rounds, 0);
    all.print("ms", 1e6);
    std::filesystem::remove_all(folder);
    return 0;
}
