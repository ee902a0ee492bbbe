#include "corvina500/player/library_scan.h"

#include <chrono>

#include "corvina500/player/file_io.h"

namespace cor {

library_scan::~library_scan() { (void)stop(); }

void library_scan::start(media_library library, std::string cache) {
    if (running()) return;
    work_ = {std::move(library), {}, 0, false};
    finished_ = stopping_ = false;
    done_ = total_ = 0;
    thread_ = std::thread([this, cache = std::move(cache)] { run(cache); });
}

void library_scan::run(const std::string& cache) {
    const auto began = std::chrono::steady_clock::now();
    // A large library's cache takes a while to read: here, not at start-up.
    if (!cache.empty()) {
        if (auto bytes = read_file(cache)) {
            work_.cache_refused = !work_.library.load_known(*bytes);
            if (work_.cache_refused)
                work_.reports.emplace_back(
                    "corvina500: the library cache is damaged; every file is read again");
        }
    }
    work_.library.scan(
        [this](std::string_view line) {
            work_.reports.push_back(std::string(line) + " (skipped)");
        },
        [this](size_t done, size_t total) {
            total_ = total;
            done_ = done;
            return !stopping_.load();
        });
    work_.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    finished_ = true;
}

std::optional<library_scan::t_finished> library_scan::take(bool wait) {
    if (!running() || (!wait && !finished_)) return std::nullopt;
    thread_.join();
    return std::move(work_);
}

std::optional<library_scan::t_finished> library_scan::stop() {
    if (!running()) return std::nullopt;
    stopping_ = true;
    thread_.join();
    return std::move(work_);
}

}  // namespace cor
