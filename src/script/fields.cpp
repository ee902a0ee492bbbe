#include "script/fields.h"

#include <windows.h>

#include <array>
#include <ctime>

#include "host/host_services.h"
#include "script/fixed_point.h"
#include "script/script_extensions.h"
#include "script/tf_hook.h"

namespace vesk {
namespace {

bool yes_no(bool value, t_field_value& out) {
    out.text = value ? "1" : "0";
    out.found = value;
    return true;
}

bool number(long long n, t_field_value& out) {
    out.text = std::to_string(n);
    return true;
}

bool text(std::string value, t_field_value& out) {
    out.text = std::move(value);
    return true;
}

// What the windows answer; nothing without them.
bool main_field(std::string_view name, t_field_value& out) {
    const auto read = script_extensions().main_field;
    return read && read(name, out);
}

bool playlist_name(cor::playlist_manager& pm, size_t index, t_field_value& out) {
    if (index == cor::no_index) return false;
    cor::string_out name;
    if (!pm.playlist_get_name(index, name)) return false;
    return text(std::move(name.text), out);
}

// The playing playlist and item; false when nothing plays.
bool playing(cor::playlist_manager& pm, size_t& playlist, size_t& item) {
    playlist = item = cor::no_index;
    return pm.get_playing_item(&playlist, &item) && playlist != cor::no_index;
}

// Each reader gets the service it needs, or is not resolved without it.
template <bool (*read)(cor::playlist_manager&, t_field_value&)>
bool with_playlists(t_field_value& out) {
    cor::playlist_manager* pm = host::playlists();
    return pm && read(*pm, out);
}
template <bool (*read)(cor::playback_control&, t_field_value&)>
bool with_playback(t_field_value& out) {
    cor::playback_control* pc = host::playback();
    return pc && read(*pc, out);
}
template <bool (*read)(cor::library_manager&, t_field_value&)>
bool with_library(t_field_value& out) {
    cor::library_manager* lib = host::library();
    return lib && read(*lib, out);
}

using pm_t = cor::playlist_manager;
using pc_t = cor::playback_control;
using lib_t = cor::library_manager;

struct t_player_field {
    std::string_view name;
    bool (*read)(t_field_value&);
};

constexpr t_player_field player_fields[] = {
    {"pl_count", with_playlists<[](pm_t& pm, t_field_value& out) {
         return number(static_cast<long long>(pm.get_playlist_count()), out);
     }>},
    {"pl_activeindex", with_playlists<[](pm_t& pm, t_field_value& out) {
         const size_t i = pm.get_active_playlist();
         return i != cor::no_index && number(static_cast<long long>(i), out);
     }>},
    {"pl_activename", with_playlists<[](pm_t& pm, t_field_value& out) {
         return playlist_name(pm, pm.get_active_playlist(), out);
     }>},
    {"pl_playingindex", with_playlists<[](pm_t& pm, t_field_value& out) {
         size_t playlist, item;
         return playing(pm, playlist, item) && number(static_cast<long long>(playlist), out);
     }>},
    {"pl_playingname", with_playlists<[](pm_t& pm, t_field_value& out) {
         size_t playlist, item;
         return playing(pm, playlist, item) && playlist_name(pm, playlist, out);
     }>},
    {"pi_playingindex", with_playlists<[](pm_t& pm, t_field_value& out) {
         size_t playlist, item;
         return playing(pm, playlist, item) && item != cor::no_index &&
                number(static_cast<long long>(item), out);
     }>},
    {"pi_activeindex", with_playlists<[](pm_t& pm, t_field_value& out) {
         const size_t pl = pm.get_active_playlist();
         if (pl == cor::no_index) return false;
         const size_t item = pm.playlist_get_focus_item(pl);
         return item != cor::no_index && number(static_cast<long long>(item), out);
     }>},
    {"playback_ordername", with_playlists<[](pm_t& pm, t_field_value& out) {
         cor::string_out name;
         if (!pm.playback_order_get_name(pm.playback_order_get_active(), name)) return false;
         return text(std::move(name.text), out);
     }>},
    {"playback_orderindex", with_playlists<[](pm_t& pm, t_field_value& out) {
         return number(static_cast<long long>(pm.playback_order_get_active()), out);
     }>},
    {"playback_state", with_playback<[](pc_t& pc, t_field_value& out) {
         return text(pc.is_paused() ? "pause" : pc.is_playing() ? "play" : "stop", out);
     }>},
    {"playback_stopaftercurrent", with_playback<[](pc_t& pc, t_field_value& out) {
         return yes_no(pc.get_stop_after_current(), out);
     }>},
    {"playback_can_seek",
     with_playback<[](pc_t& pc, t_field_value& out) { return yes_no(pc.can_seek(), out); }>},
    {"playback_isplaying",
     with_playback<[](pc_t& pc, t_field_value& out) { return yes_no(pc.is_playing(), out); }>},
    {"playback_ispaused",
     with_playback<[](pc_t& pc, t_field_value& out) { return yes_no(pc.is_paused(), out); }>},
    {"volume", with_playback<[](pc_t& pc, t_field_value& out) {
         return text(fixed7(pc.get_volume()), out);
     }>},
    {"playback_position", with_playback<[](pc_t& pc, t_field_value& out) {
         return text(fixed7(pc.get_position()), out);
     }>},
    {"playback_length", with_playback<[](pc_t& pc, t_field_value& out) {
         return text(fixed7(pc.get_length()), out);
     }>},
    {"lib_enabled",
     with_library<[](lib_t& lib, t_field_value& out) { return yes_no(lib.is_enabled(), out); }>},
    {"lib_count", with_library<[](lib_t& lib, t_field_value& out) {
         return lib.is_enabled() && number(static_cast<long long>(lib.get_count()), out);
     }>},
};

struct t_engine_field {
    std::string_view name;
    bool (*read)(vesk_tf_hook&, t_field_value&);
};

constexpr t_engine_field engine_fields[] = {
    {"now",
     [](vesk_tf_hook&, t_field_value& out) {
         SYSTEMTIME t;
         GetLocalTime(&t);
         char buf[32];
         std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                       t.wHour, t.wMinute, t.wSecond);
         return text(buf, out);
     }},
    {"_result",
     [](vesk_tf_hook& hook, t_field_value& out) { return text(hook.last_result(), out); }},
    {"_flag",
     [](vesk_tf_hook& hook, t_field_value& out) { return yes_no(hook.last_found(), out); }},
    {"_mp_x",
     [](vesk_tf_hook& hook, t_field_value& out) { return number(hook.context().map_left, out); }},
    {"_mp_left",
     [](vesk_tf_hook& hook, t_field_value& out) { return number(hook.context().map_left, out); }},
    {"_mp_y",
     [](vesk_tf_hook& hook, t_field_value& out) { return number(hook.context().map_top, out); }},
    {"_mp_top",
     [](vesk_tf_hook& hook, t_field_value& out) { return number(hook.context().map_top, out); }},
    {"_mp_right",
     [](vesk_tf_hook& hook, t_field_value& out) { return number(hook.context().map_right, out); }},
    {"_mp_bottom",
     [](vesk_tf_hook& hook, t_field_value& out) { return number(hook.context().map_bottom, out); }},
    {"_mp_width",
     [](vesk_tf_hook& hook, t_field_value& out) {
         const t_script_context& c = hook.context();
         return number(static_cast<long long>(c.map_right) - c.map_left, out);
     }},
    {"_mp_height",
     [](vesk_tf_hook& hook, t_field_value& out) {
         const t_script_context& c = hook.context();
         return number(static_cast<long long>(c.map_bottom) - c.map_top, out);
     }},
    {"_base_x",
     [](vesk_tf_hook& hook, t_field_value& out) { return number(hook.context().base_x, out); }},
    {"_base_y",
     [](vesk_tf_hook& hook, t_field_value& out) { return number(hook.context().base_y, out); }},
    {"screen_width",
     [](vesk_tf_hook&, t_field_value& out) { return number(GetSystemMetrics(SM_CXSCREEN), out); }},
    {"screen_height",
     [](vesk_tf_hook&, t_field_value& out) { return number(GetSystemMetrics(SM_CYSCREEN), out); }},
    {"mainid", [](vesk_tf_hook&, t_field_value& out) { return main_field("mainid", out); }},
    {"tasktray", [](vesk_tf_hook&, t_field_value& out) { return main_field("tasktray", out); }},
    {"tasktray_store",
     [](vesk_tf_hook&, t_field_value& out) { return main_field("tasktray_store", out); }},
};

template <class T, size_t N>
constexpr std::array<std::string_view, N> names_of(const T (&table)[N]) {
    std::array<std::string_view, N> names{};
    for (size_t i = 0; i < N; ++i) names[i] = table[i].name;
    return names;
}

constexpr auto player_names = names_of(player_fields);
constexpr auto engine_names = names_of(engine_fields);

}  // namespace

bool resolve_player_field(std::string_view f, t_field_value& out) {
    out.found = true;
    for (const auto& field : player_fields)
        if (field.name == f) return field.read(out);
    return false;
}

bool resolve_engine_field(vesk_tf_hook& hook, std::string_view f, t_field_value& out) {
    out.found = true;
    for (const auto& field : engine_fields)
        if (field.name == f) return field.read(hook, out);
    return false;
}

std::span<const std::string_view> player_field_names() { return player_names; }
std::span<const std::string_view> engine_field_names() { return engine_names; }

}  // namespace vesk
