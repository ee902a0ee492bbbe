// Fields the component resolves: window fields of the script's own window,
// player fields, engine fields, then local variables and the $hash store.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace vesk {

class vesk_tf_hook;

struct t_field_value {
    std::string text;
    bool found = true;
};

// Player and engine fields by folded name; false when the name is none of
// them or the state it needs does not exist.
bool resolve_player_field(std::string_view folded, t_field_value& out);
bool resolve_engine_field(vesk_tf_hook& hook, std::string_view folded, t_field_value& out);

// Every name the resolvers above answer, for the reference texts' check.
std::span<const std::string_view> player_field_names();
std::span<const std::string_view> engine_field_names();

}  // namespace vesk
