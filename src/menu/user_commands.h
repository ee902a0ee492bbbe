// The user's own menu commands: one persisted set for the Host's main menu
// and one for its context menu on tracks, each three parallel lists (the
// identity list the master) with a prepared copy of every script.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cfg_var.h"
#include "folded_index.h"
#include "metadb_handle.h"

namespace vesk {

class user_command_set {
public:
    user_command_set(const cor::guid& ids, const cor::guid& names, const cor::guid& scripts);

    [[nodiscard]] size_t size() const { return ids_.size(); }
    [[nodiscard]] const cor::guid& id(size_t i) const { return ids_[i]; }
    [[nodiscard]] const std::string& name(size_t i) const { return names_[i]; }
    [[nodiscard]] const std::string& script(size_t i) const { return scripts_[i]; }
    // The prepared copy; empty until the next prepare (see set).
    [[nodiscard]] const std::string& prepared(size_t i) const;

    // Index by name ignoring case, or size().
    [[nodiscard]] size_t find(std::string_view name);
    // Replaces the script of the command of that name (identity and place
    // kept) or appends a new command with a fresh identity. The prepared
    // copy of a replaced command stays until the next prepare_all.
    void set(std::string_view name, std::string script);
    bool remove(std::string_view name);

    // Names and scripts follow the identity list's length.
    void repair();
    void prepare(bool trim);

    // Runs command i outside any window; nothing in safe mode.
    void run(size_t i) const;
    // Runs command i once per track, compiled once, with the track's fields.
    void run_on_tracks(size_t i, cor::metadb_handle* const* tracks, size_t count) const;

private:
    void index_names();

    cor::cfg_guidlist_t ids_;
    cor::cfg_stringlist_t names_;
    cor::cfg_stringlist_t scripts_;
    std::vector<std::string> prepared_;
    // Names by folded text. The names change through set and remove, or
    // as a whole when the store is loaded or imported, which prepare
    // follows; a count that no longer matches makes it anew too.
    cor::folded_index by_name_;
    size_t indexed_ = 0;
};

user_command_set& user_mainmenu_commands();
user_command_set& user_contextmenu_commands();

// Repairs and prepares both sets (part of prepare all).
void prepare_user_commands();

}  // namespace vesk
