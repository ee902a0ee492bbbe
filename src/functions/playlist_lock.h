// The component's playlist lock: one object, made when the user interface
// starts, that $pl_lock installs on any playlist to refuse edits to it.
#pragma once

#include "playlist.h"

namespace vesk {

inline constexpr const char* playlist_lock_name = "Vesk UI Playlist Lock";

class vesk_ui_playlist_lock : public cor::playlist_lock {
public:
    bool query_items_add(size_t, cor::metadb_handle* const*, size_t, const bool*) override {
        return false;
    }
    bool query_items_reorder(const size_t*, size_t) override { return false; }
    bool query_items_remove(const bool*, size_t) override { return false; }
    bool query_item_replace(size_t, cor::metadb_handle*, cor::metadb_handle*) override {
        return false;
    }
    bool query_playlist_rename(const char*, size_t) override { return false; }
    bool query_playlist_remove() override { return false; }
    bool execute_default_action(size_t) override { return true; }
    void on_playlist_index_change(size_t) override {}
    void on_playlist_remove() override {}
    void get_lock_name(cor::string_sink& out) override;
    void show_ui() override {}
    uint32_t get_filter_mask() override;
};

// Makes the lock object if it does not exist yet.
void create_playlist_lock();
// The lock object (made on first use when start-up has not made it).
cor::playlist_lock* playlist_lock_object();

}  // namespace vesk
