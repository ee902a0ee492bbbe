#include "corvina500/player/playback_queue.h"

#include <algorithm>

#include "sdk/play_callback.h"

namespace cor {

void playback_queue::push(const t_entry& entry) {
    entries_.push_back(entry);
    ++generation_;
}

void playback_queue::clear() {
    if (entries_.empty()) return;
    entries_.clear();
    ++generation_;
}

std::optional<playback_queue::t_entry> playback_queue::front() const {
    if (entries_.empty()) return std::nullopt;
    return entries_.front();
}

void playback_queue::played(const t_entry& entry) {
    if (entries_.empty() || !(entries_.front() == entry)) return;
    entries_.erase(entries_.begin());
    ++generation_;
}

void playback_queue::items_inserted(uint64_t playlist_id, size_t first, size_t count) {
    bool moved = false;
    for (auto& e : entries_) {
        if (e.playlist_id == playlist_id && e.item >= first) {
            e.item += count;
            moved = true;
        }
    }
    if (moved) ++generation_;
}

void playback_queue::items_remapped(uint64_t playlist_id, const std::vector<size_t>& old_to_new) {
    const size_t before = entries_.size();
    bool moved = false;
    std::erase_if(entries_, [&](t_entry& e) {
        if (e.playlist_id != playlist_id) return false;
        const size_t now = e.item < old_to_new.size() ? old_to_new[e.item] : no_index;
        if (now == no_index) return true;
        moved = moved || now != e.item;
        e.item = now;
        return false;
    });
    if (moved || entries_.size() != before) ++generation_;
}

void playback_queue::forget(uint64_t playlist_id) {
    if (std::erase_if(entries_, [&](const t_entry& e) { return e.playlist_id == playlist_id; }))
        ++generation_;
}

}  // namespace cor
