#include "script/fields.h"

#include <windows.h>

#include <ctime>

#include "host/host_services.h"
#include "script/fixed_point.h"
#include "script/tf_hook.h"
#include "window/tray_state.h"
#include "window/window_registry.h"

namespace vesk {
namespace {

bool yes_no(bool value, t_field_value& out) {
    out.text = value ? "1" : "0";
    out.found = value;
    return true;
}

bool number(size_t n, t_field_value& out) {
    out.text = std::to_string(n);
    return true;
}

bool playlist_name(cor::playlist_manager& pm, size_t index, t_field_value& out) {
    if (index == cor::no_index) return false;
    cor::string_out name;
    if (!pm.playlist_get_name(index, name)) return false;
    out.text = std::move(name.text);
    return true;
}

}  // namespace

bool resolve_player_field(std::string_view f, t_field_value& out) {
    out.found = true;
    cor::playlist_manager* pm = host::playlists();
    cor::playback_control* pc = host::playback();
    if (pm) {
        if (f == "pl_count") return number(pm->get_playlist_count(), out);
        if (f == "pl_activeindex") {
            const size_t i = pm->get_active_playlist();
            return i != cor::no_index && number(i, out);
        }
        if (f == "pl_activename") return playlist_name(*pm, pm->get_active_playlist(), out);
        if (f == "pl_playingindex" || f == "pl_playingname" || f == "pi_playingindex") {
            size_t playlist = cor::no_index, item = cor::no_index;
            if (!pm->get_playing_item(&playlist, &item) || playlist == cor::no_index) return false;
            if (f == "pl_playingindex") return number(playlist, out);
            if (f == "pl_playingname") return playlist_name(*pm, playlist, out);
            return item != cor::no_index && number(item, out);
        }
        if (f == "pi_activeindex") {
            const size_t pl = pm->get_active_playlist();
            if (pl == cor::no_index) return false;
            const size_t item = pm->playlist_get_focus_item(pl);
            return item != cor::no_index && number(item, out);
        }
        if (f == "playback_ordername") {
            cor::string_out name;
            if (!pm->playback_order_get_name(pm->playback_order_get_active(), name)) return false;
            out.text = std::move(name.text);
            return true;
        }
        if (f == "playback_orderindex") return number(pm->playback_order_get_active(), out);
    }
    if (pc) {
        if (f == "playback_state") {
            out.text = pc->is_paused() ? "pause" : pc->is_playing() ? "play" : "stop";
            return true;
        }
        if (f == "playback_stopaftercurrent") return yes_no(pc->get_stop_after_current(), out);
        if (f == "playback_can_seek") return yes_no(pc->can_seek(), out);
        if (f == "playback_isplaying") return yes_no(pc->is_playing(), out);
        if (f == "playback_ispaused") return yes_no(pc->is_paused(), out);
        if (f == "volume") {
            out.text = fixed7(pc->get_volume());
            return true;
        }
        if (f == "playback_position") {
            out.text = fixed7(pc->get_position());
            return true;
        }
        if (f == "playback_length") {
            out.text = fixed7(pc->get_length());
            return true;
        }
    }
    if (cor::library_manager* lib = host::library()) {
        if (f == "lib_enabled") return yes_no(lib->is_enabled(), out);
        if (f == "lib_count") return lib->is_enabled() && number(lib->get_count(), out);
    }
    return false;
}

bool resolve_engine_field(vesk_tf_hook& hook, std::string_view f, t_field_value& out) {
    out.found = true;
    const t_script_context& ctx = hook.context();
    if (f == "now") {
        SYSTEMTIME t;
        GetLocalTime(&t);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                      t.wHour, t.wMinute, t.wSecond);
        out.text = buf;
        return true;
    }
    if (f == "_result") {
        out.text = hook.last_result();
        return true;
    }
    if (f == "_flag") return yes_no(hook.last_found(), out);
    const auto integer = [&](long long v) {
        out.text = std::to_string(v);
        return true;
    };
    if (f == "_mp_x" || f == "_mp_left") return integer(ctx.map_left);
    if (f == "_mp_y" || f == "_mp_top") return integer(ctx.map_top);
    if (f == "_mp_right") return integer(ctx.map_right);
    if (f == "_mp_bottom") return integer(ctx.map_bottom);
    if (f == "_mp_width") return integer(static_cast<long long>(ctx.map_right) - ctx.map_left);
    if (f == "_mp_height") return integer(static_cast<long long>(ctx.map_bottom) - ctx.map_top);
    if (f == "_base_x") return integer(ctx.base_x);
    if (f == "_base_y") return integer(ctx.base_y);
    if (f == "screen_width") return integer(GetSystemMetrics(SM_CXSCREEN));
    if (f == "screen_height") return integer(GetSystemMetrics(SM_CYSCREEN));
    if (f == "mainid") {
        if (definition_by_guid(main_window_guid) == no_window) return false;
        out.text = definition_name(main_window_guid);
        return true;
    }
    if (f == "tasktray") return yes_no(tray_state().icon_shown, out);
    if (f == "tasktray_store") {
        if (open_window_by_guid(main_window_guid) == no_window) return false;
        return yes_no(tray_state().windows_stored, out);
    }
    return false;
}

}  // namespace vesk
