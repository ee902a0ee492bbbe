// The playback queue: playlist items the user asked to hear next, in the
// order asked. They play before the playback order goes on, which then
// continues from the last of them; an entry leaves the queue when its item
// begins to play. Entries name their playlist by an id that survives
// playlist moves and follow their items through edits; an entry whose item
// or playlist is removed leaves the queue. Pure logic, no player.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace cor {

class playback_queue {
public:
    struct t_entry {
        uint64_t playlist_id = 0;
        size_t item = 0;
        bool operator==(const t_entry&) const = default;
    };

    void push(const t_entry& entry);
    void clear();
    [[nodiscard]] const std::vector<t_entry>& entries() const { return entries_; }
    [[nodiscard]] bool empty() const { return entries_.empty(); }
    [[nodiscard]] std::optional<t_entry> front() const;
    // The item has begun to play: it leaves the queue when it is first.
    void played(const t_entry& entry);

    // Edits of a playlist; old_to_new as playback_order_state takes it.
    void items_inserted(uint64_t playlist_id, size_t first, size_t count);
    void items_remapped(uint64_t playlist_id, const std::vector<size_t>& old_to_new);
    void forget(uint64_t playlist_id);

    // Changes whenever the entries do, so a choice of what plays next made
    // from the queue can be seen to be stale.
    [[nodiscard]] uint64_t generation() const { return generation_; }

private:
    std::vector<t_entry> entries_;
    uint64_t generation_ = 0;
};

}  // namespace cor
