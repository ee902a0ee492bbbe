#include "support/component_host.h"

#include <windows.h>

#include <cstring>
#include <string_view>

#include "component.h"
#include "host/service_factory.h"
#include "menu.h"
#include "panels/panel_types.h"
#include "script/error_report.h"
#include "test_bench.h"
#include "titleformat/tf_service.h"

extern "C" cor::component_client* COR_CALL corvina500_get_interface(cor::host_api*, void*);

namespace cor_test {
namespace {
struct capture : cor::console_receiver {
    std::vector<std::string>* lines = nullptr;
    void print(const char* text, size_t length) override { lines->emplace_back(text, length); }
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
}  // namespace

HWND visible_thread_window(const wchar_t* window_class) {
    struct t_search {
        const wchar_t* cls;
        HWND found;
    } search{window_class, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM p) {
            auto* s = reinterpret_cast<t_search*>(p);
            wchar_t cls[64] = L"";
            GetClassNameW(w, cls, 64);
            if (std::wstring_view(cls) != s->cls || !IsWindowVisible(w)) return TRUE;
            s->found = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

component_host::component_host()
    : api_("C:\\profile"),
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
    receiver->lines = &lines_;
    console_.add_receiver(cor::service_ptr_t<cor::console_receiver>(receiver));
    history_ = cor::make_console_history();
    console_.add_receiver(history_);
    panels_ = cor::make_panel_service(player_, *history_);
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
    for (auto* f : vesk::host::factory_list()) {
        if (f->get_class_guid() != cor::user_interface::class_guid) continue;
        ui_ = cor::service_ptr_t<cor::user_interface>::adopt(
            static_cast<cor::user_interface*>(f->create_instance()));
        HWND main = static_cast<HWND>(ui_->init(nullptr));
        pump();
        return main;
    }
    return nullptr;
}

void component_host::stop_ui() {
    if (!ui_) return;
    ui_->shutdown();
    ui_.reset();
    pump();
}

void component_host::pump(unsigned ms) {
    const ULONGLONG until = GetTickCount64() + ms;
    MSG msg;
    do {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(1);
    } while (GetTickCount64() < until);
}

component_host::~component_host() {
    stop_ui();
    corvina500_get_interface(nullptr, nullptr);
    menus_.reset();
    vesk::set_error_level(vesk::err_off);
}

std::string component_host::eval(const std::string& script) {
    for (auto* f : vesk::host::factory_list()) {
        if (f->get_class_guid() != cor::script_test_bench::class_guid) continue;
        auto bench = cor::service_ptr_t<cor::script_test_bench>::adopt(
            static_cast<cor::script_test_bench*>(f->create_instance()));
        cor::string_out out;
        bench->run_script(script.data(), script.size(), out);
        return out.text;
    }
    return "<no test bench>";
}

std::vector<std::string> component_host::take_lines() { return std::exchange(lines_, {}); }

}  // namespace cor_test
