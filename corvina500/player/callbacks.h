// Registration and delivery of player events. Delivery is synchronous, in
// registration order, on the caller's thread (the main thread). A callback
// may unregister itself or others while an event is being delivered: the
// ones removed are not called any more for that event.
#pragma once

#include <cstdint>
#include <vector>

#include "sdk/play_callback.h"

namespace cor {

class play_callback_manager_impl : public play_callback_manager {
public:
    bool register_play_callback(play_callback* callback, uint32_t flags) override;
    bool unregister_play_callback(play_callback* callback) override;
    bool register_playlist_callback(playlist_callback* callback, uint32_t flags) override;
    bool unregister_playlist_callback(playlist_callback* callback) override;

    // Calls `deliver(callback)` for each callback registered for `flag`.
    template <class F>
    void notify_play(uint32_t flag, F&& deliver) {
        notify(play_, flag, deliver);
    }
    template <class F>
    void notify_playlist(uint32_t flag, F&& deliver) {
        notify(playlist_, flag, deliver);
    }

private:
    template <class T>
    struct t_entry {
        T* callback;
        uint32_t flags;
    };

    template <class T>
    static bool add(std::vector<t_entry<T>>& list, T* callback, uint32_t flags, uint32_t valid);
    template <class T>
    static bool remove(std::vector<t_entry<T>>& list, T* callback);

    template <class T, class F>
    void notify(std::vector<t_entry<T>>& list, uint32_t flag, F& deliver) {
        const auto snapshot = list;
        for (const auto& entry : snapshot) {
            if (!(entry.flags & flag)) continue;
            bool still_there = false;
            for (const auto& e : list)
                if (e.callback == entry.callback && (e.flags & flag)) still_there = true;
            if (still_there) deliver(*entry.callback);
        }
    }

    std::vector<t_entry<play_callback>> play_;
    std::vector<t_entry<playlist_callback>> playlist_;
};

}  // namespace cor
