// The component's groups and commands in the Host's main menu, and the
// user's commands in its context menu on tracks. Nothing is offered until
// the main window exists.
#include <windows.h>

#include <cstring>
#include <string>

#include "guid_text.h"
#include "host/authoring.h"
#include "host/host_services.h"
#include "host/service_factory.h"
#include "host/settings.h"
#include "host/ui_state.h"
#include "menu.h"
#include "menu/popup_menus.h"
#include "menu/user_commands.h"
#include "menu/window_arrange.h"
#include "registry/window_registry.h"
#include "script/error_report.h"
#include "window/script_window.h"

namespace vesk {

using cor::guid_of;

namespace {

constexpr cor::guid root_group_id = guid_of("8E0B7D44-2F6A-4C1E-9B35-6A1D0E7C5F01");
constexpr cor::guid window_group_id = guid_of("8E0B7D44-2F6A-4C1E-9B35-6A1D0E7C5F02");
constexpr cor::guid display_group_id = guid_of("8E0B7D44-2F6A-4C1E-9B35-6A1D0E7C5F03");
constexpr cor::guid user_group_id = guid_of("8E0B7D44-2F6A-4C1E-9B35-6A1D0E7C5F04");

void put(cor::string_sink& out, std::string_view text) { out.write(text.data(), text.size()); }

bool active() { return ui_state().ui_active && !ui_state().shutting_down; }

template <const cor::guid& Id, const cor::guid& Parent, uint32_t Priority, const char* Name>
class group_t : public cor::mainmenu_group {
public:
    cor::guid get_guid() override { return Id; }
    cor::guid get_parent() override { return Parent; }
    uint32_t get_sort_priority() override { return Priority; }
    void get_display_name(cor::string_sink& out) override { put(out, Name); }
};

constexpr char window_name[] = "Window";
constexpr char display_name[] = "View";
constexpr char user_name[] = "User";

class vesk_ui_mainmenu_root_group
    : public group_t<root_group_id, cor::guid_null, cor::sort_priority_dontcare, own_group_name> {};
class vesk_ui_mainmenu_window_group
    : public group_t<window_group_id, root_group_id, cor::sort_priority_base, window_name> {};
class vesk_ui_mainmenu_display_group
    : public group_t<display_group_id, window_group_id, cor::sort_priority_dontcare, display_name> {
};
class vesk_ui_mainmenu_user_group
    : public group_t<user_group_id, root_group_id, cor::sort_priority_dontcare, user_name> {};

// A fixed list of commands under one group.
struct t_fixed_command {
    cor::guid id;
    const char* name;
    void (*run)();
};

template <const cor::guid& Parent>
class fixed_commands : public cor::mainmenu_commands {
public:
    explicit fixed_commands(std::span<const t_fixed_command> list) : list_(list) {}
    cor::guid get_parent() override { return Parent; }
    uint32_t get_sort_priority() override { return cor::sort_priority_dontcare; }
    uint32_t get_command_count() override {
        return active() ? static_cast<uint32_t>(list_.size()) : 0;
    }
    cor::guid get_command(uint32_t i) override {
        return i < list_.size() ? list_[i].id : cor::guid_null;
    }
    void get_name(uint32_t i, cor::string_sink& out) override {
        if (i < list_.size()) put(out, list_[i].name);
    }
    uint32_t get_flags(uint32_t) override { return 0; }
    void execute(uint32_t i) override {
        if (active() && i < list_.size()) list_[i].run();
    }

private:
    std::span<const t_fixed_command> list_;
};

constexpr t_fixed_command root_commands[] = {
    {guid_of("8E0B7D44-2F6A-4C1E-9B35-6A1D0E7C5F11"), "Palette",
     [] { (void)authoring::open_palette(); }},
    {guid_of("8E0B7D44-2F6A-4C1E-9B35-6A1D0E7C5F12"), "Configuration",
     [] { (void)authoring::open_dialog(); }},
};

constexpr t_fixed_command window_commands[] = {
    {guid_of("8E0B7D44-2F6A-4C1E-9B35-6A1D0E7C5F21"), "Cascade", cascade_windows},
    {guid_of("8E0B7D44-2F6A-4C1E-9B35-6A1D0E7C5F22"), "Tile", tile_windows},
    {guid_of("8E0B7D44-2F6A-4C1E-9B35-6A1D0E7C5F23"), "Bring to top all window",
     bring_all_windows_to_top},
};

class vesk_ui_mainmenu_root_cmd : public fixed_commands<root_group_id> {
public:
    vesk_ui_mainmenu_root_cmd() : fixed_commands(root_commands) {}
};

class vesk_ui_mainmenu_window_cmd : public fixed_commands<window_group_id> {
public:
    vesk_ui_mainmenu_window_cmd() : fixed_commands(window_commands) {}
};

// One command per window definition, checked while that window is open.
class vesk_ui_mainmenu_display_cmd : public cor::mainmenu_commands {
public:
    cor::guid get_parent() override { return display_group_id; }
    uint32_t get_sort_priority() override { return cor::sort_priority_dontcare; }
    uint32_t get_command_count() override {
        return active() ? static_cast<uint32_t>(cfg_window_guid_list.size()) : 0;
    }
    cor::guid get_command(uint32_t i) override {
        return i < cfg_window_guid_list.size() ? cfg_window_guid_list[i] : cor::guid_null;
    }
    void get_name(uint32_t i, cor::string_sink& out) override {
        std::string name = i < cfg_window_display_list.size() ? cfg_window_display_list[i] : "";
        if (name.empty() && i < cfg_window_id_list.size()) name = cfg_window_id_list[i];
        put(out, name);
    }
    uint32_t get_flags(uint32_t i) override {
        return i < cfg_window_guid_list.size() &&
                       open_window_by_guid(cfg_window_guid_list[i]) != no_window
                   ? flag_checked
                   : 0;
    }
    void execute(uint32_t i) override {
        if (!active() || i >= cfg_window_guid_list.size()) return;
        const cor::guid id = cfg_window_guid_list[i];
        if (const size_t open = open_window_by_guid(id); open != no_window) {
            t_window_info& w = open_windows()[open];
            w.visible = true;
            ShowWindow(w.hwnd, SW_SHOW);
            SetForegroundWindow(w.hwnd);
            return;
        }
        if (auto* main = script_window::from_handle(main_window_handle()))
            (void)main->open_definition(id, cor::guid_null, false, false, false, nullptr);
    }
};

class vesk_ui_mainmenu_user_cmd : public cor::mainmenu_commands {
public:
    cor::guid get_parent() override { return user_group_id; }
    uint32_t get_sort_priority() override { return cor::sort_priority_dontcare; }
    uint32_t get_command_count() override {
        return active() ? static_cast<uint32_t>(user_mainmenu_commands().size()) : 0;
    }
    cor::guid get_command(uint32_t i) override {
        return i < user_mainmenu_commands().size() ? user_mainmenu_commands().id(i)
                                                   : cor::guid_null;
    }
    void get_name(uint32_t i, cor::string_sink& out) override {
        if (i < user_mainmenu_commands().size()) put(out, user_mainmenu_commands().name(i));
    }
    uint32_t get_flags(uint32_t) override { return 0; }
    void execute(uint32_t i) override {
        if (active()) user_mainmenu_commands().run(i);
    }
};

class vesk_ui_contextmenu_user : public cor::contextmenu_item {
public:
    uint32_t get_item_count() override {
        return active() ? static_cast<uint32_t>(user_contextmenu_commands().size()) : 0;
    }
    cor::guid get_item_guid(uint32_t i) override {
        return i < user_contextmenu_commands().size() ? user_contextmenu_commands().id(i)
                                                      : cor::guid_null;
    }
    void get_item_name(uint32_t i, cor::string_sink& out) override {
        if (i < user_contextmenu_commands().size()) put(out, user_contextmenu_commands().name(i));
    }
    void get_item_default_path(uint32_t, cor::string_sink& out) override { put(out, "Vesk/User"); }
    void item_execute(uint32_t i, cor::metadb_handle* const* tracks, size_t count) override {
        if (active()) user_contextmenu_commands().run_on_tracks(i, tracks, count);
    }
};

host::service_factory_t<cor::mainmenu_group, vesk_ui_mainmenu_root_group> g_root_group;
host::service_factory_t<cor::mainmenu_group, vesk_ui_mainmenu_window_group> g_window_group;
host::service_factory_t<cor::mainmenu_group, vesk_ui_mainmenu_display_group> g_display_group;
host::service_factory_t<cor::mainmenu_group, vesk_ui_mainmenu_user_group> g_user_group;
host::service_factory_t<cor::mainmenu_commands, vesk_ui_mainmenu_root_cmd> g_root_cmd;
host::service_factory_t<cor::mainmenu_commands, vesk_ui_mainmenu_window_cmd> g_window_cmd;
host::service_factory_t<cor::mainmenu_commands, vesk_ui_mainmenu_display_cmd> g_display_cmd;
host::service_factory_t<cor::mainmenu_commands, vesk_ui_mainmenu_user_cmd> g_user_cmd;
host::service_factory_t<cor::contextmenu_item, vesk_ui_contextmenu_user> g_context_user;

}  // namespace
}  // namespace vesk
