#include "ui/player_events.h"

#include <algorithm>
#include <memory>
#include <span>

#include "host/host_services.h"
#include "script/fixed_point.h"
#include "script/general_scripts.h"
#include "script/script_run.h"
#include "script/stored_scripts.h"
#include "script/tf_hook.h"

namespace vesk {
namespace {

constexpr std::string_view register_error = "Error: cor_ui_vesk: Could not register callback";
constexpr std::string_view unregister_error = "Error: cor_ui_vesk: Could not unregister callback";

cor::service_ptr_t<cor::play_callback_manager> callback_manager() {
    cor::host_api* api = host::api();
    return api ? api->get<cor::play_callback_manager>() : nullptr;
}

int32_t index32(size_t index) { return static_cast<int32_t>(static_cast<uint32_t>(index)); }

// Which track an event's script is formatted against.
enum class track_kind { none, now_playing, focused_item };

struct t_playback_slot {
    uint32_t flag;
    size_t slot;
    track_kind track;
    void (*variables)(const t_playback_event&, field_list&);
};

struct t_playlist_slot {
    uint32_t flag;
    size_t slot;
    track_kind track;
    void (*variables)(const t_playlist_event&, field_list&);
};

void add_number(field_list& vars, const char* name, int64_t value) {
    vars.push_back({name, std::to_string(value), true, false});
}
void add_flag(field_list& vars, const char* name, bool value) {
    vars.push_back({name, value ? "1" : "0", value, false});
}
void add_fixed(field_list& vars, const char* name, double value) {
    vars.push_back({name, fixed7(value), true, false});
}

template <class R>
void no_variables(const R&, field_list&) {}

using pb = t_playback_event;
using pl = t_playlist_event;
using cb = cor::play_callback;
using lc = cor::playlist_callback;

constexpr t_playback_slot playback_slots[] = {
    {cb::flag_starting, slot_playback_starting, track_kind::none,
     [](const pb& r, field_list& v) {
         add_number(v, "_track_command", r.start_command);
         add_flag(v, "_starting_paused", r.starting_paused);
     }},
    {cb::flag_new_track, slot_playback_new_track, track_kind::now_playing, no_variables<pb>},
    {cb::flag_stop, slot_playback_stop, track_kind::none,
     [](const pb& r, field_list& v) { add_number(v, "_stop_reason", r.stop_reason); }},
    {cb::flag_seek, slot_playback_seek, track_kind::now_playing,
     [](const pb& r, field_list& v) { add_fixed(v, "_seek_time", r.seek_time); }},
    {cb::flag_pause, slot_playback_pause, track_kind::now_playing,
     [](const pb& r, field_list& v) { add_flag(v, "_pause_state", r.pause_state); }},
    {cb::flag_edited, slot_playback_edited, track_kind::now_playing, no_variables<pb>},
    {cb::flag_time, slot_playback_time, track_kind::now_playing,
     [](const pb& r, field_list& v) { add_fixed(v, "_playback_time", r.playback_time); }},
    {cb::flag_volume_change, slot_volume_change, track_kind::none,
     [](const pb& r, field_list& v) { add_fixed(v, "_volume", r.volume); }},
};

constexpr t_playlist_slot playlist_slots[] = {
    {lc::flag_items_added, slot_item_added, track_kind::none,
     [](const pl& r, field_list& v) {
         add_number(v, "_pl_index", r.playlist);
         add_number(v, "_pi_index", r.first_item);
         add_number(v, "_pi_count", r.item_count);
     }},
    {lc::flag_items_reordered, slot_item_reordered, track_kind::none,
     [](const pl& r, field_list& v) { add_number(v, "_pl_index", r.playlist); }},
    {lc::flag_items_removed, slot_item_removed, track_kind::none,
     [](const pl& r, field_list& v) { add_number(v, "_pl_index", r.playlist); }},
    {lc::flag_items_selection_change, slot_item_selection_change, track_kind::none,
     [](const pl& r, field_list& v) { add_number(v, "_pl_index", r.playlist); }},
    {lc::flag_item_focus_change, slot_item_focus_change, track_kind::focused_item,
     [](const pl& r, field_list& v) {
         add_number(v, "_pl_index", r.playlist);
         add_number(v, "_pi_from_index", r.focus_from);
         add_number(v, "_pi_to_index", r.focus_to);
     }},
    {lc::flag_items_modified, slot_item_modified, track_kind::none,
     [](const pl& r, field_list& v) { add_number(v, "_pl_index", r.playlist); }},
    {lc::flag_playlist_activate, slot_playlist_activate, track_kind::none,
     [](const pl& r, field_list& v) {
         add_number(v, "_pl_old_index", r.old_active);
         add_number(v, "_pl_new_index", r.new_active);
     }},
    {lc::flag_playlist_created, slot_playlist_created, track_kind::none,
     [](const pl& r, field_list& v) {
         add_number(v, "_pl_index", r.playlist);
         v.push_back({"_pl_name", r.name, true, false});
     }},
    {lc::flag_playlists_reordered, slot_playlist_reordered, track_kind::none, no_variables<pl>},
    {lc::flag_playlists_removed, slot_playlist_removed, track_kind::none,
     [](const pl& r, field_list& v) {
         add_number(v, "_pl_old_count", r.old_count);
         add_number(v, "_pl_new_count", r.new_count);
     }},
    {lc::flag_playlist_renamed, slot_playlist_renamed, track_kind::none,
     [](const pl& r, field_list& v) {
         add_number(v, "_pl_index", r.playlist);
         v.push_back({"_pl_name", r.name, true, false});
     }},
    {lc::flag_playback_order_changed, slot_playback_order_changed, track_kind::none,
     [](const pl& r, field_list& v) { add_number(v, "_order_index", r.order); }},
};

cor::service_ptr_t<cor::metadb_handle> event_track(track_kind kind) {
    cor::metadb_handle* track = nullptr;
    if (kind == track_kind::now_playing) {
        cor::playback_control* pc = host::playback();
        if (!pc || !pc->get_now_playing(&track)) return {};
    } else if (kind == track_kind::focused_item) {
        cor::playlist_manager* pm = host::playlists();
        if (!pm) return {};
        const size_t active = pm->get_active_playlist();
        if (active == cor::no_index) return {};
        const size_t focus = pm->playlist_get_focus_item(active);
        if (focus == cor::no_index || !pm->playlist_get_item_handle(active, focus, &track))
            return {};
    }
    return cor::service_ptr_t<cor::metadb_handle>::adopt(track);
}

void run_event_script(size_t slot, track_kind kind, field_list& variables) {
    // A copy: the script may replace the stored scripts while it runs.
    const std::string script = prepared_general_script(slot);
    // Most profiles leave most events without a script; some events come
    // every second.
    if (script.empty()) return;
    const auto track = event_track(kind);
    t_script_context context;
    context.script_id = general_script_identity(slot);
    vesk_tf_hook hook(context, &variables, nullptr, track.get());
    if (const compiled_script compiled = compiled_general_script(slot))
        (void)run_compiled(*compiled, hook);
    else
        (void)run_script(script, hook);
    report_undefined_macros(slot);
}

template <class Record, class Slot>
void dispatch(std::span<const Slot> slots, WPARAM flag, LPARAM lp) {
    const std::unique_ptr<Record> record(reinterpret_cast<Record*>(lp));
    for (const Slot& s : slots) {
        if (s.flag != flag) continue;
        const Record data = record ? *record : Record{};
        field_list variables;
        s.variables(data, variables);
        run_event_script(s.slot, s.track, variables);
        return;
    }
}

std::unique_ptr<play_callback_listener>& listener() {
    static std::unique_ptr<play_callback_listener> l;
    return l;
}

HWND& listener_window() {
    static HWND wnd = nullptr;
    return wnd;
}

}  // namespace

play_callback_listener::~play_callback_listener() { unregister_callbacks(); }

bool play_callback_listener::register_callbacks() {
    const auto manager = callback_manager();
    if (!manager) {
        host::console_print(register_error);
        return false;
    }
    if (!play_registered_) {
        play_registered_ = manager->register_play_callback(this, playback_event_flags);
        if (!play_registered_) host::console_print(register_error);
    }
    if (!playlist_registered_) {
        playlist_registered_ = manager->register_playlist_callback(this, playlist_event_flags);
        if (!playlist_registered_) host::console_print(register_error);
    }
    return play_registered_ && playlist_registered_;
}

void play_callback_listener::unregister_callbacks() {
    if (!play_registered_ && !playlist_registered_) return;
    const auto manager = callback_manager();
    if (play_registered_ && (!manager || !manager->unregister_play_callback(this)))
        host::console_print(unregister_error);
    if (playlist_registered_ && (!manager || !manager->unregister_playlist_callback(this)))
        host::console_print(unregister_error);
    play_registered_ = playlist_registered_ = false;
}

void play_callback_listener::post_playback(uint32_t flag, t_playback_event* record) {
    if (!PostMessageW(target_, playback_event_message, flag, reinterpret_cast<LPARAM>(record)))
        delete record;
}

void play_callback_listener::post_playlist(uint32_t flag, t_playlist_event* record) {
    if (!PostMessageW(target_, playlist_event_message, flag, reinterpret_cast<LPARAM>(record)))
        delete record;
}

void play_callback_listener::on_playback_starting(uint32_t command, bool paused) {
    auto* r = new t_playback_event;
    r->start_command = static_cast<int32_t>(command);
    r->starting_paused = paused;
    post_playback(flag_starting, r);
}

void play_callback_listener::on_playback_new_track(cor::metadb_handle*) {
    post_playback(flag_new_track, nullptr);
}

void play_callback_listener::on_playback_stop(uint32_t reason) {
    auto* r = new t_playback_event;
    r->stop_reason = static_cast<int32_t>(reason);
    post_playback(flag_stop, r);
}

void play_callback_listener::on_playback_seek(double seconds) {
    auto* r = new t_playback_event;
    r->seek_time = seconds;
    post_playback(flag_seek, r);
}

void play_callback_listener::on_playback_pause(bool paused) {
    auto* r = new t_playback_event;
    r->pause_state = paused;
    post_playback(flag_pause, r);
}

void play_callback_listener::on_playback_edited(cor::metadb_handle*) {
    post_playback(flag_edited, nullptr);
}

void play_callback_listener::on_playback_time(double seconds) {
    // Every second while a track plays: a message, and a turn of the message
    // loop, only when there is a script to run.
    if (prepared_general_script(slot_playback_time).empty()) return;
    auto* r = new t_playback_event;
    r->playback_time = seconds;
    post_playback(flag_time, r);
}

void play_callback_listener::on_volume_change(float decibels) {
    auto* r = new t_playback_event;
    r->volume = decibels;
    post_playback(flag_volume_change, r);
}

void play_callback_listener::on_items_added(size_t playlist, size_t first, size_t count,
                                            cor::metadb_handle* const*, const bool*) {
    auto* r = new t_playlist_event;
    r->playlist = index32(playlist);
    r->first_item = index32(first);
    r->item_count = index32(count);
    post_playlist(flag_items_added, r);
}

void play_callback_listener::on_items_reordered(size_t playlist, const size_t*, size_t) {
    auto* r = new t_playlist_event;
    r->playlist = index32(playlist);
    post_playlist(flag_items_reordered, r);
}

void play_callback_listener::on_items_removed(size_t playlist, const bool*, size_t, size_t) {
    auto* r = new t_playlist_event;
    r->playlist = index32(playlist);
    post_playlist(flag_items_removed, r);
}

void play_callback_listener::on_items_selection_change(size_t playlist, const bool*, const bool*,
                                                       size_t) {
    auto* r = new t_playlist_event;
    r->playlist = index32(playlist);
    post_playlist(flag_items_selection_change, r);
}

void play_callback_listener::on_item_focus_change(size_t playlist, size_t from, size_t to) {
    auto* r = new t_playlist_event;
    r->playlist = index32(playlist);
    r->focus_from = index32(from);
    r->focus_to = index32(to);
    post_playlist(flag_item_focus_change, r);
}

void play_callback_listener::on_items_modified(size_t playlist, const bool*, size_t) {
    auto* r = new t_playlist_event;
    r->playlist = index32(playlist);
    post_playlist(flag_items_modified, r);
}

void play_callback_listener::on_playlist_activate(size_t old_index, size_t new_index) {
    auto* r = new t_playlist_event;
    r->old_active = index32(old_index);
    r->new_active = index32(new_index);
    post_playlist(flag_playlist_activate, r);
}

void play_callback_listener::on_playlist_created(size_t playlist, const char* name, size_t length) {
    auto* r = new t_playlist_event;
    r->playlist = index32(playlist);
    if (name) r->name.assign(name, length);
    post_playlist(flag_playlist_created, r);
}

void play_callback_listener::on_playlists_reordered(const size_t*, size_t) {
    post_playlist(flag_playlists_reordered, nullptr);
}

void play_callback_listener::on_playlists_removed(const bool*, size_t old_count, size_t new_count) {
    auto* r = new t_playlist_event;
    r->old_count = index32(old_count);
    r->new_count = index32(new_count);
    post_playlist(flag_playlists_removed, r);
}

void play_callback_listener::on_playlist_renamed(size_t playlist, const char* name, size_t length) {
    auto* r = new t_playlist_event;
    r->playlist = index32(playlist);
    if (name) r->name.assign(name, length);
    post_playlist(flag_playlist_renamed, r);
}

void play_callback_listener::on_playback_order_changed(size_t new_index) {
    auto* r = new t_playlist_event;
    r->order = index32(new_index);
    post_playlist(flag_playback_order_changed, r);
}

void dispatch_playback_event(WPARAM flag, LPARAM record) {
    dispatch<t_playback_event>(std::span<const t_playback_slot>(playback_slots), flag, record);
}

void dispatch_playlist_event(WPARAM flag, LPARAM record) {
    dispatch<t_playlist_event>(std::span<const t_playlist_slot>(playlist_slots), flag, record);
}

void attach_player_events(HWND main_window) {
    detach_player_events();
    listener() = std::make_unique<play_callback_listener>(main_window);
    listener_window() = main_window;
    (void)listener()->register_callbacks();
}

void detach_player_events() {
    if (!listener()) return;
    listener()->unregister_callbacks();
    listener().reset();
    // Events still queued die with the window; their records go with them.
    MSG msg;
    while (PeekMessageW(&msg, listener_window(), playback_event_message, playlist_event_message,
                        PM_REMOVE)) {
        if (msg.message == playback_event_message)
            delete reinterpret_cast<t_playback_event*>(msg.lParam);
        else
            delete reinterpret_cast<t_playlist_event*>(msg.lParam);
    }
    listener_window() = nullptr;
}

bool handle_player_event(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == playback_event_message) {
        dispatch_playback_event(wp, lp);
        return true;
    }
    if (msg == playlist_event_message) {
        dispatch_playlist_event(wp, lp);
        return true;
    }
    return false;
}

std::vector<std::string> player_event_variable_names() {
    std::vector<std::string> names;
    field_list vars;
    for (const auto& slot : playback_slots) slot.variables(t_playback_event{}, vars);
    for (const auto& slot : playlist_slots) slot.variables(t_playlist_event{}, vars);
    for (const auto& v : vars)
        if (std::find(names.begin(), names.end(), v.name) == names.end()) names.push_back(v.name);
    return names;
}

}  // namespace vesk
