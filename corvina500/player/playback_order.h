// Which item plays next under each playback order. Pure logic over item
// indexes of one playlist, so every order can be tested without a player.
//
// The linear orders (default, repeat playlist, repeat track) follow the
// playlist. The others keep a sequence of items (the history behind the
// current item and, for shuffles, the rest of the current cycle) that
// previous() walks back and next() walks forward, extending it when it runs
// out. The sequence belongs to one playlist, named by an id that survives
// playlist moves; edits of that playlist are reported so it keeps naming the
// same items. Randomness comes from a seedable generator whose output is
// fixed by the standard, so a seed gives the same sequence everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "sdk/play_callback.h"

namespace cor {

// What the orders need to know of the playlist being navigated.
struct t_order_view {
    uint64_t playlist_id = 0;
    size_t count = 0;
    // Items with equal keys form an album (or folder) for the grouping
    // shuffles; only called by those.
    std::function<std::string(size_t item)> group_key;
};

class playback_order_state {
public:
    static constexpr size_t order_count = 7;
    // Names by order index; see playlist_manager.
    static const char* order_name(size_t order);

    explicit playback_order_state(uint64_t seed = 5489);
    void reseed(uint64_t seed);
    // Starts a fresh sequence.
    void set_order(size_t order);
    [[nodiscard]] size_t order() const { return order_; }

    // The item after `current`, or where playback begins when `current` is
    // no_index and the sequence has nothing to continue from. `automatic`:
    // the current track ended by itself. no_index when the order ends.
    size_t next(const t_order_view& view, size_t current, bool automatic);
    // The item before `current`; no_index when there is none.
    size_t previous(const t_order_view& view, size_t current);
    // Any item, whatever the order; no_index for an empty playlist.
    size_t random_item(size_t count);

    // Edits of a playlist. old_to_new[old index] is the item's new index,
    // or no_index when it was removed.
    void items_inserted(uint64_t playlist_id, size_t first, size_t count);
    void items_remapped(uint64_t playlist_id, const std::vector<size_t>& old_to_new);
    // An item's track changed: albums and folders may have changed.
    void items_changed(uint64_t playlist_id);
    void forget(uint64_t playlist_id);

private:
    [[nodiscard]] bool uses_sequence() const;
    [[nodiscard]] bool groups() const;
    size_t below(size_t n);
    void shuffle(std::vector<size_t>& v);
    // Keeps the sequence when it continues from `current` (or `current` is
    // no_index), else starts one positioned on `current`.
    void bind(const t_order_view& view, size_t current);
    void append_cycle(const t_order_view& view);
    std::vector<std::vector<size_t>> make_groups(const t_order_view& view) const;
    void trim_history();

    std::mt19937_64 rng_;
    size_t order_ = 0;
    uint64_t bound_id_ = 0;  // 0: bound to nothing
    bool dirty_ = false;
    std::vector<size_t> seq_;
    size_t pos_ = 0;  // position of the current item; no_index: before the first
};

}  // namespace cor
