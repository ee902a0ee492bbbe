// A scan of the media library off the main thread. The library moves to a
// worker for the scan and comes back whole when it ends, so the main
// thread never sees it half read; what the scan reports waits with it.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "corvina500/media/media_library.h"

namespace cor {

class library_scan {
public:
    struct t_progress {
        size_t done = 0, total = 0;
    };
    struct t_finished {
        media_library library;
        // Console lines: "<path>: <error> (skipped)" in scan order, and a
        // damaged cache's.
        std::vector<std::string> reports;
        double seconds = 0;
        bool cache_refused = false;  // a cache was there, damaged
    };

    library_scan() = default;
    // Stops a scan that runs and waits for its worker.
    ~library_scan();
    library_scan(const library_scan&) = delete;
    library_scan& operator=(const library_scan&) = delete;

    // Starts scanning `library`'s folders, after reading what it knew of
    // them from the file `cache` when one is named. Only one scan runs at a
    // time: call only when running() is false.
    void start(media_library library, std::string cache = {});
    [[nodiscard]] bool running() const { return thread_.joinable(); }
    [[nodiscard]] t_progress progress() const { return {done_.load(), total_.load()}; }
    // The scanned library once the scan ended (waiting for it with `wait`);
    // nothing while it runs or when none ran.
    [[nodiscard]] std::optional<t_finished> take(bool wait);
    // Ends a running scan early and gives its library back: the tracks
    // read so far, and all it knew of the files (nothing when none ran).
    std::optional<t_finished> stop();

private:
    void run(const std::string& cache);

    std::thread thread_;
    std::atomic<bool> finished_{false}, stopping_{false};
    std::atomic<size_t> done_{0}, total_{0};
    t_finished work_;  // the worker's alone while it runs
};

}  // namespace cor
