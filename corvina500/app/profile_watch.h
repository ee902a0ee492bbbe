// The player on a profile's readable folder (--watch DIR): the store is
// made from the folder at start, as tools/make_profile.py makes it, and the
// folder is watched. A save there is read again after the burst of saves
// it belongs to, and what changed goes to the user interface while it runs.
// A folder that does not read changes nothing and says where it failed.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/config.h"
#include "sdk/service.h"

namespace cor {

class host_config_store;

class profile_watch {
public:
    using console_fn = std::function<void(std::string_view)>;
    profile_watch(std::string folder, console_fn console);
    ~profile_watch();
    profile_watch(const profile_watch&) = delete;
    profile_watch& operator=(const profile_watch&) = delete;

    // Before components load: the folder's settings over the store's.
    void make_store(host_config_store& store);
    // Once the user interface runs: watches the folder and hands changes
    // to `reload`, reading the current settings through `io`. Without
    // `notices`, saves are not noticed: the caller reads the folder itself.
    void start(std::vector<service_ptr_t<config_io>> io, service_ptr_t<settings_reload> reload,
               bool notices = true);
    // Reads the folder again now; false when it did not read.
    bool reload_now();
    // What the user interface tells of scripts stored in its own editor:
    // written to their files in the folder. Valid after the watch is gone.
    [[nodiscard]] service_ptr_t<profile_sources> sources();

    // How long a burst of saves is waited out before reading.
    static constexpr unsigned settle_ms = 30;

private:
    class impl;
    std::unique_ptr<impl> impl_;
};

}  // namespace cor
