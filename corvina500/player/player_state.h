// What the player keeps in the profile between runs: the playlists with
// their names and item paths, the active playlist, the playback order and
// the volume. Encoded as bytes for the configuration store; decoding checks
// every length against what is left, so damaged bytes give nullopt, never a
// crash or a huge allocation.
//
// Layout (little-endian): "CORP", version u32 = 1, playlist count u32, then
// per playlist: name, item count u32, item paths; then active index u32
// (0xFFFFFFFF: none), order u32, volume as the bits of a float u32. A text is
// its byte length u32 followed by its UTF-8 bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sdk/play_callback.h"

namespace cor {

class playlist_manager_impl;
class playback_engine;

struct t_saved_playlist {
    std::string name;
    std::vector<std::string> paths;
    friend bool operator==(const t_saved_playlist&, const t_saved_playlist&) = default;
};

struct t_player_state {
    std::vector<t_saved_playlist> playlists;
    size_t active = no_index;
    size_t order = 0;
    float volume = 0;
    friend bool operator==(const t_player_state&, const t_player_state&) = default;
};

[[nodiscard]] std::vector<uint8_t> encode_player_state(const t_player_state& state);
[[nodiscard]] std::optional<t_player_state> decode_player_state(std::span<const uint8_t> bytes);

[[nodiscard]] t_player_state capture_player_state(playlist_manager_impl& playlists,
                                                  playback_engine& engine);
// Fills a manager that has no playlists yet; false (and nothing changed)
// otherwise. Out-of-range values fall back to their defaults.
[[nodiscard]] bool restore_player_state(const t_player_state& state,
                                        playlist_manager_impl& playlists, playback_engine& engine);

}  // namespace cor
