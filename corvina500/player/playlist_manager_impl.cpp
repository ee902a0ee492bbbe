#include "corvina500/player/playlist_manager_impl.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "corvina500/player/flag_arrays.h"
#include "corvina500/player/locations.h"
#include "sdk/utf8.h"

namespace cor {
namespace {

using namespace playlist_detail;

std::string folder_key(const std::string& path) {
    const size_t cut = path.find_last_of("/\\");
    return track_database::path_key(
        cut == std::string::npos ? std::string_view() : std::string_view(path).substr(0, cut));
}

// Albums are told apart by title and album artist; untagged files group by
// the folder they are in.
std::string album_key(const t_track_info& info) {
    const auto first = [&](std::string_view name) {
        const t_meta_field* f = info.find_meta(name);
        return f && !f->values.empty() ? fold_case(f->values.front()) : std::string();
    };
    const std::string album = first("album");
    if (album.empty()) return "\x01" + folder_key(info.path);
    return album + '\x1f' + first("album artist");
}

}  // namespace

playlist_manager_impl::playlist_manager_impl(track_database& tracks,
                                             service_ptr_t<play_callback_manager_impl> callbacks)
    : tracks_(tracks), callbacks_(std::move(callbacks)) {}

playlist_manager_impl::~playlist_manager_impl() = default;

playlist_manager_impl::t_playlist* playlist_manager_impl::find(size_t playlist) {
    return playlist < playlists_.size() ? &playlists_[playlist] : nullptr;
}

t_order_view playlist_manager_impl::order_view(const t_playlist& pl) {
    t_order_view view;
    view.playlist_id = pl.id;
    view.count = pl.items.size();
    if (order_.order() == order_shuffle_albums)
        view.group_key = [&pl](size_t i) { return album_key(pl.items[i].track->info()); };
    else if (order_.order() == order_shuffle_folders)
        view.group_key = [&pl](size_t i) { return folder_key(pl.items[i].track->path()); };
    return view;
}

void playlist_manager_impl::notify_lock_indexes(size_t from) {
    std::vector<std::pair<service_ptr_t<playlist_lock>, size_t>> moved;
    for (size_t i = from; i < playlists_.size(); ++i)
        if (playlists_[i].lock) moved.emplace_back(playlists_[i].lock, i);
    for (auto& [lock, index] : moved) lock->on_playlist_index_change(index);
}

// Playlists.

size_t playlist_manager_impl::get_playlist_count() { return playlists_.size(); }

size_t playlist_manager_impl::get_active_playlist() { return active_; }

bool playlist_manager_impl::set_active_playlist(size_t playlist) {
    if (!find(playlist)) return false;
    if (playlist == active_) return true;
    const size_t old = std::exchange(active_, playlist);
    ++generation_;
    notify(playlist_callback::flag_playlist_activate,
           [&](playlist_callback& cb) { cb.on_playlist_activate(old, playlist); });
    return true;
}

size_t playlist_manager_impl::get_playing_playlist() {
    return playing_.active ? playlist_index(playing_.playlist_id) : no_index;
}

bool playlist_manager_impl::playlist_get_name(size_t playlist, string_sink& out) {
    const t_playlist* pl = find(playlist);
    if (!pl) return false;
    out.write(pl->name.data(), pl->name.size());
    return true;
}

bool playlist_manager_impl::playlist_rename(size_t playlist, const char* name, size_t length) {
    if (!find(playlist) || !name || length == 0) return false;
    if (!allowed(playlist, playlist_lock::filter_rename,
                 [&](playlist_lock& l) { return l.query_playlist_rename(name, length); }))
        return false;
    const std::string text(name, length);
    find(playlist)->name = text;
    ++generation_;
    notify(playlist_callback::flag_playlist_renamed, [&](playlist_callback& cb) {
        cb.on_playlist_renamed(playlist, text.data(), text.size());
    });
    return true;
}

size_t playlist_manager_impl::create_playlist(const char* name, size_t length, size_t position) {
    if (!name || length == 0) return no_index;
    const size_t at = std::min(position, playlists_.size());
    t_playlist pl;
    pl.id = next_id_++;
    pl.name.assign(name, length);
    const std::string text = pl.name;
    playlists_.insert(playlists_.begin() + static_cast<std::ptrdiff_t>(at), std::move(pl));
    const bool activate = active_ == no_index;
    if (activate)
        active_ = at;
    else if (active_ >= at)
        ++active_;
    ++generation_;
    notify_lock_indexes(at + 1);
    notify(playlist_callback::flag_playlist_created,
           [&](playlist_callback& cb) { cb.on_playlist_created(at, text.data(), text.size()); });
    if (activate)
        notify(playlist_callback::flag_playlist_activate,
               [&](playlist_callback& cb) { cb.on_playlist_activate(no_index, at); });
    return at;
}

bool playlist_manager_impl::remove_playlist(size_t playlist) {
    if (!find(playlist)) return false;
    if (!allowed(playlist, playlist_lock::filter_remove_playlist,
                 [](playlist_lock& l) { return l.query_playlist_remove(); }))
        return false;
    const service_ptr_t<playlist_lock> lock = find(playlist)->lock;
    const uint64_t before = generation_;
    if (lock) lock->on_playlist_remove();
    if (before != generation_ || !find(playlist)) return false;

    const size_t old_count = playlists_.size();
    order_.forget(playlists_[playlist].id);
    queue_.forget(playlists_[playlist].id);
    playlists_.erase(playlists_.begin() + static_cast<std::ptrdiff_t>(playlist));
    const size_t old_active = active_;
    bool activate = false;
    if (active_ == playlist) {
        active_ = playlists_.empty() ? no_index : std::min(playlist, playlists_.size() - 1);
        activate = true;
    } else if (active_ != no_index && active_ > playlist) {
        --active_;
    }
    ++generation_;
    notify_lock_indexes(playlist);
    const flag_array mask = make_flags(old_count);
    mask[playlist] = true;
    const size_t new_count = playlists_.size();
    const size_t new_active = active_;
    notify(playlist_callback::flag_playlists_removed, [&](playlist_callback& cb) {
        cb.on_playlists_removed(mask.get(), old_count, new_count);
    });
    if (activate)
        notify(playlist_callback::flag_playlist_activate,
               [&](playlist_callback& cb) { cb.on_playlist_activate(old_active, new_active); });
    return true;
}

bool playlist_manager_impl::reorder_playlists(const size_t* order, size_t count) {
    if (!is_permutation_of(order, count, playlists_.size())) return false;
    std::vector<t_playlist> moved;
    moved.reserve(count);
    size_t new_active = active_;
    for (size_t i = 0; i < count; ++i) {
        moved.push_back(std::move(playlists_[order[i]]));
        if (order[i] == active_) new_active = i;
    }
    playlists_ = std::move(moved);
    active_ = new_active;
    ++generation_;
    const std::vector<size_t> copy(order, order + count);
    std::vector<std::pair<service_ptr_t<playlist_lock>, size_t>> locks;
    for (size_t i = 0; i < count; ++i)
        if (copy[i] != i && playlists_[i].lock) locks.emplace_back(playlists_[i].lock, i);
    for (auto& [lock, index] : locks) lock->on_playlist_index_change(index);
    notify(playlist_callback::flag_playlists_reordered,
           [&](playlist_callback& cb) { cb.on_playlists_reordered(copy.data(), count); });
    return true;
}

size_t playlist_manager_impl::find_playlist(const char* name, size_t length) {
    if (!name) return no_index;
    const std::string_view wanted(name, length);
    for (size_t i = 0; i < playlists_.size(); ++i)
        if (iequals_utf8(playlists_[i].name, wanted)) return i;
    return no_index;
}

// Playback order.

size_t playlist_manager_impl::playback_order_get_count() {
    return playback_order_state::order_count;
}

bool playlist_manager_impl::playback_order_get_name(size_t index, string_sink& out) {
    const char* name = playback_order_state::order_name(index);
    if (!name) return false;
    out.write(name, std::strlen(name));
    return true;
}

size_t playlist_manager_impl::playback_order_get_active() { return order_.order(); }

bool playlist_manager_impl::playback_order_set_active(size_t index) {
    if (index >= playback_order_state::order_count) return false;
    if (index == order_.order()) return true;
    order_.set_order(index);
    notify(playlist_callback::flag_playback_order_changed,
           [&](playlist_callback& cb) { cb.on_playback_order_changed(index); });
    return true;
}

// Locks.

bool playlist_manager_impl::playlist_lock_install(size_t playlist, playlist_lock* lock) {
    t_playlist* pl = find(playlist);
    if (!pl || !lock || pl->lock) return false;
    pl->lock = service_ptr_t<playlist_lock>(lock);
    return true;
}

bool playlist_manager_impl::playlist_lock_uninstall(size_t playlist, playlist_lock* lock) {
    t_playlist* pl = find(playlist);
    if (!pl || !lock || pl->lock.get() != lock) return false;
    const service_ptr_t<playlist_lock> released = std::move(pl->lock);
    return true;
}

bool playlist_manager_impl::playlist_lock_is_present(size_t playlist) {
    const t_playlist* pl = find(playlist);
    return pl && pl->lock;
}

bool playlist_manager_impl::playlist_lock_query_name(size_t playlist, string_sink& out) {
    const t_playlist* pl = find(playlist);
    if (!pl || !pl->lock) return false;
    const service_ptr_t<playlist_lock> lock = pl->lock;
    lock->get_lock_name(out);
    return true;
}

uint32_t playlist_manager_impl::playlist_lock_get_filter_mask(size_t playlist) {
    const t_playlist* pl = find(playlist);
    if (!pl || !pl->lock) return 0;
    const service_ptr_t<playlist_lock> lock = pl->lock;
    return lock->get_filter_mask();
}

// Host side.

void playlist_manager_impl::release_locks() {
    std::vector<service_ptr_t<playlist_lock>> released;
    for (auto& pl : playlists_)
        if (pl.lock) released.push_back(std::move(pl.lock));
}

void playlist_manager_impl::notify_track_changed(const metadb_handle_impl* track) {
    struct t_change {
        size_t playlist;
        size_t count;
        flag_array mask;
    };
    std::vector<t_change> changes;
    for (size_t p = 0; p < playlists_.size(); ++p) {
        const auto& items = playlists_[p].items;
        flag_array mask = make_flags(items.size());
        bool any = false;
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].track.get() == track) mask[i] = any = true;
        if (!any) continue;
        order_.items_changed(playlists_[p].id);
        changes.push_back({p, items.size(), std::move(mask)});
    }
    if (changes.empty()) return;
    ++generation_;
    for (const auto& c : changes)
        notify(playlist_callback::flag_items_modified, [&](playlist_callback& cb) {
            cb.on_items_modified(c.playlist, c.mask.get(), c.count);
        });
}

// Engine side.

bool playlist_manager_impl::queue_add(size_t playlist, size_t item) {
    const t_playlist* pl = find(playlist);
    if (!pl || item >= pl->items.size()) return false;
    queue_.push({pl->id, item});
    return true;
}

std::vector<t_item_location> playlist_manager_impl::queue_items() const {
    std::vector<t_item_location> out;
    for (const auto& e : queue_.entries()) out.push_back({playlist_index(e.playlist_id), e.item});
    return out;
}

std::optional<t_item_location> playlist_manager_impl::queued_location() const {
    const auto first = queue_.front();
    if (!first) return std::nullopt;
    return t_item_location{playlist_index(first->playlist_id), first->item};
}

std::optional<t_item_location> playlist_manager_impl::navigate(step direction) {
    if (direction != step::previous)
        if (auto queued = queued_location()) return queued;
    size_t playlist = playlist_index(playing_.playlist_id);
    if (!playing_.active && playlist != active_) playlist = no_index;
    size_t current;
    bool automatic = direction == step::next_automatic;
    const bool sequence = order_.order() >= order_random;
    if (playlist != no_index) {
        if (playing_.item != no_index) {
            current = playing_.item;
        } else if (sequence) {
            current = no_index;  // the sequence continues past the removed item
        } else {
            // Step from just before the item that followed the removed one.
            const size_t f = playing_.follower;
            current = direction == step::previous ? f : (f == 0 ? no_index : f - 1);
            automatic = false;
        }
    } else {
        playlist = active_;
        if (playlist == no_index) return std::nullopt;
        current = playlists_[playlist].focus;
    }
    const t_order_view view = order_view(playlists_[playlist]);
    const size_t item = direction == step::previous ? order_.previous(view, current)
                                                    : order_.next(view, current, automatic);
    if (item == no_index) return std::nullopt;
    return t_item_location{playlist, item};
}

std::optional<t_item_location> playlist_manager_impl::start_location() {
    if (auto queued = queued_location()) return queued;
    const t_playlist* pl = find(active_);
    if (!pl || pl->items.empty()) return std::nullopt;
    if (pl->focus != no_index) return t_item_location{active_, pl->focus};
    const size_t item = order_.next(order_view(*pl), no_index, false);
    if (item == no_index) return std::nullopt;
    return t_item_location{active_, item};
}

std::optional<t_item_location> playlist_manager_impl::random_location() {
    const t_playlist* pl = find(active_);
    if (!pl || pl->items.empty()) return std::nullopt;
    return t_item_location{active_, order_.random_item(pl->items.size())};
}

void playlist_manager_impl::set_playing_item(size_t playlist, size_t item) {
    playing_ = {playlist_id(playlist), item, 0, true};
    queue_.played({playing_.playlist_id, item});
}

void playlist_manager_impl::clear_playing_item() { playing_.active = false; }

std::optional<t_item_location> playlist_manager_impl::last_played() const {
    const size_t playlist = playlist_index(playing_.playlist_id);
    if (playlist == no_index || playing_.item == no_index) return std::nullopt;
    return t_item_location{playlist, playing_.item};
}

uint64_t playlist_manager_impl::playlist_id(size_t playlist) const {
    return playlist < playlists_.size() ? playlists_[playlist].id : 0;
}

size_t playlist_manager_impl::playlist_index(uint64_t id) const {
    if (id == 0) return no_index;
    for (size_t i = 0; i < playlists_.size(); ++i)
        if (playlists_[i].id == id) return i;
    return no_index;
}

}  // namespace cor
