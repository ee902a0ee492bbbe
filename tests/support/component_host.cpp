#include "support/component_host.h"

#include <windows.h>

#include <cstring>
#include <string_view>

#include "component.h"
#include "functions/hash_store.h"
#include "menu.h"
#include "panels/panel_types.h"
#include "script/error_report.h"
#include "script/preprocessor.h"
#include "script/stored_scripts.h"
#include "script/user_functions.h"
#include "test_bench.h"
#include "titleformat/tf_service.h"

extern "C" cor::component_client* COR_CALL corvina500_get_interface(cor::host_api*, void*);

namespace cor_test {
namespace {
struct capture : cor::console_receiver {
    lines* out = nullptr;
    void print(const char* text, size_t length) override { out->emplace_back(text, length); }
};
// Records what the component runs; its menu holds the exit command and one
// named test command.
struct recording_mainmenu : cor::mainmenu_manager {
    std::vector<cor::guid>* commands = nullptr;
    bool execute_command(const cor::guid& command) override {
        commands->push_back(command);
        return true;
    }
    size_t get_command_count() override { return 3; }
    bool get_command(size_t index, cor::guid& id, cor::string_sink& path) override {
        static const char* const texts[] = {"File/Exit", "Test/Group/Do It", "Vesk/Palette"};
        if (index > 2) return false;
        const char* text = texts[index];
        id = index == 0 ? command_exit : index == 1 ? component_host::test_command : cor::guid_null;
        path.write(text, std::strlen(text));
        return true;
    }
    uint32_t get_command_flags(size_t) override { return 0; }
    bool find_command_by_name(const char* name, size_t length, cor::guid& id) override {
        if (std::string_view(name, length) != "Do It") return false;
        id = component_host::test_command;
        return true;
    }
};

std::map<cor::cfg_var*, std::string> current_settings() {
    std::map<cor::cfg_var*, std::string> out;
    for (auto* v = cor::cfg_var::first_registered(); v; v = v->next_registered())
        out[v] = v->get_raw();
    return out;
}
}  // namespace

component_host::component_host()
    : settings_(current_settings()),
      api_("C:\\profile"),
      player_([this](std::string_view line) { lines_.emplace_back(line); }, &clock_) {
    player_.register_services(
        [this](const cor::guid& id, cor::service_base* s) { api_.add_service(id, s); });
    cor::tf::set_system_code_page(GetACP());
    // Keep the suite's own output readable: lines are checked, not shown.
    (void)console_.open_file("NUL");
    auto compiler = cor::make_titleformat_compiler();
    api_.add_service(cor::titleformat_compiler::class_guid, compiler.get());
    auto console = cor::make_console_service(console_);
    api_.add_service(cor::console_service::class_guid, console.get());
    auto* receiver = new cor::service_impl_t<capture>();
    receiver->out = &lines_;
    console_.add_receiver(cor::service_ptr_t<cor::console_receiver>(receiver));
    history_ = cor::make_console_history();
    console_.add_receiver(history_);
    panels_ = cor::make_panel_service(player_, *history_, &api_);
    api_.add_service(cor::ui_extension::panel_manager::class_guid, panels_.get());
    auto* mainmenu = new cor::service_impl_t<recording_mainmenu>();
    mainmenu->commands = &commands;
    api_.add_service(cor::mainmenu_manager::class_guid, mainmenu);
    // The Host's real context menu, and a tree that holds the component's
    // groups, commands and items as the Host's own tree would.
    menus_ = std::make_unique<cor::host_commands>(player_);
    auto contextmenu = menus_->contextmenu_service();
    api_.add_service(cor::contextmenu_manager::class_guid, contextmenu.get());
    auto keys = menus_->shortcut_service();
    api_.add_service(cor::keyboard_shortcut_manager::class_guid, keys.get());
    for (auto* f : vesk::host::factory_list()) {
        const cor::guid id = f->get_class_guid();
        if (id == cor::mainmenu_group::class_guid)
            menus_->menus().add(cor::service_ptr_t<cor::mainmenu_group>::adopt(
                static_cast<cor::mainmenu_group*>(f->create_instance())));
        else if (id == cor::mainmenu_commands::class_guid)
            menus_->menus().add(cor::service_ptr_t<cor::mainmenu_commands>::adopt(
                static_cast<cor::mainmenu_commands*>(f->create_instance())));
        else if (id == cor::contextmenu_item::class_guid)
            menus_->menus().add(cor::service_ptr_t<cor::contextmenu_item>::adopt(
                static_cast<cor::contextmenu_item*>(f->create_instance())));
    }
    corvina500_get_interface(&api_, GetModuleHandleW(nullptr));
    vesk::set_error_level(vesk::err_middle);
}

HWND component_host::start_ui() {
    ui_ = make_service<cor::user_interface>();
    if (!ui_) return nullptr;
    HWND main = static_cast<HWND>(ui_->init(nullptr));
    pump();
    return main;
}

void component_host::stop_ui() {
    if (!ui_) return;
    ui_->shutdown();
    ui_.reset();
    pump();
}

component_host::~component_host() {
    stop_ui();
    // Every setting as the test found it, and no script or stored value left.
    for (const auto& [v, raw] : settings_) v->set_raw(raw);
    (void)vesk::compile_custom_scripts("", false);
    vesk::prepare_all();
    vesk::set_user_functions({});
    vesk::hash_store::instance().clear();
    corvina500_get_interface(nullptr, nullptr);
    menus_.reset();
    vesk::set_error_level(vesk::err_off);
}

std::string component_host::eval(const std::string& script) {
    auto bench = make_service<cor::script_test_bench>();
    if (!bench) return "<no test bench>";
    cor::string_out out;
    bench->run_script(script.data(), script.size(), out);
    return out.text;
}

lines component_host::take_lines() { return std::exchange(lines_, {}); }

lines component_host::run_lines(const std::string& script) {
    lines out{eval(script)};
    for (auto& l : take_lines()) out.push_back(std::move(l));
    return out;
}

cor::track_ptr component_host::track(const std::string& path, const std::string& title,
                                     double seconds, const names& tags) {
    cor::t_track_info info;
    info.path = path;
    info.add_meta("title", title);
    for (const auto& [name, value] : tags) info.add_meta(name, value);
    info.length_seconds = seconds;
    return player_.tracks().put(std::move(info));
}

size_t component_host::playlist(const std::string& name, const std::vector<cor::track_ptr>& tracks,
                                const bool* selected) {
    auto& pm = player_.playlists();
    const size_t pl = pm.create_playlist(name.data(), name.size(), cor::no_index);
    std::vector<cor::metadb_handle*> items;
    for (const auto& t : tracks) items.push_back(t.get());
    pm.playlist_insert_items(pl, cor::no_index, items.data(), items.size(), selected);
    return pl;
}

}  // namespace cor_test
