// The playlist manager's items: adding, removing, reordering and replacing
// them, their lengths and titles, and their selection and focus.
#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "corvina500/player/flag_arrays.h"
#include "corvina500/player/locations.h"
#include "corvina500/player/playlist_manager_impl.h"
#include "sdk/utf8.h"

namespace cor {
namespace {

using namespace playlist_detail;

// Count of the items before `index` that survive.
size_t survivors_before(const std::vector<size_t>& old_to_new, size_t index) {
    size_t n = 0;
    for (size_t i = 0; i < index && i < old_to_new.size(); ++i)
        if (old_to_new[i] != no_index) ++n;
    return n;
}

}  // namespace

size_t playlist_manager_impl::playlist_get_item_count(size_t playlist) {
    const t_playlist* pl = find(playlist);
    return pl ? pl->items.size() : 0;
}

track_ptr playlist_manager_impl::item_track(size_t playlist, size_t item) const {
    if (playlist >= playlists_.size() || item >= playlists_[playlist].items.size()) return {};
    return playlists_[playlist].items[item].track;
}

bool playlist_manager_impl::playlist_get_item_handle(size_t playlist, size_t item,
                                                     metadb_handle** out) {
    if (!out) return false;
    *out = nullptr;
    const track_ptr track = item_track(playlist, item);
    if (!track) return false;
    track->service_add_ref();
    *out = track.get();
    return true;
}

void playlist_manager_impl::playlist_enum_items(size_t playlist, bool selected_only,
                                                metadb_handle_sink& out) {
    const t_playlist* pl = find(playlist);
    if (!pl) return;
    std::vector<track_ptr> list;
    for (const auto& it : pl->items)
        if (!selected_only || it.selected) list.push_back(it.track);
    for (const auto& track : list) out.add(track.get());
}

size_t playlist_manager_impl::playlist_insert_items(size_t playlist, size_t first,
                                                    metadb_handle* const* items, size_t count,
                                                    const bool* selection) {
    if (!find(playlist) || (count && !items)) return no_index;
    const size_t base = std::min(first, find(playlist)->items.size());
    if (count == 0) return base;
    std::vector<track_ptr> tracks;
    std::vector<metadb_handle*> raw;
    tracks.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        tracks.push_back(tracks_.adopt(items[i]));
        if (!tracks.back()) return no_index;
        raw.push_back(tracks.back().get());
    }
    const flag_array selected = make_flags(count);
    if (selection) std::copy_n(selection, count, selected.get());
    if (!allowed(playlist, playlist_lock::filter_add, [&](playlist_lock& l) {
            return l.query_items_add(base, raw.data(), count, selected.get());
        }))
        return no_index;

    t_playlist& pl = playlists_[playlist];
    std::vector<t_item> added;
    added.reserve(count);
    for (size_t i = 0; i < count; ++i) added.push_back({tracks[i], selected[i]});
    pl.items.insert(pl.items.begin() + static_cast<std::ptrdiff_t>(base),
                    std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    if (pl.focus != no_index && pl.focus >= base) pl.focus += count;
    if (playing_.playlist_id == pl.id) {
        if (playing_.item != no_index && playing_.item >= base) playing_.item += count;
        // Items put where a removed playing item was come next.
        if (playing_.item == no_index && playing_.follower > base) playing_.follower += count;
    }
    order_.items_inserted(pl.id, base, count);
    queue_.items_inserted(pl.id, base, count);
    ++generation_;
    notify(playlist_callback::flag_items_added, [&](playlist_callback& cb) {
        cb.on_items_added(playlist, base, count, raw.data(), selected.get());
    });
    return base;
}

size_t playlist_manager_impl::playlist_insert_locations(size_t playlist, size_t first,
                                                        const char* const* paths,
                                                        const size_t* lengths, size_t count,
                                                        bool select) {
    if (!find(playlist) || (count && !paths)) return no_index;
    std::vector<std::string> given;
    for (size_t i = 0; i < count; ++i) {
        if (!paths[i]) continue;
        given.emplace_back(paths[i], lengths ? lengths[i] : std::strlen(paths[i]));
    }
    std::vector<track_ptr> tracks;
    // Files that cannot be read are left out.
    for (const auto& path : expand_locations(given))
        if (track_ptr t = tracks_.get(path)) tracks.push_back(std::move(t));
    std::vector<metadb_handle*> raw;
    for (const auto& t : tracks) raw.push_back(t.get());
    const flag_array selection = make_flags(raw.size(), select);
    return playlist_insert_items(playlist, first, raw.data(), raw.size(), selection.get());
}

bool playlist_manager_impl::playlist_remove_items(size_t playlist, const bool* mask, size_t count) {
    const t_playlist* pl = find(playlist);
    if (!pl || count != pl->items.size() || (count && !mask)) return false;
    if (std::none_of(mask, mask + count, [](bool b) { return b; })) return true;
    if (!allowed(playlist, playlist_lock::filter_remove,
                 [&](playlist_lock& l) { return l.query_items_remove(mask, count); }))
        return false;
    remove_items_unchecked(playlist, std::vector<bool>(mask, mask + count));
    return true;
}

void playlist_manager_impl::remove_items_unchecked(size_t playlist, std::vector<bool> removed) {
    t_playlist& pl = playlists_[playlist];
    const size_t old_count = pl.items.size();
    std::vector<size_t> old_to_new(old_count);
    std::vector<t_item> kept;
    for (size_t i = 0; i < old_count; ++i) {
        if (removed[i]) {
            old_to_new[i] = no_index;
        } else {
            old_to_new[i] = kept.size();
            kept.push_back(std::move(pl.items[i]));
        }
    }
    pl.items = std::move(kept);
    const size_t new_count = pl.items.size();

    // The focus stays at its place: on the item that came after a removed one.
    const size_t old_focus = pl.focus;
    bool focus_moved = false;
    if (old_focus != no_index) {
        focus_moved = old_to_new[old_focus] == no_index || old_to_new[old_focus] != old_focus;
        if (old_to_new[old_focus] != no_index) {
            pl.focus = old_to_new[old_focus];
        } else {
            const size_t next = survivors_before(old_to_new, old_focus);
            pl.focus = next < new_count ? next : (new_count ? new_count - 1 : no_index);
        }
    }
    if (playing_.playlist_id == pl.id) {
        if (playing_.item != no_index) {
            if (old_to_new[playing_.item] == no_index) {
                playing_.follower = survivors_before(old_to_new, playing_.item);
                playing_.item = no_index;
            } else {
                playing_.item = old_to_new[playing_.item];
            }
        } else {
            playing_.follower = survivors_before(old_to_new, playing_.follower);
        }
    }
    order_.items_remapped(pl.id, old_to_new);
    queue_.items_remapped(pl.id, old_to_new);
    ++generation_;

    const flag_array mask = make_flags(old_count);
    for (size_t i = 0; i < old_count; ++i) mask[i] = removed[i];
    const size_t new_focus = pl.focus;
    notify(playlist_callback::flag_items_removed, [&](playlist_callback& cb) {
        cb.on_items_removed(playlist, mask.get(), old_count, new_count);
    });
    if (focus_moved)
        notify(playlist_callback::flag_item_focus_change, [&](playlist_callback& cb) {
            cb.on_item_focus_change(playlist, old_focus, new_focus);
        });
}

bool playlist_manager_impl::playlist_remove_selection(size_t playlist, bool crop) {
    const t_playlist* pl = find(playlist);
    if (!pl) return false;
    const size_t count = pl->items.size();
    const flag_array mask = make_flags(count);
    for (size_t i = 0; i < count; ++i) mask[i] = pl->items[i].selected != crop;
    return playlist_remove_items(playlist, mask.get(), count);
}

bool playlist_manager_impl::playlist_clear(size_t playlist) {
    const t_playlist* pl = find(playlist);
    if (!pl) return false;
    const size_t count = pl->items.size();
    const flag_array mask = make_flags(count, true);
    return playlist_remove_items(playlist, mask.get(), count);
}

bool playlist_manager_impl::playlist_reorder_items(size_t playlist, const size_t* order,
                                                   size_t count) {
    const t_playlist* pl = find(playlist);
    if (!pl || !is_permutation_of(order, count, pl->items.size())) return false;
    if (!allowed(playlist, playlist_lock::filter_reorder,
                 [&](playlist_lock& l) { return l.query_items_reorder(order, count); }))
        return false;
    t_playlist& list = playlists_[playlist];
    std::vector<t_item> moved;
    moved.reserve(count);
    std::vector<size_t> old_to_new(count);
    for (size_t i = 0; i < count; ++i) {
        moved.push_back(std::move(list.items[order[i]]));
        old_to_new[order[i]] = i;
    }
    list.items = std::move(moved);
    const size_t old_focus = list.focus;
    if (old_focus != no_index) list.focus = old_to_new[old_focus];
    if (playing_.playlist_id == list.id) {
        if (playing_.item != no_index)
            playing_.item = old_to_new[playing_.item];
        else if (playing_.follower < count)
            playing_.follower = old_to_new[playing_.follower];
    }
    order_.items_remapped(list.id, old_to_new);
    queue_.items_remapped(list.id, old_to_new);
    ++generation_;
    const std::vector<size_t> copy(order, order + count);
    const size_t new_focus = list.focus;
    notify(playlist_callback::flag_items_reordered,
           [&](playlist_callback& cb) { cb.on_items_reordered(playlist, copy.data(), count); });
    if (new_focus != old_focus)
        notify(playlist_callback::flag_item_focus_change, [&](playlist_callback& cb) {
            cb.on_item_focus_change(playlist, old_focus, new_focus);
        });
    return true;
}

bool playlist_manager_impl::playlist_replace_item(size_t playlist, size_t item,
                                                  metadb_handle* track) {
    const track_ptr old = item_track(playlist, item);
    const track_ptr replacement = tracks_.adopt(track);
    if (!old || !replacement) return false;
    if (!allowed(playlist, playlist_lock::filter_replace, [&](playlist_lock& l) {
            return l.query_item_replace(item, old.get(), replacement.get());
        }))
        return false;
    t_playlist& pl = playlists_[playlist];
    pl.items[item].track = replacement;
    order_.items_changed(pl.id);
    ++generation_;
    const size_t count = pl.items.size();
    const flag_array mask = make_flags(count);
    mask[item] = true;
    notify(playlist_callback::flag_items_modified,
           [&](playlist_callback& cb) { cb.on_items_modified(playlist, mask.get(), count); });
    return true;
}

double playlist_manager_impl::playlist_get_item_length(size_t playlist, size_t item) {
    const track_ptr track = item_track(playlist, item);
    return track && track->length() > 0 ? track->length() : 0;
}

bool playlist_manager_impl::playlist_format_title(size_t playlist, size_t item,
                                                  titleformat_hook* hook, string_sink& out,
                                                  titleformat_object* script) {
    const track_ptr track = item_track(playlist, item);
    if (!track) return false;
    // A copy: the script may rename or add playlists while it runs.
    const std::string name = playlists_[playlist].name;
    t_playlist_item_place place;
    place.index = item;
    place.total = playlist_get_item_count(playlist);
    place.playlist_name = name;
    return track->format_as_item(hook, out, script, place);
}

bool playlist_manager_impl::playlist_execute_default_action(size_t playlist, size_t item) {
    if (!item_track(playlist, item)) return false;
    if (const service_ptr_t<playlist_lock> lock = find(playlist)->lock;
        lock && (lock->get_filter_mask() & playlist_lock::filter_default_action) &&
        lock->execute_default_action(item))
        return true;
    if (!item_player_ || !item_track(playlist, item)) return false;
    item_player_(playlist, item);
    return true;
}

// Selection and focus.

bool playlist_manager_impl::playlist_is_item_selected(size_t playlist, size_t item) {
    const t_playlist* pl = find(playlist);
    return pl && item < pl->items.size() && pl->items[item].selected;
}

bool playlist_manager_impl::playlist_set_selection_single(size_t playlist, size_t item,
                                                          bool selected) {
    const t_playlist* pl = find(playlist);
    if (!pl || item >= pl->items.size()) return false;
    const size_t count = pl->items.size();
    const flag_array affected = make_flags(count);
    const flag_array state = make_flags(count, selected);
    affected[item] = true;
    return playlist_set_selection(playlist, affected.get(), state.get(), count);
}

bool playlist_manager_impl::playlist_set_selection(size_t playlist, const bool* affected,
                                                   const bool* state, size_t count) {
    t_playlist* pl = find(playlist);
    if (!pl || count != pl->items.size() || (count && !state)) return false;
    const flag_array changed = make_flags(count);
    const flag_array now = make_flags(count);
    bool any = false;
    for (size_t i = 0; i < count; ++i) {
        bool& sel = pl->items[i].selected;
        if ((!affected || affected[i]) && sel != state[i]) {
            sel = state[i];
            changed[i] = any = true;
        }
        now[i] = sel;
    }
    if (!any) return true;
    ++generation_;
    notify(playlist_callback::flag_items_selection_change, [&](playlist_callback& cb) {
        cb.on_items_selection_change(playlist, changed.get(), now.get(), count);
    });
    return true;
}

bool playlist_manager_impl::playlist_clear_selection(size_t playlist) {
    const t_playlist* pl = find(playlist);
    if (!pl) return false;
    const size_t count = pl->items.size();
    const flag_array state = make_flags(count);
    return playlist_set_selection(playlist, nullptr, state.get(), count);
}

size_t playlist_manager_impl::playlist_get_focus_item(size_t playlist) {
    const t_playlist* pl = find(playlist);
    return pl ? pl->focus : no_index;
}

bool playlist_manager_impl::playlist_set_focus_item(size_t playlist, size_t item) {
    t_playlist* pl = find(playlist);
    if (!pl || (item != no_index && item >= pl->items.size())) return false;
    if (pl->focus == item) return true;
    const size_t old = std::exchange(pl->focus, item);
    ++generation_;
    notify(playlist_callback::flag_item_focus_change,
           [&](playlist_callback& cb) { cb.on_item_focus_change(playlist, old, item); });
    return true;
}

bool playlist_manager_impl::get_playing_item(size_t* playlist, size_t* item) {
    if (!playing_.active) return false;
    const size_t index = playlist_index(playing_.playlist_id);
    if (index == no_index || playing_.item == no_index) return false;
    if (playlist) *playlist = index;
    if (item) *item = playing_.item;
    return true;
}

}  // namespace cor
