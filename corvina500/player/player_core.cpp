#include "corvina500/player/player_core.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "cfg_var.h"
#include "corvina500/config/config_store.h"
#include "corvina500/dsp/dsp_service.h"
#include "corvina500/media/art_reader.h"
#include "corvina500/media/file_reader.h"
#include "corvina500/media/media_library.h"
#include "corvina500/player/decoder.h"
#include "corvina500/player/file_io.h"
#include "corvina500/player/player_state.h"
#include "corvina500/player/stream_output.h"
#include "guid_text.h"
#include "titleformat/tf_service.h"
#include "titleformat/titleformat.h"

namespace cor {
namespace {

// The Host's own settings in the store.
constexpr guid player_state_id = guid_of("5E0C6A41-7B2D-4F19-9A3E-1C8D2B7F6E05");
constexpr guid library_folders_id = guid_of("9D4B1F27-3A6C-4E85-B2D0-7F1E6A9C3B48");
constexpr guid dsp_chain_id = guid_of("2A7E4C19-5D83-4B06-A1F2-9C3E8D5B7A60");
// Text, so a hand-edited or damaged value is easy to reject.
constexpr guid volume_step_id = guid_of("6C3F8A12-4E97-4B0D-8D21-5A9E7C3B1F64");
// The sound device's endpoint id, as text; absent for the default device.
constexpr guid output_device_id = guid_of("8F2D6B14-3C5A-4E79-A0B1-6D9C2E4F7A35");

std::string encode_folders(const std::vector<std::string>& folders) {
    std::string out;
    raw_put_u32(out, static_cast<uint32_t>(folders.size()));
    for (const auto& f : folders) raw_put_text(out, f);
    return out;
}

std::vector<std::string> decode_folders(std::string_view raw) {
    std::vector<std::string> folders;
    raw_reader in(raw);
    uint32_t count = 0;
    if (!in.read_u32(count)) return folders;
    for (uint32_t i = 0; i < count; ++i) {
        std::string text;
        if (!in.read_text(text)) break;
        folders.push_back(std::move(text));
    }
    return folders;
}

}  // namespace

namespace {

constexpr const char* default_device_name = "The system's default sound device";

std::unique_ptr<audio_output> make_output(clock_source* manual, std::string output_file,
                                          const player_core::console_fn& console, pcm_tap& tap,
                                          std::shared_ptr<output_device_choice> choice,
                                          std::string& name, bool& on_device) {
    if (manual) {
        name = "None (silent clock)";
        return std::make_unique<silent_output>(*manual);
    }
    std::unique_ptr<stream_output> out;
    if (!output_file.empty()) {
        name = "WAV file " + output_file;
        out = std::make_unique<stream_output>(make_realtime_sink(std::move(output_file)), true);
    } else if (auto device = make_device_sink(std::move(choice))) {
        name = default_device_name;
        on_device = true;
        out =
            std::make_unique<stream_output>(std::move(device), true, make_realtime_sink(), console);
    } else {
        name = "None: no sound device could be opened";
        out = std::make_unique<stream_output>(make_realtime_sink(), true);
    }
    out->set_tap(&tap);
    return out;
}

}  // namespace

player_core::player_core(console_fn console, clock_source* clock, std::string output_file)
    : console_(std::move(console)),
      own_clock_(clock ? nullptr : std::make_unique<steady_clock_source>()),
      clock_(clock ? *clock : *own_clock_),
      callbacks_(make_service<play_callback_manager_impl>()) {
    tracks_.set_reader([this](std::string_view path) -> std::optional<t_track_info> {
        t_track_info info;
        std::string error;
        if (read_track_file(path, info, error)) return info;
        // Formats the tag readers do not know may still be decodable.
        std::string decode_error;
        if (error == "unrecognised file format") {
            if (const auto d = open_decoder(path, decode_error)) {
                add_stream_info(*d, info);
                return info;
            }
        }
        console_(std::string(path) + ": " + error + " (skipped)");
        return std::nullopt;
    });
    tracks_.set_formatter([this](metadb_handle_impl& track, titleformat_hook* hook,
                                 string_sink& out, titleformat_object* script,
                                 const t_playlist_item_place* place) {
        tf::t_format_context ctx;
        fill_context(ctx, track, place);
        return tf::run_object(script, &ctx, hook, out);
    });
    playlists_ = service_ptr_t<playlist_manager_impl>(
        new service_impl_t<playlist_manager_impl>(tracks_, callbacks_));
    engine_ = service_ptr_t<playback_engine>(new service_impl_t<playback_engine>(
        playlists_, callbacks_,
        make_output(clock, std::move(output_file), console_, tap_, device_choice_, output_name_,
                    on_device_),
        console_));
    library_ =
        service_ptr_t<library_manager_impl>(new service_impl_t<library_manager_impl>(tracks_));
    // No folders yet: no library.
    library_->set_enabled(false);
    dsp_service_ = make_dsp_service(dsp_);
    album_art_ = make_album_art_service();
    set_output_dsp(&dsp_);
}

player_core::~player_core() { shutdown(); }

void player_core::shutdown() {
    // A scan cut short still knows what it knew: the cache keeps that.
    if (auto left = scan_.stop()) {
        media_ = std::move(left->library);
        if (media_.last_scan().read || left->cache_refused) cache_dirty_ = true;
    }
    set_output_dsp(nullptr);
    if (!engine_) return;
    engine_->shutdown();
    playlists_->release_locks();
}

void player_core::register_services(const add_service_fn& add) {
    add(playback_control::class_guid, engine_.get());
    add(playlist_manager::class_guid, playlists_.get());
    add(library_manager::class_guid, library_.get());
    add(play_callback_manager::class_guid, callbacks_.get());
    add(dsp_config_manager::class_guid, dsp_service_.get());
    add(album_art_manager::class_guid, album_art_.get());
}

void player_core::load(const host_config_store& store) {
    std::string raw;
    if (store.get_raw(player_state_id, raw)) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(raw.data());
        if (auto state = decode_player_state({bytes, raw.size()})) {
            if (!restore_player_state(*state, *playlists_, *engine_))
                console_("corvina500: saved playlists could not be restored");
        } else {
            console_("corvina500: saved playlists are damaged; starting with none");
        }
    }
    if (store.get_raw(library_folders_id, raw)) library_folders_ = decode_folders(raw);
    // The first scan reads the cache first.
    cache_pending_ = !library_cache_.empty();
    if (store.get_raw(volume_step_id, raw)) {
        char* end = nullptr;
        const float step = std::strtof(raw.c_str(), &end);
        if (end == raw.c_str() || *end || !engine_->set_volume_step(step))
            console_("corvina500: ignored a bad volume step \"" + raw + "\"");
    }
    if (store.get_raw(output_device_id, raw)) set_output_device(raw);
    if (store.get_raw(dsp_chain_id, raw)) {
        std::vector<t_dsp_preset> presets;
        if (!dsp_chain::decode(raw, presets) || !dsp_.set(presets))
            console_("corvina500: the saved DSP chain is damaged; starting with none");
    }
    scan_library();
}

void player_core::save(host_config_store& store) {
    const auto bytes = encode_player_state(capture_player_state(*playlists_, *engine_));
    store.set_raw(player_state_id,
                  std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    store.set_raw(library_folders_id, encode_folders(library_folders_));
    char step[32];
    std::snprintf(step, sizeof step, "%g", static_cast<double>(engine_->volume_step()));
    store.set_raw(volume_step_id, step);
    store.set_raw(dsp_chain_id, dsp_.encode());
    store.set_raw(output_device_id, output_device());
    // Written when what the library knows changed (not while a scan holds it).
    if (library_cache_.empty() || scan_.running() || !cache_dirty_) return;
    if (write_file_atomic(library_cache_, media_.save_known()))
        cache_dirty_ = false;
    else
        console_("corvina500: could not write the library cache " + library_cache_);
}

void player_core::set_output_device(std::string id) {
    device_choice_->set(id);
    if (!on_device_) return;
    output_name_ = default_device_name;
    if (id.empty()) return;
    output_name_ = id + " (not connected: the default device plays)";
    for (const auto& d : list_output_devices())
        if (d.id == id) output_name_ = d.name;
}

void player_core::set_library_folders(std::vector<std::string> folders) {
    library_folders_ = std::move(folders);
}

void player_core::tick() {
    engine_->tick();
    take_library_scan(false);
}

void player_core::scan_library() {
    if (scan_.running()) {
        scan_again_ = true;
        return;
    }
    // The library is on while folders make one, the first scan still
    // reading or not.
    library_->set_enabled(!library_folders_.empty());
    media_.set_folders(library_folders_);
    media_.set_enabled(!library_folders_.empty());
    const bool cached = cache_pending_ && !library_folders_.empty();
    if (cached) cache_pending_ = false;
    scan_.start(std::move(media_), cached ? library_cache_ : std::string());
    // Nothing to read: the library empties at once.
    if (library_folders_.empty()) take_library_scan(true);
}

void player_core::wait_library_scan() { take_library_scan(true); }

player_core::t_library_status player_core::library_status() const {
    t_library_status status = last_scan_;
    status.tracks = library_items_.size();
    status.scanning = scan_.running();
    const auto progress = scan_.progress();
    status.done = progress.done;
    status.total = progress.total;
    return status;
}

void player_core::take_library_scan(bool wait) {
    while (auto finished = scan_.take(wait)) {
        media_ = std::move(finished->library);
        for (const auto& line : finished->reports) console_(line);
        if (media_.last_scan().read || media_.last_scan().dropped || finished->cache_refused)
            cache_dirty_ = true;
        // The items anew, so a folder taken out of the list takes its
        // tracks with it.
        library_->clear();
        library_->set_enabled(media_.enabled());
        for (const auto& item : media_.items()) library_->add(tracks_.put(*item));
        library_items_ = media_.items();
        last_scan_.counts = media_.last_scan();
        last_scan_.seconds = finished->seconds;
        if (media_.enabled()) {
            char line[160];
            std::snprintf(line, sizeof line,
                          "corvina500: library scanned: %zu tracks (%zu files read, %zu unchanged, "
                          "%zu gone) in %.2f s",
                          library_items_.size(), last_scan_.counts.read, last_scan_.counts.kept,
                          last_scan_.counts.dropped, last_scan_.seconds);
            console_(line);
        }
        // A copy: a listener may stop listening while it is told.
        const auto listeners = library_listeners_;
        for (const auto& [token, changed] : listeners) changed();
        if (std::exchange(scan_again_, false)) scan_library();
    }
}

size_t player_core::listen_library(std::function<void()> changed) {
    library_listeners_.emplace_back(next_listener_, std::move(changed));
    return next_listener_++;
}

void player_core::unlisten_library(size_t token) {
    std::erase_if(library_listeners_, [&](const auto& l) { return l.first == token; });
}

size_t player_core::add_to_active(const std::vector<std::string>& paths, size_t at) {
    size_t playlist = playlists_->get_active_playlist();
    if (playlist == no_index || playlist >= playlists_->get_playlist_count()) {
        playlist = playlists_->create_playlist("Default", 7, no_index);
        (void)playlists_->set_active_playlist(playlist);
    }
    std::vector<const char*> ptrs;
    std::vector<size_t> lengths;
    for (const auto& p : paths) {
        ptrs.push_back(p.c_str());
        lengths.push_back(p.size());
    }
    const size_t before = playlists_->playlist_get_item_count(playlist);
    (void)playlists_->playlist_insert_locations(playlist, std::min(at, before), ptrs.data(),
                                                lengths.data(), ptrs.size(), false);
    return playlists_->playlist_get_item_count(playlist) - before;
}

void player_core::fill_context(tf::t_format_context& ctx, const metadb_handle_impl& track,
                               const t_playlist_item_place* place) {
    ctx.track = &track.info();
    metadb_handle* playing = nullptr;
    if (engine_ && engine_->get_now_playing(&playing) && playing) {
        ctx.is_playing = playing == &track;
        playing->service_release();
    }
    if (ctx.is_playing) {
        ctx.is_paused = engine_->is_paused();
        ctx.playback_time = engine_->get_position();
    }
    if (place) {
        ctx.list_index = static_cast<int64_t>(place->index);
        ctx.list_total = static_cast<int64_t>(place->total);
        ctx.playlist_name = place->playlist_name;
    }
}

std::string player_core::format_active(std::string_view script) {
    std::string out;
    const size_t playlist = playlists_->get_active_playlist();
    if (playlist == no_index) return out;
    bool ok = false;
    // A script with a syntax error still shows what it evaluates to up to the error.
    const auto program = tf::compile(script, ok);
    string_out name;
    (void)playlists_->playlist_get_name(playlist, name);
    const size_t count = playlists_->playlist_get_item_count(playlist);
    for (size_t i = 0; i < count; ++i) {
        const track_ptr track = playlists_->item_track(playlist, i);
        if (!track) continue;
        const t_playlist_item_place place{i, count, name.text};
        tf::t_format_context ctx;
        fill_context(ctx, *track, &place);
        tf::run(*program, &ctx, nullptr, out);
        out += '\n';
    }
    return out;
}

}  // namespace cor
