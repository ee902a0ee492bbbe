// The media library: a set of tracks the user keeps, which can be switched
// off as a whole. Membership is by track handle, so a path added in any
// letter case is the same item.
#pragma once

#include <vector>

#include "corvina500/player/track_database.h"
#include "sdk/playlist.h"

namespace cor {

class library_manager_impl : public library_manager {
public:
    explicit library_manager_impl(track_database& tracks) : tracks_(tracks) {}

    bool is_enabled() override { return enabled_; }
    size_t get_count() override { return enabled_ ? items_.size() : 0; }
    bool find_item(const char* path, size_t length, metadb_handle** out) override;
    bool is_item_in_library(metadb_handle* track) override;

    void set_enabled(bool enabled) { enabled_ = enabled; }
    // False when the track is already there.
    bool add(const track_ptr& track);
    bool remove(const metadb_handle* track);
    void clear() { items_.clear(); }
    [[nodiscard]] bool contains(const metadb_handle* track) const;

private:
    track_database& tracks_;
    bool enabled_ = true;
    std::vector<track_ptr> items_;
};

}  // namespace cor
