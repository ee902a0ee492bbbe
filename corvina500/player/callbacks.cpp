#include "corvina500/player/callbacks.h"

#include <algorithm>

namespace cor {

template <class T>
bool play_callback_manager_impl::add(std::vector<t_entry<T>>& list, T* callback, uint32_t flags,
                                     uint32_t valid) {
    if (!callback || flags == 0 || (flags & ~valid) != 0) return false;
    for (const auto& e : list)
        if (e.callback == callback) return false;
    list.push_back({callback, flags});
    return true;
}

template <class T>
bool play_callback_manager_impl::remove(std::vector<t_entry<T>>& list, T* callback) {
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const t_entry<T>& e) { return e.callback == callback; });
    if (it == list.end()) return false;
    list.erase(it);
    return true;
}

bool play_callback_manager_impl::register_play_callback(play_callback* callback, uint32_t flags) {
    return add(play_, callback, flags, play_callback::flag_all);
}

bool play_callback_manager_impl::unregister_play_callback(play_callback* callback) {
    return remove(play_, callback);
}

bool play_callback_manager_impl::register_playlist_callback(playlist_callback* callback,
                                                            uint32_t flags) {
    return add(playlist_, callback, flags, playlist_callback::flag_all);
}

bool play_callback_manager_impl::unregister_playlist_callback(playlist_callback* callback) {
    return remove(playlist_, callback);
}

}  // namespace cor
