#include "corvina500/player/playback_order.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace cor {
namespace {

constexpr size_t order_default = 0;
constexpr size_t order_repeat_playlist = 1;
constexpr size_t order_repeat_track = 2;
constexpr size_t order_random = 3;
constexpr size_t order_shuffle_tracks = 4;
constexpr size_t order_shuffle_albums = 5;
constexpr size_t order_shuffle_folders = 6;

// Enough history to step back through a long session without growing
// without bound.
constexpr size_t history_trim_at = 2048;
constexpr size_t history_keep = 1024;

}  // namespace

const char* playback_order_state::order_name(size_t order) {
    static constexpr const char* names[order_count] = {
        "Default",          "Repeat (playlist)", "Repeat (track)",   "Random",
        "Shuffle (tracks)", "Shuffle (albums)",  "Shuffle (folders)"};
    return order < order_count ? names[order] : nullptr;
}

playback_order_state::playback_order_state(uint64_t seed) : rng_(seed) {}

void playback_order_state::reseed(uint64_t seed) {
    rng_.seed(seed);
    forget(bound_id_);
}

void playback_order_state::set_order(size_t order) {
    order_ = order < order_count ? order : order_default;
    forget(bound_id_);
}

bool playback_order_state::uses_sequence() const { return order_ >= order_random; }

bool playback_order_state::groups() const {
    return order_ == order_shuffle_albums || order_ == order_shuffle_folders;
}

size_t playback_order_state::below(size_t n) {
    // Rejection keeps every index equally likely.
    const uint64_t range = n;
    const uint64_t limit =
        std::numeric_limits<uint64_t>::max() - std::numeric_limits<uint64_t>::max() % range;
    uint64_t r;
    do r = rng_();
    while (r >= limit);
    return static_cast<size_t>(r % range);
}

void playback_order_state::shuffle(std::vector<size_t>& v) {
    for (size_t i = v.size(); i > 1; --i) std::swap(v[i - 1], v[below(i)]);
}

size_t playback_order_state::random_item(size_t count) { return count ? below(count) : no_index; }

std::vector<std::vector<size_t>> playback_order_state::make_groups(const t_order_view& view) const {
    std::vector<std::vector<size_t>> result;
    std::unordered_map<std::string, size_t> index;
    for (size_t i = 0; i < view.count; ++i) {
        auto key = view.group_key ? view.group_key(i) : std::string();
        auto [it, added] = index.emplace(std::move(key), result.size());
        if (added) result.emplace_back();
        result[it->second].push_back(i);
    }
    return result;
}

void playback_order_state::bind(const t_order_view& view, size_t current) {
    bool same = bound_id_ == view.playlist_id && !dirty_;
    if (same)
        for (size_t e : seq_)
            if (e >= view.count) same = false;
    if (same && current == no_index) return;
    if (same && pos_ != no_index && pos_ < seq_.size() && seq_[pos_] == current) return;

    bound_id_ = view.playlist_id;
    dirty_ = false;
    seq_.clear();
    pos_ = no_index;
    if (current == no_index || current >= view.count) return;

    if (order_ == order_random) {
        seq_.push_back(current);
    } else if (order_ == order_shuffle_tracks) {
        seq_.push_back(current);
        std::vector<size_t> rest;
        for (size_t i = 0; i < view.count; ++i)
            if (i != current) rest.push_back(i);
        shuffle(rest);
        seq_.insert(seq_.end(), rest.begin(), rest.end());
    } else {
        auto gs = make_groups(view);
        std::vector<size_t> others;
        size_t own = 0;
        for (size_t g = 0; g < gs.size(); ++g) {
            if (std::find(gs[g].begin(), gs[g].end(), current) != gs[g].end())
                own = g;
            else
                others.push_back(g);
        }
        shuffle(others);
        seq_ = gs[own];
        for (size_t g : others) seq_.insert(seq_.end(), gs[g].begin(), gs[g].end());
    }
    pos_ = static_cast<size_t>(std::find(seq_.begin(), seq_.end(), current) - seq_.begin());
}

void playback_order_state::append_cycle(const t_order_view& view) {
    const bool has_last = !seq_.empty();
    const size_t last = has_last ? seq_.back() : no_index;
    if (order_ == order_shuffle_tracks) {
        std::vector<size_t> cycle(view.count);
        for (size_t i = 0; i < view.count; ++i) cycle[i] = i;
        shuffle(cycle);
        // A new cycle should not begin with the track that just ended it.
        if (has_last && cycle.size() > 1 && cycle[0] == last)
            std::swap(cycle[0], cycle[1 + below(cycle.size() - 1)]);
        seq_.insert(seq_.end(), cycle.begin(), cycle.end());
        return;
    }
    auto gs = make_groups(view);
    std::vector<size_t> order(gs.size());
    for (size_t g = 0; g < gs.size(); ++g) order[g] = g;
    shuffle(order);
    if (has_last && order.size() > 1) {
        const auto& first = gs[order[0]];
        if (std::find(first.begin(), first.end(), last) != first.end())
            std::swap(order[0], order[1 + below(order.size() - 1)]);
    }
    for (size_t g : order) seq_.insert(seq_.end(), gs[g].begin(), gs[g].end());
}

void playback_order_state::trim_history() {
    if (pos_ == no_index || pos_ < history_trim_at) return;
    const size_t drop = pos_ - history_keep;
    seq_.erase(seq_.begin(), seq_.begin() + static_cast<std::ptrdiff_t>(drop));
    pos_ -= drop;
}

size_t playback_order_state::next(const t_order_view& view, size_t current, bool automatic) {
    const size_t count = view.count;
    if (count == 0) return no_index;
    switch (order_) {
        case order_default: {
            const size_t n = current == no_index ? 0 : current + 1;
            return n < count ? n : no_index;
        }
        case order_repeat_track:
            if (automatic && current < count) return current;
            [[fallthrough]];
        case order_repeat_playlist: {
            const size_t n = current == no_index ? 0 : current + 1;
            return n < count ? n : 0;
        }
        default:
            break;
    }
    bind(view, current);
    const size_t n = pos_ == no_index ? 0 : pos_ + 1;
    if (n >= seq_.size()) {
        if (order_ == order_random) {
            size_t pick;
            if (!seq_.empty() && count > 1) {
                // Anything but the item that just played.
                pick = below(count - 1);
                if (pick >= seq_.back()) ++pick;
            } else {
                pick = below(count);
            }
            seq_.push_back(pick);
        } else {
            append_cycle(view);
        }
    }
    pos_ = n;
    trim_history();
    return seq_[pos_];
}

size_t playback_order_state::previous(const t_order_view& view, size_t current) {
    const size_t count = view.count;
    if (count == 0) return no_index;
    switch (order_) {
        case order_default:
            if (current == no_index || current == 0) return no_index;
            return std::min(current, count) - 1;
        case order_repeat_playlist:
        case order_repeat_track:
            if (current == no_index) return no_index;
            return current == 0 ? count - 1 : std::min(current, count) - 1;
        default:
            break;
    }
    bind(view, current);
    if (pos_ == no_index || pos_ == 0) return no_index;
    --pos_;
    return seq_[pos_];
}

void playback_order_state::items_inserted(uint64_t playlist_id, size_t first, size_t count) {
    if (playlist_id != bound_id_ || count == 0) return;
    for (size_t& e : seq_)
        if (e >= first) e += count;
    if (groups()) {
        dirty_ = true;
    } else if (order_ == order_shuffle_tracks) {
        // New items join the part of the cycle still to come.
        const size_t start = pos_ == no_index ? 0 : pos_ + 1;
        for (size_t i = first; i < first + count; ++i) {
            const size_t at = start + below(seq_.size() - start + 1);
            seq_.insert(seq_.begin() + static_cast<std::ptrdiff_t>(at), i);
        }
    }
}

void playback_order_state::items_remapped(uint64_t playlist_id,
                                          const std::vector<size_t>& old_to_new) {
    if (playlist_id != bound_id_) return;
    std::vector<size_t> kept;
    kept.reserve(seq_.size());
    size_t new_pos = no_index;
    for (size_t k = 0; k < seq_.size(); ++k) {
        const size_t e = seq_[k];
        const size_t m = e < old_to_new.size() ? old_to_new[e] : no_index;
        if (m != no_index) kept.push_back(m);
        // A removed current item leaves the position on the one before it,
        // so next() continues with the item that followed.
        if (k == pos_) new_pos = kept.empty() ? no_index : kept.size() - 1;
    }
    seq_ = std::move(kept);
    pos_ = new_pos;
}

void playback_order_state::items_changed(uint64_t playlist_id) {
    if (playlist_id == bound_id_ && groups()) dirty_ = true;
}

void playback_order_state::forget(uint64_t playlist_id) {
    if (playlist_id != bound_id_) return;
    bound_id_ = 0;
    dirty_ = false;
    seq_.clear();
    pos_ = no_index;
}

}  // namespace cor
