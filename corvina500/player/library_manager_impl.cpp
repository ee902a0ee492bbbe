#include "corvina500/player/library_manager_impl.h"

#include <algorithm>
#include <string_view>

namespace cor {

bool library_manager_impl::find_item(const char* path, size_t length, metadb_handle** out) {
    if (!out) return false;
    *out = nullptr;
    if (!enabled_ || !path) return false;
    const track_ptr track = tracks_.find(std::string_view(path, length));
    if (!track || !contains(track.get())) return false;
    track->service_add_ref();
    *out = track.get();
    return true;
}

bool library_manager_impl::is_item_in_library(metadb_handle* track) {
    if (!enabled_ || !track) return false;
    if (contains(track)) return true;
    // A handle made elsewhere for the same file counts too.
    const track_ptr own = tracks_.find_same(track);
    return own && contains(own.get());
}

bool library_manager_impl::add(const track_ptr& track) {
    if (!track || contains(track.get())) return false;
    items_.push_back(track);
    return true;
}

bool library_manager_impl::remove(const metadb_handle* track) {
    auto it = std::find_if(items_.begin(), items_.end(),
                           [&](const track_ptr& t) { return t.get() == track; });
    if (it == items_.end()) return false;
    items_.erase(it);
    return true;
}

bool library_manager_impl::contains(const metadb_handle* track) const {
    return std::any_of(items_.begin(), items_.end(),
                       [&](const track_ptr& t) { return t.get() == track; });
}

}  // namespace cor
