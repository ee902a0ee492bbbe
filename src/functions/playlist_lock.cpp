#include "functions/playlist_lock.h"

#include <cstring>

namespace vesk {
namespace {
cor::service_ptr_t<cor::playlist_lock>& lock_object() {
    static cor::service_ptr_t<cor::playlist_lock> lock;
    return lock;
}
}  // namespace

void vesk_ui_playlist_lock::get_lock_name(cor::string_sink& out) {
    out.write(playlist_lock_name, std::strlen(playlist_lock_name));
}

uint32_t vesk_ui_playlist_lock::get_filter_mask() {
    // Every edit; the default action (playing an item) stays allowed.
    return filter_add | filter_remove | filter_reorder | filter_replace | filter_rename |
           filter_remove_playlist;
}

void create_playlist_lock() {
    if (!lock_object()) lock_object() = cor::make_service<vesk_ui_playlist_lock>();
}

cor::playlist_lock* playlist_lock_object() {
    create_playlist_lock();
    return lock_object().get();
}

}  // namespace vesk
