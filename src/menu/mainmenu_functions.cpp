// $mainmenu_set, $mainmenu_remove, $mainmenu_execute, $contextmenu_set,
// $contextmenu_remove, $contextmenu_execute: the user's own menu commands
// and running the Host's commands by path or by name.
#include <string>
#include <vector>

#include "host/host_services.h"
#include "menu/user_commands.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"
#include "utf8.h"

namespace vesk {
namespace {

void set_command(func_call& c, user_command_set& set) {
    if (!c.require_at_least(2)) return;
    const std::string_view name = c.param(0);
    if (name.empty()) {
        c.fail(err_low, "%s: invalid syntax");
        return;
    }
    bool escape = false;
    for (size_t i = 2; i < c.count(); ++i) {
        if (auto v = option_value(c.param(i), "escape")) {
            escape = read_bool(*v);
        } else {
            c.unknown_option(c.param(i));
            return;
        }
    }
    // The command runs later, from a menu, where the caller's base point
    // is gone: it starts by putting that point back.
    const t_script_context& ctx = c.hook.context();
    std::string script = "$base(" + std::to_string(ctx.base_x) + "," + std::to_string(ctx.base_y) +
                         ")" + std::string(c.param(1));
    if (escape) script = unescape_script(script);
    set.set(std::string(name), std::move(script));
    c.set_found(true);
}

void remove_command(func_call& c, user_command_set& set) {
    if (!c.require_count(1)) return;
    if (c.param(0).empty()) {
        c.fail(err_low, "%s: invalid syntax");
        return;
    }
    c.set_found(set.remove(c.param(0)));
}

void fn_mainmenu_set(func_call& c) { set_command(c, user_mainmenu_commands()); }
void fn_mainmenu_remove(func_call& c) { remove_command(c, user_mainmenu_commands()); }
void fn_contextmenu_set(func_call& c) { set_command(c, user_contextmenu_commands()); }
void fn_contextmenu_remove(func_call& c) { remove_command(c, user_contextmenu_commands()); }

// The first command whose path matches ignoring case, else one of that
// name; shared by both menus.
template <class Manager>
bool find_command(Manager& menu, std::string_view wanted, cor::guid& id) {
    for (size_t i = 0, n = menu.get_command_count(); i < n; ++i) {
        cor::string_out path;
        if (menu.get_command(i, id, path) && cor::iequals_utf8(path.text, wanted)) return true;
    }
    return menu.find_command_by_name(wanted.data(), wanted.size(), id);
}

void fn_mainmenu_execute(func_call& c) {
    if (!c.require_count(1)) return;
    cor::mainmenu_manager* menu = host::mainmenu();
    cor::guid id{};
    if (menu && find_command(*menu, c.param(0), id)) c.set_found(menu->execute_command(id));
}

class track_collector final : public cor::metadb_handle_sink {
public:
    void add(cor::metadb_handle* track) override {
        if (track) tracks.emplace_back(track);
    }
    std::vector<cor::service_ptr_t<cor::metadb_handle>> tracks;
};

void fn_contextmenu_execute(func_call& c) {
    if (!c.require_count(1, 2)) return;
    const std::string_view target = c.count() == 2 ? c.param(1) : std::string_view("playlist");
    const bool playing = cor::iequals_utf8(target, "playing");
    if (!playing && !cor::iequals_utf8(target, "playlist")) {
        c.fail(err_low, "%s: unknown target '%s'", {target});
        return;
    }
    cor::contextmenu_manager* menu = host::contextmenu();
    cor::guid id{};
    if (!menu || !find_command(*menu, c.param(0), id)) return;
    track_collector tracks;
    if (playing) {
        cor::metadb_handle* now = nullptr;
        if (auto* pb = host::playback(); pb && pb->get_now_playing(&now) && now) {
            tracks.add(now);
            now->service_release();
        }
    } else if (auto* pm = host::playlists()) {
        const size_t active = pm->get_active_playlist();
        if (active != cor::no_index) pm->playlist_enum_items(active, true, tracks);
    }
    if (tracks.tracks.empty()) return;
    std::vector<cor::metadb_handle*> raw;
    for (const auto& t : tracks.tracks) raw.push_back(t.get());
    c.set_found(menu->execute_command(id, raw.data(), raw.size()));
}

constexpr t_function_entry entries[] = {
    {"mainmenu_set", fn_mainmenu_set},
    {"mainmenu_remove", fn_mainmenu_remove},
    {"mainmenu_execute", fn_mainmenu_execute},
    {"contextmenu_set", fn_contextmenu_set},
    {"contextmenu_remove", fn_contextmenu_remove},
    {"contextmenu_execute", fn_contextmenu_execute},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
