// The player behind the services the Host offers: tracks, playlists,
// playback, library and callbacks, with their state kept in the
// configuration store between runs.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "album_art.h"
#include "corvina500/dsp/dsp_chain.h"
#include "corvina500/media/media_library.h"
#include "corvina500/player/audio_sink.h"
#include "corvina500/player/callbacks.h"
#include "corvina500/player/clock.h"
#include "corvina500/player/library_manager_impl.h"
#include "corvina500/player/library_scan.h"
#include "corvina500/player/pcm_tap.h"
#include "corvina500/player/playback_engine.h"
#include "corvina500/player/playlist_manager_impl.h"
#include "corvina500/player/track_database.h"
#include "dsp.h"

namespace cor {

class host_config_store;
namespace tf {
struct t_format_context;
}

// The library cache's name in the profile folder.
inline constexpr std::string_view library_cache_file_name = "corvina500.library";

class player_core {
public:
    using console_fn = std::function<void(std::string_view)>;

    // With `clock`, playback keeps silent time on it (timing tests); without
    // it tracks are decoded and played on the sound device or, given
    // `output_file`, written to that WAV file in real time.
    explicit player_core(console_fn console, clock_source* clock = nullptr,
                         std::string output_file = {});
    ~player_core();
    player_core(const player_core&) = delete;
    player_core& operator=(const player_core&) = delete;

    // Offers playback, playlists, library and callbacks through `add`.
    using add_service_fn = std::function<void(const guid&, service_base*)>;
    void register_services(const add_service_fn& add);

    // Restores playlists, order, volume and library folders, then scans the library.
    void load(const host_config_store& store);
    void save(host_config_store& store);

    // Adds files, folders (recursively, in name order) and playlist files
    // to the active playlist, making a playlist "Default" when there is none.
    // Returns the number of items added. They go before item `at`, or at
    // the end.
    size_t add_to_active(const std::vector<std::string>& paths, size_t at = no_index);

    // Each item of the active playlist formatted with `script`, one line each.
    std::string format_active(std::string_view script);

    // Drives playback and takes a finished library scan in; call every few
    // tens of milliseconds.
    void tick();
    void shutdown();

    playlist_manager_impl& playlists() { return *playlists_; }
    playback_engine& playback() { return *engine_; }
    library_manager_impl& library() { return *library_; }
    play_callback_manager_impl& callbacks() { return *callbacks_; }
    track_database& tracks() { return tracks_; }
    // Peaks of what is played (nothing on a manual clock).
    pcm_tap& tap() { return tap_; }
    // The sound processors the output applies, kept in the store.
    dsp_chain& dsp() { return dsp_; }
    album_art_manager& album_art() { return *album_art_; }
    // What the sound goes to, for the user to read.
    const std::string& output_name() const { return output_name_; }
    // True when the sound goes to a sound device (not a file, not a silent
    // clock), so choosing a device means something.
    bool plays_on_device() const { return on_device_; }
    // The chosen device's endpoint id; empty for the system's default. A
    // change is heard from the next track on.
    std::string output_device() const { return device_choice_->get(); }
    void set_output_device(std::string id);

    // The file that keeps what the library knows of its files between runs
    // (read by load, written by save): a start then reads only the files
    // that changed. None by default.
    void set_library_cache(std::string path) { library_cache_ = std::move(path); }
    // Folders scanned into the library at start; empty disables the library.
    void set_library_folders(std::vector<std::string> folders);
    const std::vector<std::string>& library_folders() const { return library_folders_; }
    // Starts reading again, off the main thread, only the files that
    // changed since the last scan; a scan asked for while one runs follows
    // it. The library changes when tick() finds the scan ended.
    void scan_library();
    // Waits for the scans asked for and takes them in (tests, benchmarks).
    void wait_library_scan();
    struct t_library_status {
        bool scanning = false;
        size_t done = 0, total = 0;  // files of the running scan
        // The last scan that ended.
        size_t tracks = 0;
        media_library::t_scan_counts counts;
        double seconds = 0;
    };
    [[nodiscard]] t_library_status library_status() const;
    // The library's tracks as the last scan read them.
    [[nodiscard]] const std::vector<media_library::t_item>& library_items() const {
        return library_items_;
    }
    // `changed` runs after every scan; the token given back forgets it.
    size_t listen_library(std::function<void()> changed);
    void unlisten_library(size_t token);

private:
    // What the script engine is told of a track, playing state included.
    void fill_context(tf::t_format_context& ctx, const metadb_handle_impl& track,
                      const t_playlist_item_place* place);

    console_fn console_;
    std::unique_ptr<clock_source> own_clock_;
    clock_source& clock_;
    track_database tracks_;
    pcm_tap tap_;  // outlives the engine's output
    std::shared_ptr<output_device_choice> device_choice_ = std::make_shared<output_device_choice>();
    bool on_device_ = false;
    service_ptr_t<play_callback_manager_impl> callbacks_;
    service_ptr_t<playlist_manager_impl> playlists_;
    service_ptr_t<playback_engine> engine_;
    service_ptr_t<library_manager_impl> library_;
    std::vector<std::string> library_folders_;
    void take_library_scan(bool wait);

    // What the folders held at the last scan, so a rescan reads only changes;
    // the scan's while one runs.
    media_library media_;
    library_scan scan_;
    bool scan_again_ = false;
    std::vector<media_library::t_item> library_items_;
    t_library_status last_scan_;
    // The cache's path, whether the next scan reads it, and whether what
    // the library knows changed since (a scan read or dropped a file).
    std::string library_cache_;
    bool cache_pending_ = false, cache_dirty_ = false;
    std::vector<std::pair<size_t, std::function<void()>>> library_listeners_;
    size_t next_listener_ = 1;
    std::string output_name_;
    dsp_chain dsp_;
    service_ptr_t<dsp_config_manager> dsp_service_;
    service_ptr_t<album_art_manager> album_art_;
};

}  // namespace cor
