// The playlist functions that name, create, select, count and lock:
// $pl_getname, $pl_rename, $pl_create, $pl_active, $pl_isexists,
// $pl_addselecteditems, $pl_itemcount, $pl_duration, $pl_finditeminlib,
// $pl_lock, $pl_unlock, $pi_select.
#include <algorithm>
#include <memory>
#include <vector>

#include "functions/playlist_access.h"
#include "functions/playlist_lock.h"
#include "host/host_services.h"
#include "script/error_report.h"
#include "script/fixed_point.h"
#include "script/function_table.h"
#include "script/options.h"

namespace vesk {
namespace {

using handle_ptr = cor::service_ptr_t<cor::metadb_handle>;

struct handle_list final : cor::metadb_handle_sink {
    std::vector<handle_ptr> items;
    void add(cor::metadb_handle* track) override { items.emplace_back(track); }
};

void fn_pl_getname(func_call& c) {
    if (!c.require_count(1)) return;
    const auto index = read_index(c.param(0));
    if (!index) {
        c.fail(err_low, "%s: invalid index");
        return;
    }
    cor::playlist_manager* pm = playlist_service();
    text_out name;
    if (!pm || !pm->playlist_get_name(*index, name)) return;
    c.write(name.text);
    c.set_found(true);
}

void fn_pl_rename(func_call& c) {
    if (!c.require_count(2)) return;
    const std::string_view name = c.param(1);
    if (name.empty()) {
        c.fail(err_low, "%s: invalid syntax");
        return;
    }
    cor::playlist_manager* pm = playlist_service();
    if (!pm) return;
    const size_t pl = resolve_playlist(c, *pm, 0, false);
    if (pl == cor::no_index) return;
    (void)pm->playlist_rename(pl, name.data(), name.size());
    c.set_found(true);
}

void fn_pl_create(func_call& c) {
    if (!c.require_count(1, 2)) return;
    const std::string_view name = c.param(0);
    if (name.empty()) {
        c.fail(err_low, "%s: invalid syntax");
        return;
    }
    cor::playlist_manager* pm = playlist_service();
    if (!pm) return;
    size_t position = pm->get_playlist_count();
    if (c.count() == 2) {
        const auto given = read_index(c.param(1));
        if (!given) {
            c.fail(err_low, "%s: invalid index '%s'", {c.param(1)});
            return;
        }
        position = *given;
    }
    (void)pm->create_playlist(name.data(), name.size(), position);
    c.set_found(true);
}

void fn_pl_active(func_call& c) {
    if (!c.require_count(1)) return;
    cor::playlist_manager* pm = playlist_service();
    if (!pm) return;
    const size_t pl = resolve_playlist(c, *pm, 0, false);
    if (pl == cor::no_index) return;
    (void)pm->set_active_playlist(pl);
    c.set_found(true);
}

void fn_pl_isexists(func_call& c) {
    if (!c.require_count(1)) return;
    cor::playlist_manager* pm = playlist_service();
    const bool exists = pm && playlist_by_name(*pm, c.param(0)) != cor::no_index;
    c.write(exists ? "1" : "0");
    c.set_found(exists);
}

void fn_pl_addselecteditems(func_call& c) {
    if (!c.require_at_least(1)) return;
    cor::playlist_manager* pm = playlist_service();
    if (!pm) return;
    const size_t target = resolve_playlist(c, *pm, 0, false);
    if (target == cor::no_index) return;
    bool check_duplicate = false;
    for (size_t i = 1; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (auto v = option_value(p, "checkduplicate")) {
            check_duplicate = read_bool(*v);
        } else {
            c.unknown_option(p);
            return;
        }
    }
    handle_list selected;
    if (const size_t active = pm->get_active_playlist(); active != cor::no_index)
        pm->playlist_enum_items(active, true, selected);
    if (check_duplicate) {
        handle_list existing;
        pm->playlist_enum_items(target, false, existing);
        std::erase_if(selected.items, [&](const handle_ptr& item) {
            for (const auto& other : existing.items)
                if (other.get() == item.get()) return true;
            return false;
        });
    }
    if (!selected.items.empty()) {
        std::vector<cor::metadb_handle*> raw;
        raw.reserve(selected.items.size());
        for (const auto& item : selected.items) raw.push_back(item.get());
        const std::unique_ptr<bool[]> selection(new bool[raw.size()]);
        std::fill_n(selection.get(), raw.size(), true);
        (void)pm->playlist_insert_items(target, cor::no_index, raw.data(), raw.size(),
                                        selection.get());
    }
    c.set_found(true);
}

void fn_pl_itemcount(func_call& c) {
    if (!c.require_count(0, 1)) return;
    cor::playlist_manager* pm = playlist_service();
    if (!pm) return;
    const size_t pl = resolve_playlist(c, *pm, 0, true);
    if (pl == cor::no_index) return;
    c.write_int(static_cast<int64_t>(pm->playlist_get_item_count(pl)));
    c.set_found(true);
}

void fn_pl_duration(func_call& c) {
    if (!c.require_count(0, 2)) return;
    cor::playlist_manager* pm = playlist_service();
    if (!pm) return;
    const size_t pl = resolve_playlist(c, *pm, 0, true);
    if (pl == cor::no_index) return;
    bool selected_only = false;
    if (c.count() == 2) {
        const std::string_view mask = c.param(1);
        if (is_keyword(mask, "selected")) {
            selected_only = true;
        } else if (!is_keyword(mask, "all")) {
            c.fail(err_low, "%s: unknown mask '%s'", {mask});
            return;
        }
    }
    double total = 0;
    const size_t count = pm->playlist_get_item_count(pl);
    for (size_t i = 0; i < count; ++i) {
        if (selected_only && !pm->playlist_is_item_selected(pl, i)) continue;
        const double length = pm->playlist_get_item_length(pl, i);
        if (length > 0) total += length;
    }
    c.write(fixed7(total));
    c.set_found(true);
}

void fn_pl_finditeminlib(func_call& c) {
    if (!c.require_count(0, 2)) return;
    cor::playlist_manager* pm = playlist_service();
    if (!pm) return;
    const size_t pl = resolve_playlist(c, *pm, 0, true);
    if (pl == cor::no_index) return;
    size_t item = active_focus(*pm);
    if (c.count() == 2) {
        const auto given = read_index(c.param(1));
        if (!given) {
            c.fail(err_low, "%s: invalid index");
            return;
        }
        item = *given;
    }
    bool in_library = false;
    cor::metadb_handle* raw = nullptr;
    if (item != cor::no_index && pm->playlist_get_item_handle(pl, item, &raw)) {
        const auto track = handle_ptr::adopt(raw);
        cor::library_manager* lib = host::library();
        in_library = lib && lib->is_item_in_library(track.get());
    }
    c.write(in_library ? "1" : "0");
    c.set_found(in_library);
}

void fn_pl_lock(func_call& c) {
    if (!c.require_count(1)) return;
    cor::playlist_manager* pm = playlist_service();
    if (!pm) return;
    const size_t pl = resolve_playlist(c, *pm, 0, false);
    if (pl == cor::no_index) return;
    if (!pm->playlist_lock_install(pl, playlist_lock_object())) {
        c.fail(err_middle, "%s: playlist lock error");
        return;
    }
    c.set_found(true);
}

void fn_pl_unlock(func_call& c) {
    if (!c.require_count(1)) return;
    cor::playlist_manager* pm = playlist_service();
    if (!pm) return;
    const size_t pl = resolve_playlist(c, *pm, 0, false);
    if (pl == cor::no_index) return;
    (void)pm->playlist_lock_uninstall(pl, playlist_lock_object());
    c.set_found(true);
}

enum class select_mode { select, unselect, invert };

void fn_pi_select(func_call& c) {
    if (!c.require_at_least(2)) return;
    cor::playlist_manager* pm = playlist_service();
    if (!pm) return;
    const size_t pl = resolve_playlist(c, *pm, 0, false);
    if (pl == cor::no_index) return;
    const auto item = read_index(c.param(1));
    if (!item) {
        c.fail(err_low, "%s: invalid index");
        return;
    }
    select_mode mode = select_mode::select;
    bool focus = true, clear = true;
    for (size_t i = 2; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (auto v = option_value(p, "select")) {
            if (is_keyword(*v, "select") || is_keyword(*v, "true")) {
                mode = select_mode::select;
            } else if (is_keyword(*v, "unselect") || is_keyword(*v, "false")) {
                mode = select_mode::unselect;
            } else if (is_keyword(*v, "xor")) {
                mode = select_mode::invert;
            } else {
                c.unknown_option(p);
                return;
            }
        } else if (auto f = option_value(p, "focus")) {
            focus = read_bool(*f);
        } else if (auto cl = option_value(p, "clear")) {
            clear = read_bool(*cl);
        } else {
            c.unknown_option(p);
            return;
        }
    }
    if (clear) (void)pm->playlist_clear_selection(pl);
    const bool state = mode == select_mode::select     ? true
                       : mode == select_mode::unselect ? false
                                                       : !pm->playlist_is_item_selected(pl, *item);
    (void)pm->playlist_set_selection_single(pl, *item, state);
    if (focus) (void)pm->playlist_set_focus_item(pl, *item);
    c.set_found(true);
}

constexpr t_function_entry entries[] = {
    {"pl_getname", fn_pl_getname},
    {"pl_rename", fn_pl_rename},
    {"pl_create", fn_pl_create},
    {"pl_active", fn_pl_active},
    {"pl_isexists", fn_pl_isexists},
    {"pl_addselecteditems", fn_pl_addselecteditems},
    {"pl_itemcount", fn_pl_itemcount},
    {"pl_duration", fn_pl_duration},
    {"pl_finditeminlib", fn_pl_finditeminlib},
    {"pl_lock", fn_pl_lock},
    {"pl_unlock", fn_pl_unlock},
    {"pi_select", fn_pi_select},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
